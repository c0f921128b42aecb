#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Records that one key's cursor read past its position in one query, handed
// out one by one by later reads. They are taken only while the file's change
// counter still shows the value it had when they were read, so no read ever
// returns a record that has since been changed or deleted by anyone. Batches
// grow while a walk goes on, so a short walk reads little and a long one
// costs few queries.
class TReadAhead
{
public:
    // What limited the query that filled the batch.
    enum TBound { bNone, bBelow, bUpTo };

    struct TRow
    {
        std::string_view Pk;
        const char* Record;
    };

    explicit TReadAhead(int recordSize) : RecordSize_(recordSize) {}

    // Drops the rows and starts the next walk with a small batch.
    void Restart();
    // Rows to ask for next in a walk: 1 where the counter cannot be read.
    int NextLimit(TBound bound, bool counterAvailable);
    // Rows to ask for when positioning on a value, given how many records
    // the last walk from such a position read and what stopped it: callers
    // repeat their walks (a day's entries, one user's alarms), and a lookup
    // reads one record. A walk that went to a bound is read with a small
    // margin only: rows past the bound are read for nothing, and a longer
    // walk is finished by a query that stops at the bound.
    static int EqualLimit(int lastWalk, TBound lastBound, bool counterAvailable);

    void BeginFill();
    void Append(std::string_view pk, const void* record);
    // snapshot: the counter the rows belong to, empty when it changed while
    // they were read (they serve the current read only). exhausted: the
    // query found fewer rows than asked for under this bound.
    void EndFill(std::optional<uint64_t> snapshot, bool exhausted, TBound bound, std::string_view boundValue);

    // The rows still belong to the file as it is now.
    bool Fresh(std::optional<uint64_t> counter) const
    {
        return Snapshot_ && counter && *Snapshot_ == *counter;
    }
    bool Empty() const { return Next_ == Rows_.size(); }
    // Rows of the last fill.
    int Filled() const { return static_cast<int>(Rows_.size()); }
    // No row past the last one read satisfies this bound (only while Fresh).
    bool ExhaustedUnder(TBound bound, std::string_view boundValue) const;
    TRow Front() const;
    void Pop() { ++Next_; }
    // The row handed out last; only after a Pop.
    TRow Last() const { return Row(Next_ - 1); }

private:
    TRow Row(std::size_t index) const;

    struct TRowRef
    {
        uint32_t Pk;        // offset in Pks_
        uint32_t PkLength;
    };

    int RecordSize_;
    int Limit_ = 0;
    std::vector<char> Records_;
    std::string Pks_;
    std::vector<TRowRef> Rows_;
    std::size_t Next_ = 0;
    std::optional<uint64_t> Snapshot_;
    bool Exhausted_ = false;
    TBound ExhaustedBound_ = bNone;
    std::string ExhaustedValue_;
};
