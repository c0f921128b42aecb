#include "kfstore/server/PgConnection.h"
#include "storage/OrbekoDB.h"
#include "storage/UserPassword.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

// Runs sql as the test server's superuser in location; false, with the
// server's words in error, when it is refused.
bool RunSql(const std::string& location, const std::string& sql, std::string* error = nullptr)
{
    TPgConnection server;
    if (server.Open(location) != 0)
        throw std::runtime_error("cannot reach the test server: " + std::string(PQerrorMessage(server.Handle())));
    const TPgResult result = server.Exec(sql);
    if (!result.Ok() && error)
        *error = PQresultErrorMessage(result.Get());
    return result.Ok();
}

// The office's roles, cluster-wide, gone after the test's database.
class TOfficeRoles
{
public:
    TOfficeRoles()
    {
        const std::string suffix = std::to_string(getpid());
        Office = "office_" + suffix;
        Anna = "anna_" + suffix;
        Bruno = "bruno_" + suffix;
        Drop();
    }
    ~TOfficeRoles() { Drop(); }

    std::string Office, Anna, Bruno;

private:
    void Drop()
    {
        for (const std::string& role : {Anna, Bruno, Office})
            RunSql(TTestDatabase::Server(), "DROP ROLE IF EXISTS " + role);
    }
};

// The help's recipe for a server: the workstations' roles have rights in
// the diary's schema only, through one office role that owns it, and every
// table any of them makes there is the office's, so the others can use it.
TEST(ServerOfficeRoleTest, WorkstationsWithRightsOnTheDiarysSchemaOnlyShareEveryFile)
{
    if (TTestDatabase::Server().empty())
        GTEST_SKIP() << TTestDatabase::Missing();
    const TOfficeRoles roles;
    const TTestDatabase database;
    const std::string name = database.Location().substr(database.Location().rfind('=') + 1);
    std::string error;
    ASSERT_TRUE(RunSql(database.Location(),
                    "CREATE ROLE " + roles.Office + " NOLOGIN;"
                    "CREATE SCHEMA orbeko AUTHORIZATION " + roles.Office + ";"
                    "REVOKE ALL ON DATABASE " + name + " FROM PUBLIC;"
                    "GRANT CONNECT ON DATABASE " + name + " TO " + roles.Office + ";"
                    "REVOKE ALL ON SCHEMA public FROM PUBLIC;"
                    "CREATE ROLE " + roles.Anna + " LOGIN IN ROLE " + roles.Office + ";"
                    "CREATE ROLE " + roles.Bruno + " LOGIN IN ROLE " + roles.Office + ";"
                    "ALTER ROLE " + roles.Anna + " IN DATABASE " + name + " SET role = '" + roles.Office + "';"
                    "ALTER ROLE " + roles.Bruno + " IN DATABASE " + name + " SET role = '" + roles.Office + "';",
                    &error))
        << error;
    const std::string anna = database.Location() + " user=" + roles.Anna;
    const std::string bruno = database.Location() + " user=" + roles.Bruno;

    TScriptedDBShell shell;
    std::string annId, brunoId;
    {
        TOrbekoDB made(shell, anna);  // the first start makes the diary
        annId = TDiaryRecords(made).User("ANNA", "Anna", "A", urAdminister);
    }
    {
        TOrbekoDB db(shell, bruno);
        TUserRec user;
        ASSERT_TRUE(db.UserFile.GetEqual(user, TOrbekoDB::UserIdKey, annId));
        brunoId = TDiaryRecords(db).User("BRUNO", "Bruno", "B", urAddEntries);
        // The details file is made now, by Bruno's workstation.
        ASSERT_TRUE(db.UserFile.GetEqual(user, TOrbekoDB::UserIdKey, brunoId));
        TUserPassword::Write(db.Details, brunoId,
                             TUserPassword::Prepare(user, TPasswordChange::Set("secret"), nullptr));
        ASSERT_TRUE(db.UserFile.Rewrite(user, brunoId));
    }
    {
        TOrbekoDB db(shell, anna);
        TUserRec user;
        ASSERT_TRUE(db.UserFile.GetEqual(user, TOrbekoDB::UserIdKey, brunoId));
        EXPECT_TRUE(TUserPassword::Matches(db.Details, brunoId, user, "SECRET"));
        db.Details.SetUserEmail(brunoId, QStringLiteral("bruno@example.org"));
    }
    // Outside the schema they may do nothing.
    for (const char* sql : {"CREATE TABLE public.elsewhere(i integer)", "CREATE SCHEMA elsewhere"})
        EXPECT_FALSE(RunSql(anna, sql)) << sql;
}

}  // namespace
