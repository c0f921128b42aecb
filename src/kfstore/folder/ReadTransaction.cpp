#include "kfstore/folder/ReadTransaction.h"

#include "kfstore/folder/Connection.h"

#include <sqlite3.h>

TReadTransaction::TReadTransaction(TConnection& connection) : Connection_(connection)
{
    // BEGIN alone takes no lock; the first read does.
    BeginResult_ = Connection_.Exec("BEGIN");
    if (BeginResult_ == SQLITE_OK) {
        BeginResult_ = Connection_.Exec("SELECT count(*) FROM sqlite_schema");
        if (BeginResult_ != SQLITE_OK)
            Connection_.Exec("ROLLBACK");
    }
}

TReadTransaction::~TReadTransaction()
{
    if (BeginResult_ == SQLITE_OK)
        Connection_.Exec("ROLLBACK");
}
