#include "kfstore/folder/FileCheck.h"

#include "kfstore/folder/EngineHeader.h"
#include "kfstore/folder/FileSchema.h"
#include "kfstore/FileDescriptor.h"
#include "kfstore/folder/SqliteRows.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/PrimaryKey.h"
#include "kfstore/folder/Statement.h"
#include "kfstore/XIsamFile.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>

namespace {

// Lines of the engine's report kept per file; the first few name the damage.
constexpr int kIntegrityLines = 50;

// One record's copy as a table or an index holds it, hashed; summed over a
// file, the sum does not depend on the order the copies are read in.
uint64_t CopyHash(std::string_view pk, const void* data, int bytes, std::string_view key)
{
    const std::hash<std::string_view> hash;
    const uint64_t d = hash(std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(bytes)));
    return hash(pk) * 0x9E3779B97F4A7C15ull + (d ^ (d >> 29)) * 0xBF58476D1CE4E5B9ull + hash(key);
}
// The table itself, in identifier order. The engine reads a table without
// row ids through any index that covers the columns asked for (NOT INDEXED
// does not stop it), so its primary-key index is named.
const std::string kTable = "kfs_records INDEXED BY sqlite_autoindex_kfs_records_1";

std::string Quoted(std::string_view text)
{
    std::string quoted(1, '"');
    quoted.append(text);
    quoted += '"';
    return quoted;
}

}  // namespace

TFileCheck::TFileCheck(const std::string& folder, const TKeptFile& file, const TProblemSink& sink)
    : Name_(file.Name), KeyLength_(file.KeyLength), Optional_(file.Optional), Sink_(sink),
      Format_(TKeyFormat::Parse(file.KeyFormat))
{
    if (!Open(FolderFile(folder, file.Name)))
        return;
    CheckIntegrity();
    CheckDescription();
    CheckIndexes();
    if (Usable_)
        CompareIndexes();
}

void TFileCheck::Report(std::string_view record, const std::string& text) const
{
    Sink_({Name_, std::string(record), text});
}

void TFileCheck::ReportEngine(const std::string& what, int rc) const
{
    Report({}, what + ": " + sqlite3_errmsg(Connection_.Handle()) + " (" + sqlite3_errstr(rc) + ")");
}

bool TFileCheck::Open(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT || !Optional_)
            Report({}, "the file is missing");
        return false;
    }
    const int16_t header = TFileSchema::CheckHeader(path);
    if (header != ksOk) {
        Report({}, "not a keyed file: " + TXIsamFile::StatusText(header));
        return false;
    }
    // As the store opens it: a header the engine takes for a read-only or
    // cut-short file is refused there, whatever the records hold.
    {
        const TFileDescriptor file(path, O_RDONLY);
        const std::string problem = file.Get() < 0 ? std::string("cannot be opened: ") + std::strerror(errno)
                                                   : TEngineHeader::Problem(file.Get());
        if (!problem.empty()) {
            Report({}, problem);
            return false;
        }
    }
    const int rc = Connection_.OpenReadOnly(path);
    if (rc != SQLITE_OK) {
        ReportEngine("cannot be opened", rc);
        return false;
    }
    return true;
}

void TFileCheck::CheckIntegrity()
{
    TStatement check;
    int rc = check.Prepare(Connection_.Handle(), "PRAGMA quick_check(" + std::to_string(kIntegrityLines) + ")");
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = check.Step();
        if (rc == SQLITE_ROW && check.ColumnText(0) != "ok")
            Report({}, "engine: " + std::string(check.ColumnText(0)));
    }
    if (rc != SQLITE_DONE)
        ReportEngine("the engine's check failed", rc);
}

void TFileCheck::CheckDescription()
{
    TStatement id;
    int rc = id.Prepare(Connection_.Handle(), "PRAGMA application_id");
    if (rc == SQLITE_OK)
        rc = id.Step();
    if (rc != SQLITE_ROW || id.ColumnInt(0) != TFileSchema::kApplicationId) {
        Report({}, "the file is not marked as a keyed file");
        return;
    }
    TStatement description;
    rc = description.Prepare(Connection_.Handle(),
                             "SELECT format_version, key_format, key_length, record_size FROM kfs_file");
    if (rc == SQLITE_OK)
        rc = description.Step();
    if (rc != SQLITE_ROW) {
        if (rc == SQLITE_DONE)
            Report({}, "the file's description is missing");
        else
            ReportEngine("the file's description cannot be read", rc);
        return;
    }
    bool matches = true;
    if (description.ColumnInt(0) != TFileSchema::kFormatVersion) {
        Report({}, "format version " + std::to_string(description.ColumnInt(0)) + ", expected "
                       + std::to_string(TFileSchema::kFormatVersion));
        matches = false;
    }
    if (description.ColumnText(1) != Format_->Text()) {
        Report({}, "key format " + Quoted(description.ColumnText(1)) + ", expected " + Quoted(Format_->Text()));
        matches = false;
    }
    if (description.ColumnInt(2) != KeyLength_) {
        Report({}, "primary key length " + std::to_string(description.ColumnInt(2)) + ", expected "
                       + std::to_string(KeyLength_));
        matches = false;
    }
    if (description.ColumnInt(3) != Format_->RecordSize()) {
        Report({}, "record size " + std::to_string(description.ColumnInt(3)) + ", expected "
                       + std::to_string(Format_->RecordSize()));
        matches = false;
    }
    Usable_ = matches;
}

void TFileCheck::CheckIndexes()
{
    TStatement index;
    if (index.Prepare(Connection_.Handle(), "SELECT count(*) FROM sqlite_schema WHERE type = 'index' AND name = ?1")
        != SQLITE_OK)
        return;
    for (int key : Format_->IndexedKeys()) {
        const std::string name = "kfs_" + TFileSchema::Column(key);
        TStatement::TReset reset(index);
        index.BindText(1, name);
        if (index.Step() == SQLITE_ROW && index.ColumnInt(0) == 0) {
            Report({}, "the index of key " + std::to_string(key) + " (" + name + ") is missing");
            Usable_ = false;
        }
    }
}

std::unique_ptr<TKeyedRows> TFileCheck::ByKey(int keyNumber)
{
    return std::make_unique<TSqliteRows>(Connection_, keyNumber, Format_->RecordSize(), [this, keyNumber](int rc) {
        ReportEngine("reading by key " + std::to_string(keyNumber) + " stopped", rc);
    });
}

bool TFileCheck::ScanRecords(const TRecordVisitor& visit)
{
    std::string sql = "SELECT pk, data";
    for (int key : Format_->IndexedKeys())
        sql += ", " + TFileSchema::Column(key);
    sql += " FROM " + kTable;
    TStatement scan;
    int rc = scan.Prepare(Connection_.Handle(), sql);
    const auto size = static_cast<std::size_t>(Format_->RecordSize());
    std::string data;
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = scan.Step();
        if (rc != SQLITE_ROW)
            break;
        const std::string_view pk = scan.ColumnText(0);
        if (!PrimaryKey::Counted(pk, KeyLength_))
            Report(pk, "the identifier is not " + PrimaryKey::DigitsText(KeyLength_));
        const auto* blob = static_cast<const char*>(scan.ColumnBlob(1));
        const auto bytes = static_cast<std::size_t>(scan.ColumnBytes(1));
        if (bytes != size) {
            Report(pk, "the record has " + std::to_string(bytes) + " bytes, expected " + std::to_string(size));
            continue;
        }
        data.assign(blob, bytes);
        int column = 2;
        for (int key : Format_->IndexedKeys()) {
            const std::string_view stored = scan.ColumnText(column++);
            const std::string_view value = Format_->KeyValue(data.data(), key);
            if (stored != value)
                Report(pk, "key " + std::to_string(key) + " holds " + Quoted(stored) + " but the record "
                               + Quoted(value));
        }
        visit(pk, data.data());
    }
    if (rc != SQLITE_DONE) {
        ReportEngine("reading the records stopped", rc);
        return false;
    }
    return true;
}

uint64_t TFileCheck::SumOfCopies(const std::string& from, int key)
{
    const std::string column = TFileSchema::Column(key);
    TStatement walk;
    int rc = walk.Prepare(Connection_.Handle(), "SELECT pk, data, " + column + " FROM " + from);
    uint64_t sum = 0;
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = walk.Step();
        if (rc == SQLITE_ROW)
            sum += CopyHash(walk.ColumnText(0), walk.ColumnBlob(1), walk.ColumnBytes(1), walk.ColumnText(2));
    }
    if (rc != SQLITE_DONE)
        ReportEngine("reading " + from + " stopped", rc);
    return sum;
}

void TFileCheck::CompareIndexes()
{
    for (int key : Format_->IndexedKeys()) {
        const std::string index = "kfs_records INDEXED BY kfs_" + TFileSchema::Column(key);
        if (SumOfCopies(kTable, key) != SumOfCopies(index, key)) {
            Report({}, "the table and its index kfs_" + TFileSchema::Column(key) + " disagree");
            CompareTableWithIndex(key);
        }
    }
}

// Walks the table and probes the index for each record, then walks the
// index and probes the table: a record whose copies differ shows in one
// of the two walks, whichever side the damage is on.
void TFileCheck::CompareTableWithIndex(int key)
{
    const std::string column = TFileSchema::Column(key);
    const std::string index = "kfs_" + column;
    const std::string byIndex = "kfs_records INDEXED BY " + index;
    const std::string select = "SELECT pk, data, " + column + " FROM ";
    const std::string probe = "SELECT count(*) FROM ";
    const std::string where = " WHERE pk = ?1 AND data = ?2 AND " + column + " = ?3";
    const std::pair<std::string, std::string> walks[] = {
        {select + kTable, probe + byIndex + where},
        {select + byIndex, probe + kTable + where},
    };
    std::set<std::string> reported;
    for (const auto& [walkSql, probeSql] : walks) {
        TStatement walk;
        TStatement match;
        int rc = walk.Prepare(Connection_.Handle(), walkSql);
        if (rc == SQLITE_OK)
            rc = match.Prepare(Connection_.Handle(), probeSql);
        while (rc == SQLITE_OK || rc == SQLITE_ROW) {
            rc = walk.Step();
            if (rc != SQLITE_ROW)
                break;
            TStatement::TReset reset(match);
            match.BindText(1, walk.ColumnText(0));
            match.BindBlob(2, walk.ColumnBlob(1), walk.ColumnBytes(1));
            match.BindText(3, walk.ColumnText(2));
            const int found = match.Step();
            const std::string pk(walk.ColumnText(0));
            if (found == SQLITE_ROW && match.ColumnInt(0) == 0 && reported.insert(pk).second)
                Report(pk, "the table and its index " + index + " hold different copies of the record");
        }
        if (rc != SQLITE_DONE)
            ReportEngine("comparing the table with " + index + " stopped", rc);
    }
}
