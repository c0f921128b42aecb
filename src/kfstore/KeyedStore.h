#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One open keyed file as the store's entry points see it, wherever it
// lives: a file in a folder (TKeyedFile) or a table on a database server
// (TPgKeyedFile). Every operation returns a store status (ks...) and
// behaves alike in both homes: the same key order, positions, conditions,
// record locks and empty-key adds.
class TKeyedStore
{
public:
    virtual ~TKeyedStore() = default;

    // A read by mode (km..., plus a kc... condition for kmGetNext);
    // pk and keyText (unless null) receive the record's primary key and
    // its value in the key read by. recordSize must be the file's; it is
    // not looked at for a read of the key only.
    virtual int16_t Get(int keyNumber, int readMode, std::string_view value, std::string* keyText, std::string& pk,
                        void* record, int recordSize) = 0;
    // An empty pk is replaced by the highest key plus one, zero-padded to
    // the key length, chosen and inserted in one write transaction. Only
    // keys of digits of the full key length count; when the highest of
    // them is taken, the lowest free one is used, and 25 tells that every
    // one is in use.
    virtual int16_t Add(std::string& pk, const void* record, int recordSize) = 0;
    virtual int16_t Rewrite(std::string_view pk, const void* record, int recordSize) = 0;
    virtual int16_t Delete(std::string_view pk) = 0;
    virtual int16_t Top(int keyNumber) = 0;
    virtual int16_t End(int keyNumber) = 0;
    virtual int16_t Info(int32_t& recordCount, int16_t& keyLength) = 0;
    virtual int16_t Lock(std::string_view pk) = 0;
    virtual int16_t Unlock(std::string_view pk) = 0;
    virtual int16_t ReadNote(std::string& note) = 0;
    virtual int16_t WriteNote(std::string_view note) = 0;
    // The file's change counter as known now, raised by every change that
    // any workstation commits; empty when it cannot be read cheaply.
    virtual std::optional<uint64_t> ChangeCounter() = 0;
    // Between these the handle's writes share commits (a write batch);
    // records it unlocks meanwhile stay locked until their writes are
    // committed. EndBatch: 0, or the first failure that lost writes.
    virtual int16_t BeginBatch() = 0;
    virtual int16_t EndBatch() = 0;
    // Commits a batch's open writes once none has come for a short while,
    // so a caller busy elsewhere does not keep other writers out; true
    // while a batch is begun. Called from the store's watch (TBatchWatch),
    // under the same lock as every other call.
    virtual bool EndIdleTurn() = 0;
};
