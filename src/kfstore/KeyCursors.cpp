#include "kfstore/KeyCursors.h"

#include "kfstore/KeyFormat.h"
#include "kfstore/KfsStatus.h"

void TKeyCursors::Make(const TKeyFormat& format, const TMakeSource& makeSource)
{
    const std::vector<int>& keys = format.IndexedKeys();
    const std::size_t slots = static_cast<std::size_t>(keys.empty() ? 1 : keys.back() + 1);
    Cursors_.clear();
    Sources_.clear();
    Sources_.resize(slots);
    Cursors_.resize(slots);
    const auto add = [&](int key) {
        const auto slot = static_cast<std::size_t>(key);
        Sources_[slot] = makeSource(key);
        Cursors_[slot] = std::make_unique<TKeyCursor>(*Sources_[slot], format, key);
    };
    add(0);
    for (int key : keys)
        add(key);
}

TKeyCursor* TKeyCursors::Find(int keyNumber)
{
    return keyNumber >= 0 && static_cast<std::size_t>(keyNumber) < Cursors_.size()
               ? Cursors_[static_cast<std::size_t>(keyNumber)].get()
               : nullptr;
}

int16_t TKeyCursors::Read(int keyNumber, int readMode, std::string_view value, std::string* keyText, std::string& pk,
                          void* record, int recordSize)
{
    TKeyCursor* cursor = Find(keyNumber);
    return cursor ? cursor->Read(readMode, value, keyText, pk, record, recordSize) : ksBadParameter;
}

int16_t TKeyCursors::Top(int keyNumber)
{
    TKeyCursor* cursor = Find(keyNumber);
    if (!cursor)
        return ksBadParameter;
    cursor->Top();
    return ksOk;
}

int16_t TKeyCursors::End(int keyNumber)
{
    TKeyCursor* cursor = Find(keyNumber);
    if (!cursor)
        return ksBadParameter;
    cursor->End();
    return ksOk;
}
