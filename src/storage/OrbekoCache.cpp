#include "storage/OrbekoCache.h"

#include "storage/KeyWalk.h"

#include <chrono>
#include <cstring>
#include <thread>

TOrbekoCache::TOrbekoCache(int32_t recordSize, std::string fileName)
    : FileName(std::move(fileName)), RecordSize(recordSize), Watch(FileName)
{
}

void TOrbekoCache::Clear()
{
    Entries_.clear();
}

void TOrbekoCache::InsertAll(TXIsamFile& file)
{
    std::vector<char> record(static_cast<std::size_t>(RecordSize));
    TKeyWalk walk = TKeyWalk::All(file, 0);
    while (walk.Next(record.data(), record.size()))
        Insert(walk.Id(), record.data());
}

bool TOrbekoCache::FileChanged()
{
    std::optional<TFileVersion> now;
    for (int attempt = 0; attempt < SearchAttempts && !now; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(SearchPauseMs));
        now = Watch.Version();
    }
    if (!now)
        return true;
    if (LastFileTime && *LastFileTime == *now)
        return false;
    LastFileTime = now;
    return true;
}

void TOrbekoCache::Refill()
{
    if (!OnUpdate)
        throw EOrbekoCache("No event handler to update cache");
    Clear();
    try {
        OnUpdate(*this);
    } catch (...) {
        // A half-filled cache must not pass for a current one: forget the
        // version seen so that the next lookup fills it again.
        LastFileTime.reset();
        throw;
    }
}

void TOrbekoCache::Store(const std::string& key, const void* record)
{
    const auto* bytes = static_cast<const char*>(record);
    if (!Entries_.try_emplace(key, bytes, bytes + RecordSize).second)
        throw EOrbekoCache("Unable to add cache entry, possible duplicate key");
}

void TOrbekoCache::Find(const std::string& key, void* buffer, const char* cacheWord)
{
    if (FileChanged())
        Refill();
    const auto found = Entries_.find(key);
    if (found == Entries_.end())
        throw EOrbekoCache("Unable to locate key (" + key + ") in " + cacheWord + " cache");
    std::memcpy(buffer, found->second.data(), found->second.size());
}

TUserCache::TUserCache(std::string fileName) : TOrbekoCache(sizeof(TUserRec), std::move(fileName)) {}

void TUserCache::Lookup(const std::string& key, void* buffer)
{
    Find(key, buffer, "user");
}

void TUserCache::Insert(const std::string& key, const void* record)
{
    Store(key, record);
}

TCategoryCache::TCategoryCache(std::string fileName) : TOrbekoCache(sizeof(TCategoryRec), std::move(fileName)) {}

void TCategoryCache::Lookup(const std::string& key, void* buffer)
{
    Find(key, buffer, "category");
}

void TCategoryCache::Insert(const std::string& key, const void* record)
{
    Store(key, record);
}
