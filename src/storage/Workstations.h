#pragma once

#include <string>
#include <vector>

// The workstations running on a database, as far as they say who is logged
// in there: those on a folder write it into the folder's presence file,
// those on a database server into its presence table.
class TWorkstations
{
public:
    // The hosts where the user userId is logged in on the database at
    // location, each once, in the order of their slots. Throws
    // std::runtime_error when the presence file cannot be read.
    static std::vector<std::string> HostsOf(const std::string& location, const std::string& userId);
};
