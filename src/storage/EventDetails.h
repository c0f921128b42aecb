#pragma once

#include <QString>

#include <string>

// What an event holds beyond its day entry: where it ends, where it takes
// place and notes. An event without them behaves as every event did before.
struct TEventDetails
{
    // The stamp the event ends at; for an un-timed event the midnight after
    // its last day. Empty when it has no end of its own.
    std::string EndStamp;
    QString Place;
    QString Notes;

    bool Empty() const { return EndStamp.empty() && Place.isEmpty() && Notes.isEmpty(); }
    bool operator==(const TEventDetails&) const = default;
};
