#include "kfstore/HandleTable.h"

#include <algorithm>
#include <limits>

int32_t THandleTable::Add(std::unique_ptr<TKeyedStore> file, std::string fileName)
{
    do
        Last_ = Last_ == std::numeric_limits<int32_t>::max() ? 1 : Last_ + 1;
    while (Find(Last_));
    Files_.push_back({Last_, std::move(fileName), std::move(file)});
    return Last_;
}

TKeyedStore* THandleTable::Find(int32_t handle) const
{
    for (const TEntry& entry : Files_)
        if (entry.Handle == handle)
            return entry.File.get();
    return nullptr;
}

TKeyedStore* THandleTable::FindByName(std::string_view fileName) const
{
    for (const TEntry& entry : Files_)
        if (entry.FileName == fileName)
            return entry.File.get();
    return nullptr;
}

bool THandleTable::Remove(int32_t handle)
{
    const auto it = std::find_if(Files_.begin(), Files_.end(), [handle](const TEntry& entry) { return entry.Handle == handle; });
    if (it == Files_.end())
        return false;
    Files_.erase(it);
    return true;
}
