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
    std::string& Value;   // its value in the cursor's key
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

    int16_t Prepare(TStatement& statement, const std::string& where, const std::string& order, bool limited);
    int16_t Fill(TReadAhead::TBound bound, std::string_view value);
    void Deliver(std::string_view pk, std::string_view value, const char* record, const TReadTarget& target);

    TConnection& Connection_;
    const TChangeCounter& Counter_;
    const int KeyNumber_;
    const int RecordSize_;
    const std::string Column_;
    TPosition Position_;
    TReadAhead ReadAhead_;
    TStatement Equal_;
    TStatement Next_[3];   // by TReadAhead::TBound
    TStatement Previous_;
    TStatement Last_;
};
