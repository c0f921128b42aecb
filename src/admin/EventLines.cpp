#include "admin/EventLines.h"

#include "admin/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <cstddef>

void TEventLines::Restart(TOrbekoDB& db)
{
    Walk = std::make_unique<TKeyWalk>(db.DayEntryFile, TOrbekoDB::DayEntryStampKey, sizeof(TDayEntryRec),
                                       offsetof(TDayEntryRec, EntryStamp), sizeof(TDayEntryRec::EntryStamp));
}

bool TEventLines::ReadRow(TOrbekoDB& db, TRow& row)
{
    TDayEntryRec entry;
    if (!Walk->Read(&entry))
        return false;
    const int32_t owner = FindUser(db, FieldText(entry.OwnerId));
    row = MakeRow(entry.EntryStamp, owner, owner == Missing ? MissingText() : KeepText(FieldText(entry.Description)));
    return true;
}

QString TEventLines::Line(const TRow& row) const
{
    const QString head = QStringLiteral("Time = ") + TimeText(row) + QStringLiteral(", ");
    if (row.Who == Missing)
        return head + QStringLiteral("Owner = ERR, Description = ERR");
    return head + QStringLiteral("Owner = ") + NameText(row) + QStringLiteral(", Description = ") +
           DescriptionText(row);
}
