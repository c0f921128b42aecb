#include "kfstore/StoreHome.h"

#include "kfstore/ServerModule.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/folder/FolderHome.h"

#include <mutex>
#include <optional>

namespace {

const TServerModule& Module()
{
    static std::once_flag loaded;
    static std::optional<TServerModule> module;
    std::call_once(loaded, [] { module.emplace(TServerModule::Paths()); });
    return *module;
}

}  // namespace

namespace StoreHomes {

int16_t Startup()
{
    return TFolderHome::Startup();
}

TStoreHome& Folder()
{
    static TFolderHome home;
    return home;
}

TStoreHome* Server()
{
    return Module().Home();
}

std::string ServerMissing()
{
    return Module().Failure();
}

std::string Shown(const std::string& location)
{
    if (!StoreLocation::IsServer(location))
        return Folder().Shown(location);
    // A program without the server home cannot tell a password in the
    // string from the rest, so it names no part of it.
    TStoreHome* server = Server();
    return server ? server->Shown(location) : "a PostgreSQL server";
}

std::string Unreachable(const std::string& location)
{
    TStoreHome* home = OfLocation(location);
    return home ? home->Unreachable(location) : std::string();
}

TStoreHome* OfLocation(std::string_view location)
{
    return StoreLocation::IsServer(location) ? Server() : &Folder();
}

TStoreHome* Of(std::string_view fileName)
{
    std::string server;
    std::string name;
    return StoreLocation::SplitServerFile(fileName, server, name) ? Server() : &Folder();
}

}  // namespace StoreHomes
