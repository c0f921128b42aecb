#pragma once

class TXIsamFile;

// A run of writes to one file that share commits instead of syncing the
// disk once each: many records changed in a loop cost a few commits. The
// file commits on its own every few tenths of a second so other
// workstations' writers still get their turn; records unlocked inside the
// batch stay locked until their change is committed. The batch ends, and
// commits the rest, when the guard goes (exceptions included) or at
// Commit, which tells whether every write reported done was stored.
//
// Keep a batch around a loop of writes: a batch whose caller stops writing
// (a long computation, a dialog waiting for an answer) commits a moment
// after its last write, so others are not kept waiting, but its writes
// then share no commit.
class TWriteBatch
{
public:
    // Not Active() when the file refused it; the file's Status tells why.
    explicit TWriteBatch(TXIsamFile& file);
    ~TWriteBatch();
    TWriteBatch(const TWriteBatch&) = delete;
    TWriteBatch& operator=(const TWriteBatch&) = delete;

    bool Active() const { return File_ != nullptr; }
    // Ends the batch; false, with the file's status, when writes were lost.
    bool Commit();

private:
    TXIsamFile* File_;
};
