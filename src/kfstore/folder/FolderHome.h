#pragma once

#include "kfstore/StoreHome.h"

// Keyed files as SQLite files in a folder, each beside its lock file.
class TFolderHome : public TStoreHome
{
public:
    static int16_t Startup();

    int16_t Create(const std::string& fileName, int keyLength, const std::string& keyFormat) override;
    int16_t Open(const std::string& fileName, bool exclusive, std::unique_ptr<TKeyedStore>& file) override;
    int16_t Remove(const std::string& fileName) override;
    std::string Shown(const std::string& location) override;
    // The folder gone or closed to this account.
    std::string Unreachable(const std::string& location) override;
    std::unique_ptr<TStoreUpkeep> Upkeep(const std::string& location, TKeptFiles files) override;
    // None: the program joins a folder's presence file with its self-test.
    std::unique_ptr<TStorePresence> Join(const std::string& location) override;
    std::vector<TStoreOccupant> Present(const std::string& location, TKeptFiles files) override;
};
