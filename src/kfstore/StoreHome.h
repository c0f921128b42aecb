#pragma once

#include "kfstore/KeptFile.h"
#include "kfstore/KeyedStore.h"
#include "kfstore/StorePresence.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One home of the keyed files: files in a folder, or tables on a database
// server. The entry points reach every file through the home its name
// belongs to, so that neither home knows of the other.
class TStoreUpkeep;

class TStoreHome
{
public:
    virtual ~TStoreHome() = default;

    virtual int16_t Create(const std::string& fileName, int keyLength, const std::string& keyFormat) = 0;
    virtual int16_t Open(const std::string& fileName, bool exclusive, std::unique_ptr<TKeyedStore>& file) = 0;
    virtual int16_t Remove(const std::string& fileName) = 0;
    // A location of this home as messages show it, never with a password.
    virtual std::string Shown(const std::string& location) = 0;
    // The keeper's work on the files of a database at location.
    virtual std::unique_ptr<TStoreUpkeep> Upkeep(const std::string& location, TKeptFiles files) = 0;
    // Why the database at location cannot be reached now, in words
    // ("connection refused", "no longer there"); empty while nothing
    // stands against it. Other failures are told by the status of each call.
    virtual std::string Unreachable(const std::string& location)
    {
        (void)location;
        return {};
    }
    // This workstation's presence on the database at location. Null where
    // the home keeps presence another way (a folder's presence file comes
    // with its lock self-test, TPresence). Throws std::runtime_error when
    // it cannot be made.
    virtual std::unique_ptr<TStorePresence> Join(const std::string& location) = 0;
    // The workstations present on the database at location now, with their
    // users. Throws std::runtime_error when that cannot be read.
    virtual std::vector<TStoreOccupant> Present(const std::string& location, TKeptFiles files) = 0;
};

namespace StoreHomes {

// Readies the folder home; the server home readies itself when first used.
int16_t Startup();
TStoreHome& Folder();
// The server home, loaded from its module on first use; null when that
// cannot be loaded.
TStoreHome* Server();
// Why Server() is null: where its module was looked for and what was wrong
// there, one place a line; empty when it is loaded.
std::string ServerMissing();
// A location as messages show it: a folder without its last '/', a
// server's connection string as written, or, when a password is written
// into it, libpq's reading of the rest.
std::string Shown(const std::string& location);
// Why the database at location cannot be reached now; empty when it can,
// as far as its home knows.
std::string Unreachable(const std::string& location);
// The home of a location: a server's when it is one.
TStoreHome* OfLocation(std::string_view location);
// The home of a keyed file's name: a server's when the name is one.
TStoreHome* Of(std::string_view fileName);

}  // namespace StoreHomes
