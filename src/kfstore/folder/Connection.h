#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct sqlite3;

// One SQLite connection to a keyed file, closed with the object, set up the
// way every keyed file is used: rollback journal (never WAL, whose shared
// memory does not work between machines on a network folder), every commit
// synced together with the journal's removal (synchronous=EXTRA: without
// the folder synced, a power cut soon after a commit can bring the journal
// back and the next opener rolls the acknowledged write back), and a wait
// of a few seconds when another connection holds the engine's own lock,
// after which the call fails with SQLITE_BUSY.
class TConnection
{
public:
    static constexpr std::chrono::milliseconds kBusyTimeout{5000};

    TConnection() = default;
    ~TConnection();
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // Opens an existing file for reading and writing, or creates it when
    // create is set. SQLite result code.
    int Open(const std::string& path, bool create);
    // Opens an existing file for reading only, with the same busy wait:
    // for tools that look at a folder while workstations write to it.
    int OpenReadOnly(const std::string& path);
    sqlite3* Handle() const { return Db_; }
    // True when the engine could open the file for reading only.
    bool ReadOnly() const;
    int Exec(const char* sql);
    int64_t Changes() const;
    // The store status for a result code of this connection, told apart by
    // the system's error behind it where the engine could not open or read.
    int16_t Status(int resultCode) const;

private:
    static int BusyWait(void* self, int count);

    sqlite3* Db_ = nullptr;
    std::string Folder_;
    std::chrono::steady_clock::time_point BusySince_;
};
