#include "kfstore/folder/FolderHome.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/folder/FolderDiagnosis.h"
#include "kfstore/folder/FolderUpkeep.h"
#include "kfstore/folder/KeyedFile.h"
#include "kfstore/folder/Presence.h"

#include <sqlite3.h>

int16_t TFolderHome::Startup()
{
    return sqlite3_initialize() == SQLITE_OK ? ksOk : ksNoMemory;
}

int16_t TFolderHome::Create(const std::string& fileName, int keyLength, const std::string& keyFormat)
{
    return TKeyedFile::Create(fileName, keyLength, keyFormat);
}

int16_t TFolderHome::Open(const std::string& fileName, bool exclusive, std::unique_ptr<TKeyedStore>& file)
{
    auto opened = std::make_unique<TKeyedFile>();
    const int16_t status = opened->Open(fileName, exclusive);
    file = std::move(opened);
    return status;
}

int16_t TFolderHome::Remove(const std::string& fileName)
{
    return TKeyedFile::Remove(fileName);
}

std::string TFolderHome::Shown(const std::string& location)
{
    return location.size() > 1 && location.back() == '/' ? location.substr(0, location.size() - 1) : location;
}

std::string TFolderHome::Unreachable(const std::string& location)
{
    return TFolderDiagnosis::Unreachable(location);
}

std::unique_ptr<TStoreUpkeep> TFolderHome::Upkeep(const std::string& location, TKeptFiles files)
{
    return std::make_unique<TFolderUpkeep>(location, files);
}

std::unique_ptr<TStorePresence> TFolderHome::Join(const std::string&)
{
    return nullptr;
}

std::vector<TStoreOccupant> TFolderHome::Present(const std::string& location, TKeptFiles files)
{
    return TPresence::Occupants(location, files);
}
