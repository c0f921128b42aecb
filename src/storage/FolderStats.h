#pragma once

#include "kfstore/StoreUpkeep.h"

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

// Figures of a database folder: records and bytes per file, the earliest
// and latest event, and each user with the number of events he owns.
// In a folder each file is read inside one read transaction; a database on
// a server is read through the store, records without bytes (the server
// keeps those).
class TFolderStats
{
public:
    using TFileFigures = TStoreUpkeep::TFigures;
    struct TUserFigures
    {
        std::string UserName;
        std::string FullName;
        int64_t Events = 0;
    };

    // Throws std::runtime_error when a file cannot be read.
    explicit TFolderStats(const std::string& location);

    void Print(std::ostream& out) const;

    std::map<std::string, TFileFigures> Files;
    std::string FirstEvent;   // stamps; empty without events
    std::string LastEvent;
    std::map<std::string, TUserFigures> Users;  // by identifier, owners not in the users file too
    bool OnServer = false;

private:
    void ReadUsers(TKeyedRows& users);
    void ReadEvents(TKeyedRows& events);
};
