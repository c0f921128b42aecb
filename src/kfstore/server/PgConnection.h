#pragma once

#include "kfstore/server/PgResult.h"

#include <libpq-fe.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The parameters of one command: byte strings passed as they are (for
// bytea columns) and numbers as text. Values are kept until the command ran.
class TPgParams
{
public:
    TPgParams& Bytes(std::string_view value);
    // A byte string made for the command, kept with the parameters.
    TPgParams& Owned(std::string value);
    TPgParams& Number(int64_t value);
    int Count() const { return static_cast<int>(Values_.size()); }
    const char* const* Values() const { return Values_.data(); }
    const int* Lengths() const { return Lengths_.data(); }
    const int* Formats() const { return Formats_.data(); }

private:
    std::deque<std::string> Owned_;
    std::vector<const char*> Values_;
    std::vector<int> Lengths_;
    std::vector<int> Formats_;
};

// One connection to a PostgreSQL server, made from a libpq connection
// string (passwords from ~/.pgpass or libpq's environment, TLS as libpq
// offers it) and closed with the object. A lock that another session keeps
// longer than kLockTimeoutMs makes a write fail as busy, as a folder's
// writers give up after a few seconds.
class TPgConnection
{
public:
    static constexpr int kLockTimeoutMs = 5000;
    static constexpr int kConnectTimeoutSeconds = 10;

    TPgConnection() = default;
    ~TPgConnection();
    TPgConnection(const TPgConnection&) = delete;
    TPgConnection& operator=(const TPgConnection&) = delete;

    // Store status: 0, or why the server could not be reached.
    int16_t Open(const std::string& connection);
    PGconn* Handle() const { return Conn_; }

    // A command of text without parameters (it may hold several
    // statements: the result is the last one's).
    TPgResult Exec(const std::string& sql);
    // Sends several statements at once and hands each result to take.
    // Store status of the first that failed.
    int16_t ExecAll(const std::string& sql, const std::function<void(int index, const TPgResult&)>& take);
    // A command with parameters; rows come in binary form.
    TPgResult Exec(const std::string& sql, const TPgParams& params);
    int16_t Prepare(const std::string& name, const std::string& sql, int parameters);
    TPgResult ExecPrepared(const std::string& name, const TPgParams& params);

    // Reads what the server sent unasked and hands every notice on the
    // channel to take, without waiting. False when the connection broke.
    bool TakeNotices(const std::function<void(std::string_view payload)>& take);

    // The store status for a failed result of this connection.
    int16_t Status(const TPgResult& result) const;
    // The store status for a SQLSTATE.
    static int16_t StatusOfState(std::string_view state);
    // The text of a name as an SQL literal.
    std::string Literal(std::string_view text) const;

private:
    PGconn* Conn_ = nullptr;
};
