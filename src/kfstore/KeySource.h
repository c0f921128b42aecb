#pragma once

#include "kfstore/ReadAhead.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a key cursor reads through: the queries of one key number of one
// keyed file, in whichever home the file has. Positions are (value,
// primary key) pairs in the store's key order.
class TKeySource
{
public:
    enum TQuery {
        qNext,       // the rows after the position
        qNextBelow,  // those whose value is below the bound
        qNextUpTo,   // those whose value is at most the bound
        qFrom,       // the rows whose value is at least the position's value
    };

    struct TPlace
    {
        std::string_view Value;
        std::string_view Pk;
    };

    virtual ~TKeySource() = default;

    // Whether the file's change counter can be known without a query; only
    // then may rows be read ahead of the caller.
    virtual bool CounterAvailable() const = 0;
    // Whether a query costs no more than a few rows (a file in a folder,
    // where each row of a walk may be a page read of its own), so a walk to
    // a bound is better finished by a query that stops there than read
    // ahead past it; a server's round trip costs many rows.
    virtual bool QueriesCheap() const { return false; }
    // The change counter as known now; empty when it cannot be read.
    virtual std::optional<uint64_t> Counter() = 0;
    // Appends up to limit rows in key order to readAhead (between its
    // BeginFill and EndFill); snapshot receives the counter the rows belong
    // to, or nothing when that is not certain.
    virtual int16_t Fill(TQuery query, const TPlace& place, std::string_view bound, int limit, TReadAhead& readAhead,
                         std::optional<uint64_t>& snapshot) = 0;
    // The primary key and record of the row before place, or of the last
    // row when atEnd; ksNotFound when there is none.
    virtual int16_t Previous(bool atEnd, const TPlace& place, std::string& pk, std::string& record) = 0;
};
