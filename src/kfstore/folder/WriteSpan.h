#pragma once

#include "kfstore/folder/Statement.h"
#include "kfstore/folder/WriteTransaction.h"
#include "kfstore/folder/WriterTurn.h"

#include <chrono>
#include <cstdint>
#include <optional>

class TConnection;
class TLockFile;

// A writer's turn at a keyed file with its write transaction open: the span
// in which a handle's writes go into the file. A single write opens and
// commits one; a batch keeps one open over many writes, so they share one
// commit and its syncs. Rolled back when it ends without Commit.
class TWriteSpan
{
public:
    TWriteSpan(TLockFile& lockFile, TConnection& connection) : LockFile_(lockFile), Connection_(connection) {}
    TWriteSpan(const TWriteSpan&) = delete;
    TWriteSpan& operator=(const TWriteSpan&) = delete;

    // Takes the turn and begins the transaction unless already open.
    // Store status.
    int16_t Enter();
    // Commits and gives the turn back; rolls back when the commit fails.
    int16_t Commit();
    // Rolls back and gives the turn back.
    void Abandon();

    bool IsOpen() const { return Transaction_.has_value(); }
    // How long the turn has been held; zero when not open.
    std::chrono::steady_clock::duration Held() const;
    // False once the engine ended the transaction on its own after a
    // failed statement: what was written in the span is gone.
    bool Intact() const;
    // Pages the span has changed so far: those saved in the journal and
    // those added past the file's end. Empty when the engine cannot tell.
    std::optional<int> DirtyPages();
    // How many changed pages a batch's span may hold: half of what the
    // engine's page cache holds. Past about nine tenths of it the engine
    // spills pages into the file, and to do so takes the file from every
    // reader until the commit.
    int PageBound();

private:
    TLockFile& LockFile_;
    TConnection& Connection_;
    // The transaction ends before the turn is given back.
    std::optional<TWriterTurn> Turn_;
    std::optional<TWriteTransaction> Transaction_;
    std::chrono::steady_clock::time_point Since_;
    TStatement PageCount_;
    int PageSize_ = 0;
    int PageBound_ = 0;
};
