#include "kfstore/server/PgConnection.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/server/PgOutage.h"

#include <poll.h>

#include <cerrno>

#include <cstring>
#include <memory>

TPgParams& TPgParams::Bytes(std::string_view value)
{
    // A null pointer would pass SQL NULL: an empty value points somewhere.
    Values_.push_back(value.empty() ? "" : value.data());
    Lengths_.push_back(static_cast<int>(value.size()));
    Formats_.push_back(1);
    return *this;
}

TPgParams& TPgParams::Owned(std::string value)
{
    Owned_.push_back(std::move(value));
    return Bytes(Owned_.back());
}

TPgParams& TPgParams::Number(int64_t value)
{
    Owned_.push_back(std::to_string(value));
    Values_.push_back(Owned_.back().c_str());
    Lengths_.push_back(0);
    Formats_.push_back(0);
    return *this;
}

namespace {

// What libpq says of a connection that failed or broke, in the words the
// program shows: its messages carry the system's reason (a refused or
// missing socket, a timeout) or the server's, and no code for either.
struct TCause
{
    const char* Said;
    const char* Words;
};
const TCause kCauses[] = {
    {"timeout expired", "the server does not answer"},
    {"Connection refused", "connection refused"},
    {"No such file or directory", "connection refused"},  // no server listens on the socket
    {"could not translate host name", "its host name is not known"},
    {"No route to host", "the network does not reach it"},
    {"Network is unreachable", "the network does not reach it"},
    {"Connection timed out", "the server does not answer"},
    {"shutting down", "the server is shutting down"},
    {"starting up", "the server is starting up"},
    {"not currently accepting connections", "the database does not accept connections"},
    {"does not exist", "the database does not exist"},
    {"authentication", "the server refused the login"},
    {"password", "the server refused the login"},
    {"permission denied", "the server refused the login"},
    {"too many", "the server has no room for more connections"},
};

std::string CauseOf(const char* message, const char* otherwise)
{
    for (const TCause& cause : kCauses)
        if (std::strstr(message, cause.Said))
            return cause.Words;
    return otherwise;
}

constexpr const char* kNoAnswer = "the server does not answer";

}  // namespace

TPgLimits& TPgConnection::Limits()
{
    static TPgLimits limits;
    return limits;
}

TPgConnection::~TPgConnection()
{
    Close();
}

void TPgConnection::Close()
{
    PQfinish(Conn_);
    Conn_ = nullptr;
}

int16_t TPgConnection::Open(const std::string& connection)
{
    Close();
    Location_ = connection;
    // A server that let a handle wait in vain a moment ago is not asked
    // again at once: every other handle would wait as long.
    std::string cause;
    if (TPgOutage::Resting(connection, cause)) {
        Ended_ = ksInterrupted;
        return Ended_;
    }
    const TPgLimits& limits = Limits();
    // Notices ("already exists, skipping") are no business of the user's.
    // The store's statements are prepared once and run with a plan made
    // once: a limit or a bound given as a parameter would otherwise have the
    // server plan each run afresh, which costs more than the run itself.
    const std::string options = "-c lock_timeout=" + std::to_string(limits.Lock.count()) +
                                " -c statement_timeout=" + std::to_string(limits.Statement.count()) +
                                " -c client_min_messages=warning -c plan_cache_mode=force_generic_plan";
    // The location expands in place of dbname: keywords after it override
    // what it says (the settings the store relies on), those before it give
    // way to it: a server that does not answer is given up after the
    // connect timeout, and an idle connection whose server went without a
    // word (a cut network, a host that died) is found out by keepalives,
    // one whose sends are not acknowledged after the answer's time.
    const std::string timeout = std::to_string(limits.ConnectSeconds);
    const std::string userTimeout = std::to_string(limits.Answer.count());
    const char* const keywords[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                                    "keepalives_count", "tcp_user_timeout", "dbname", "fallback_application_name",
                                    "client_encoding", "options", nullptr};
    const char* const values[] = {timeout.c_str(), "1", "10", "5", "3", userTimeout.c_str(), connection.c_str(),
                                  "orbeko", "UTF8", options.c_str(), nullptr};
    Conn_ = PQconnectdbParams(keywords, values, 1);
    if (!Conn_)
        return ksNoMemory;
    if (PQstatus(Conn_) == CONNECTION_OK) {
        // What the server says as a session ends comes as a notice; the
        // program's output is not where the user would read it.
        PQsetNoticeProcessor(Conn_, [](void*, const char*) {}, nullptr);
        ++Generation_;
        Ended_ = ksOk;
        TPgOutage::Reached(connection);
        return ksOk;
    }
    // Told apart by the server's message where it sent one; libpq keeps
    // no SQLSTATE for a refused connection.
    const char* message = PQerrorMessage(Conn_);
    if (std::strstr(message, "does not exist"))
        Ended_ = ksNotFound;
    else if (std::strstr(message, "authentication") || std::strstr(message, "password") ||
             std::strstr(message, "permission denied"))
        Ended_ = ksUpdateMode;
    else if (std::strstr(message, "too many"))
        Ended_ = ksNoHandles;
    else if (std::strstr(message, "timeout expired"))
        Ended_ = ksInterrupted;
    else
        Ended_ = ksIoError;
    TPgOutage::Failed(connection, CauseOf(message, "the connection failed"),
                      Ended_ == ksInterrupted ? limits.Rest : std::chrono::milliseconds::zero());
    return Ended_;
}

bool TPgConnection::Usable()
{
    if (!Conn_ || PQstatus(Conn_) != CONNECTION_OK)
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - LookedAt_ < kLookInterval)
        return true;
    LookedAt_ = now;
    // A server that ends the session says so and then closes: the first
    // read takes its word, the next finds the end.
    for (int read = 0; read < 2 && PQstatus(Conn_) == CONNECTION_OK; ++read) {
        if (!PQconsumeInput(Conn_))
            break;
        PQisBusy(Conn_);  // parses what came, so that it is not read again
    }
    NoteBreak();
    return PQstatus(Conn_) == CONNECTION_OK;
}

void TPgConnection::NoteBreak()
{
    if (Conn_ && PQstatus(Conn_) != CONNECTION_OK && Ended_ == ksOk) {
        Ended_ = ksIoError;
        TPgOutage::Failed(Location_, CauseOf(PQerrorMessage(Conn_), "the connection was lost"));
    }
}

void TPgConnection::GiveUp()
{
    // Closed, not cancelled: a cancel request would wait on the same
    // silent server, and a server that wakes up finds the session gone and
    // ends it, with its locks.
    Close();
    Ended_ = ksInterrupted;
    TPgOutage::Failed(Location_, kNoAnswer, Limits().Rest);
}

TPgResult TPgConnection::Collect(bool sent, const std::function<void(int, const TPgResult&)>& take)
{
    if (!sent) {
        NoteBreak();
        return TPgResult();
    }
    const auto deadline = std::chrono::steady_clock::now() + Limits().Answer;
    TPgResult kept;
    int index = 0;
    for (;;) {
        while (PQisBusy(Conn_)) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                GiveUp();
                return TPgResult();
            }
            pollfd socket{PQsocket(Conn_), POLLIN, 0};
            const int ready = poll(&socket, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno != EINTR)
                break;
            // A read that fails marks the connection bad; the result says so.
            if (ready > 0 && !PQconsumeInput(Conn_))
                break;
        }
        PGresult* raw = PQgetResult(Conn_);
        if (!raw)
            break;
        TPgResult result(raw);
        if (kept && !kept.Ok())
            continue;  // the rest is skipped by the server; read to the end
        if (result.Ok() && take)
            take(index++, result);
        kept = std::move(result);
    }
    NoteBreak();
    return kept;
}

TPgResult TPgConnection::Exec(const std::string& sql)
{
    return Collect(Conn_ && PQsendQuery(Conn_, sql.c_str()));
}

int16_t TPgConnection::ExecAll(const std::string& sql, const std::function<void(int, const TPgResult&)>& take)
{
    const TPgResult last = Collect(Conn_ && PQsendQuery(Conn_, sql.c_str()), take);
    return last && last.Ok() ? ksOk : Status(last);
}

TPgResult TPgConnection::Exec(const std::string& sql, const TPgParams& params)
{
    return Collect(Conn_ && PQsendQueryParams(Conn_, sql.c_str(), params.Count(), nullptr, params.Values(),
                                              params.Lengths(), params.Formats(), 1));
}

int16_t TPgConnection::Prepare(const std::string& name, const std::string& sql, int parameters)
{
    const TPgResult result = Collect(Conn_ && PQsendPrepare(Conn_, name.c_str(), sql.c_str(), parameters, nullptr));
    return result && result.Ok() ? ksOk : Status(result);
}

TPgResult TPgConnection::ExecPrepared(const std::string& name, const TPgParams& params)
{
    return Collect(Conn_ && PQsendQueryPrepared(Conn_, name.c_str(), params.Count(), params.Values(),
                                                params.Lengths(), params.Formats(), 1));
}

bool TPgConnection::TakeNotices(const std::function<void(std::string_view)>& take)
{
    if (!Conn_ || !PQconsumeInput(Conn_)) {
        NoteBreak();
        return false;
    }
    while (PGnotify* notice = PQnotifies(Conn_)) {
        const std::unique_ptr<PGnotify, decltype(&PQfreemem)> owned(notice, &PQfreemem);
        take(notice->extra ? std::string_view(notice->extra) : std::string_view());
    }
    return true;
}

int16_t TPgConnection::Status(const TPgResult& result) const
{
    if (!Conn_ || PQstatus(Conn_) != CONNECTION_OK)
        return Ended_ != ksOk ? Ended_ : ksIoError;
    if (!result)
        return ksNoMemory;
    return StatusOfState(result.State());
}

int16_t TPgConnection::StatusOfState(std::string_view state)
{
    if (state.empty())
        return ksIoError;
    if (state == "23505" || state == "42501" || state == "25006" || state.substr(0, 2) == "28")
        return ksUpdateMode;  // a key already there, no right to write, a read-only server
    if (state == "55P03" || state == "40001" || state == "40P01")
        return ksBusy;        // another session kept its lock too long
    if (state == "57014")
        return ksInterrupted; // cut by the statement timeout, or cancelled
    if (state == "53100")
        return ksDiskFull;
    if (state == "53200")
        return ksNoMemory;
    if (state == "53300")
        return ksNoHandles;
    if (state == "42P01" || state == "3F000" || state == "3D000")
        return ksNotFound;    // the file's table went while it was open
    if (state.substr(0, 2) == "08" || state.substr(0, 2) == "57")
        return ksIoError;     // the connection or the server went
    if (state.substr(0, 2) == "XX" || state.substr(0, 2) == "42")
        return ksCorrupt;     // our own statements failing: the tables are not ours
    return ksIoError;
}

std::string TPgConnection::Literal(std::string_view text) const
{
    char* quoted = PQescapeLiteral(Conn_, text.data(), text.size());
    if (!quoted)
        return "NULL";
    std::string literal(quoted);
    PQfreemem(quoted);
    return literal;
}
