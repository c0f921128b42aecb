#pragma once

#include "kfstore/KeySource.h"
#include "kfstore/folder/Statement.h"

#include <string>

class TChangeCounter;
class TConnection;

// The queries of one key number of a keyed file in a folder, prepared on
// first use and reset after every use, so no statement stays open between
// calls (an unfinished read holds a lock that blocks every other
// workstation's writes). The file's change counter tells whether rows read
// ahead are still current.
class TSqliteKeySource : public TKeySource
{
public:
    TSqliteKeySource(TConnection& connection, const TChangeCounter& counter, int keyNumber, int recordSize);

    bool QueriesCheap() const override { return true; }
    bool CounterAvailable() const override;
    std::optional<uint64_t> Counter() override;
    int16_t Fill(TQuery query, const TPlace& place, std::string_view bound, int limit, TReadAhead& readAhead,
                 std::optional<uint64_t>& snapshot) override;
    int16_t Previous(bool atEnd, const TPlace& place, std::string& pk, std::string& record) override;

private:
    // The fill queries, then the two of Previous.
    enum TStatementIndex { sPrevious = qFrom + 1, sLast, sCount };
    TStatement* Statement(int index, int16_t& status);
    std::string Sql(int index) const;

    TConnection& Connection_;
    const TChangeCounter& Counter_;
    const int KeyNumber_;
    const int RecordSize_;
    const std::string Column_;
    TStatement Statements_[sCount];
};
