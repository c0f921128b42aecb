#include "AdminFixture.h"

#include "kfstore/folder/LockFile.h"
#include "kfstore/folder/Restore.h"
#include "storage/DatabaseCheck.h"
#include "storage/DetailFile.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace {

// The names in a folder.
std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The database at location holds its first administrator only, made as
// Orbeko's first start makes him, and passes the check.
void ExpectFirstAdministrator(const std::string& location, const std::string& name)
{
    TScriptedDBShell shell;
    shell.CreateAnswer = false;
    TOrbekoDB db(shell, location);
    EXPECT_EQ(db.UserFile.RecordCount(), 1);
    TUserRec user{};
    ASSERT_TRUE(db.UserFile.GetEqual(user, TOrbekoDB::UserIdKey, "0000000001"));
    EXPECT_EQ(FieldText(user.UserName), name);
    EXPECT_EQ(FieldText(user.FullName), name);
    EXPECT_EQ(FieldText(user.Abbreviation), name);
    EXPECT_EQ(user.Flags, urAddEntries | urAdminister | urModifyOthers);
    EXPECT_EQ(FieldText(user.Password), "");
    for (TXIsamFile* file : {&db.AlarmFile, &db.CategoryFile, &db.DayEntryFile})
        EXPECT_EQ(file->RecordCount(), 0);
    std::string note;
    EXPECT_TRUE(db.UserFile.ReadNote(note));
    EXPECT_EQ(note.rfind("orbeko-db:", 0), 0u) << note;
    EXPECT_EQ(TDatabaseCheck([](const TProblem& problem) { ADD_FAILURE() << problem.File << ": " << problem.Text; })
                  .CheckQuiet(location),
              0);
}

TEST(CreateTest, ANewDatabaseIsMadeOnlyWhereThereIsNothingOfOne)
{
    struct TCase
    {
        const char* Name;
        const char* Inside;  // what the folder holds; "": nothing, "-": the folder is not there
        std::string Admin;
        int Exit;
        std::string Expected;  // the administrator's user name, or what the refusal names
    };
    const TCase cases[] = {
        {"an empty folder", "", "jsmith", 0, "JSMITH"},
        {"a folder not there yet", "-", "Ann", 0, "ANN"},
        {"a long account name", "", "administrators1", 0, "ADMINISTRA"},
        {"a users file", TOrbekoDB::UserFileName, "jsmith", 1, "already holds OBUsers.Ism"},
        {"only the details file", TDetailFile::FileName, "jsmith", 1, "already holds OBDetail.Ism"},
        {"a journal left behind", "OBDayEnt.Ism-journal", "jsmith", 1, "already holds OBDayEnt.Ism-journal"},
        {"a lock file", "OBAlarms.Ism-locks", "jsmith", 1, "already holds OBAlarms.Ism-locks"},
        {"a restore's staging folder", TRestore::StagingName, "jsmith", 1, "already holds OrbekoRestore.tmp"},
    };
    for (const TCase& c : cases) {
        const TTempDir parent;
        const std::string folder = std::string(c.Inside) == "-" ? parent.File("diary") : parent.Path();
        if (*c.Inside && std::string(c.Inside) != "-")
            std::ofstream(FolderFile(folder, c.Inside)) << "x";
        const auto before = std::string(c.Inside) == "-" ? std::set<std::string>{} : Names(folder);
        const TAdminRun run = RunAdmin({"create", folder, "--admin", c.Admin});
        EXPECT_EQ(run.Exit, c.Exit) << c.Name << ": " << run.Out << run.Err;
        if (c.Exit != 0) {
            EXPECT_NE(run.Err.find(c.Expected), std::string::npos) << c.Name << ": " << run.Err;
            EXPECT_EQ(Names(folder), before) << c.Name;
            continue;
        }
        EXPECT_NE(run.Out.find("user name is \"" + c.Expected + "\" and his password is \"<blank>\""),
                  std::string::npos)
            << c.Name << ": " << run.Out;
        ExpectFirstAdministrator(folder, c.Expected);
    }
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"create"}, {"create", "/tmp/x"}, {"create", "/tmp/x", "--admin"},
          {"create", "/tmp/x", "--user", "ann"}}) {
        const TAdminRun run = RunAdmin(wrong);
        EXPECT_EQ(run.Exit, 2) << wrong.size();
        EXPECT_EQ(run.Err.rfind("Usage: orbeko-admin create", 0), 0u) << run.Err;
    }
}

TEST(ServerCreateTest, ANewDatabaseOnAServerIsMadeOnceAndTheFirstStartFindsItsAdministrator)
{
    if (TTestDatabase::Server().empty())
        GTEST_SKIP() << TTestDatabase::Missing();
    const TTestDatabase server;
    const TAdminRun made = RunAdmin({"create", server.Location(), "--admin", "jsmith"});
    EXPECT_EQ(made.Exit, 0) << made.Out << made.Err;
    ExpectFirstAdministrator(server.Location(), "JSMITH");
    const TAdminRun again = RunAdmin({"create", server.Location(), "--admin", "other"});
    EXPECT_EQ(again.Exit, 1) << again.Out << again.Err;
    EXPECT_NE(again.Err.find("already holds OBUsers.Ism"), std::string::npos) << again.Err;
}

// A server that does not answer is no database that refuses: the verb
// fails and says so.
TEST(ServerUnreachable, VerbsSayTheServerCannotBeReached)
{
    if (TTestDatabase::Server().empty())
        GTEST_SKIP() << TTestDatabase::Missing();
    const TTempDir folder;
    {
        TScriptedDBShell shell;
        TOrbekoDB db(shell, folder.Path());
    }
    const std::string nowhere = "postgresql://127.0.0.1:1/orbeko?connect_timeout=5";
    for (const std::vector<std::string>& verb :
         {std::vector<std::string>{"copy", folder.Path(), nowhere}, {"create", nowhere, "--admin", "jsmith"}}) {
        const TAdminRun run = RunAdmin(verb);
        EXPECT_EQ(run.Exit, 2) << verb[0] << ": " << run.Out << run.Err;
        EXPECT_NE(run.Err.find("cannot be reached"), std::string::npos) << verb[0] << ": " << run.Err;
        EXPECT_EQ(run.Err.find("already holds"), std::string::npos) << verb[0] << ": " << run.Err;
        EXPECT_EQ(run.Err.find('\r'), std::string::npos) << verb[0] << ": " << run.Err;
    }
}

}  // namespace
