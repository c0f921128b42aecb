#include "admin/EventLines.h"

#include "storage/OrbekoDB.h"

void TEventLines::Restart(TOrbekoDB& db)
{
    StartWalk(db.DayEntryFile, TOrbekoDB::DayEntryStampKey);
}

bool TEventLines::ReadRow(TOrbekoDB& db, TRow& row)
{
    TDayEntryRec entry;
    if (!ReadNext(entry, &TDayEntryRec::EntryStamp))
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
