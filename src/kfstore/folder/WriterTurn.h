#pragma once

#include <cstdint>

class TLockFile;

// A writer's turn at a keyed file, held for the guard's lifetime, taken
// before the engine's own write lock so that writers of every process and
// workstation are served in the order they came, not by who polls the
// engine's lock luckiest. Waiting is two-staged: one writer at a time
// waits for the turn itself (kWriterTurn) while the others queue for that
// place (kWriterQueue). A writer that has just had its turn and asks again
// finds the place taken by the next in line and queues behind the others;
// with one byte it would often get the turn back before the woken waiter
// ran. Waiting ends with status 3 after TConnection::kBusyTimeout; a turn
// at a lock file no longer at its path is refused with 4.
class TWriterTurn
{
public:
    explicit TWriterTurn(TLockFile& lockFile);
    ~TWriterTurn();
    TWriterTurn(const TWriterTurn&) = delete;
    TWriterTurn& operator=(const TWriterTurn&) = delete;

    // 0 when the turn is held, else why not.
    int16_t Status() const { return Status_; }

private:
    TLockFile& LockFile_;
    int16_t Status_;
};
