#include "kfstore/folder/SqliteRows.h"

#include "kfstore/folder/Connection.h"
#include "kfstore/folder/FileSchema.h"

#include <sqlite3.h>

namespace {

// The index is named so that the engine reads in the key's order rather
// than through whichever index it finds cheaper.
std::string ScanSql(int keyNumber)
{
    if (keyNumber == 0)
        return "SELECT pk, pk, data FROM kfs_records INDEXED BY sqlite_autoindex_kfs_records_1";
    const std::string column = TFileSchema::Column(keyNumber);
    return "SELECT pk, " + column + ", data FROM kfs_records INDEXED BY kfs_" + column;
}

}  // namespace

TSqliteRows::TSqliteRows(TConnection& connection, int keyNumber, int recordSize, TOnError onError)
    : RecordSize_(recordSize), OnError_(std::move(onError)),
      Result_(Scan_.Prepare(connection.Handle(), ScanSql(keyNumber)))
{
    if (Result_ != SQLITE_OK)
        OnError_(Result_);
}

bool TSqliteRows::Next()
{
    if (Result_ != SQLITE_OK && Result_ != SQLITE_ROW)
        return false;
    Result_ = Scan_.Step();
    if (Result_ == SQLITE_ROW)
        return true;
    if (Result_ != SQLITE_DONE)
        OnError_(Result_);
    return false;
}

const char* TSqliteRows::Data() const
{
    return Scan_.ColumnBytes(2) == RecordSize_ ? static_cast<const char*>(Scan_.ColumnBlob(2)) : nullptr;
}
