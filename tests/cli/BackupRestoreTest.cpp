#include "AdminFixture.h"

#include "storage/DatabaseCheck.h"
#include "storage/DatabaseFiles.h"
#include "kfstore/folder/Restore.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// A workstation that adds events, each with an alarm for its owner, as
// fast as it can until it is killed; says "adding" after its first.
ORBEKO_CHILD_ROLE(AddEventsWithAlarms)
{
    TScriptedDBShell shell;
    TOrbekoDB db(shell);
    TDiaryRecords writer(db);
    const std::string name = "W" + std::to_string(getpid() % 100000);
    const std::string user = writer.User(name, "", name);
    for (int added = 0;; ++added) {
        writer.Alarm(writer.Event("", user, {user}, "Meeting"), user);
        if (added == 0 && write(STDOUT_FILENO, "adding\n", 7) != 7)
            return 1;
    }
}

int64_t Problems(const std::string& folder)
{
    return TDatabaseCheck([](const TProblem& problem) { ADD_FAILURE() << problem.File << " " << problem.Record
                                                                      << ": " << problem.Text; })
        .CheckQuiet(folder);
}

int32_t Events(const std::string& folder)
{
    TXIsamFile file;
    EXPECT_TRUE(file.Open(FolderFile(folder, TOrbekoDB::DayEntryFileName), 3));
    return file.RecordCount();
}

class BackupRestoreTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        PointRegistryAtDatabase();
        const auto db = Connect();
        TDiaryRecords write(*db);
        const std::string ann = write.User("ANN", "", "ANN");
        write.Alarm(write.Event("", ann, {ann}, "Meeting"), ann);
    }

    TTempDir Backups_;
};

TEST_F(BackupRestoreTest, BackupWhileFourWorkstationsAddEventsAndAlarmsPassesCheck)
{
    std::vector<std::unique_ptr<TChildProcess>> workstations;
    for (int i = 0; i < 4; ++i)
        workstations.push_back(std::make_unique<TChildProcess>("AddEventsWithAlarms", std::vector<std::string>{}));
    for (auto& workstation : workstations) {
        std::string line;
        ASSERT_TRUE(workstation->ReadLine(line)) << "a workstation did not start";
    }
    const std::string copy = Backups_.File("monday");
    const TAdminRun run = RunAdmin({"backup", DataPath(), copy});
    workstations.clear();
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    EXPECT_EQ(Problems(copy), 0);
    EXPECT_GT(Events(copy), 4);

    // A second backup into the same folder would overwrite the first.
    EXPECT_EQ(RunAdmin({"backup", DataPath(), copy}).Exit, 2);
}

TEST_F(BackupRestoreTest, RestoreIsRefusedWhileAWorkstationHasTheFolderOpen)
{
    const std::string copy = Backups_.File("copy");
    ASSERT_EQ(RunAdmin({"backup", DataPath(), copy}).Exit, 0);
    {
        TDiaryRecords(*Connect()).User("LATER", "", "LATER");
        const auto workstation = Connect();
        const TAdminRun refused = RunAdmin({"restore", copy, DataPath()});
        EXPECT_EQ(refused.Exit, 1);
        EXPECT_NE(refused.Err.find("a workstation has"), std::string::npos) << refused.Err;
        EXPECT_EQ(workstation->UserFile.RecordCount(), 2);
    }
    const TAdminRun restored = RunAdmin({"restore", copy, DataPath()});
    EXPECT_EQ(restored.Exit, 0) << restored.Err;
    EXPECT_EQ(Connect()->UserFile.RecordCount(), 1);
    EXPECT_FALSE(std::filesystem::exists(FolderFile(DataPath(), TRestore::StagingName)));
}

TEST_F(BackupRestoreTest, RestoreCutShortAfterItsCopyIsFinishedAndRefusedUntilThen)
{
    const std::string copy = Backups_.File("copy");
    ASSERT_EQ(RunAdmin({"backup", DataPath(), copy}).Exit, 0);
    TDiaryRecords(*Connect()).User("LATER", "", "LATER");
    // As a crash leaves it: the copy staged and marked, two files moved.
    const std::string staging = FolderFile(DataPath(), TRestore::StagingName);
    std::filesystem::copy(copy, staging);
    std::ofstream(FolderFile(staging, TRestore::MarkerName));
    for (const char* moved : {TOrbekoDB::UserFileName, TOrbekoDB::CategoryFileName})
        std::filesystem::rename(FolderFile(staging, moved), FolderFile(DataPath(), moved));
    EXPECT_TRUE(TRestore::Unfinished(DataPath()));

    EXPECT_EQ(RunAdmin({"restore", "--finish", DataPath()}).Exit, 0);
    EXPECT_FALSE(TRestore::Unfinished(DataPath()));
    EXPECT_EQ(Problems(DataPath()), 0);
    EXPECT_EQ(Connect()->UserFile.RecordCount(), 1);
}

}  // namespace
