#pragma once

#include "storage/ReadAhead.h"
#include "storage/Statement.h"

#include <cstdint>
#include <string>
#include <string_view>

class TChangeCounter;
class TConnection;

// Where a read left the caller, and where its record goes.
struct TReadTarget
{
    std::string& Pk;      // primary key of the record read
    std::string* Value;   // its value in the cursor's key; null when not wanted
    char* Record;         // the record; null for reads of the key only
};

// The reading position of one handle in the order of one key number, kept
// as the (value, primary key) of the last record read and never as an open
// statement, so it holds no lock between calls and survives a rewrite or
// delete of the record just read. Its statements are prepared once and
// reset after every use.
class TKeyCursor
{
public:
    TKeyCursor(TConnection& connection, const TChangeCounter& counter, int keyNumber, int recordSize);

    // Reads the first record (in primary-key order) whose key equals value;
    // found or not, the position is where value stands in key order.
    int16_t Equal(std::string_view value, const TReadTarget& target);
    // Reads the record after the position if it meets the condition
    // (kc...) with value; the position stays when it does not.
    int16_t Next(int16_t condition, std::string_view value, const TReadTarget& target);
    // Reads the key only of the record before the position.
    int16_t PreviousKey(const TReadTarget& target);
    void Top();
    void End();

private:
    struct TPosition
    {
        bool AtEnd = false;
        std::string Value;   // empty value and key: before the first record
        std::string Pk;
    };

    // Copies the position out of the read-ahead, where a walk leaves it,
    // before the read-ahead changes.
    void SettlePosition();
    // The cursor's statements, prepared on first use.
    enum TQuery { qNext, qNextBelow, qNextUpTo, qFrom, qPrevious, qLast, qCount };
    TStatement* Statement(TQuery query, int16_t& status);
    std::string Sql(TQuery query) const;
    // Reads up to limit records after the position into the read-ahead.
    int16_t Fill(TStatement& statement, TReadAhead::TBound bound, std::string_view value, int limit);
    void Deliver(std::string_view pk, std::string_view value, const char* record, const TReadTarget& target);

    TConnection& Connection_;
    const TChangeCounter& Counter_;
    const int KeyNumber_;
    const int RecordSize_;
    const std::string Column_;
    const int ValueColumn_;    // in the result rows; the primary key is column 0
    const int RecordColumn_;
    TPosition Position_;
    bool PositionInReadAhead_ = false;  // then the position is ReadAhead_.Last()
    bool WalkFromEqual_ = false;        // the reads since Equal are a walk from it
    int Walk_ = 0;                      // records read since the last positioning
    TReadAhead ReadAhead_;
    TStatement Statements_[qCount];
};
