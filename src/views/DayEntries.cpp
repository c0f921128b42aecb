#include "views/DayEntries.h"

#include <algorithm>
#include <stdexcept>

void TDayEntries::AddEntry(const TDayEntryRec& record, const std::string& id, const TEventDetails& details)
{
    if (UntimedFirst && (record.Flags & efUntimed) != 0)
        Items_.insert(Items_.begin(), TItem{id, record, details});
    else
        Items_.push_back(TItem{id, record, details});
}

void TDayEntries::ClearEntries()
{
    Items_.clear();
}

int TDayEntries::EntryCount() const
{
    return static_cast<int>(Items_.size());
}

const TDayEntries::TItem& TDayEntries::Item(int index) const
{
    if (index < 0 || index >= EntryCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return Items_[static_cast<std::size_t>(index)];
}

void TDayEntries::GetEntry(int index, TDayEntryRec& record) const
{
    record = Item(index).Record;
}

std::string TDayEntries::GetEntryId(int index) const
{
    return Item(index).Id;
}

const TEventDetails& TDayEntries::GetDetails(int index) const
{
    return Item(index).Details;
}

bool TDayEntries::AnyEnds() const
{
    return std::any_of(Items_.begin(), Items_.end(), [](const TItem& item) { return !item.Details.EndStamp.empty(); });
}
