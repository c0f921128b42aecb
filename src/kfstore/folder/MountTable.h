#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

// One line of /proc/mounts.
struct TMountEntry
{
    std::string Device;
    std::string MountPoint;
    std::string Type;
    std::string Options;  // comma-separated

    bool HasOption(const std::string& option) const;
};

// A way a mount can lose record locks between machines.
struct TMountRisk
{
    bool Refuse;  // locks do not exclude; otherwise a warning
    std::string Reason;
};

// The mounts of the machine and the known ways their options lose locks.
class TMountTable
{
public:
    static std::vector<TMountEntry> Parse(std::istream& mounts);
    // The table of the running system; empty when it cannot be read.
    static std::vector<TMountEntry> System();
    // The mount that holds path (an absolute path without symbolic links):
    // the one mounted last on the longest mount point above it.
    static std::optional<TMountEntry> Find(const std::vector<TMountEntry>& mounts, const std::string& path);
    static std::vector<TMountRisk> Risks(const TMountEntry& mount);
};
