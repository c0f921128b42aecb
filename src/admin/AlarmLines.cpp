#include "admin/AlarmLines.h"

#include "storage/KfsStatus.h"
#include "admin/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <cstddef>
#include <stdexcept>

void TAlarmLines::Restart(TOrbekoDB& db)
{
    Walk = std::make_unique<TKeyWalk>(db.AlarmFile, TOrbekoDB::AlarmStampKey, sizeof(TAlarmRec), offsetof(TAlarmRec, AlarmStamp),
                                       sizeof(TAlarmRec::AlarmStamp));
    LastEntryId_.clear();
}

bool TAlarmLines::ReadRow(TOrbekoDB& db, TRow& row)
{
    TAlarmRec alarm;
    if (!Walk->Read(&alarm))
        return false;
    const int32_t who = FindUser(db, FieldText(alarm.UserId));
    row = MakeRow(alarm.AlarmStamp, who, EventText(db, FieldText(alarm.EntryId)));
    return true;
}

QString TAlarmLines::Line(const TRow& row) const
{
    return QStringLiteral("Time = ") + TimeText(row) + QStringLiteral(", User = ") + NameText(row) +
           QStringLiteral(", Description = ") + DescriptionText(row);
}

std::pair<uint32_t, int32_t> TAlarmLines::EventText(TOrbekoDB& db, const std::string& entryId)
{
    if (entryId == LastEntryId_)
        return LastEntryText_;
    TDayEntryRec entry;
    if (db.DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, entryId))
        LastEntryText_ = KeepText(FieldText(entry.Description));
    else if (db.DayEntryFile.Status() == ksNotFound)
        LastEntryText_ = MissingText();
    else
        throw std::runtime_error(db.DayEntryFile.StatusText());
    LastEntryId_ = entryId;
    return LastEntryText_;
}
