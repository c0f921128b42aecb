#pragma once

#include "kfstore/StoreHome.h"

// Keyed files as tables of a PostgreSQL database, named by a libpq
// connection string, a '#' and the file's name.
class TServerHome : public TStoreHome
{
public:
    int16_t Create(const std::string& fileName, int keyLength, const std::string& keyFormat) override;
    int16_t Open(const std::string& fileName, bool exclusive, std::unique_ptr<TKeyedStore>& file) override;
    int16_t Remove(const std::string& fileName) override;
    // As it was written, so that the user knows it again; only one that
    // holds a password is told in libpq's words, without it.
    std::string Shown(const std::string& location) override;
    std::unique_ptr<TStoreUpkeep> Upkeep(const std::string& location, TKeptFiles files) override;
    // What the last connection to the server, of any handle, met.
    std::string Unreachable(const std::string& location) override;
    // A row of the server's presence table, on a connection of its own.
    std::unique_ptr<TStorePresence> Join(const std::string& location) override;
    std::vector<TStoreOccupant> Present(const std::string& location, TKeptFiles files) override;
};
