#pragma once

#include "kfstore/server/PgResult.h"

#include <libpq-fe.h>

#include <chrono>
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

// How long a connection waits, at most, for each thing. A lock that another
// session keeps longer than Lock makes a write fail as busy, as a folder's
// writers give up after a few seconds; a statement the server works on
// longer than Statement is cut by the server itself; an answer that does
// not come within Answer (a server that hangs, a network that went without
// a word) is given up here, and the connection with it. Each is longer than
// the one before, so that the server's own reason comes first where it can.
// A server that did not answer is then left alone for Rest by every
// connection of the process: shorter than the program's ten-second tick,
// so that each tick tries it once and only one handle waits.
struct TPgLimits
{
    std::chrono::milliseconds Lock{5000};
    std::chrono::milliseconds Statement{10000};
    std::chrono::milliseconds Answer{15000};
    int ConnectSeconds = 10;
    std::chrono::milliseconds Rest{5000};
};

// One connection to a PostgreSQL server, made from a libpq connection
// string (passwords from ~/.pgpass or libpq's environment, TLS as libpq
// offers it) and closed with the object. Every wait is bounded (TPgLimits);
// a connection that broke or was given up stays unusable until it is
// opened again, and its server is posted to TPgOutage with the cause.
class TPgConnection
{
public:
    // The limits of connections opened from now on; tests shorten them.
    static TPgLimits& Limits();

    TPgConnection() = default;
    ~TPgConnection();
    TPgConnection(const TPgConnection&) = delete;
    TPgConnection& operator=(const TPgConnection&) = delete;

    // Store status: 0, or why the server could not be reached: 14 when it
    // refused or is gone, 22 when it did not answer in time (or did not
    // answer a moment ago: it is then not asked again while it rests).
    // Closes the connection held before.
    int16_t Open(const std::string& connection);
    void Close();
    PGconn* Handle() const { return Conn_; }
    // Whether the connection still stands, as far as can be told without
    // asking the server: what it sent meanwhile (its farewell when it went
    // down or ended the session) is read first, at most every kLookInterval,
    // so that a walk's reads in a tight loop cost no system call each.
    bool Usable();
    static constexpr std::chrono::microseconds kLookInterval{500};
    // Raised by every Open that succeeds: statements prepared before are gone.
    uint64_t Generation() const { return Generation_; }

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

    // The store status for a failed result of this connection: 14 when the
    // connection broke, 22 when its answer did not come in time.
    int16_t Status(const TPgResult& result) const;
    // The store status for a SQLSTATE.
    static int16_t StatusOfState(std::string_view state);
    // The text of a name as an SQL literal.
    std::string Literal(std::string_view text) const;

private:
    // The results of the command just sent, each waited for until the
    // answer's deadline; gives up the connection when one does not come.
    // The last result, or the first that failed.
    TPgResult Collect(bool sent, const std::function<void(int index, const TPgResult&)>& take = {});
    // Posts the connection's end when it broke under a command.
    void NoteBreak();
    void GiveUp();

    PGconn* Conn_ = nullptr;
    std::string Location_;
    uint64_t Generation_ = 0;
    std::chrono::steady_clock::time_point LookedAt_;
    // Why there is no connection: 14, or 22 when it was given up.
    int16_t Ended_ = 0;
};
