#pragma once

#include "kfstore/KeyCursors.h"
#include "kfstore/KeyFormat.h"
#include "kfstore/KeyedStore.h"
#include "kfstore/server/PgChangeCounter.h"
#include "kfstore/server/PgConnection.h"
#include "kfstore/server/PgKeySource.h"
#include "kfstore/server/PgTransaction.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// One open keyed file on a PostgreSQL server (TPgFileSchema): a connection
// of its own, so its record locks, which are session advisory locks, exclude
// every other handle, in this process or any other, and the server drops
// them when the connection ends, as a workstation's go when it dies. Every
// open handle holds the file's open mark, so a file is removed only when no
// handle anywhere has it open. Writes serialise on the file's row in
// kfs_files, whose version they raise in the same transaction.
//
// A connection that broke, or whose server did not answer in time, is made
// again by the next call, which fails with the status of the reason while
// the server cannot be reached. What lived only on the old connection is
// gone with it: a batch's open writes (EndBatch reports them lost) and the
// record locks, which the server dropped, so that another workstation may
// have changed those records since. A rewrite, delete or unlock of such a
// record is refused with 19, as when another's lock stands in the way,
// until the record is locked again.
class TPgKeyedFile : public TKeyedStore
{
public:
    static constexpr std::size_t kMaxNote = 4096;
    // How long a batch keeps its transaction, and so the file's row that
    // other writers wait for, before it commits what it has.
    static constexpr std::chrono::milliseconds kBatchTurn{200};
    // A batch whose caller stopped writing gives the file back this soon
    // after its last write.
    static constexpr std::chrono::milliseconds kBatchIdle{100};

    static int16_t Create(const std::string& connection, const std::string& name, int keyLength,
                          const std::string& keyFormat);
    // Refused with 9 while any handle has the file open, 1 when there is none.
    static int16_t Remove(const std::string& connection, const std::string& name);

    TPgKeyedFile() = default;
    ~TPgKeyedFile() override;
    TPgKeyedFile(const TPgKeyedFile&) = delete;
    TPgKeyedFile& operator=(const TPgKeyedFile&) = delete;

    // fileName is the connection string, '#' and the file's name;
    // exclusive: alone (koExclusive), else shared with every other handle.
    int16_t Open(const std::string& connection, const std::string& name, const std::string& fileName, bool exclusive);

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
    std::optional<uint64_t> ChangeCounter() override;
    // Between these the handle's writes share one transaction per
    // kBatchTurn, or until none came for kBatchIdle: its own reads see them
    // at once, other handles at the
    // commit; records it unlocks meanwhile stay locked until then.
    // EndBatch commits the rest: 0, or the first failure that lost writes
    // already reported done.
    int16_t BeginBatch() override;
    int16_t EndBatch() override;
    bool EndIdleTurn() override;

private:
    // Makes the connection again when it broke: 0 once the handle stands
    // on a connection again, else why the server cannot be reached.
    int16_t Reach();
    // Lets go of what lived on a connection that broke.
    void Forget();
    // The connection's own state of the handle: its description checked,
    // its open mark, the notices of its channel and its statements.
    int16_t Settle(const std::string& name);
    // 19 for a record whose lock went with a broken connection.
    int16_t LockLost(std::string_view pk) const;
    int16_t ReadDescription(const std::string& name);
    int16_t HoldOpenMark(bool exclusive);
    int16_t PrepareWrites();
    // A write in one transaction: the lock test of lockedPk (unless empty),
    // the version raised and the record count moved by delta, the plain
    // statement also (its first value goes to alsoValue), then change, which
    // gives a store status, and the commit.
    template <class TChange>
    int16_t Write(std::string_view lockedPk, int delta, const std::string& also, std::optional<std::string>* alsoValue,
                  TChange change);
    // A failed write undone: back to its savepoint in a batch, else (or
    // when that fails too) the whole transaction. Gives status.
    int16_t Undo(bool toSavepoint, int16_t status);
    // Commits the open transaction and frees the records kept locked for it.
    int16_t CommitSpan();
    void ReleaseKeptLocks();
    void BindRecord(TPgParams& params, const void* record) const;

    TPgConnection Connection_;
    std::string Location_;
    std::string Name_;
    bool Exclusive_ = false;
    std::unique_ptr<TPgChangeCounter> Counter_;
    std::optional<TKeyFormat> Format_;
    int32_t FileId_ = 0;
    int KeyLength_ = 0;
    std::set<int64_t> HeldLocks_;
    std::set<int64_t> KeptLocks_;  // unlocked in a batch, freed at its commit
    std::set<int64_t> LostLocks_;  // held when the connection broke
    // Ends before the connection it runs on.
    std::optional<TPgTransaction> Span_;
    std::chrono::steady_clock::time_point SpanSince_;
    std::chrono::steady_clock::time_point LastWrite_;
    bool Batch_ = false;
    int16_t BatchStatus_ = 0;
    TKeyCursors Cursors_;
    std::optional<uint64_t> CountedAt_;
    int32_t RecordCount_ = 0;
};
