#include "kfstore/folder/FileSchema.h"

#include "kfstore/folder/Connection.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/folder/Statement.h"
#include "kfstore/folder/WriteTransaction.h"

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A name beside path that no other process or handle uses at the same time.
std::string TemporaryName(const std::string& path)
{
    static std::atomic<unsigned> serial{0};
    return path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
}

// Puts the finished file at path unless something is there already.
int16_t LinkIntoPlace(const std::string& temporary, const std::string& path)
{
    if (link(temporary.c_str(), path.c_str()) == 0)
        return ksOk;
    const int error = errno;
    if (error == EEXIST)
        return ksNameInUse;
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS)
        return StatusFromErrno(error);
    // A file system without hard links: only the check before renaming.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0)
        return ksNameInUse;
    return rename(temporary.c_str(), path.c_str()) == 0 ? ksOk : StatusFromErrno(errno);
}

int16_t Build(const std::string& path, const std::string& createSql, const std::string& keyFormat, int keyLength,
              int recordSize)
{
    TConnection connection;
    int rc = connection.Open(path, true);
    if (rc != SQLITE_OK)
        return connection.Status(rc);
    TWriteTransaction transaction(connection);
    if (transaction.BeginResult() != SQLITE_OK)
        return connection.Status(transaction.BeginResult());
    rc = connection.Exec(createSql.c_str());
    if (rc != SQLITE_OK)
        return connection.Status(rc);
    TStatement describe;
    rc = describe.Prepare(connection.Handle(),
                          "INSERT INTO kfs_file(format_version, key_format, key_length, record_size, note) "
                          "VALUES(?1, ?2, ?3, ?4, '')");
    if (rc != SQLITE_OK)
        return connection.Status(rc);
    TStatement::TReset reset(describe);
    describe.BindInt(1, TFileSchema::kFormatVersion);
    describe.BindText(2, keyFormat);
    describe.BindInt(3, keyLength);
    describe.BindInt(4, recordSize);
    rc = describe.Step();
    if (rc != SQLITE_DONE)
        return connection.Status(rc);
    return connection.Status(transaction.Commit());
}

}  // namespace

std::string TFileSchema::Column(int keyNumber)
{
    return keyNumber == 0 ? std::string("pk") : "key" + std::to_string(keyNumber);
}

std::string TFileSchema::CreateSql() const
{
    std::string sql = "PRAGMA application_id=" + std::to_string(kApplicationId) + ";"
                      "CREATE TABLE kfs_file(format_version INTEGER NOT NULL, key_format TEXT NOT NULL, "
                      "key_length INTEGER NOT NULL, record_size INTEGER NOT NULL, note TEXT NOT NULL);"
                      "CREATE TABLE kfs_records(pk TEXT NOT NULL COLLATE NOCASE PRIMARY KEY, data BLOB NOT NULL";
    for (int key : Format_.IndexedKeys())
        sql += ", " + Column(key) + " TEXT NOT NULL COLLATE NOCASE";
    sql += ") WITHOUT ROWID;";
    for (int key : Format_.IndexedKeys())
        sql += "CREATE INDEX kfs_" + Column(key) + " ON kfs_records(" + Column(key) + ", pk, data);";
    return sql;
}

std::string TFileSchema::InsertSql() const
{
    std::string columns = "pk, data";
    std::string values = "?1, ?2";
    int parameter = 3;
    for (int key : Format_.IndexedKeys()) {
        columns += ", " + Column(key);
        values += ", ?" + std::to_string(parameter++);
    }
    return "INSERT INTO kfs_records(" + columns + ") VALUES(" + values + ")";
}

std::string TFileSchema::UpdateSql() const
{
    std::string sql = "UPDATE kfs_records SET data = ?2";
    int parameter = 3;
    for (int key : Format_.IndexedKeys())
        sql += ", " + Column(key) + " = ?" + std::to_string(parameter++);
    return sql + " WHERE pk = ?1";
}

int16_t TFileSchema::CheckHeader(const std::string& path)
{
    static const char kMagic[16] = "SQLite format 3";
    constexpr std::size_t kApplicationIdOffset = 68;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return StatusFromErrno(errno);
    unsigned char header[kApplicationIdOffset + 4] = {};
    const ssize_t read = pread(fd, header, sizeof(header), 0);
    close(fd);
    if (read != static_cast<ssize_t>(sizeof(header)) || std::memcmp(header, kMagic, sizeof(kMagic)) != 0)
        return ksNotIsam;
    uint32_t id = 0;
    for (std::size_t i = 0; i < 4; ++i)
        id = (id << 8) | header[kApplicationIdOffset + i];
    return id == static_cast<uint32_t>(kApplicationId) ? ksOk : ksNotIsam;
}

int16_t TFileSchema::CreateFile(const std::string& path, int keyLength) const
{
    if (keyLength < 1 || keyLength > kMaxKeyLength)
        return ksBadParameter;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0)
        return ksNameInUse;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (access(folder.empty() ? "." : folder.c_str(), W_OK) != 0)
        return StatusFromErrno(errno);
    // Made here rather than by the engine, which would give it rw-r--r--
    // whatever the umask: the file gets what the umask allows (and, in a
    // set-group-id folder, the folder's group), so the other accounts of an
    // office's group can write it. The engine gives journals the mode of
    // their file.
    const std::string temporary = TemporaryName(path);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return StatusFromErrno(errno);
    close(fd);
    int16_t status = Build(temporary, CreateSql(), Format_.Text(), keyLength, Format_.RecordSize());
    if (status == ksOk)
        status = LinkIntoPlace(temporary, path);
    unlink(temporary.c_str());
    return status;
}
