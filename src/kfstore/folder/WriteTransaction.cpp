#include "kfstore/folder/WriteTransaction.h"

#include "kfstore/folder/Connection.h"

#include <sqlite3.h>

TWriteTransaction::TWriteTransaction(TConnection& connection)
    : Connection_(connection), BeginResult_(connection.Exec("BEGIN IMMEDIATE"))
{
    Open_ = BeginResult_ == SQLITE_OK;
}

TWriteTransaction::~TWriteTransaction()
{
    if (Open_)
        Connection_.Exec("ROLLBACK");
}

int TWriteTransaction::Commit()
{
    const int rc = Connection_.Exec("COMMIT");
    if (rc == SQLITE_OK)
        Open_ = false;
    return rc;
}
