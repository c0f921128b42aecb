#include "kfstore/server/ServerHome.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/server/PgKeyedFile.h"
#include "kfstore/server/PgOutage.h"
#include "kfstore/server/PgPresence.h"
#include "kfstore/server/ServerUpkeep.h"

#include <libpq-fe.h>

namespace {

// The options libpq read from a connection string: those it was not given
// have no value.
bool Given(const PQconninfoOption* option)
{
    return option->val && *option->val;
}

bool IsPassword(const PQconninfoOption* option)
{
    return std::string_view(option->keyword) == "password";
}

bool HoldsPassword(const PQconninfoOption* options)
{
    for (const PQconninfoOption* option = options; option->keyword; ++option)
        if (Given(option) && IsPassword(option))
            return true;
    return false;
}

}  // namespace

int16_t TServerHome::Create(const std::string& fileName, int keyLength, const std::string& keyFormat)
{
    std::string server;
    std::string name;
    if (!StoreLocation::SplitServerFile(fileName, server, name))
        return ksBadParameter;
    return TPgKeyedFile::Create(server, name, keyLength, keyFormat);
}

int16_t TServerHome::Open(const std::string& fileName, bool exclusive, std::unique_ptr<TKeyedStore>& file)
{
    std::string server;
    std::string name;
    if (!StoreLocation::SplitServerFile(fileName, server, name))
        return ksBadParameter;
    auto opened = std::make_unique<TPgKeyedFile>();
    const int16_t status = opened->Open(server, name, fileName, exclusive);
    file = std::move(opened);
    return status;
}

int16_t TServerHome::Remove(const std::string& fileName)
{
    std::string server;
    std::string name;
    if (!StoreLocation::SplitServerFile(fileName, server, name))
        return ksBadParameter;
    return TPgKeyedFile::Remove(server, name);
}

std::string TServerHome::Shown(const std::string& location)
{
    char* error = nullptr;
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        PQconninfoParse(location.c_str(), &error), &PQconninfoFree);
    PQfreemem(error);
    if (!options)
        return location;
    if (!HoldsPassword(options.get()))
        return StoreLocation::Normalized(location);
    std::string shown;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option) {
        if (!Given(option) || IsPassword(option))
            continue;
        if (!shown.empty())
            shown += ' ';
        shown += option->keyword;
        shown += '=';
        shown += option->val;
    }
    return shown;
}

std::unique_ptr<TStoreUpkeep> TServerHome::Upkeep(const std::string& location, TKeptFiles files)
{
    return std::make_unique<TServerUpkeep>(location, files);
}

std::string TServerHome::Unreachable(const std::string& location)
{
    return TPgOutage::Cause(location);
}

std::unique_ptr<TStorePresence> TServerHome::Join(const std::string& location)
{
    return std::make_unique<TPgPresence>(location);
}

std::vector<TStoreOccupant> TServerHome::Present(const std::string& location, TKeptFiles)
{
    return TPgPresence::Occupants(location);
}
