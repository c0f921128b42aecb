#pragma once

#include "kfstore/KeyFormat.h"
#include "kfstore/KeySource.h"
#include "kfstore/ReadAhead.h"

#include <cstdint>
#include <string>
#include <string_view>

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
// delete of the record just read. It reads through a source of queries of
// the file's home.
class TKeyCursor
{
public:
    TKeyCursor(TKeySource& source, const TKeyFormat& format, int keyNumber);

    // A read by mode (km..., plus a kc... condition for kmGetNext); 7 for
    // any other mode, or a record size other than the file's (not looked at
    // for a read of the key only).
    int16_t Read(int readMode, std::string_view value, std::string* keyText, std::string& pk, void* record,
                 int recordSize);
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
    // Reads up to limit records after the position into the read-ahead.
    int16_t Fill(TKeySource::TQuery query, TReadAhead::TBound bound, std::string_view value, int limit);
    // A record's value in the cursor's key: the field itself, or the primary key.
    std::string_view ValueOf(std::string_view pk, const char* record) const;
    void Deliver(std::string_view pk, const char* record, const TReadTarget& target);

    TKeySource& Source_;
    const TKeyFormat& Format_;
    const int KeyNumber_;
    const int RecordSize_;
    TPosition Position_;
    bool PositionInReadAhead_ = false;  // then the position is ReadAhead_.Last()
    bool WalkFromEqual_ = false;        // the reads since Equal are a walk from it
    int Walk_ = 0;                      // records read since the last positioning
    TReadAhead::TBound WalkBound_ = TReadAhead::bNone;  // of the walk's last read
    TReadAhead ReadAhead_;
};
