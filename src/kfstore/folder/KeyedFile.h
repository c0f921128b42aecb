#pragma once

#include "kfstore/folder/ChangeCounter.h"
#include "kfstore/folder/Connection.h"
#include "kfstore/KeyCursors.h"
#include "kfstore/KeyFormat.h"
#include "kfstore/KeyedStore.h"
#include "kfstore/folder/LockFile.h"
#include "kfstore/folder/OpenMark.h"
#include "kfstore/folder/SqliteKeySource.h"
#include "kfstore/folder/Statement.h"
#include "kfstore/folder/WriteSpan.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One open keyed file: its SQLite connection, its handle on the lock file,
// a cursor per key and the prepared statements of its writes. Every
// operation returns a store status (ks...).
class TKeyedFile : public TKeyedStore
{
public:
    static constexpr std::size_t kMaxNote = 4096;
    // How long a batch keeps the writer's turn before it commits what it has
    // and lets the next writer in: far inside what others wait for a turn.
    static constexpr std::chrono::milliseconds kBatchTurn{200};
    // A batch whose caller stopped writing (to compute, or to wait for an
    // answer) gives the turn back this soon after its last write.
    static constexpr std::chrono::milliseconds kBatchIdle{100};

    static int16_t Create(const std::string& path, int keyLength, const std::string& keyFormat);
    // Removes a keyed file (only one: 8 for any other file) with its lock
    // file; refused with 9 while any handle, in this process or another,
    // has it open.
    static int16_t Remove(const std::string& path);

    TKeyedFile() = default;
    ~TKeyedFile() override;
    TKeyedFile(const TKeyedFile&) = delete;
    TKeyedFile& operator=(const TKeyedFile&) = delete;

    // exclusive: alone (koExclusive), else shared with every other handle.
    int16_t Open(const std::string& path, bool exclusive);

    int16_t Get(int keyNumber, int readMode, std::string_view value, std::string* keyText, std::string& pk,
                void* record, int recordSize) override;
    int16_t Add(std::string& pk, const void* record, int recordSize) override;
    int16_t Rewrite(std::string_view pk, const void* record, int recordSize) override;
    int16_t Delete(std::string_view pk) override;
    int16_t Top(int keyNumber) override;
    int16_t End(int keyNumber) override;
    int16_t Info(int32_t& recordCount, int16_t& keyLength) override;
    int16_t Lock(std::string_view pk) override;
    int16_t Unlock(std::string_view pk) override;
    int16_t ReadNote(std::string& note) override;
    int16_t WriteNote(std::string_view note) override;
    std::optional<uint64_t> ChangeCounter() override { return Counter_.Read(); }

    // Between these the handle's writes share commits: each commit takes in
    // the writes of up to kBatchTurn, fewer when they fill half the engine's
    // page cache (TWriteSpan::PageBound) or when none came for kBatchIdle.
    // Its own reads see them at once, other handles when they are
    // committed; records it unlocks meanwhile stay locked until then, so
    // nobody changes what was read before it is stored (an unlock of a
    // record it does not hold is what it is outside a batch). EndBatch
    // commits the rest: 0, or the first failure that lost writes already
    // reported done.
    int16_t BeginBatch() override;
    int16_t EndBatch() override;
    bool EndIdleTurn() override;

private:
    // Runs one write (a callable giving a status) in the write span:
    // committed at once, or left to the batch.
    template <class TChange> int16_t Write(TChange change);
    // Whether the batch's open span has had its turn: held long enough, idle
    // since its last write, or grown to its bound of pages.
    bool TurnDone();
    // Commits the batch's open span and frees the records it kept locked.
    int16_t CommitSpan();
    bool Holds(int64_t slot) const;
    // The open mark and the lock file, opened in one opening turn.
    int16_t OpenLocks(const std::string& path, unsigned permissions, bool exclusive);
    int16_t ReadDescription();
    int16_t PrepareWrites();
    int16_t CheckKey(std::string_view pk) const;
    int16_t AllocateKey(std::string& pk);
    void BindRecord(TStatement& statement, std::string_view pk, const void* record);

    // In this order: the open mark goes last, after the engine's connection.
    TOpenMark OpenMark_;
    TLockFile LockFile_;
    TConnection Connection_;
    TChangeCounter Counter_;
    std::optional<TKeyFormat> Format_;
    int KeyLength_ = 0;
    TKeyCursors Cursors_;
    TStatement Insert_;
    TStatement Update_;
    TStatement Delete_;
    TStatement Highest_;
    TStatement Lowest_;
    TStatement Count_;
    TStatement ReadNote_;
    TStatement WriteNote_;
    std::optional<uint32_t> CountedAt_;
    int32_t RecordCount_ = 0;
    // Ends before the connection and the lock file it uses.
    TWriteSpan Span_{LockFile_, Connection_};
    bool Batch_ = false;
    int16_t BatchStatus_ = 0;
    std::chrono::steady_clock::time_point LastWrite_;
    // A batch counts its span's pages every this many writes.
    static constexpr int kPageCheckWrites = 8;
    int SpanWrites_ = 0;
    // Lock slots (PrimaryKey::LockSlot) of the records this handle holds;
    // those of them its caller unlocked in a batch's open span, which stay
    // held until the span commits.
    std::vector<int64_t> HeldLocks_;
    std::vector<int64_t> KeptLocks_;
};
