#include "storage/DatabaseFiles.h"

#include "kfstore/StoreHome.h"
#include "kfstore/StoreUpkeep.h"

#include <stdexcept>

std::unique_ptr<TStoreUpkeep> DatabaseUpkeep(const std::string& location)
{
    TStoreHome* home = StoreHomes::OfLocation(location);
    if (!home)
        throw std::runtime_error(StoreHomes::Shown(location) + " cannot be reached: this installation lacks the server "
                                 "support; it was looked for here:\n" + StoreHomes::ServerMissing());
    return home->Upkeep(location, kDatabaseFiles);
}
