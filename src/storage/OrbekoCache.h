#pragma once

#include "kfstore/FileWatch.h"
#include "storage/Records.h"
#include "kfstore/XIsamFile.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class EOrbekoCache : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// An in-memory copy of every record of one keyed file by identifier, filled
// again through OnUpdate whenever the file has been written since.
class TOrbekoCache
{
public:
    using TUpdateHandler = std::function<void(TOrbekoCache&)>;

    TOrbekoCache(int32_t recordSize, std::string fileName);
    virtual ~TOrbekoCache() = default;
    TOrbekoCache(const TOrbekoCache&) = delete;
    TOrbekoCache& operator=(const TOrbekoCache&) = delete;

    const std::string FileName;
    const int32_t RecordSize;
    // How the cache sees that its file was written.
    TFileWatch Watch;
    std::optional<TFileVersion> LastFileTime;  // nothing until first seen
    TUpdateHandler OnUpdate;

    virtual void Lookup(const std::string& key, void* buffer) = 0;
    virtual void Insert(const std::string& key, const void* record) = 0;

    void Clear();
    // Inserts every record of the file in identifier order: what an
    // OnUpdate handler does. A read that fails before the end raises
    // EOrbekoDB; a half-read file never passes for a whole one.
    void InsertAll(TXIsamFile& file);
    bool FileChanged();
    void Refill();
    int Count() const { return static_cast<int>(Entries_.size()); }

    // How often and how long FileChanged retries a file it cannot read.
    static constexpr int SearchAttempts = 5;
    static constexpr int SearchPauseMs = 100;

protected:
    void Store(const std::string& key, const void* record);
    void Find(const std::string& key, void* buffer, const char* cacheWord);

private:
    std::map<std::string, std::vector<char>> Entries_;
};

class TUserCache : public TOrbekoCache
{
public:
    explicit TUserCache(std::string fileName);
    void Lookup(const std::string& key, void* buffer) override;
    void Insert(const std::string& key, const void* record) override;
    void Lookup(const std::string& key, TUserRec& record) { Lookup(key, static_cast<void*>(&record)); }
    void Insert(const std::string& key, const TUserRec& record) { Insert(key, static_cast<const void*>(&record)); }
};

class TCategoryCache : public TOrbekoCache
{
public:
    explicit TCategoryCache(std::string fileName);
    void Lookup(const std::string& key, void* buffer) override;
    void Insert(const std::string& key, const void* record) override;
    void Lookup(const std::string& key, TCategoryRec& record) { Lookup(key, static_cast<void*>(&record)); }
    void Insert(const std::string& key, const TCategoryRec& record)
    {
        Insert(key, static_cast<const void*>(&record));
    }
};
