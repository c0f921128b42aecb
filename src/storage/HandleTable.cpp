#include "storage/HandleTable.h"

#include <algorithm>
#include <limits>

int32_t THandleTable::Add(std::unique_ptr<TKeyedStore> file)
{
    do
        Last_ = Last_ == std::numeric_limits<int32_t>::max() ? 1 : Last_ + 1;
    while (Find(Last_));
    Files_.emplace_back(Last_, std::move(file));
    return Last_;
}

TKeyedStore* THandleTable::Find(int32_t handle) const
{
    for (const auto& [h, file] : Files_)
        if (h == handle)
            return file.get();
    return nullptr;
}

bool THandleTable::Remove(int32_t handle)
{
    const auto it = std::find_if(Files_.begin(), Files_.end(), [handle](const auto& entry) { return entry.first == handle; });
    if (it == Files_.end())
        return false;
    Files_.erase(it);
    return true;
}
