#include "kfstore/ReadAhead.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kFirstBatch = 16;  // a walk that may stop after a few records
constexpr int kGrowth = 4;
constexpr int kMaxBatch = 1024;  // the query itself stops at a bound

}  // namespace

void TReadAhead::Restart()
{
    Rows_.clear();
    Next_ = 0;
    Limit_ = 0;
    Snapshot_.reset();
    Exhausted_ = false;
}

int TReadAhead::NextLimit(TBound bound, bool counterAvailable)
{
    if (!counterAvailable)
        return 1;
    if (bound != bNone)
        Limit_ = kMaxBatch;
    else
        Limit_ = Limit_ == 0 ? kFirstBatch : std::min(Limit_ * kGrowth, kMaxBatch);
    return Limit_;
}

int TReadAhead::EqualLimit(int lastWalk, TBound lastBound, bool counterAvailable)
{
    if (!counterAvailable || lastWalk == 0)
        return 1;
    // The record found, the walk, and a margin for the next walk being
    // longer; past a bound, one row to see it ends where the last one did.
    const int walk = lastBound == bNone ? lastWalk + lastWalk / 8 + 8 : lastWalk + 1;
    return std::min(1 + walk, kMaxBatch);
}

void TReadAhead::BeginFill()
{
    Rows_.clear();
    Pks_.clear();
    Next_ = 0;
    Snapshot_.reset();
    Exhausted_ = false;
}

void TReadAhead::Append(std::string_view pk, const void* record)
{
    const std::size_t at = Rows_.size() * static_cast<std::size_t>(RecordSize_);
    if (Records_.size() < at + static_cast<std::size_t>(RecordSize_))
        Records_.resize(at + static_cast<std::size_t>(RecordSize_));
    std::memcpy(Records_.data() + at, record, static_cast<std::size_t>(RecordSize_));
    Rows_.push_back({static_cast<uint32_t>(Pks_.size()), static_cast<uint32_t>(pk.size())});
    Pks_.append(pk);
}

void TReadAhead::EndFill(std::optional<uint64_t> snapshot, bool exhausted, TBound bound, std::string_view boundValue)
{
    Snapshot_ = snapshot;
    Exhausted_ = exhausted;
    ExhaustedBound_ = bound;
    ExhaustedValue_.assign(boundValue);
}

bool TReadAhead::ExhaustedUnder(TBound bound, std::string_view boundValue) const
{
    return Exhausted_ && (ExhaustedBound_ == bNone || (ExhaustedBound_ == bound && ExhaustedValue_ == boundValue));
}

TReadAhead::TRow TReadAhead::Front() const
{
    return Row(Next_);
}

TReadAhead::TRow TReadAhead::Row(std::size_t index) const
{
    const TRowRef& row = Rows_[index];
    return {std::string_view(Pks_).substr(row.Pk, row.PkLength),
            Records_.data() + index * static_cast<std::size_t>(RecordSize_)};
}
