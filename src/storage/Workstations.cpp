#include "storage/Workstations.h"

#include "kfstore/StoreHome.h"
#include "storage/DatabaseFiles.h"

#include <algorithm>
#include <stdexcept>

std::vector<std::string> TWorkstations::HostsOf(const std::string& location, const std::string& userId)
{
    std::vector<std::string> hosts;
    if (userId.empty())
        return hosts;
    TStoreHome* home = StoreHomes::OfLocation(location);
    if (!home)
        throw std::runtime_error(StoreHomes::Shown(location) + " cannot be reached: this installation lacks the "
                                 "server support");
    for (const TStoreOccupant& occupant : home->Present(location, kDatabaseFiles))
        if (occupant.UserId == userId && std::find(hosts.begin(), hosts.end(), occupant.Host) == hosts.end())
            hosts.push_back(occupant.Host);
    return hosts;
}
