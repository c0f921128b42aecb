#include "kfstore/folder/KeyedFile.h"

#include "kfstore/folder/FileSchema.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/PrimaryKey.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {


std::string FolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

}  // namespace

int16_t TKeyedFile::Create(const std::string& path, int keyLength, const std::string& keyFormat)
{
    const std::optional<TKeyFormat> format = TKeyFormat::Parse(keyFormat);
    if (!format)
        return ksBadFormat;
    return TFileSchema(*format).CreateFile(path, keyLength);
}

int16_t TKeyedFile::Remove(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return StatusFromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return ksNotIsam;
    int16_t status = TFileSchema::CheckHeader(path);
    if (status != ksOk)
        return status;
    TOpenMark mark;
    status = mark.Exclude(path);
    if (status != ksOk)
        return status;
    if (unlink(path.c_str()) != 0)
        return StatusFromErrno(errno);
    unlink((path + "-journal").c_str());
    unlink(TLockFile::PathFor(path).c_str());
    return ksOk;
}

int16_t TKeyedFile::Open(const std::string& path, bool exclusive)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return StatusFromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return ksNotIsam;
    // Writing needs the file and, for the journal, its folder.
    if (access(path.c_str(), R_OK | W_OK) != 0 || access(FolderOf(path).c_str(), W_OK) != 0)
        return StatusFromErrno(errno);
    int16_t status = OpenLocks(path, info.st_mode, exclusive);
    if (status != ksOk)
        return status;
    const int rc = Connection_.Open(path, false);
    if (rc != SQLITE_OK)
        return Connection_.Status(rc);
    if (Connection_.ReadOnly())
        return ksUpdateMode;
    status = ReadDescription();
    if (status == ksOk)
        status = PrepareWrites();
    if (status != ksOk)
        return status;
    Counter_.Open(path);
    Cursors_.Make(*Format_, [this](int key) {
        return std::make_unique<TSqliteKeySource>(Connection_, Counter_, key, Format_->RecordSize());
    });
    return ksOk;
}

int16_t TKeyedFile::OpenLocks(const std::string& path, unsigned permissions, bool exclusive)
{
    int16_t status = exclusive ? OpenMark_.Exclude(path) : OpenMark_.Hold(path);
    if (status == ksOk)
        status = LockFile_.Open(TLockFile::PathFor(path), permissions, OpenMark_.OthersHold());
    OpenMark_.EndOpening();
    return status;
}

int16_t TKeyedFile::ReadDescription()
{
    TStatement id;
    int rc = id.Prepare(Connection_.Handle(), "PRAGMA application_id");
    if (rc == SQLITE_OK)
        rc = id.Step();
    if (rc != SQLITE_ROW)
        return Connection_.Status(rc);
    if (id.ColumnInt(0) != TFileSchema::kApplicationId)
        return ksNotIsam;
    id.Reset();

    TStatement description;
    rc = description.Prepare(Connection_.Handle(),
                             "SELECT format_version, key_format, key_length, record_size FROM kfs_file");
    if (rc == SQLITE_OK)
        rc = description.Step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? ksCorrupt : Connection_.Status(rc);
    TStatement::TReset reset(description);
    const int64_t version = description.ColumnInt(0);
    if (version > TFileSchema::kFormatVersion)
        return ksNotIsam;
    // A format no file of ours can have was not written by the store.
    Format_ = TKeyFormat::Parse(description.ColumnText(1));
    if (!Format_)
        return ksNotIsam;
    const int64_t keyLength = description.ColumnInt(2);
    if (version < 1 || keyLength < 1 || keyLength > TFileSchema::kMaxKeyLength
        || description.ColumnInt(3) != Format_->RecordSize())
        return ksCorrupt;
    KeyLength_ = static_cast<int>(keyLength);
    return ksOk;
}

int16_t TKeyedFile::PrepareWrites()
{
    const TFileSchema schema(*Format_);
    const std::pair<TStatement*, std::string> statements[] = {
        {&Insert_, schema.InsertSql()},
        {&Update_, schema.UpdateSql()},
        {&Delete_, "DELETE FROM kfs_records WHERE pk = ?1"},
        // Keys of digits sort below ':'; the others are passed over.
        {&Highest_, "SELECT pk FROM kfs_records WHERE pk < ':' AND length(pk) = ?1 ORDER BY pk DESC"},
        {&Lowest_, "SELECT pk FROM kfs_records WHERE pk < ':' AND length(pk) = ?1 ORDER BY pk"},
        {&Count_, "SELECT count(*) FROM kfs_records"},
        {&ReadNote_, "SELECT note FROM kfs_file"},
        {&WriteNote_, "UPDATE kfs_file SET note = ?1"},
    };
    for (const auto& [statement, sql] : statements) {
        const int rc = statement->Prepare(Connection_.Handle(), sql);
        if (rc != SQLITE_OK)
            return Connection_.Status(rc);
    }
    return ksOk;
}

int16_t TKeyedFile::CheckKey(std::string_view pk) const
{
    return PrimaryKey::Check(pk, KeyLength_);
}

int16_t TKeyedFile::Get(int keyNumber, int readMode, std::string_view value, std::string* keyText,
                        std::string& pk, void* record, int recordSize)
{
    return Cursors_.Read(keyNumber, readMode, value, keyText, pk, record, recordSize);
}

void TKeyedFile::BindRecord(TStatement& statement, std::string_view pk, const void* record)
{
    statement.BindText(1, pk);
    statement.BindBlob(2, record, Format_->RecordSize());
    int parameter = 3;
    for (int key : Format_->IndexedKeys())
        statement.BindText(parameter++, Format_->KeyValue(static_cast<const char*>(record), key));
}

int16_t TKeyedFile::AllocateKey(std::string& pk)
{
    // The highest key that is a number of the key's full length: a shorter
    // one ("9") is another key than its padded number, and keys of other
    // text never stop it.
    int64_t highest = 0;
    {
        TStatement::TReset reset(Highest_);
        Highest_.BindInt(1, KeyLength_);
        int rc;
        while ((rc = Highest_.Step()) == SQLITE_ROW) {
            const std::string_view key = Highest_.ColumnText(0);
            if (!PrimaryKey::Counted(key, KeyLength_))
                continue;
            if (const std::optional<int64_t> value = PrimaryKey::CountedValue(key)) {
                highest = *value;
                break;
            }
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return Connection_.Status(rc);
    }
    pk = PrimaryKey::Padded(highest + 1, KeyLength_);
    if (!pk.empty())
        return ksOk;
    // The highest key is taken: the lowest free one, found in one walk.
    TStatement::TReset reset(Lowest_);
    Lowest_.BindInt(1, KeyLength_);
    int64_t free = 1;
    int rc;
    while ((rc = Lowest_.Step()) == SQLITE_ROW) {
        const std::string_view key = Lowest_.ColumnText(0);
        const std::optional<int64_t> value =
            PrimaryKey::Counted(key, KeyLength_) ? PrimaryKey::CountedValue(key) : std::nullopt;
        if (!value || *value < free)
            continue;
        if (*value > free)
            break;
        ++free;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return Connection_.Status(rc);
    pk = PrimaryKey::Padded(free, KeyLength_);
    return pk.empty() ? ksKeysFull : ksOk;
}

int16_t TKeyedFile::Add(std::string& pk, const void* record, int recordSize)
{
    if (recordSize != Format_->RecordSize())
        return ksBadParameter;
    if (!pk.empty()) {
        const int16_t status = CheckKey(pk);
        if (status != ksOk)
            return status;
    }
    const bool allocate = pk.empty();
    return Write([&] {
        if (allocate) {
            const int16_t status = AllocateKey(pk);
            if (status != ksOk)
                return status;
        }
        TStatement::TReset reset(Insert_);
        BindRecord(Insert_, pk, record);
        return Connection_.Status(Insert_.Step());
    });
}

int16_t TKeyedFile::Rewrite(std::string_view pk, const void* record, int recordSize)
{
    if (recordSize != Format_->RecordSize())
        return ksBadParameter;
    int16_t status = CheckKey(pk);
    if (status == ksOk)
        status = LockFile_.CheckRecord(pk);
    if (status != ksOk)
        return status;
    return Write([&] {
        TStatement::TReset reset(Update_);
        BindRecord(Update_, pk, record);
        const int rc = Update_.Step();
        if (rc != SQLITE_DONE)
            return Connection_.Status(rc);
        return Connection_.Changes() == 0 ? int16_t{ksNotFound} : int16_t{ksOk};
    });
}

int16_t TKeyedFile::Delete(std::string_view pk)
{
    int16_t status = CheckKey(pk);
    if (status == ksOk)
        status = LockFile_.CheckRecord(pk);
    if (status != ksOk)
        return status;
    return Write([&] {
        TStatement::TReset reset(Delete_);
        Delete_.BindText(1, pk);
        const int rc = Delete_.Step();
        if (rc != SQLITE_DONE)
            return Connection_.Status(rc);
        return Connection_.Changes() == 0 ? int16_t{ksNotFound} : int16_t{ksOk};
    });
}

int16_t TKeyedFile::Top(int keyNumber)
{
    return Cursors_.Top(keyNumber);
}

int16_t TKeyedFile::End(int keyNumber)
{
    return Cursors_.End(keyNumber);
}

int16_t TKeyedFile::Info(int32_t& recordCount, int16_t& keyLength)
{
    keyLength = static_cast<int16_t>(KeyLength_);
    const std::optional<uint32_t> before = Counter_.Read();
    if (before && before == CountedAt_) {
        recordCount = RecordCount_;
        return ksOk;
    }
    TStatement::TReset reset(Count_);
    const int rc = Count_.Step();
    if (rc != SQLITE_ROW)
        return Connection_.Status(rc);
    RecordCount_ = static_cast<int32_t>(Count_.ColumnInt(0));
    Count_.Reset();
    const std::optional<uint32_t> after = Counter_.Read();
    CountedAt_ = before == after ? before : std::nullopt;
    recordCount = RecordCount_;
    return ksOk;
}

int16_t TKeyedFile::Lock(std::string_view pk)
{
    const int16_t status = CheckKey(pk);
    if (status != ksOk)
        return status;
    const int64_t slot = PrimaryKey::LockSlot(pk);
    // A lock kept for the batch's commit is taken back; one held is held.
    if (std::erase(KeptLocks_, slot) > 0 || Holds(slot))
        return ksOk;
    const int16_t locked = LockFile_.LockSlot(slot);
    if (locked == ksOk)
        HeldLocks_.push_back(slot);
    return locked;
}

int16_t TKeyedFile::Unlock(std::string_view pk)
{
    const int16_t status = CheckKey(pk);
    if (status != ksOk)
        return status;
    const int64_t slot = PrimaryKey::LockSlot(pk);
    const bool kept = std::find(KeptLocks_.begin(), KeptLocks_.end(), slot) != KeptLocks_.end();
    // Unlocked once already: the handle no longer holds it.
    if (kept)
        return ksOk;
    if (!Holds(slot))
        return LockFile_.UnlockSlot(slot);
    // Nobody may change what was read under it before the change is stored.
    if (Span_.IsOpen()) {
        KeptLocks_.push_back(slot);
        return ksOk;
    }
    const int16_t unlocked = LockFile_.UnlockSlot(slot);
    if (unlocked == ksOk)
        std::erase(HeldLocks_, slot);
    return unlocked;
}

bool TKeyedFile::Holds(int64_t slot) const
{
    return std::find(HeldLocks_.begin(), HeldLocks_.end(), slot) != HeldLocks_.end();
}

int16_t TKeyedFile::ReadNote(std::string& note)
{
    TStatement::TReset reset(ReadNote_);
    const int rc = ReadNote_.Step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? ksCorrupt : Connection_.Status(rc);
    note.assign(ReadNote_.ColumnText(0));
    return ksOk;
}

int16_t TKeyedFile::WriteNote(std::string_view note)
{
    if (note.size() > kMaxNote)
        return ksNoNoteSpace;
    return Write([&] {
        TStatement::TReset reset(WriteNote_);
        WriteNote_.BindText(1, note);
        return Connection_.Status(WriteNote_.Step());
    });
}

template <class TChange> int16_t TKeyedFile::Write(TChange change)
{
    if (Batch_ && TurnDone()) {
        const int16_t status = CommitSpan();
        if (status != ksOk)
            return status;
    }
    int16_t status = Span_.Enter();
    if (status != ksOk)
        return status;
    status = change();
    // The handle's own reads see the change before any commit moves the
    // file's counter: what it read ahead is stale now.
    Counter_.Advance();
    if (!Batch_) {
        if (status != ksOk) {
            Span_.Abandon();
            return status;
        }
        return Span_.Commit();
    }
    LastWrite_ = std::chrono::steady_clock::now();
    if (!Span_.Intact()) {
        // The engine rolled the whole span back, earlier writes included.
        if (BatchStatus_ == ksOk)
            BatchStatus_ = status;
        Span_.Abandon();
        CommitSpan();
    }
    return status;
}

bool TKeyedFile::TurnDone()
{
    if (!Span_.IsOpen())
        return false;
    if (Span_.Held() >= kBatchTurn || std::chrono::steady_clock::now() - LastWrite_ >= kBatchIdle)
        return true;
    // Counting the pages costs a few system calls: it is done every few
    // writes, which change a few pages each, far inside the bound's margin.
    if (++SpanWrites_ % kPageCheckWrites != 0)
        return false;
    const std::optional<int> pages = Span_.DirtyPages();
    return !pages || *pages >= Span_.PageBound();
}

bool TKeyedFile::EndIdleTurn()
{
    if (!Batch_)
        return false;
    if (Span_.IsOpen() && std::chrono::steady_clock::now() - LastWrite_ >= kBatchIdle)
        CommitSpan();
    return true;
}

int16_t TKeyedFile::CommitSpan()
{
    const int16_t status = Span_.Commit();
    if (status != ksOk && BatchStatus_ == ksOk)
        BatchStatus_ = status;
    SpanWrites_ = 0;
    for (const int64_t slot : KeptLocks_) {
        LockFile_.UnlockSlot(slot);
        std::erase(HeldLocks_, slot);
    }
    KeptLocks_.clear();
    return status;
}

int16_t TKeyedFile::BeginBatch()
{
    if (Batch_)
        return ksBadParameter;
    Batch_ = true;
    BatchStatus_ = ksOk;
    return ksOk;
}

int16_t TKeyedFile::EndBatch()
{
    if (!Batch_)
        return ksBadParameter;
    const int16_t status = CommitSpan();
    Batch_ = false;
    return BatchStatus_ != ksOk ? BatchStatus_ : status;
}

TKeyedFile::~TKeyedFile()
{
    if (Batch_)
        EndBatch();
}
