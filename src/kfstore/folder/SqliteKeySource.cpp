#include "kfstore/folder/SqliteKeySource.h"

#include "kfstore/folder/ChangeCounter.h"
#include "kfstore/folder/Connection.h"
#include "kfstore/folder/FileSchema.h"
#include "kfstore/KfsStatus.h"

#include <sqlite3.h>

// Columns of every query's rows.
enum : int { kPkColumn = 0, kRecordColumn = 1 };

TSqliteKeySource::TSqliteKeySource(TConnection& connection, const TChangeCounter& counter, int keyNumber,
                                   int recordSize)
    : Connection_(connection),
      Counter_(counter),
      KeyNumber_(keyNumber),
      RecordSize_(recordSize),
      Column_(TFileSchema::Column(keyNumber))
{
}

std::string TSqliteKeySource::Sql(int index) const
{
    // Every query reads the primary key and the record; ?1 and ?2 are the
    // position's value and primary key (key 0 has only ?1), ?3 a bound, ?4
    // the number of rows.
    const bool primary = KeyNumber_ == 0;
    const std::string after = primary ? "pk > ?1" : "(" + Column_ + ", pk) > (?1, ?2)";
    const std::string ascending = primary ? "pk LIMIT ?4" : Column_ + ", pk LIMIT ?4";
    const std::string descending = primary ? "pk DESC LIMIT 1" : Column_ + " DESC, pk DESC LIMIT 1";
    std::string where;
    std::string order = ascending;
    switch (index) {
    case qNext:
        where = after;
        break;
    case qNextBelow:
        where = after + " AND " + Column_ + " < ?3";
        break;
    case qNextUpTo:
        where = after + " AND " + Column_ + " <= ?3";
        break;
    case qFrom:
        // Before every record of the value. Not as a row value: the engine
        // checks those again on every row, a plain bound only when seeking.
        where = Column_ + " >= ?1";
        break;
    case sPrevious:
        where = primary ? "pk < ?1" : "(" + Column_ + ", pk) < (?1, ?2)";
        order = descending;
        break;
    default:
        order = descending;
        break;
    }
    return "SELECT pk, data FROM kfs_records" + (where.empty() ? "" : " WHERE " + where) + " ORDER BY " + order;
}

TStatement* TSqliteKeySource::Statement(int index, int16_t& status)
{
    TStatement& statement = Statements_[index];
    status = statement.Prepared() ? ksOk : Connection_.Status(statement.Prepare(Connection_.Handle(), Sql(index)));
    return status == ksOk ? &statement : nullptr;
}

bool TSqliteKeySource::CounterAvailable() const
{
    return Counter_.Available();
}

std::optional<uint64_t> TSqliteKeySource::Counter()
{
    return Counter_.Read();
}

int16_t TSqliteKeySource::Fill(TQuery query, const TPlace& place, std::string_view bound, int limit,
                               TReadAhead& readAhead, std::optional<uint64_t>& snapshot)
{
    int16_t status = ksOk;
    TStatement* statement = Statement(query, status);
    if (!statement)
        return status;
    TStatement::TReset reset(*statement);
    statement->BindText(1, place.Value);
    if (statement->ParameterCount() >= 2)
        statement->BindText(2, place.Pk);
    if (query == qNextBelow || query == qNextUpTo)
        statement->BindText(3, bound);
    statement->BindInt(4, limit);

    const std::optional<uint32_t> before = Counter_.Read();
    int rc;
    while ((rc = statement->Step()) == SQLITE_ROW) {
        if (statement->ColumnBytes(kRecordColumn) != RecordSize_)
            return ksCorrupt;
        readAhead.Append(statement->ColumnText(kPkColumn), statement->ColumnBlob(kRecordColumn));
    }
    statement->Reset();
    if (rc != SQLITE_DONE)
        return Connection_.Status(rc);
    const std::optional<uint32_t> after = Counter_.Read();
    if (before && after && *before == *after)
        snapshot = *before;
    return ksOk;
}

int16_t TSqliteKeySource::Previous(bool atEnd, const TPlace& place, std::string& pk, std::string& record)
{
    int16_t status = ksOk;
    TStatement* statement = Statement(atEnd ? sLast : sPrevious, status);
    if (!statement)
        return status;
    TStatement::TReset reset(*statement);
    if (!atEnd) {
        statement->BindText(1, place.Value);
        if (KeyNumber_ != 0)
            statement->BindText(2, place.Pk);
    }
    const int rc = statement->Step();
    if (rc == SQLITE_DONE)
        return ksNotFound;
    if (rc != SQLITE_ROW)
        return Connection_.Status(rc);
    pk.assign(statement->ColumnText(kPkColumn));
    const auto* bytes = static_cast<const char*>(statement->ColumnBlob(kRecordColumn));
    record.assign(bytes, bytes + statement->ColumnBytes(kRecordColumn));
    return ksOk;
}
