#include "kfstore/KeyCursor.h"

#include "kfstore/KeyOrder.h"
#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"

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

bool IsCondition(int value)
{
    return value == kcAny || value == kcPrefix || value == kcBelow || value == kcUpTo;
}

}  // namespace

TKeyCursor::TKeyCursor(TKeySource& source, const TKeyFormat& format, int keyNumber)
    : Source_(source),
      Format_(format),
      KeyNumber_(keyNumber),
      RecordSize_(format.RecordSize()),
      ReadAhead_(format.RecordSize())
{
}

int16_t TKeyCursor::Read(int readMode, std::string_view value, std::string* keyText, std::string& pk, void* record,
                         int recordSize)
{
    if (readMode == kmPreviousKey)
        return PreviousKey({pk, keyText, nullptr});
    const bool equal = readMode == kmGetEqual;
    if ((!equal && !IsCondition(readMode - kmGetNext)) || recordSize != RecordSize_)
        return ksBadParameter;
    const TReadTarget target{pk, keyText, static_cast<char*>(record)};
    if (equal)
        return Equal(value, target);
    return Next(static_cast<int16_t>(readMode - kmGetNext), value, target);
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
    const TReadAhead::TBound lastBound = Source_.QueriesCheap() ? WalkBound_ : TReadAhead::bNone;
    const int limit = TReadAhead::EqualLimit(WalkFromEqual_ ? Walk_ : 0, lastBound, Source_.CounterAvailable());
    WalkFromEqual_ = true;
    Walk_ = 0;
    WalkBound_ = TReadAhead::bNone;
    PositionInReadAhead_ = false;
    Position_ = {false, std::string(value), std::string()};
    ReadAhead_.Restart();
    const int16_t status = Fill(TKeySource::qFrom, TReadAhead::bNone, {}, limit);
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

int16_t TKeyCursor::Fill(TKeySource::TQuery query, TReadAhead::TBound bound, std::string_view value, int limit)
{
    SettlePosition();
    ReadAhead_.BeginFill();
    std::optional<uint64_t> snapshot;
    const int16_t status =
        Source_.Fill(query, {Position_.Value, Position_.Pk}, value, limit, ReadAhead_, snapshot);
    if (status != ksOk) {
        ReadAhead_.Restart();
        return status;
    }
    ReadAhead_.EndFill(snapshot, ReadAhead_.Filled() < limit, bound, value);
    return ksOk;
}

int16_t TKeyCursor::Next(int16_t condition, std::string_view value, const TReadTarget& target)
{
    if (Position_.AtEnd)
        return ksNotFound;
    const TReadAhead::TBound bound = BoundOf(condition);
    WalkBound_ = bound;
    const bool fresh = ReadAhead_.Fresh(Source_.Counter());
    if (fresh && ReadAhead_.Empty() && ReadAhead_.ExhaustedUnder(bound, value))
        return ksNotFound;
    if (!fresh || ReadAhead_.Empty()) {
        const TKeySource::TQuery query = bound == TReadAhead::bBelow ? TKeySource::qNextBelow
                                         : bound == TReadAhead::bUpTo ? TKeySource::qNextUpTo
                                                                      : TKeySource::qNext;
        const int16_t status = Fill(query, bound, value, ReadAhead_.NextLimit(bound, Source_.CounterAvailable()));
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
    std::string pk;
    std::string record;
    const int16_t status = Source_.Previous(Position_.AtEnd, {Position_.Value, Position_.Pk}, pk, record);
    if (status == ksNotFound)
        Position_ = {};
    if (status != ksOk)
        return status;
    if (static_cast<int>(record.size()) != RecordSize_)
        return ksCorrupt;
    const std::string_view value = ValueOf(pk, record.data());
    target.Pk.assign(pk);
    if (target.Value)
        target.Value->assign(value);
    Position_ = {false, std::string(value), pk};
    return ksOk;
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
