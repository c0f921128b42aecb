#pragma once

#include "kfstore/StorePresence.h"
#include "kfstore/server/PgConnection.h"

#include <string>
#include <vector>

// Presence on a database server: a row per workstation in the table
// orbeko.kfs_presence, keyed by the server process of a connection kept
// open for it. A row counts only while that process still runs, so the row
// of a workstation that died or lost its connection goes with the
// connection, as a folder's stale beat does.
class TPgPresence : public TStorePresence
{
public:
    // Connects to the server at location and writes this workstation's row.
    // Throws std::runtime_error when that fails.
    explicit TPgPresence(const std::string& location);
    // Takes the row away; closing the connection would leave it for nothing.
    ~TPgPresence() override;
    TPgPresence(const TPgPresence&) = delete;
    TPgPresence& operator=(const TPgPresence&) = delete;

    void SetUser(const std::string& userId, const std::string& userName) override;

    // The workstations whose connection is still open, in the order of
    // their server processes. Throws std::runtime_error when the server
    // cannot be read.
    static std::vector<TStoreOccupant> Occupants(const std::string& location);

private:
    TPgConnection Connection_;
};
