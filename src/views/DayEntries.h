#pragma once

#include "storage/EventDetails.h"
#include "storage/Records.h"

#include <string>
#include <vector>

// The entries a view is about to show on one day, each an identifier with
// a private copy of its record and details. Un-timed entries go to the head
// while UntimedFirst.
class TDayEntries
{
public:
    bool UntimedFirst = true;

    // The midnight stamp of the day shown; an event that began earlier is
    // shown as running into it.
    void SetDay(const std::string& midnight) { Day_ = midnight; }
    const std::string& Day() const { return Day_; }

    void AddEntry(const TDayEntryRec& record, const std::string& id, const TEventDetails& details = {});
    void ClearEntries();
    int EntryCount() const;
    // All three throw std::out_of_range for an index outside 0 .. EntryCount() - 1.
    void GetEntry(int index, TDayEntryRec& record) const;
    std::string GetEntryId(int index) const;
    const TEventDetails& GetDetails(int index) const;
    // Whether an entry has an end of its own.
    bool AnyEnds() const;

private:
    struct TItem
    {
        std::string Id;
        TDayEntryRec Record;
        TEventDetails Details;
    };
    const TItem& Item(int index) const;

    std::string Day_;
    std::vector<TItem> Items_;
};
