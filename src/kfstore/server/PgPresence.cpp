#include "kfstore/server/PgPresence.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/server/PgFileSchema.h"

#include <stdexcept>
#include <unistd.h>

namespace {

std::string HostName()
{
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    return host;
}

void Connect(TPgConnection& connection, const std::string& location)
{
    if (const int16_t status = connection.Open(location); status != ksOk)
        throw std::runtime_error(std::string("cannot reach the database server: ") + PQerrorMessage(connection.Handle()));
}

void Check(const TPgConnection& connection, const TPgResult& result)
{
    if (!result.Ok())
        throw std::runtime_error(std::string("presence on the database server: ") +
                                 PQerrorMessage(connection.Handle()));
}

std::string Text(const TPgResult& result, int row, int column)
{
    return std::string(result.Bytes(row, column));
}

}  // namespace

TPgPresence::TPgPresence(const std::string& location)
{
    Connect(Connection_, location);
    // Made once under the schema's lock, like the files' own tables; a row
    // left by a server process whose number came round again is taken over.
    Check(Connection_,
          Connection_.Exec(TPgFileSchema::CreateSharedSql() +
                           "CREATE TABLE IF NOT EXISTS orbeko.kfs_presence(pid integer PRIMARY KEY, "
                           "host text NOT NULL, user_id text NOT NULL DEFAULT '', "
                           "user_name text NOT NULL DEFAULT '');"
                           "INSERT INTO orbeko.kfs_presence(pid, host) VALUES(pg_backend_pid(), " +
                           Connection_.Literal(HostName()) +
                           ") ON CONFLICT (pid) DO UPDATE SET host = EXCLUDED.host, user_id = '', user_name = ''"));
}

TPgPresence::~TPgPresence()
{
    // A row that stays goes stale with the closed connection anyway.
    Connection_.Exec("DELETE FROM orbeko.kfs_presence WHERE pid = pg_backend_pid()");
}

void TPgPresence::SetUser(const std::string& userId, const std::string& userName)
{
    Check(Connection_, Connection_.Exec("UPDATE orbeko.kfs_presence SET user_id = " + Connection_.Literal(userId) +
                                        ", user_name = " + Connection_.Literal(userName) +
                                        " WHERE pid = pg_backend_pid()"));
}

std::vector<TStoreOccupant> TPgPresence::Occupants(const std::string& location)
{
    TPgConnection connection;
    Connect(connection, location);
    std::vector<TStoreOccupant> occupants;
    const TPgResult exists = connection.Exec("SELECT to_regclass('orbeko.kfs_presence') IS NOT NULL");
    Check(connection, exists);
    if (exists.Rows() != 1 || !exists.Bool(0, 0))
        return occupants;
    // Every server process is listed in pg_stat_activity, whoever may see
    // what it does.
    const TPgResult rows = connection.Exec(
        "SELECT p.host, p.pid, p.user_id, p.user_name FROM orbeko.kfs_presence p "
        "WHERE EXISTS (SELECT 1 FROM pg_stat_activity a WHERE a.pid = p.pid) ORDER BY p.pid");
    Check(connection, rows);
    for (int row = 0; row < rows.Rows(); ++row)
        occupants.push_back({Text(rows, row, 0), static_cast<int32_t>(std::stol(Text(rows, row, 1))),
                             Text(rows, row, 2), Text(rows, row, 3)});
    return occupants;
}
