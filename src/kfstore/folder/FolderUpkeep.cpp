#include "kfstore/folder/FolderUpkeep.h"

#include "kfstore/KeyFormat.h"
#include "kfstore/folder/Connection.h"
#include "kfstore/folder/FileCheck.h"
#include "kfstore/folder/ReadTransaction.h"
#include "kfstore/folder/Snapshot.h"
#include "kfstore/folder/SqliteRows.h"
#include "kfstore/folder/Statement.h"

#include <sqlite3.h>

#include <optional>
#include <stdexcept>
#include <sys/stat.h>

namespace {

// A keyed file read inside one read transaction, so that everything read
// is one moment of it.
class TReading
{
public:
    explicit TReading(const std::string& path) : Path_(path)
    {
        int rc = Connection_.OpenReadOnly(path);
        if (rc == SQLITE_OK) {
            Transaction_.emplace(Connection_);
            rc = Transaction_->BeginResult();
        }
        if (rc != SQLITE_OK)
            Fail(rc);
    }

    TConnection& Connection() { return Connection_; }

    [[noreturn]] void Fail(int rc) const { throw std::runtime_error(Path_ + ": " + sqlite3_errstr(rc)); }

private:
    std::string Path_;
    TConnection Connection_;
    std::optional<TReadTransaction> Transaction_;
};

// The rows of a key with the reading that holds them together.
class TReadRows : public TKeyedRows
{
public:
    TReadRows(const std::string& path, int keyNumber, int recordSize)
        : Reading_(path), Rows_(Reading_.Connection(), keyNumber, recordSize, [this](int rc) { Reading_.Fail(rc); })
    {
    }

    bool Next() override { return Rows_.Next(); }
    std::string_view Pk() const override { return Rows_.Pk(); }
    std::string_view Key() const override { return Rows_.Key(); }
    const char* Data() const override { return Rows_.Data(); }

private:
    TReading Reading_;
    TSqliteRows Rows_;
};

int RecordSize(const TKeptFile& file)
{
    const std::optional<TKeyFormat> format = TKeyFormat::Parse(file.KeyFormat);
    if (!format)
        throw std::invalid_argument(std::string("the key format of ") + file.Name + " cannot be read");
    return format->RecordSize();
}

}  // namespace

TFolderUpkeep::TFolderUpkeep(std::string folder, TKeptFiles files)
    : Folder_(std::move(folder)), Files_(files.begin(), files.end())
{
}

std::unique_ptr<TCheckedFile> TFolderUpkeep::Check(const TKeptFile& file, const TProblemSink& sink)
{
    return std::make_unique<TFileCheck>(Folder_, file, sink);
}

TStoreUpkeep::TFigures TFolderUpkeep::Figures(const TKeptFile& file)
{
    TFigures figures;
    const std::string path = FolderFile(Folder_, file.Name);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return figures;
    figures.Present = true;
    figures.Bytes = info.st_size;
    TReading reading(path);
    TStatement count;
    int rc = count.Prepare(reading.Connection().Handle(), "SELECT count(*) FROM kfs_records");
    if (rc == SQLITE_OK)
        rc = count.Step();
    if (rc != SQLITE_ROW)
        reading.Fail(rc);
    figures.Records = count.ColumnInt(0);
    return figures;
}

std::unique_ptr<TKeyedRows> TFolderUpkeep::Rows(const TKeptFile& file, int keyNumber)
{
    return std::make_unique<TReadRows>(FolderFile(Folder_, file.Name), keyNumber, RecordSize(file));
}

std::vector<TStoreUpkeep::TFailure> TFolderUpkeep::Snapshot(const std::string& destination, bool sync)
{
    return TSnapshot::Take(Files_, Folder_, destination, sync ? TSnapshot::TSync::Files : TSnapshot::TSync::None);
}
