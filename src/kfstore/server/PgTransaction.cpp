#include "kfstore/server/PgTransaction.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/server/PgConnection.h"

TPgTransaction::~TPgTransaction()
{
    if (Open_)
        Connection_.Exec("ROLLBACK");
}

int16_t TPgTransaction::Begin(const std::string& then, const TTake& take)
{
    const int16_t status = Connection_.ExecAll("BEGIN;" + then, [&](int index, const TPgResult& result) {
        if (index == 0)
            Open_ = true;
        else if (take)
            take(index - 1, result);
    });
    return status;
}

int16_t TPgTransaction::Commit()
{
    Open_ = false;
    const TPgResult result = Connection_.Exec("COMMIT");
    return result.Ok() ? ksOk : Connection_.Status(result);
}
