#include "kfstore/StoreHome.h"

#include "kfstore/StoreLocation.h"
#include "kfstore/folder/FolderHome.h"
#include "kfstore/server/ServerHome.h"

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
    static TServerHome home;
    return &home;
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
