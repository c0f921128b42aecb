#pragma once

#include "kfstore/KeyCursor.h"
#include "kfstore/KeySource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TKeyFormat;

// A handle's reading positions: a cursor for the primary key (0) and for
// every indexed key, each reading through a source of its home's queries.
class TKeyCursors
{
public:
    using TMakeSource = std::function<std::unique_ptr<TKeySource>(int keyNumber)>;

    // One cursor per key of format; format must outlive them.
    void Make(const TKeyFormat& format, const TMakeSource& makeSource);

    // Store status; 5 for a key number without a cursor.
    int16_t Read(int keyNumber, int readMode, std::string_view value, std::string* keyText, std::string& pk,
                 void* record, int recordSize);
    int16_t Top(int keyNumber);
    int16_t End(int keyNumber);

private:
    TKeyCursor* Find(int keyNumber);

    // Cursors go before the sources they read through.
    std::vector<std::unique_ptr<TKeySource>> Sources_;
    std::vector<std::unique_ptr<TKeyCursor>> Cursors_;
};
