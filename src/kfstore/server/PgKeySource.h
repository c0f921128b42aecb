#pragma once

#include "kfstore/KeySource.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TPgChangeCounter;
class TPgConnection;

// The queries of one key number of a keyed file on a server, prepared on
// the file's connection at first use. Every query's rows carry the file's
// version as of the same snapshot, so rows read ahead belong to a known
// version; a query that finds no record still gives one row with the
// version alone.
class TPgKeySource : public TKeySource
{
public:
    TPgKeySource(TPgConnection& connection, TPgChangeCounter& counter, int32_t fileId, int keyNumber, int recordSize);

    bool CounterAvailable() const override { return true; }
    std::optional<uint64_t> Counter() override;
    int16_t Fill(TQuery query, const TPlace& place, std::string_view bound, int limit, TReadAhead& readAhead,
                 std::optional<uint64_t>& snapshot) override;
    int16_t Previous(bool atEnd, const TPlace& place, std::string& pk, std::string& record) override;

private:
    // The fill queries, then the two of Previous.
    enum TStatementIndex { sPrevious = qFrom + 1, sLast, sCount };
    // What each parameter of a query stands for, in its order.
    enum TParameter { pValue, pPk, pBound, pLimit };
    struct TPrepared
    {
        // Prepared on the connection of this generation; a connection made
        // again has none.
        std::optional<uint64_t> Generation;
        std::string Name;
        std::vector<TParameter> Parameters;
    };

    const TPrepared* Statement(int index, int16_t& status);
    std::string Sql(int index, std::vector<TParameter>& parameters) const;
    int16_t Run(int index, const TPlace& place, std::string_view bound, int limit, TReadAhead* readAhead,
                std::optional<uint64_t>& snapshot, std::string* pk, std::string* record);

    TPgConnection& Connection_;
    TPgChangeCounter& Counter_;
    const int32_t FileId_;
    // When the server was last asked; a longer pause than kPause asks again.
    static constexpr std::chrono::milliseconds kPause{1};
    std::chrono::steady_clock::time_point Asked_;
    const int KeyNumber_;
    const int RecordSize_;
    TPrepared Statements_[sCount];
};
