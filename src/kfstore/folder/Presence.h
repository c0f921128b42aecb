#pragma once

#include "kfstore/KeptFile.h"
#include "kfstore/StorePresence.h"

#include "kfstore/folder/LockFile.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The presence file of a database folder: every running workstation holds
// the lock of a slot of its own and writes a heartbeat into that slot every
// few seconds. A workstation whose heartbeat keeps coming while its slot's
// lock cannot be seen from here is proof that locks are not shared between
// the two machines, which two processes on one machine can never show.
class TPresence : public TStorePresence
{
public:
    static constexpr const char* FileName = "OBPresence.lck";
    static constexpr int kSlots = 256;

    // A workstation that beats while its lock is invisible from here.
    struct TUnseen
    {
        std::string Host;
        int32_t Pid = 0;
    };

    // A workstation that beats, with the user logged in there (both empty
    // before a login, or for a workstation of version 1).
    using TOccupant = TStoreOccupant;

    // Takes a free slot in folder's presence file (one without a lock and
    // without a fresh beat) and writes the first beat. Throws
    // std::runtime_error when the file cannot be used or all slots are taken.
    // The presence file takes the permissions of the first of files there.
    TPresence(const std::string& folder, TKeptFiles files, std::chrono::milliseconds interval);
    // Clears the slot, then gives up its lock.
    ~TPresence() override;
    TPresence(const TPresence&) = delete;
    TPresence& operator=(const TPresence&) = delete;

    // Writes the next heartbeat.
    void Beat();
    // Names the user logged in at this workstation, at once and with every
    // beat after it; empty texts: nobody. Throws like Beat.
    void SetUser(const std::string& userId, const std::string& userName) override;
    int Slot() const { return Slot_; }

    // The workstations whose slot is not locked as seen from here though
    // their heartbeat advances. A fresh beat without a lock can also be a
    // workstation that has just died, so such a slot is watched for up to
    // one and a half of its intervals and a second: a dead one does not
    // beat again.
    // ownSlot is left out (-1: none). Throws like the constructor.
    static std::vector<TUnseen> FindUnseen(const std::string& folder, TKeptFiles files, int ownSlot = -1);

    // Every workstation whose beat is fresh, in slot order. Throws like the
    // constructor.
    static std::vector<TOccupant> Occupants(const std::string& folder, TKeptFiles files);

private:
    void WriteUser();

    int Slot_ = -1;
    int Fd_ = -1;
    TLockFile Locks_;
    std::chrono::milliseconds Interval_;
    uint64_t Sequence_ = 0;
    std::string UserId_;
    std::string UserName_;
};
