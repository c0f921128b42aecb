#pragma once

#include "kfstore/StoreUpkeep.h"
#include "kfstore/folder/Statement.h"

#include <functional>
#include <string>

class TConnection;

// The records of a folder's keyed file in the order of one key, read
// through its index on a connection the caller holds open.
class TSqliteRows : public TKeyedRows
{
public:
    // Called with the engine's result code when a read fails.
    using TOnError = std::function<void(int resultCode)>;

    TSqliteRows(TConnection& connection, int keyNumber, int recordSize, TOnError onError);

    bool Next() override;
    std::string_view Pk() const override { return Scan_.ColumnText(0); }
    std::string_view Key() const override { return Scan_.ColumnText(1); }
    const char* Data() const override;

private:
    TStatement Scan_;
    int RecordSize_;
    TOnError OnError_;
    int Result_;
};
