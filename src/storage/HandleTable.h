#pragma once

#include "storage/KeyedStore.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// The store's open files by handle. Handles count up and are not given out
// again soon, so a handle kept after its close names no other file.
class THandleTable
{
public:
    int32_t Add(std::unique_ptr<TKeyedStore> file);
    // Null for a handle that is not open.
    TKeyedStore* Find(int32_t handle) const;
    bool Remove(int32_t handle);

private:
    std::vector<std::pair<int32_t, std::unique_ptr<TKeyedStore>>> Files_;
    int32_t Last_ = 0;
};
