#include "kfstore/KfStore.h"

#include "kfstore/BatchWatch.h"
#include "kfstore/HandleTable.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/StoreHome.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex& StoreMutex()
{
    static std::mutex mutex;
    return mutex;
}

THandleTable& Handles()
{
    static THandleTable table;
    return table;
}

// Looks for idle batches at a quarter of the time after which a batch gives
// its turn back, so others wait at most a little longer than that.
TBatchWatch& BatchWatch()
{
    static TBatchWatch watch(StoreMutex(), std::chrono::milliseconds(25), [] {
        bool open = false;
        Handles().ForEach([&](TKeyedStore& file) { open = file.EndIdleTurn() || open; });
        return open;
    });
    return watch;
}

// Runs an operation on the open file of a handle under the store's lock.
template <class TOperation> int16_t WithFile(const int32_t* handle, TOperation operation)
{
    const std::lock_guard<std::mutex> guard(StoreMutex());
    TKeyedStore* file = Handles().Find(*handle);
    return file ? operation(*file) : ksBadHandle;
}

}  // namespace

int16_t KfsStartup()
{
    return StoreHomes::Startup();
}

int16_t KfsCreate(const char* fileName, const int16_t* keyLength, const int32_t*, const int16_t*, const int16_t*,
                  const char* keyFormat)
{
    const std::lock_guard<std::mutex> guard(StoreMutex());
    TStoreHome* home = StoreHomes::Of(fileName);
    return home ? home->Create(fileName, *keyLength, keyFormat) : ksNoFunction;
}

int16_t KfsOpen(const char* fileName, const int16_t*, const int16_t* openMode, int32_t* handle)
{
    *handle = 0;
    if (*openMode != koShared && *openMode != koExclusive)
        return ksBadParameter;
    const bool exclusive = *openMode == koExclusive;
    const std::lock_guard<std::mutex> guard(StoreMutex());
    TStoreHome* home = StoreHomes::Of(fileName);
    if (!home)
        return ksNoFunction;
    std::unique_ptr<TKeyedStore> opened;
    const int16_t status = home->Open(fileName, exclusive, opened);
    if (status == ksOk)
        *handle = Handles().Add(std::move(opened), fileName);
    return status;
}

int16_t KfsClose(const int32_t* handle)
{
    const std::lock_guard<std::mutex> guard(StoreMutex());
    return Handles().Remove(*handle) ? ksOk : ksBadHandle;
}

int16_t KfsGet(const int32_t* handle, const int16_t* keyNumber, const int16_t* readMode, const char* keyValue,
               std::string* keyText, std::string* primaryKey, void* record, const int32_t* recordSize)
{
    const int16_t status = WithFile(handle, [&](TKeyedStore& file) {
        return file.Get(*keyNumber, *readMode, keyValue, keyText, *primaryKey, record, *recordSize);
    });
    if (status != ksOk) {
        if (keyText)
            keyText->clear();
        primaryKey->clear();
    }
    return status;
}

int16_t KfsPut(const int32_t* handle, std::string* primaryKey, const void* record, const int32_t* recordSize,
               const int16_t* putMode)
{
    return WithFile(handle, [&](TKeyedStore& file) {
        switch (*putMode) {
        case kpAdd:
            return file.Add(*primaryKey, record, *recordSize);
        case kpRewrite:
            return file.Rewrite(*primaryKey, record, *recordSize);
        default:
            return static_cast<int16_t>(ksBadParameter);
        }
    });
}

int16_t KfsDelete(const int32_t* handle, const char* primaryKey)
{
    return WithFile(handle, [&](TKeyedStore& file) { return file.Delete(primaryKey); });
}

int16_t KfsBOF(const int32_t* handle, const int16_t* keyNumber)
{
    return WithFile(handle, [&](TKeyedStore& file) { return file.Top(*keyNumber); });
}

int16_t KfsEOF(const int32_t* handle, const int16_t* keyNumber)
{
    return WithFile(handle, [&](TKeyedStore& file) { return file.End(*keyNumber); });
}

int16_t KfsInfo(const int32_t* handle, TIsamInfoRec* info)
{
    std::memset(info, 0, sizeof(*info));
    return WithFile(handle, [&](TKeyedStore& file) { return file.Info(info->RecordCount, info->KeyLength); });
}

int16_t KfsLock(const int32_t* handle, const char* primaryKey)
{
    return WithFile(handle, [&](TKeyedStore& file) { return file.Lock(primaryKey); });
}

int16_t KfsUnlock(const int32_t* handle, const char* primaryKey)
{
    return WithFile(handle, [&](TKeyedStore& file) { return file.Unlock(primaryKey); });
}

int16_t KfsKill(const char* fileName)
{
    const std::lock_guard<std::mutex> guard(StoreMutex());
    TStoreHome* home = StoreHomes::Of(fileName);
    return home ? home->Remove(fileName) : ksNoFunction;
}

int16_t KfsChangeCounter(const char* fileName, uint64_t* counter)
{
    const std::lock_guard<std::mutex> guard(StoreMutex());
    TKeyedStore* file = Handles().FindByName(fileName);
    if (!file)
        return ksNotFound;
    const std::optional<uint64_t> known = file->ChangeCounter();
    if (!known)
        return ksIoError;
    *counter = *known;
    return ksOk;
}

int16_t KfsReadNote(const int32_t* handle, std::string* note)
{
    return WithFile(handle, [&](TKeyedStore& file) { return file.ReadNote(*note); });
}

int16_t KfsWriteNote(const int32_t* handle, const char* note)
{
    return WithFile(handle, [&](TKeyedStore& file) { return file.WriteNote(note); });
}

int16_t KfsBeginBatch(const int32_t* handle)
{
    return WithFile(handle, [](TKeyedStore& file) {
        const int16_t status = file.BeginBatch();
        if (status == ksOk)
            BatchWatch().Wake();
        return status;
    });
}

int16_t KfsEndBatch(const int32_t* handle)
{
    return WithFile(handle, [](TKeyedStore& file) { return file.EndBatch(); });
}
