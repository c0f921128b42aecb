#include "kfstore/XIsamFile.h"

#include "kfstore/KfStore.h"
#include "kfstore/PrimaryKey.h"

#include <limits>
#include <vector>

TXIsamFile::TXIsamFile(const std::string&) : Version_("1.00")
{
    Usable_ = KfsStartup() == ksOk;
}

TXIsamFile::~TXIsamFile()
{
    if (IsOpen_)
        Close();
}

bool TXIsamFile::NeedsOpen()
{
    if (IsOpen_)
        return true;
    Status_ = ksBadHandle;
    return false;
}

int32_t TXIsamFile::SizeArgument(std::size_t size)
{
    // A size the store cannot take is passed as one it refuses.
    return size <= static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) ? static_cast<int32_t>(size) : -1;
}

bool TXIsamFile::CreateFile(const std::string& fileName, int16_t keyLength, const std::string& keyFormat)
{
    if (IsOpen_) {
        Status_ = ksAlreadyOpen;
        return false;
    }
    const int32_t reserved1 = 0;
    const int16_t reserved2 = 0;
    Status_ = KfsCreate(fileName.c_str(), &keyLength, &reserved1, &reserved2, &reserved2, keyFormat.c_str());
    return Status_ == ksOk;
}

bool TXIsamFile::RemoveFile(const std::string& fileName)
{
    if (IsOpen_) {
        Status_ = ksAlreadyOpen;
        return false;
    }
    Status_ = KfsKill(fileName.c_str());
    return Status_ == ksOk;
}

bool TXIsamFile::ReadNote(std::string& note)
{
    if (!NeedsOpen())
        return false;
    Status_ = KfsReadNote(&Handle_, &note);
    return Status_ == ksOk;
}

bool TXIsamFile::WriteNote(const std::string& note)
{
    if (!NeedsOpen())
        return false;
    Status_ = KfsWriteNote(&Handle_, note.c_str());
    return Status_ == ksOk;
}

bool TXIsamFile::Open(const std::string& fileName, int16_t openMode)
{
    if (IsOpen_) {
        Status_ = ksAlreadyOpen;
        return false;
    }
    const int16_t reserved = 0;
    int32_t handle = 0;
    Status_ = KfsOpen(fileName.c_str(), &reserved, &openMode, &handle);
    if (Status_ != ksOk)
        return false;
    Handle_ = handle;
    IsOpen_ = true;
    FileName_ = fileName;
    KeyLength_ = -1;
    return true;
}

bool TXIsamFile::Close()
{
    if (!NeedsOpen())
        return false;
    Status_ = KfsClose(&Handle_);
    if (Status_ != ksOk)
        return false;
    Handle_ = 0;
    IsOpen_ = false;
    FileName_.clear();
    return true;
}

bool TXIsamFile::Add(const void* record, std::size_t size, const std::string& key)
{
    if (!NeedsOpen())
        return false;
    std::string used = key;
    const int32_t recordSize = SizeArgument(size);
    const int16_t mode = kpAdd;
    Status_ = KfsPut(&Handle_, &used, record, &recordSize, &mode);
    LastKey_ = std::move(used);
    return Status_ == ksOk;
}

bool TXIsamFile::Rewrite(const void* record, std::size_t size, const std::string& key)
{
    if (!NeedsOpen())
        return false;
    std::string used = key;
    const int32_t recordSize = SizeArgument(size);
    const int16_t mode = kpRewrite;
    Status_ = KfsPut(&Handle_, &used, record, &recordSize, &mode);
    LastKey_ = key;
    return Status_ == ksOk;
}

bool TXIsamFile::Read(void* record, std::size_t size, int16_t keyNumber, int16_t readMode, const std::string& value)
{
    if (!NeedsOpen())
        return false;
    const int32_t recordSize = SizeArgument(size);
    Status_ = KfsGet(&Handle_, &keyNumber, &readMode, value.c_str(), nullptr, &LastKey_, record, &recordSize);
    return Status_ == ksOk;
}

bool TXIsamFile::GetEqual(void* record, std::size_t size, int16_t keyNumber, const std::string& value)
{
    return Read(record, size, keyNumber, kmGetEqual, value);
}

bool TXIsamFile::GetNext(void* record, std::size_t size, int16_t keyNumber, const std::string& value,
                         TGetCondition condition)
{
    return Read(record, size, keyNumber, static_cast<int16_t>(kmGetNext + condition), value);
}

bool TXIsamFile::GoTop(int16_t keyNumber)
{
    if (!NeedsOpen())
        return false;
    Status_ = KfsBOF(&Handle_, &keyNumber);
    return Status_ == ksOk;
}

bool TXIsamFile::PassesKey(const std::string& key)
{
    // The store takes these keys as C texts: one cut at a NUL would name another record.
    if (key.find('\0') == std::string::npos)
        return true;
    Status_ = ksIllegalKey;
    return false;
}

bool TXIsamFile::Delete(const std::string& key)
{
    if (!NeedsOpen() || !PassesKey(key))
        return false;
    Status_ = KfsDelete(&Handle_, key.c_str());
    return Status_ == ksOk;
}

bool TXIsamFile::LockRecord(const std::string& key)
{
    if (!NeedsOpen() || !PassesKey(key))
        return false;
    Status_ = KfsLock(&Handle_, key.c_str());
    return Status_ == ksOk;
}

bool TXIsamFile::UnlockRecord(const std::string& key)
{
    if (!NeedsOpen() || !PassesKey(key))
        return false;
    Status_ = KfsUnlock(&Handle_, key.c_str());
    return Status_ == ksOk;
}

bool TXIsamFile::BeginBatch()
{
    if (!NeedsOpen())
        return false;
    Status_ = KfsBeginBatch(&Handle_);
    return Status_ == ksOk;
}

bool TXIsamFile::EndBatch()
{
    if (!NeedsOpen())
        return false;
    Status_ = KfsEndBatch(&Handle_);
    return Status_ == ksOk;
}

int32_t TXIsamFile::RecordCount()
{
    TIsamInfoRec info;
    Status_ = KfsInfo(&Handle_, &info);
    return Status_ == ksOk ? info.RecordCount : -1;
}

int32_t TXIsamFile::KeyLength()
{
    // Fixed when the file was made; asking the store counts the records too.
    if (KeyLength_ >= 0 && IsOpen_) {
        Status_ = ksOk;
        return KeyLength_;
    }
    TIsamInfoRec info;
    Status_ = KfsInfo(&Handle_, &info);
    KeyLength_ = Status_ == ksOk ? info.KeyLength : -1;
    return KeyLength_;
}

std::string TXIsamFile::NextKey()
{
    const int16_t primaryKey = 0;
    Status_ = KfsEOF(&Handle_, &primaryKey);
    if (Status_ != ksOk)
        return {};
    const int32_t length = KeyLength();
    char scratch[4];
    const int32_t scratchSize = sizeof(scratch);
    const int16_t mode = kmPreviousKey;
    // Only keys of digits at the file's full length count, as for the
    // store's own empty-key add: a stray "9" or "ABC" stops nothing. The
    // key after the highest; when that needs another digit, the lowest
    // free one, found on a walk down through all of them.
    std::string key;
    std::vector<int64_t> counted;
    int16_t status;
    while ((status = KfsGet(&Handle_, &primaryKey, &mode, "", nullptr, &key, scratch, &scratchSize)) == ksOk) {
        if (!PrimaryKey::Counted(key, length))
            continue;
        const int64_t value = *PrimaryKey::CountedValue(key);
        if (counted.empty()) {
            if (std::string next = PrimaryKey::Padded(value + 1, length); !next.empty()) {
                Status_ = ksOk;
                return next;
            }
        }
        counted.push_back(value);
    }
    if (status != ksOk && status != ksNotFound) {
        // Only a file without a counted key starts again at 1, not a read that failed.
        Status_ = status;
        return {};
    }
    int64_t lowest = 1;
    for (auto value = counted.rbegin(); value != counted.rend() && *value <= lowest; ++value)
        if (*value == lowest)
            ++lowest;
    std::string next = PrimaryKey::Padded(lowest, length);
    Status_ = next.empty() ? ksKeysFull : ksOk;
    return next;
}

std::string TXIsamFile::StatusText(int16_t status)
{
    return KfsStatusText(status);
}
