#include "storage/KeyCursor.h"

#include "storage/ChangeCounter.h"
#include "storage/Connection.h"
#include "storage/FileSchema.h"
#include "storage/KeyOrder.h"
#include "storage/KfsModes.h"
#include "storage/KfsStatus.h"

#include <sqlite3.h>

#include <cstring>

namespace {

TReadAhead::TBound BoundOf(int16_t condition)
{
    switch (condition) {
    case kcBelow:
        return TReadAhead::bBelow;
    case kcUpTo:
        return TReadAhead::bUpTo;
    default:
        return TReadAhead::bNone;
    }
}

bool Meets(int16_t condition, std::string_view key, std::string_view value)
{
    switch (condition) {
    case kcPrefix:
        return KeyStartsWith(key, value);
    case kcBelow:
        return CompareKeys(key, value) < 0;
    case kcUpTo:
        return CompareKeys(key, value) <= 0;
    default:
        return true;
    }
}

}  // namespace

// Columns of every query's rows.
enum : int { kPkColumn = 0, kRecordColumn = 1 };

TKeyCursor::TKeyCursor(TConnection& connection, const TChangeCounter& counter, const TKeyFormat& format,
                       int keyNumber)
    : Connection_(connection),
      Counter_(counter),
      Format_(format),
      KeyNumber_(keyNumber),
      RecordSize_(format.RecordSize()),
      Column_(TFileSchema::Column(keyNumber)),
      ReadAhead_(format.RecordSize())
{
}

std::string TKeyCursor::Sql(TQuery query) const
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
    switch (query) {
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
    case qPrevious:
        where = primary ? "pk < ?1" : "(" + Column_ + ", pk) < (?1, ?2)";
        order = descending;
        break;
    default:
        order = descending;
        break;
    }
    return "SELECT pk, data FROM kfs_records" + (where.empty() ? "" : " WHERE " + where)
           + " ORDER BY " + order;
}

TStatement* TKeyCursor::Statement(TQuery query, int16_t& status)
{
    TStatement& statement = Statements_[query];
    status = statement.Prepared() ? ksOk : Connection_.Status(statement.Prepare(Connection_.Handle(), Sql(query)));
    return status == ksOk ? &statement : nullptr;
}

std::string_view TKeyCursor::ValueOf(std::string_view pk, const char* record) const
{
    return KeyNumber_ == 0 ? pk : Format_.KeyValue(record, KeyNumber_);
}

void TKeyCursor::Deliver(std::string_view pk, const char* record, const TReadTarget& target)
{
    if (target.Record)
        std::memcpy(target.Record, record, static_cast<std::size_t>(RecordSize_));
    target.Pk.assign(pk);
    if (target.Value)
        target.Value->assign(ValueOf(pk, record));
}

void TKeyCursor::SettlePosition()
{
    if (!PositionInReadAhead_)
        return;
    const TReadAhead::TRow last = ReadAhead_.Last();
    Position_.Value.assign(ValueOf(last.Pk, last.Record));
    Position_.Pk.assign(last.Pk);
    PositionInReadAhead_ = false;
}

int16_t TKeyCursor::Equal(std::string_view value, const TReadTarget& target)
{
    const int limit = TReadAhead::EqualLimit(WalkFromEqual_ ? Walk_ : 0, Counter_.Available());
    WalkFromEqual_ = true;
    Walk_ = 0;
    PositionInReadAhead_ = false;
    Position_ = {false, std::string(value), std::string()};
    ReadAhead_.Restart();
    int16_t status = ksOk;
    TStatement* statement = Statement(qFrom, status);
    if (statement)
        status = Fill(*statement, TReadAhead::bNone, {}, limit);
    if (status != ksOk)
        return status;
    if (ReadAhead_.Empty())
        return ksNotFound;
    const TReadAhead::TRow row = ReadAhead_.Front();
    if (CompareKeys(ValueOf(row.Pk, row.Record), value) != 0)
        return ksNotFound;  // what was read lies after the value: the position stays before it
    Deliver(row.Pk, row.Record, target);
    ReadAhead_.Pop();
    PositionInReadAhead_ = true;
    return ksOk;
}

int16_t TKeyCursor::Fill(TStatement& statement, TReadAhead::TBound bound, std::string_view value, int limit)
{
    SettlePosition();
    TStatement::TReset reset(statement);
    statement.BindText(1, Position_.Value);
    if (statement.ParameterCount() >= 2)
        statement.BindText(2, Position_.Pk);
    if (bound != TReadAhead::bNone)
        statement.BindText(3, value);
    statement.BindInt(4, limit);

    const std::optional<uint32_t> before = Counter_.Read();
    ReadAhead_.BeginFill();
    int rows = 0;
    int rc;
    while ((rc = statement.Step()) == SQLITE_ROW) {
        const void* record = statement.ColumnBlob(kRecordColumn);
        if (statement.ColumnBytes(kRecordColumn) != RecordSize_) {
            ReadAhead_.Restart();
            return ksCorrupt;
        }
        ReadAhead_.Append(statement.ColumnText(kPkColumn), record);
        ++rows;
    }
    statement.Reset();
    if (rc != SQLITE_DONE) {
        ReadAhead_.Restart();
        return Connection_.Status(rc);
    }
    const std::optional<uint32_t> after = Counter_.Read();
    ReadAhead_.EndFill(before && after && *before == *after ? before : std::nullopt, rows < limit, bound, value);
    return ksOk;
}

int16_t TKeyCursor::Next(int16_t condition, std::string_view value, const TReadTarget& target)
{
    if (Position_.AtEnd)
        return ksNotFound;
    const TReadAhead::TBound bound = BoundOf(condition);
    const bool fresh = ReadAhead_.Fresh(Counter_.Read());
    if (fresh && ReadAhead_.Empty() && ReadAhead_.ExhaustedUnder(bound, value))
        return ksNotFound;
    if (!fresh || ReadAhead_.Empty()) {
        const TQuery query = bound == TReadAhead::bBelow ? qNextBelow : bound == TReadAhead::bUpTo ? qNextUpTo : qNext;
        int16_t status = ksOk;
        TStatement* statement = Statement(query, status);
        if (statement)
            status = Fill(*statement, bound, value, ReadAhead_.NextLimit(bound, Counter_.Available()));
        if (status != ksOk)
            return status;
    }
    if (ReadAhead_.Empty())
        return ksNotFound;
    const TReadAhead::TRow row = ReadAhead_.Front();
    if (!Meets(condition, ValueOf(row.Pk, row.Record), value))
        return ksNotFound;
    Deliver(row.Pk, row.Record, target);
    ReadAhead_.Pop();
    PositionInReadAhead_ = true;
    ++Walk_;
    return ksOk;
}

int16_t TKeyCursor::PreviousKey(const TReadTarget& target)
{
    WalkFromEqual_ = false;
    SettlePosition();
    ReadAhead_.Restart();
    int16_t status = ksOk;
    TStatement* statement = Statement(Position_.AtEnd ? qLast : qPrevious, status);
    if (!statement)
        return status;
    TStatement::TReset reset(*statement);
    if (!Position_.AtEnd) {
        statement->BindText(1, Position_.Value);
        if (KeyNumber_ != 0)
            statement->BindText(2, Position_.Pk);
    }
    const int rc = statement->Step();
    if (rc == SQLITE_ROW) {
        const auto* record = static_cast<const char*>(statement->ColumnBlob(kRecordColumn));
        if (statement->ColumnBytes(kRecordColumn) != RecordSize_)
            return ksCorrupt;
        const std::string_view pk = statement->ColumnText(kPkColumn);
        const std::string_view value = ValueOf(pk, record);
        target.Pk.assign(pk);
        if (target.Value)
            target.Value->assign(value);
        Position_ = {false, std::string(value), std::string(pk)};
        return ksOk;
    }
    if (rc != SQLITE_DONE)
        return Connection_.Status(rc);
    Position_ = {};
    return ksNotFound;
}

void TKeyCursor::Top()
{
    WalkFromEqual_ = false;
    PositionInReadAhead_ = false;
    ReadAhead_.Restart();
    Position_ = {};
}

void TKeyCursor::End()
{
    WalkFromEqual_ = false;
    PositionInReadAhead_ = false;
    ReadAhead_.Restart();
    Position_ = {true, {}, {}};
}
