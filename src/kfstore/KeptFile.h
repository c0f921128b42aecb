#pragma once

#include <span>
#include <string>

// A keyed file its keeper looks after with the others of its database: its
// name in the location, its key format and the length of its primary keys.
// An optional file may be missing: the database is whole without it (it is
// made by the first write that needs it), so its absence is no problem, a
// copy leaves it out and a restore of a set without it removes it.
struct TKeptFile
{
    const char* Name;
    const char* KeyFormat;
    int KeyLength;
    bool Optional = false;
};

// The files of one database, in the order a copy takes them.
using TKeptFiles = std::span<const TKeptFile>;

// folder + "/" + name, whether or not folder ends in a separator.
inline std::string FolderFile(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}
