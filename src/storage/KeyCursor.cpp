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

// Result columns of every read: primary key, key value, record.
enum : int { kPkColumn = 0, kValueColumn = 1, kRecordColumn = 2 };

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

TKeyCursor::TKeyCursor(TConnection& connection, const TChangeCounter& counter, int keyNumber, int recordSize)
    : Connection_(connection),
      Counter_(counter),
      KeyNumber_(keyNumber),
      RecordSize_(recordSize),
      Column_(TFileSchema::Column(keyNumber)),
      ReadAhead_(recordSize)
{
}

int16_t TKeyCursor::Prepare(TStatement& statement, const std::string& where, const std::string& order, bool limited)
{
    if (statement.Prepared())
        return ksOk;
    const std::string sql = "SELECT pk, " + Column_ + ", data FROM kfs_records" + (where.empty() ? "" : " WHERE ")
                            + where + " ORDER BY " + order + (limited ? " LIMIT ?4" : " LIMIT 1");
    return StatusFromSqlite(statement.Prepare(Connection_.Handle(), sql));
}

void TKeyCursor::Deliver(std::string_view pk, std::string_view value, const char* record, const TReadTarget& target)
{
    if (target.Record)
        std::memcpy(target.Record, record, static_cast<std::size_t>(RecordSize_));
    target.Pk.assign(pk);
    target.Value.assign(value);
}

int16_t TKeyCursor::Equal(std::string_view value, const TReadTarget& target)
{
    ReadAhead_.Restart();
    int16_t status = Prepare(Equal_, Column_ + " = ?1", "pk", false);
    if (status != ksOk)
        return status;
    TStatement::TReset reset(Equal_);
    Equal_.BindText(1, value);
    const int rc = Equal_.Step();
    if (rc == SQLITE_ROW) {
        const void* record = Equal_.ColumnBlob(kRecordColumn);
        if (Equal_.ColumnBytes(kRecordColumn) != RecordSize_)
            return ksCorrupt;
        const std::string_view pk = Equal_.ColumnText(kPkColumn);
        const std::string_view found = Equal_.ColumnText(kValueColumn);
        Deliver(pk, found, static_cast<const char*>(record), target);
        Position_ = {false, std::string(found), std::string(pk)};
        return ksOk;
    }
    Position_ = {false, std::string(value), std::string()};
    return rc == SQLITE_DONE ? ksNotFound : StatusFromSqlite(rc);
}

int16_t TKeyCursor::Fill(TReadAhead::TBound bound, std::string_view value)
{
    TStatement& statement = Next_[bound];
    std::string where = KeyNumber_ == 0 ? "pk > ?1" : "(" + Column_ + ", pk) > (?1, ?2)";
    if (bound == TReadAhead::bBelow)
        where += " AND " + Column_ + " < ?3";
    else if (bound == TReadAhead::bUpTo)
        where += " AND " + Column_ + " <= ?3";
    const int16_t status = Prepare(statement, where, KeyNumber_ == 0 ? "pk" : Column_ + ", pk", true);
    if (status != ksOk)
        return status;
    const int limit = ReadAhead_.NextLimit(bound, Counter_.Available());
    TStatement::TReset reset(statement);
    statement.BindText(1, Position_.Value);
    if (KeyNumber_ != 0)
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
        ReadAhead_.Append(statement.ColumnText(kPkColumn), statement.ColumnText(kValueColumn), record);
        ++rows;
    }
    statement.Reset();
    if (rc != SQLITE_DONE) {
        ReadAhead_.Restart();
        return StatusFromSqlite(rc);
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
        const int16_t status = Fill(bound, value);
        if (status != ksOk)
            return status;
    }
    if (ReadAhead_.Empty())
        return ksNotFound;
    const TReadAhead::TRow row = ReadAhead_.Front();
    if (!Meets(condition, row.Value, value))
        return ksNotFound;
    Deliver(row.Pk, row.Value, row.Record, target);
    Position_.Value.assign(row.Value);
    Position_.Pk.assign(row.Pk);
    ReadAhead_.Pop();
    return ksOk;
}

int16_t TKeyCursor::PreviousKey(const TReadTarget& target)
{
    ReadAhead_.Restart();
    const std::string order = KeyNumber_ == 0 ? "pk DESC" : Column_ + " DESC, pk DESC";
    TStatement& statement = Position_.AtEnd ? Last_ : Previous_;
    const std::string where = Position_.AtEnd ? std::string()
                              : KeyNumber_ == 0 ? std::string("pk < ?1")
                                                : "(" + Column_ + ", pk) < (?1, ?2)";
    const int16_t status = Prepare(statement, where, order, false);
    if (status != ksOk)
        return status;
    TStatement::TReset reset(statement);
    if (!Position_.AtEnd) {
        statement.BindText(1, Position_.Value);
        if (KeyNumber_ != 0)
            statement.BindText(2, Position_.Pk);
    }
    const int rc = statement.Step();
    if (rc == SQLITE_ROW) {
        const std::string_view pk = statement.ColumnText(kPkColumn);
        const std::string_view value = statement.ColumnText(kValueColumn);
        target.Pk.assign(pk);
        target.Value.assign(value);
        Position_ = {false, std::string(value), std::string(pk)};
        return ksOk;
    }
    if (rc != SQLITE_DONE)
        return StatusFromSqlite(rc);
    Position_ = {};
    return ksNotFound;
}

void TKeyCursor::Top()
{
    ReadAhead_.Restart();
    Position_ = {};
}

void TKeyCursor::End()
{
    ReadAhead_.Restart();
    Position_ = {true, {}, {}};
}
