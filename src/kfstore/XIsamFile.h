#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Conditions that end a GetNext walk.
enum TGetCondition : int16_t {
    gcAny = 16,      // every following record
    gcPrefix = 64,   // while the key begins with the value
    gcBelow = 256,   // while the key is less than the value
    gcUpTo = 1024,   // while the key is less than or equal to the value
};

// One open keyed file of the shared database. Every operation returns true
// or false and leaves the store's status in Status(); nothing here throws.
class TXIsamFile
{
public:
    // The store is linked in; libraryFolder is kept for callers that name one
    // and does not change where the entry points come from.
    explicit TXIsamFile(const std::string& libraryFolder = {});
    ~TXIsamFile();
    TXIsamFile(const TXIsamFile&) = delete;
    TXIsamFile& operator=(const TXIsamFile&) = delete;

    bool IsOpen() const { return IsOpen_; }
    int32_t Handle() const { return Handle_; }
    const std::string& FileName() const { return FileName_; }
    const std::string& Version() const { return Version_; }
    const std::string& LastKey() const { return LastKey_; }
    int16_t Status() const { return Status_; }
    bool Usable() const { return Usable_; }

    bool CreateFile(const std::string& fileName, int16_t keyLength, const std::string& keyFormat);
    // Removes a closed file, refused while any handle has it open.
    bool RemoveFile(const std::string& fileName);
    bool Open(const std::string& fileName, int16_t openMode);
    bool Close();

    // Record buffers are fixed-size blocks; a size other than the file's
    // record size is refused with status 7.
    bool Add(const void* record, std::size_t size, const std::string& key);
    bool Rewrite(const void* record, std::size_t size, const std::string& key);
    bool GetEqual(void* record, std::size_t size, int16_t keyNumber, const std::string& value);
    bool GetNext(void* record, std::size_t size, int16_t keyNumber, const std::string& value,
                 TGetCondition condition);

    template <class R> bool Add(const R& record, const std::string& key) { return Add(&record, sizeof(R), key); }
    template <class R> bool Rewrite(const R& record, const std::string& key) { return Rewrite(&record, sizeof(R), key); }
    template <class R> bool GetEqual(R& record, int16_t keyNumber, const std::string& value)
    {
        return GetEqual(&record, sizeof(R), keyNumber, value);
    }
    template <class R> bool GetNext(R& record, int16_t keyNumber, const std::string& value, TGetCondition condition)
    {
        return GetNext(&record, sizeof(R), keyNumber, value, condition);
    }

    bool GoTop(int16_t keyNumber);
    bool Delete(const std::string& key);
    bool LockRecord(const std::string& key);
    bool UnlockRecord(const std::string& key);
    // Writes between these share commits; see TWriteBatch.
    bool BeginBatch();
    bool EndBatch();

    int32_t RecordCount();
    // The file's note: a short text beside its records, shared by every handle.
    bool ReadNote(std::string& note);
    bool WriteNote(const std::string& note);
    int32_t KeyLength();
    // The key an empty-key add would take now, for callers that lock it
    // first; empty, with status 25, when every key of the file's length is
    // in use.
    std::string NextKey();

    std::string StatusText() const { return StatusText(Status_); }
    static std::string StatusText(int16_t status);

private:
    bool NeedsOpen();
    // False, with status 6, for a key holding a NUL.
    bool PassesKey(const std::string& key);
    bool Read(void* record, std::size_t size, int16_t keyNumber, int16_t readMode, const std::string& value);
    static int32_t SizeArgument(std::size_t size);

    bool IsOpen_ = false;
    int32_t KeyLength_ = -1;  // known after the first question while open
    int32_t Handle_ = 0;
    std::string FileName_;
    std::string Version_;
    std::string LastKey_;
    int16_t Status_ = 0;
    bool Usable_ = false;
};
