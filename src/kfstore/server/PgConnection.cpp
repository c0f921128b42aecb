#include "kfstore/server/PgConnection.h"

#include "kfstore/KfsStatus.h"

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

TPgConnection::~TPgConnection()
{
    PQfinish(Conn_);
}

int16_t TPgConnection::Open(const std::string& connection)
{
    // Notices ("already exists, skipping") are no business of the user's.
    // The store's statements are prepared once and run with a plan made
    // once: a limit or a bound given as a parameter would otherwise have the
    // server plan each run afresh, which costs more than the run itself.
    const std::string options = "-c lock_timeout=" + std::to_string(kLockTimeoutMs) +
                                " -c client_min_messages=warning -c plan_cache_mode=force_generic_plan";
    // The location expands in place of dbname: keywords after it override
    // what it says (the settings the store relies on), those before it give
    // way to it (a server that does not answer is given up after
    // kConnectTimeoutSeconds unless the location says otherwise).
    const std::string timeout = std::to_string(kConnectTimeoutSeconds);
    const char* const keywords[] = {"connect_timeout", "dbname", "fallback_application_name", "client_encoding",
                                    "options", nullptr};
    const char* const values[] = {timeout.c_str(), connection.c_str(), "orbeko", "UTF8", options.c_str(), nullptr};
    Conn_ = PQconnectdbParams(keywords, values, 1);
    if (!Conn_)
        return ksNoMemory;
    if (PQstatus(Conn_) == CONNECTION_OK)
        return ksOk;
    // Told apart by the server's message where it sent one; libpq keeps
    // no SQLSTATE for a refused connection.
    const char* message = PQerrorMessage(Conn_);
    if (std::strstr(message, "does not exist"))
        return ksNotFound;
    if (std::strstr(message, "authentication") || std::strstr(message, "password") ||
        std::strstr(message, "permission denied"))
        return ksUpdateMode;
    if (std::strstr(message, "too many"))
        return ksNoHandles;
    return ksIoError;
}

TPgResult TPgConnection::Exec(const std::string& sql)
{
    return TPgResult(PQexec(Conn_, sql.c_str()));
}

int16_t TPgConnection::ExecAll(const std::string& sql, const std::function<void(int, const TPgResult&)>& take)
{
    if (!PQsendQuery(Conn_, sql.c_str()))
        return ksIoError;
    int16_t status = ksOk;
    int index = 0;
    while (PGresult* raw = PQgetResult(Conn_)) {
        const TPgResult result(raw);
        if (status != ksOk)
            continue;  // the rest is skipped by the server; read to the end
        if (!result.Ok())
            status = Status(result);
        else
            take(index++, result);
    }
    return status;
}

TPgResult TPgConnection::Exec(const std::string& sql, const TPgParams& params)
{
    return TPgResult(PQexecParams(Conn_, sql.c_str(), params.Count(), nullptr, params.Values(), params.Lengths(),
                                  params.Formats(), 1));
}

int16_t TPgConnection::Prepare(const std::string& name, const std::string& sql, int parameters)
{
    const TPgResult result(PQprepare(Conn_, name.c_str(), sql.c_str(), parameters, nullptr));
    return result.Ok() ? ksOk : Status(result);
}

TPgResult TPgConnection::ExecPrepared(const std::string& name, const TPgParams& params)
{
    return TPgResult(PQexecPrepared(Conn_, name.c_str(), params.Count(), params.Values(), params.Lengths(),
                                    params.Formats(), 1));
}

bool TPgConnection::TakeNotices(const std::function<void(std::string_view)>& take)
{
    if (!PQconsumeInput(Conn_))
        return false;
    while (PGnotify* notice = PQnotifies(Conn_)) {
        const std::unique_ptr<PGnotify, decltype(&PQfreemem)> owned(notice, &PQfreemem);
        take(notice->extra ? std::string_view(notice->extra) : std::string_view());
    }
    return true;
}

int16_t TPgConnection::Status(const TPgResult& result) const
{
    if (PQstatus(Conn_) != CONNECTION_OK)
        return ksIoError;
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
    if (state == "55P03" || state == "40001" || state == "40P01" || state == "57014")
        return ksBusy;        // another session kept its lock too long
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
