#include "AdminFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// export-ics and import-ics on folders named on the command line: what one
// user's events export as, and the same events read into another database.
class ICalVerbsTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        auto db = Connect();
        TDiaryRecords write(*db);
        Anna_ = write.User("ANNA", "", "ANNA");
        Bert_ = write.User("BERT", "", "BERT");
        write.Event("", Anna_, {Anna_}, "Anna's own");
        write.Event("", Bert_, {Bert_}, "Bert's own");
        write.Event("", Anna_, {Bert_, Anna_}, "Both", 0, write.Category("Meeting"));
    }

    std::string Anna_;
    std::string Bert_;
};

TEST_F(ICalVerbsTest, OneUsersEventsGoOutAndComeBackIntoAnotherDatabase)
{
    TTempDir out;
    const std::string file = out.File("anna.ics");
    const TAdminRun exported = RunAdmin({"export-ics", DataPath(), "--user", "anna", "--output", file});
    ASSERT_EQ(exported.Exit, 0) << exported.Err;
    EXPECT_EQ(exported.Out, "Exported 2 events to " + file + "\n");

    // An empty database of the same users elsewhere.
    TTempDir other;
    {
        TScriptedDBShell shell;
        TOrbekoDB target(shell, other.Path());
        TDiaryRecords write(target);
        write.User("ANNA", "", "ANNA");
        write.User("BERT", "", "BERT");
    }
    const TAdminRun imported = RunAdmin({"import-ics", other.Path(), file, "--user", "ANNA", "--from", "2023-01-01",
                                         "--to", "2023-12-31"});
    EXPECT_EQ(imported.Exit, 0) << imported.Err;
    EXPECT_EQ(imported.Out, "Added 2 events, skipped 0 already in the diary, refused 0.\n");
    EXPECT_EQ(RunAdmin({"import-ics", other.Path(), file, "--user", "ANNA"}).Out,
              "Added 0 events, skipped 2 already in the diary, refused 0.\n");
}

TEST_F(ICalVerbsTest, WrongArgumentsAreRefusedWithTheVerbsUsage)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"import-ics", DataPath(), "missing.ics"},
          std::vector<std::string>{"export-ics", DataPath(), "--from", "2025-02-30"},
          std::vector<std::string>{"export-ics", DataPath(), "--from", "2025-03-01", "--to", "2025-02-01"},
          std::vector<std::string>{"export-ics", DataPath(), "--colour", "red"}}) {
        const TAdminRun run = RunAdmin(args);
        EXPECT_EQ(run.Exit, 2) << args[2];
        EXPECT_EQ(run.Err.rfind("Usage: orbeko-admin " + args[0], 0), 0u) << run.Err;
    }
    const TAdminRun unknown = RunAdmin({"export-ics", DataPath(), "--user", "NOBODY"});
    EXPECT_EQ(unknown.Exit, 2);
    EXPECT_NE(unknown.Err.find("no user named NOBODY"), std::string::npos);
}

}  // namespace
