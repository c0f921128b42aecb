#include "admin/AlarmLines.h"

#include "storage/OrbekoDB.h"

void TAlarmLines::Restart(TOrbekoDB& db)
{
    StartWalk(db.AlarmFile, TOrbekoDB::AlarmStampKey);
    LastEntryId_.clear();
}

bool TAlarmLines::ReadRow(TOrbekoDB& db, TRow& row)
{
    TAlarmRec alarm;
    if (!ReadNext(alarm, &TAlarmRec::AlarmStamp))
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
    if (FindRecord(db.DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, entryId))
        LastEntryText_ = KeepText(FieldText(entry.Description));
    else
        LastEntryText_ = MissingText();
    LastEntryId_ = entryId;
    return LastEntryText_;
}
