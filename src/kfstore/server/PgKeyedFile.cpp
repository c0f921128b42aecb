#include "kfstore/server/PgKeyedFile.h"

#include "kfstore/KeyOrder.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/server/PgFileSchema.h"
#include "kfstore/server/PgOutage.h"
#include "kfstore/PrimaryKey.h"

namespace {

constexpr int kMaxKeyLength = 255;

// Statement names of a handle's writes.
constexpr const char* kInsert = "insert";
constexpr const char* kUpdate = "update";
constexpr const char* kDelete = "delete";
constexpr const char* kCount = "count";

// The keys that count: numbers of the key's full length of digits (a
// shorter one, "9", is another key than its padded number). Keys of digits
// sort below ':'; the others are passed over.
std::string CountedKeys(int32_t fileId, int keyLength)
{
    return " FROM " + TPgFileSchema::Table(fileId) + " WHERE pk < '\\x3a'::bytea AND length(pk) = " +
           std::to_string(keyLength) + " AND btrim(pk, '\\x30313233343536373839'::bytea) = ''::bytea";
}

std::string HighestSql(int32_t fileId, int keyLength)
{
    return "SELECT convert_from(pk, 'SQL_ASCII')" + CountedKeys(fileId, keyLength) + " ORDER BY pk DESC LIMIT 1;";
}

// The lowest free key above 0, padded; no row when every key is in use.
std::string LowestFreeSql(int32_t fileId, int keyLength)
{
    const std::string length = std::to_string(keyLength);
    return "SELECT lpad((v + 1)::text, " + length + ", '0') FROM "
           "(SELECT v, lead(v) OVER (ORDER BY v) AS after FROM (SELECT 0::numeric AS v UNION ALL "
           "SELECT convert_from(pk, 'SQL_ASCII')::numeric" + CountedKeys(fileId, keyLength) + ") AS counted) AS gaps "
           "WHERE (after IS NULL OR after > v + 1) AND v + 1 < 10::numeric ^ " + length + " ORDER BY v LIMIT 1";
}

}  // namespace

int16_t TPgKeyedFile::Create(const std::string& connection, const std::string& name, int keyLength,
                             const std::string& keyFormat)
{
    const std::optional<TKeyFormat> format = TKeyFormat::Parse(keyFormat);
    if (!format)
        return ksBadFormat;
    if (keyLength < 1 || keyLength > kMaxKeyLength)
        return ksBadParameter;
    TPgConnection server;
    int16_t status = server.Open(connection);
    if (status != ksOk)
        return status;
    TPgTransaction transaction(server);
    std::optional<int32_t> fileId;
    const std::string describe =
        "INSERT INTO orbeko.kfs_files(name, format_version, key_format, key_length, record_size) VALUES(" +
        server.Literal(name) + ", " + std::to_string(TPgFileSchema::kFormatVersion) + ", " +
        server.Literal(format->Text()) + ", " + std::to_string(keyLength) + ", " + std::to_string(format->RecordSize()) +
        ") ON CONFLICT (name) DO NOTHING RETURNING id;";
    status = transaction.Begin(TPgFileSchema::CreateSharedSql() + describe, [&](int, const TPgResult& result) {
        if (result.Rows() == 1 && PQnfields(result.Get()) == 1 && std::string_view(PQfname(result.Get(), 0)) == "id")
            fileId = static_cast<int32_t>(result.Int(0, 0));
    });
    if (status != ksOk)
        return status;
    if (!fileId)
        return ksNameInUse;
    const TPgResult table = server.Exec(TPgFileSchema(*format).CreateTableSql(*fileId));
    if (!table.Ok())
        return server.Status(table);
    return transaction.Commit();
}

int16_t TPgKeyedFile::Remove(const std::string& connection, const std::string& name)
{
    TPgConnection server;
    int16_t status = server.Open(connection);
    if (status != ksOk)
        return status;
    TPgTransaction transaction(server);
    std::optional<int32_t> fileId;
    status = transaction.Begin("SELECT id FROM orbeko.kfs_files WHERE name = " + server.Literal(name) + " FOR UPDATE",
                               [&](int, const TPgResult& result) {
                                   if (result.Rows() == 1)
                                       fileId = static_cast<int32_t>(result.Int(0, 0));
                               });
    if (status != ksOk)
        return status;
    if (!fileId)
        return ksNotFound;
    bool unused = false;
    const std::string id = std::to_string(*fileId);
    status = server.ExecAll("SELECT pg_try_advisory_xact_lock(" + std::to_string(TPgFileSchema::kOpenMarks) + ", " +
                                id + ")",
                            [&](int, const TPgResult& result) { unused = result.Rows() == 1 && result.Bool(0, 0); });
    if (status != ksOk)
        return status;
    if (!unused)
        return ksNameInUse;
    const TPgResult drop =
        server.Exec("DROP TABLE " + TPgFileSchema::Table(*fileId) + "; DELETE FROM orbeko.kfs_files WHERE id = " + id);
    if (!drop.Ok())
        return server.Status(drop);
    return transaction.Commit();
}

int16_t TPgKeyedFile::Open(const std::string& connection, const std::string& name, const std::string& fileName,
                           bool exclusive)
{
    Location_ = connection;
    Name_ = name;
    Exclusive_ = exclusive;
    int16_t status = Connection_.Open(connection);
    if (status != ksOk)
        return status;
    Counter_ = std::make_unique<TPgChangeCounter>(Connection_, fileName);
    status = Settle(name);
    if (status != ksOk)
        return status;
    Cursors_.Make(*Format_, [this](int key) {
        return std::make_unique<TPgKeySource>(Connection_, *Counter_, FileId_, key, Format_->RecordSize());
    });
    return ksOk;
}

int16_t TPgKeyedFile::Settle(const std::string& name)
{
    int16_t status = ReadDescription(name);
    if (status == ksOk)
        status = HoldOpenMark(Exclusive_);
    if (status == ksOk)
        status = PrepareWrites();
    return status;
}

int16_t TPgKeyedFile::Reach()
{
    // Another handle just waited in vain for this server: the same wait
    // here would find the same silence.
    std::string cause;
    if (TPgOutage::Resting(Location_, cause))
        return ksInterrupted;
    if (Connection_.Usable())
        return ksOk;
    Forget();
    const int32_t fileId = FileId_;
    const std::optional<TKeyFormat> format = Format_;
    int16_t status = Connection_.Open(Location_);
    if (status == ksOk)
        status = Settle(Name_);
    // A file removed and made again meanwhile is another file: its records
    // are not the ones this handle's positions and format speak of.
    if (status == ksOk && (FileId_ != fileId || Format_->Text() != format->Text()))
        status = ksNotFound;
    FileId_ = fileId;
    Format_ = format;
    if (status != ksOk)
        Connection_.Close();
    return status;
}

void TPgKeyedFile::Forget()
{
    // A batch's writes not yet committed are lost: its end says so.
    if (Span_ && Batch_ && BatchStatus_ == ksOk)
        BatchStatus_ = ksIoError;
    Span_.reset();
    Counter_->RolledBack();
    for (int64_t lock : HeldLocks_)
        if (!KeptLocks_.count(lock))
            LostLocks_.insert(lock);
    HeldLocks_.clear();
    KeptLocks_.clear();
    CountedAt_.reset();
}

int16_t TPgKeyedFile::LockLost(std::string_view pk) const
{
    return LostLocks_.count(TPgFileSchema::RecordLock(FileId_, pk)) ? ksLocked : ksOk;
}

std::optional<uint64_t> TPgKeyedFile::ChangeCounter()
{
    if (Reach() != ksOk)
        return std::nullopt;
    return Counter_->ReadCommitted();
}

int16_t TPgKeyedFile::ReadDescription(const std::string& name)
{
    TPgParams params;
    params.Bytes(name);
    const TPgResult description = Connection_.Exec(
        "SELECT id::bigint, format_version::bigint, key_format, key_length::bigint, record_size::bigint "
        "FROM orbeko.kfs_files WHERE name = $1::text",
        params);
    if (!description.Ok())
        return Connection_.Status(description);
    if (description.Rows() != 1)
        return ksNotFound;
    FileId_ = static_cast<int32_t>(description.Int(0, 0));
    const int64_t version = description.Int(0, 1);
    if (version > TPgFileSchema::kFormatVersion)
        return ksNotIsam;
    Format_ = TKeyFormat::Parse(description.Bytes(0, 2));
    if (!Format_)
        return ksNotIsam;
    const int64_t keyLength = description.Int(0, 3);
    if (version < 1 || keyLength < 1 || keyLength > kMaxKeyLength || description.Int(0, 4) != Format_->RecordSize())
        return ksCorrupt;
    KeyLength_ = static_cast<int>(keyLength);
    return ksOk;
}

int16_t TPgKeyedFile::HoldOpenMark(bool exclusive)
{
    // Marked open first, then looked for again: a removal that went through
    // meanwhile took the file with it.
    const std::string id = std::to_string(FileId_);
    bool marked = false;
    std::optional<uint64_t> version;
    const int16_t status = Connection_.ExecAll(
        std::string(exclusive ? "SELECT pg_try_advisory_lock(" : "SELECT pg_try_advisory_lock_shared(") +
            std::to_string(TPgFileSchema::kOpenMarks) + ", " + id + ");"
        "LISTEN " + TPgChangeCounter::Channel(FileId_) + ";"
        "SELECT version FROM orbeko.kfs_files WHERE id = " + id,
        [&](int index, const TPgResult& result) {
            if (index == 0)
                marked = result.Rows() == 1 && result.Bool(0, 0);
            else if (index == 2 && result.Rows() == 1)
                version = static_cast<uint64_t>(result.Int(0, 0));
        });
    if (status != ksOk)
        return status;
    if (!marked)
        return ksNameInUse;
    if (!version)
        return ksNotFound;
    Counter_->Saw(*version);
    return ksOk;
}

int16_t TPgKeyedFile::PrepareWrites()
{
    const TPgFileSchema schema(*Format_);
    const int indexed = static_cast<int>(Format_->IndexedKeys().size());
    const std::string id = std::to_string(FileId_);
    const struct
    {
        const char* Name;
        std::string Sql;
        int Parameters;
    } statements[] = {
        {kInsert, schema.InsertSql(FileId_), 3 + indexed},
        {kUpdate, schema.UpdateSql(FileId_), 2 + indexed},
        {kDelete, "DELETE FROM " + TPgFileSchema::Table(FileId_) + " WHERE pk = $1", 1},
        {kCount, "SELECT record_count, version FROM orbeko.kfs_files WHERE id = " + id, 0},
    };
    for (const auto& statement : statements) {
        const int16_t status = Connection_.Prepare(statement.Name, statement.Sql, statement.Parameters);
        if (status != ksOk)
            return status;
    }
    return ksOk;
}

int16_t TPgKeyedFile::Get(int keyNumber, int readMode, std::string_view value, std::string* keyText, std::string& pk,
                          void* record, int recordSize)
{
    if (const int16_t status = Reach(); status != ksOk)
        return status;
    return Cursors_.Read(keyNumber, readMode, value, keyText, pk, record, recordSize);
}

void TPgKeyedFile::BindRecord(TPgParams& params, const void* record) const
{
    const auto* bytes = static_cast<const char*>(record);
    params.Bytes(std::string_view(bytes, static_cast<std::size_t>(Format_->RecordSize())));
    for (int key : Format_->IndexedKeys())
        params.Owned(FoldedKey(Format_->KeyValue(bytes, key)));
}

template <class TChange>
int16_t TPgKeyedFile::Write(std::string_view lockedPk, int delta, const std::string& also,
                            std::optional<std::string>* alsoValue, TChange change)
{
    const auto now = std::chrono::steady_clock::now();
    if (Batch_ && Span_ && (now - SpanSince_ >= kBatchTurn || now - LastWrite_ >= kBatchIdle)) {
        const int16_t status = CommitSpan();
        if (status != ksOk)
            return status;
    }
    // One round trip opens the transaction (or, in a batch's open one, a
    // savepoint that a failed write goes back to), tests the record's lock
    // (an advisory lock for the transaction, which this handle's own lock
    // on the record does not refuse), and raises the version, which makes
    // every other writer of the file wait for the commit.
    const bool inSpan = Span_.has_value();
    std::string sql = inSpan ? "SAVEPOINT write;" : "";
    if (!lockedPk.empty())
        sql += "SELECT pg_try_advisory_xact_lock(" + std::to_string(TPgFileSchema::RecordLock(FileId_, lockedPk)) + ");";
    sql += TPgFileSchema::BumpSql(FileId_, delta) + also;
    const int first = inSpan ? 1 : 0;  // the savepoint gives a result of its own
    const int bumpIndex = first + (lockedPk.empty() ? 0 : 1);
    bool free = true;
    std::optional<uint64_t> version;
    const TPgTransaction::TTake take = [&](int index, const TPgResult& result) {
        if (index < first)
            return;
        if (index < bumpIndex)
            free = result.Rows() == 1 && result.Bool(0, 0);
        else if (index == bumpIndex && result.Rows() == 1)
            version = static_cast<uint64_t>(result.Int(0, 0));
        else if (index > bumpIndex && alsoValue && result.Rows() == 1)
            *alsoValue = std::string(result.Bytes(0, 0));
    };
    if (!inSpan) {
        Span_.emplace(Connection_);
        SpanSince_ = std::chrono::steady_clock::now();
    }
    int16_t status = inSpan ? Connection_.ExecAll(sql, take) : Span_->Begin(sql, take);
    if (status == ksOk && !free)
        status = ksLocked;
    else if (status == ksOk && !version)
        status = ksNotFound;  // the file's row went: it was removed under the handle
    if (status == ksOk)
        status = change();
    if (status != ksOk)
        return Undo(inSpan, status);
    Counter_->Wrote(*version);
    LastWrite_ = std::chrono::steady_clock::now();
    return Batch_ ? ksOk : CommitSpan();
}

int16_t TPgKeyedFile::Undo(bool toSavepoint, int16_t status)
{
    if (toSavepoint && Connection_.Exec("ROLLBACK TO SAVEPOINT write").Ok())
        return status;
    // A single write, or a batch whose transaction is lost with every write
    // in it.
    if (toSavepoint && BatchStatus_ == ksOk)
        BatchStatus_ = status;
    Span_.reset();
    Counter_->RolledBack();
    ReleaseKeptLocks();
    return status;
}

int16_t TPgKeyedFile::CommitSpan()
{
    if (!Span_)
        return ksOk;
    const int16_t status = Span_->Commit();
    Span_.reset();
    if (status == ksOk)
        Counter_->Committed();
    else
        Counter_->RolledBack();
    if (status != ksOk && Batch_ && BatchStatus_ == ksOk)
        BatchStatus_ = status;
    ReleaseKeptLocks();
    return status;
}

void TPgKeyedFile::ReleaseKeptLocks()
{
    if (KeptLocks_.empty())
        return;
    std::string sql = "SELECT true";
    for (int64_t lock : KeptLocks_) {
        sql += ", pg_advisory_unlock(" + std::to_string(lock) + ")";
        HeldLocks_.erase(lock);
    }
    KeptLocks_.clear();
    Connection_.Exec(sql);
}

int16_t TPgKeyedFile::BeginBatch()
{
    if (Batch_)
        return ksBadParameter;
    Batch_ = true;
    BatchStatus_ = ksOk;
    return ksOk;
}

int16_t TPgKeyedFile::EndBatch()
{
    if (!Batch_)
        return ksBadParameter;
    if (!Connection_.Usable())
        Forget();
    const int16_t status = CommitSpan();
    Batch_ = false;
    return BatchStatus_ != ksOk ? BatchStatus_ : status;
}

bool TPgKeyedFile::EndIdleTurn()
{
    if (!Batch_)
        return false;
    // A connection that broke is dealt with by the caller's next call.
    if (Span_ && Connection_.Usable() && std::chrono::steady_clock::now() - LastWrite_ >= kBatchIdle)
        CommitSpan();
    return true;
}

TPgKeyedFile::~TPgKeyedFile()
{
    if (Batch_)
        EndBatch();
    // The server drops a session's locks only once it has seen the
    // connection end, a moment after it is closed here: given back now, the
    // records and the file are free for others when the close returns.
    // A server that let a handle wait in vain is not waited for again:
    // it drops the locks itself once it finds the session gone.
    std::string cause;
    if (Counter_ && !TPgOutage::Resting(Location_, cause) && Connection_.Usable())
        Connection_.Exec("SELECT pg_advisory_unlock_all()");
}

int16_t TPgKeyedFile::Add(std::string& pk, const void* record, int recordSize)
{
    if (recordSize != Format_->RecordSize())
        return ksBadParameter;
    if (const int16_t status = Reach(); status != ksOk)
        return status;
    const bool allocate = pk.empty();
    if (!allocate) {
        const int16_t status = PrimaryKey::Check(pk, KeyLength_);
        if (status != ksOk)
            return status;
    }
    // The highest key is read after the version was raised, so under the
    // file's row lock: concurrent adds each see the ones before.
    std::optional<std::string> highest;
    return Write({}, 1, allocate ? HighestSql(FileId_, KeyLength_) : std::string(), &highest, [&]() -> int16_t {
        if (allocate) {
            const std::optional<int64_t> last = highest ? PrimaryKey::CountedValue(*highest) : std::nullopt;
            pk = PrimaryKey::Padded(last ? *last + 1 : 1, KeyLength_);
            if (pk.empty()) {
                // The highest key is taken: the lowest free one.
                const TPgResult free = Connection_.Exec(LowestFreeSql(FileId_, KeyLength_));
                if (!free.Ok())
                    return Connection_.Status(free);
                if (free.Rows() != 1)
                    return ksKeysFull;
                pk = std::string(free.Bytes(0, 0));
            }
        }
        TPgParams params;
        params.Owned(FoldedKey(pk)).Bytes(pk);
        BindRecord(params, record);
        const TPgResult result = Connection_.ExecPrepared(kInsert, params);
        return result.Ok() ? ksOk : Connection_.Status(result);
    });
}

int16_t TPgKeyedFile::Rewrite(std::string_view pk, const void* record, int recordSize)
{
    if (recordSize != Format_->RecordSize())
        return ksBadParameter;
    int16_t status = PrimaryKey::Check(pk, KeyLength_);
    if (status == ksOk)
        status = Reach();
    if (status == ksOk)
        status = LockLost(pk);
    if (status != ksOk)
        return status;
    return Write(pk, 0, {}, nullptr, [&]() -> int16_t {
        TPgParams params;
        params.Owned(FoldedKey(pk));
        BindRecord(params, record);
        const TPgResult result = Connection_.ExecPrepared(kUpdate, params);
        if (!result.Ok())
            return Connection_.Status(result);
        return result.Changed() == 0 ? ksNotFound : ksOk;
    });
}

int16_t TPgKeyedFile::Delete(std::string_view pk)
{
    int16_t status = PrimaryKey::Check(pk, KeyLength_);
    if (status == ksOk)
        status = Reach();
    if (status == ksOk)
        status = LockLost(pk);
    if (status != ksOk)
        return status;
    return Write(pk, -1, {}, nullptr, [&]() -> int16_t {
        TPgParams params;
        params.Owned(FoldedKey(pk));
        const TPgResult result = Connection_.ExecPrepared(kDelete, params);
        if (!result.Ok())
            return Connection_.Status(result);
        return result.Changed() == 0 ? ksNotFound : ksOk;
    });
}

int16_t TPgKeyedFile::Top(int keyNumber)
{
    if (const int16_t status = Reach(); status != ksOk)
        return status;
    return Cursors_.Top(keyNumber);
}

int16_t TPgKeyedFile::End(int keyNumber)
{
    if (const int16_t status = Reach(); status != ksOk)
        return status;
    return Cursors_.End(keyNumber);
}

int16_t TPgKeyedFile::Info(int32_t& recordCount, int16_t& keyLength)
{
    keyLength = static_cast<int16_t>(KeyLength_);
    if (const int16_t status = Reach(); status != ksOk)
        return status;
    const std::optional<uint64_t> known = Counter_->Read();
    if (known && known == CountedAt_) {
        recordCount = RecordCount_;
        return ksOk;
    }
    const TPgResult result = Connection_.ExecPrepared(kCount, TPgParams());
    if (!result.Ok())
        return Connection_.Status(result);
    if (result.Rows() != 1)
        return ksNotFound;
    RecordCount_ = static_cast<int32_t>(result.Int(0, 0));
    const auto version = static_cast<uint64_t>(result.Int(0, 1));
    Counter_->Saw(version);
    CountedAt_ = version;
    recordCount = RecordCount_;
    return ksOk;
}

int16_t TPgKeyedFile::Lock(std::string_view pk)
{
    int16_t status = PrimaryKey::Check(pk, KeyLength_);
    if (status == ksOk)
        status = Reach();
    if (status != ksOk)
        return status;
    // The server counts a session's locks: one handle holds a record once.
    const int64_t lock = TPgFileSchema::RecordLock(FileId_, pk);
    // A lock kept for the batch's commit is taken back.
    KeptLocks_.erase(lock);
    if (HeldLocks_.count(lock))
        return ksOk;
    const TPgResult result = Connection_.Exec("SELECT pg_try_advisory_lock(" + std::to_string(lock) + ")");
    if (!result.Ok())
        return Connection_.Status(result);
    if (result.Rows() != 1 || !result.Bool(0, 0))
        return ksLocked;
    // Taken again: what the caller reads under it now is current.
    LostLocks_.erase(lock);
    HeldLocks_.insert(lock);
    return ksOk;
}

int16_t TPgKeyedFile::Unlock(std::string_view pk)
{
    int16_t status = PrimaryKey::Check(pk, KeyLength_);
    if (status == ksOk)
        status = Reach();
    if (status != ksOk)
        return status;
    const int64_t lock = TPgFileSchema::RecordLock(FileId_, pk);
    // The caller is told that its lock was gone before it let go of it.
    if (LostLocks_.erase(lock))
        return ksLocked;
    if (!HeldLocks_.count(lock))
        return ksOk;
    // Nobody may change what was read under it before the change is stored.
    if (Span_) {
        KeptLocks_.insert(lock);
        return ksOk;
    }
    const TPgResult result = Connection_.Exec("SELECT pg_advisory_unlock(" + std::to_string(lock) + ")");
    if (!result.Ok())
        return Connection_.Status(result);
    HeldLocks_.erase(lock);
    return ksOk;
}

int16_t TPgKeyedFile::ReadNote(std::string& note)
{
    if (const int16_t status = Reach(); status != ksOk)
        return status;
    const TPgResult result =
        Connection_.Exec("SELECT note FROM orbeko.kfs_files WHERE id = " + std::to_string(FileId_), TPgParams());
    if (!result.Ok())
        return Connection_.Status(result);
    if (result.Rows() != 1)
        return ksNotFound;
    note.assign(result.Bytes(0, 0));
    return ksOk;
}

int16_t TPgKeyedFile::WriteNote(std::string_view note)
{
    if (note.size() > kMaxNote)
        return ksNoNoteSpace;
    if (const int16_t status = Reach(); status != ksOk)
        return status;
    return Write({}, 0, {}, nullptr, [&]() -> int16_t {
        TPgParams params;
        params.Bytes(note);
        const TPgResult result =
            Connection_.Exec("UPDATE orbeko.kfs_files SET note = $1 WHERE id = " + std::to_string(FileId_), params);
        return result.Ok() ? ksOk : Connection_.Status(result);
    });
}
