#include "views/DayEntries.h"

#include <stdexcept>

void TDayEntries::AddEntry(const TDayEntryRec& record, const std::string& id)
{
    if (UntimedFirst && (record.Flags & efUntimed) != 0)
        Items_.insert(Items_.begin(), TItem{id, record});
    else
        Items_.push_back(TItem{id, record});
}

void TDayEntries::ClearEntries()
{
    Items_.clear();
}

int TDayEntries::EntryCount() const
{
    return static_cast<int>(Items_.size());
}

void TDayEntries::GetEntry(int index, TDayEntryRec& record) const
{
    if (index < 0 || index >= EntryCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    record = Items_[static_cast<std::size_t>(index)].Record;
}

std::string TDayEntries::GetEntryId(int index) const
{
    if (index < 0 || index >= EntryCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return Items_[static_cast<std::size_t>(index)].Id;
}
