#include "kfstore/folder/MountTable.h"

#include <fstream>
#include <sstream>

namespace {

// /proc/mounts writes space, tab, newline and backslash as octal escapes.
std::string Unescape(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size()
                        && field.find_first_not_of("01234567", i + 1) >= i + 4;
        if (octal) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

bool IsNfs(const std::string& type)
{
    return type == "nfs" || type == "nfs4";
}

bool IsSmb(const std::string& type)
{
    return type == "cifs" || type == "smb3" || type == "smbfs";
}

bool IsFuse(const std::string& type)
{
    return type == "fuse" || type == "fuseblk" || type.rfind("fuse.", 0) == 0;
}

struct TRule
{
    bool (*Applies)(const std::string& type);
    const char* Option;  // empty: every mount of the type
    bool Refuse;
    const char* Reason;
};

// The known ways to lose locks (or the pages they protect) between machines.
const TRule kRules[] = {
    {IsNfs, "nolock", true,
     "the NFS mount has the option nolock: record locks stay on this machine, other workstations never see them"},
    {IsNfs, "local_lock=posix", true,
     "the NFS mount has the option local_lock=posix: record locks stay on this machine, other workstations never "
     "see them"},
    {IsNfs, "local_lock=all", true,
     "the NFS mount has the option local_lock=all: record locks stay on this machine, other workstations never see "
     "them"},
    {IsSmb, "nobrl", true,
     "the SMB/CIFS mount has the option nobrl: byte-range locks are not sent to the server, other workstations "
     "never see them"},
    {IsSmb, "cache=loose", true,
     "the SMB/CIFS mount has the option cache=loose: each machine keeps its own copy of the files' pages, so "
     "workstations overwrite each other's changes"},
    {IsNfs, "", false,
     "the folder is on NFS: a workstation cut off from the server for longer than the lock lease loses its locks "
     "without being told, and another workstation may then change the same records"},
    {IsFuse, "", false,
     "the folder is on a FUSE file system: whether its locks reach other machines depends on that file system "
     "(sshfs, for one, keeps them on this machine)"},
};

}  // namespace

bool TMountEntry::HasOption(const std::string& option) const
{
    std::istringstream list(Options);
    std::string item;
    while (std::getline(list, item, ','))
        if (item == option)
            return true;
    return false;
}

std::vector<TMountEntry> TMountTable::Parse(std::istream& mounts)
{
    std::vector<TMountEntry> entries;
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        TMountEntry entry;
        if (fields >> entry.Device >> entry.MountPoint >> entry.Type >> entry.Options) {
            entry.Device = Unescape(entry.Device);
            entry.MountPoint = Unescape(entry.MountPoint);
            entries.push_back(entry);
        }
    }
    return entries;
}

std::vector<TMountEntry> TMountTable::System()
{
    std::ifstream mounts("/proc/mounts");
    return Parse(mounts);
}

std::optional<TMountEntry> TMountTable::Find(const std::vector<TMountEntry>& mounts, const std::string& path)
{
    std::optional<TMountEntry> found;
    for (const TMountEntry& mount : mounts) {
        const std::string& point = mount.MountPoint;
        const bool above = point == "/" || path == point
                        || (path.rfind(point, 0) == 0 && path.size() > point.size() && path[point.size()] == '/');
        if (above && (!found || point.size() >= found->MountPoint.size()))
            found = mount;
    }
    return found;
}

std::vector<TMountRisk> TMountTable::Risks(const TMountEntry& mount)
{
    std::vector<TMountRisk> risks;
    bool refused = false;
    for (const TRule& rule : kRules) {
        if (!rule.Applies(mount.Type) || (*rule.Option && !mount.HasOption(rule.Option)))
            continue;
        // A mount that loses its locks outright needs no warning about leases.
        if (!rule.Refuse && refused)
            continue;
        refused = refused || rule.Refuse;
        risks.push_back({rule.Refuse, rule.Reason});
    }
    return risks;
}
