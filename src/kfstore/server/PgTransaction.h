#pragma once

#include "kfstore/server/PgResult.h"

#include <cstdint>
#include <functional>
#include <string>

class TPgConnection;

// A transaction on a server connection, rolled back when the scope ends
// without Commit.
class TPgTransaction
{
public:
    using TTake = std::function<void(int index, const TPgResult& result)>;

    explicit TPgTransaction(TPgConnection& connection) : Connection_(connection) {}
    ~TPgTransaction();
    TPgTransaction(const TPgTransaction&) = delete;
    TPgTransaction& operator=(const TPgTransaction&) = delete;

    // BEGIN and then the plain statements in then, in one round trip; their
    // results go to take, counted from 0 after BEGIN's. Store status.
    int16_t Begin(const std::string& then = {}, const TTake& take = {});
    // Store status of COMMIT; on failure the transaction is gone.
    int16_t Commit();

private:
    TPgConnection& Connection_;
    bool Open_ = false;
};
