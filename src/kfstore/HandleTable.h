#pragma once

#include "kfstore/KeyedStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The store's open files by handle. Handles count up and are not given out
// again soon, so a handle kept after its close names no other file.
class THandleTable
{
public:
    int32_t Add(std::unique_ptr<TKeyedStore> file, std::string fileName);
    // Null for a handle that is not open.
    TKeyedStore* Find(int32_t handle) const;
    // An open handle of the file of this name; null when there is none.
    TKeyedStore* FindByName(std::string_view fileName) const;
    bool Remove(int32_t handle);
    // Calls visit with every open file.
    template <class TVisit> void ForEach(TVisit visit) const
    {
        for (const TEntry& entry : Files_)
            visit(*entry.File);
    }

private:
    struct TEntry
    {
        int32_t Handle;
        std::string FileName;
        std::unique_ptr<TKeyedStore> File;
    };
    std::vector<TEntry> Files_;
    int32_t Last_ = 0;
};
