#pragma once

#include "storage/Records.h"

#include <string>
#include <vector>

// The entries a view is about to show, each an identifier with a private
// copy of its record. Un-timed entries go to the head while UntimedFirst.
class TDayEntries
{
public:
    bool UntimedFirst = true;

    void AddEntry(const TDayEntryRec& record, const std::string& id);
    void ClearEntries();
    int EntryCount() const;
    // Both throw std::out_of_range for an index outside 0 .. EntryCount() - 1.
    void GetEntry(int index, TDayEntryRec& record) const;
    std::string GetEntryId(int index) const;

private:
    struct TItem
    {
        std::string Id;
        TDayEntryRec Record;
    };
    std::vector<TItem> Items_;
};
