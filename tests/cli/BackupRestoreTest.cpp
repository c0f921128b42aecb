#include "AdminFixture.h"

#include "storage/DatabaseCheck.h"
#include "storage/DatabaseFiles.h"
#include "kfstore/folder/LockFile.h"
#include "kfstore/folder/Restore.h"
#include "storage/DetailFile.h"
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
        Event_ = write.Event("", ann, {ann}, "Meeting");
        write.Alarm(Event_, ann);
    }

    TDayEntryRec Event(TOrbekoDB& db)
    {
        TDayEntryRec entry{};
        EXPECT_TRUE(db.DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, Event_));
        return entry;
    }

    // The place of the event as a workstation reads it; empty without one.
    std::string Place()
    {
        const auto db = Connect();
        return db->Details.Event(Event_, Event(*db)).Place.toStdString();
    }

    // The event at this place, or the folder without a details file at all.
    void SetPlace(const std::string& place)
    {
        if (place.empty()) {
            if (std::filesystem::exists(DataFile(TDetailFile::FileName))) {
                ASSERT_TRUE(TXIsamFile().RemoveFile(DataFile(TDetailFile::FileName)));
            }
            return;
        }
        const auto db = Connect();
        TEventDetails details;
        details.Place = QString::fromStdString(place);
        const TDayEntryRec entry = Event(*db);
        db->Details.WriteEvent(Event_, entry, details, &entry);
    }

    TTempDir Backups_;
    std::string Event_;
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

TEST_F(BackupRestoreTest, BackupAndRestoreCarryTheDetailsFileWhereThereIsOne)
{
    struct TCase
    {
        const char* Backup;  // the event's place when the backup is taken; "": no details file
        const char* Folder;  // and when the backup is restored
    };
    const TCase cases[] = {
        {"", ""},
        {"Room 1", "Room 9"},
        {"Room 1", ""},
        // Today's details must not stay beside the backup's events.
        {"", "Room 9"},
    };
    const std::string details = DataFile(TDetailFile::FileName);
    int row = 0;
    for (const TCase& c : cases) {
        const std::string name = std::string("backup \"") + c.Backup + "\" over \"" + c.Folder + "\"";
        SetPlace(c.Backup);
        const std::string copy = Backups_.File("copy" + std::to_string(row++));
        const TAdminRun backup = RunAdmin({"backup", DataPath(), copy});
        EXPECT_EQ(backup.Exit, 0) << name << ": " << backup.Out << backup.Err;
        EXPECT_EQ(std::filesystem::exists(FolderFile(copy, TDetailFile::FileName)), *c.Backup != 0) << name;
        EXPECT_EQ(Problems(copy), 0) << name;

        SetPlace(c.Folder);
        const TAdminRun restore = RunAdmin({"restore", copy, DataPath()});
        EXPECT_EQ(restore.Exit, 0) << name << ": " << restore.Err;
        EXPECT_EQ(std::filesystem::exists(details), *c.Backup != 0) << name;
        if (!*c.Backup) {
            EXPECT_FALSE(std::filesystem::exists(details + "-journal")) << name;
            EXPECT_FALSE(std::filesystem::exists(TLockFile::PathFor(details))) << name;
        }
        EXPECT_EQ(Place(), c.Backup) << name;
        EXPECT_EQ(Problems(DataPath()), 0) << name;
        EXPECT_FALSE(std::filesystem::exists(FolderFile(DataPath(), TRestore::StagingName))) << name;
    }
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

TEST_F(BackupRestoreTest, RestoreCutShortOfABackupWithoutDetailsIsFinishedWithoutThem)
{
    const std::string copy = Backups_.File("copy");
    ASSERT_EQ(RunAdmin({"backup", DataPath(), copy}).Exit, 0);
    SetPlace("Room 9");
    // As a crash leaves it: the copy staged with the details file's going,
    // marked, the users file moved.
    const std::string staging = FolderFile(DataPath(), TRestore::StagingName);
    std::filesystem::copy(copy, staging);
    std::ofstream(FolderFile(staging, std::string(TDetailFile::FileName) + TRestore::AbsentSuffix));
    std::ofstream(FolderFile(staging, TRestore::MarkerName));
    std::filesystem::rename(FolderFile(staging, TOrbekoDB::UserFileName), DataFile(TOrbekoDB::UserFileName));

    EXPECT_EQ(RunAdmin({"restore", "--finish", DataPath()}).Exit, 0);
    EXPECT_FALSE(TRestore::Unfinished(DataPath()));
    EXPECT_FALSE(std::filesystem::exists(DataFile(TDetailFile::FileName)));
    EXPECT_EQ(Place(), "");
    EXPECT_EQ(Problems(DataPath()), 0);
}

// As a crash leaves it with the users file restored and the other three
// still old: every verb but "restore --finish" refuses the folder, names
// the restore and changes nothing.
TEST_F(BackupRestoreTest, EveryVerbRefusesAFolderWhoseRestoreWasInterrupted)
{
    const std::string copy = Backups_.File("copy");
    ASSERT_EQ(RunAdmin({"backup", DataPath(), copy}).Exit, 0);
    TDiaryRecords(*Connect()).User("LATER", "", "LATER");
    const std::string staging = FolderFile(DataPath(), TRestore::StagingName);
    std::filesystem::copy(copy, staging);
    std::ofstream(FolderFile(staging, TRestore::MarkerName));
    std::filesystem::rename(FolderFile(staging, TOrbekoDB::UserFileName), DataFile(TOrbekoDB::UserFileName));
    const std::string calendar = Backups_.File("lunch.ics");
    std::ofstream(calendar) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
                               "UID:lunch-1\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240105T120000\r\n"
                               "SUMMARY:Lunch\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const std::vector<std::vector<std::string>> verbs = {
        {"check", DataPath()},
        {"check", "--json", DataPath()},
        {"stats", DataPath()},
        {"export-ics", DataPath()},
        {"import-ics", DataPath(), calendar, "--user", "ANN"},
        {"backup", DataPath(), Backups_.File("again")},
        {"backup", copy, DataPath()},
        {"restore", copy, DataPath()},
        {"restore", DataPath(), Backups_.File("elsewhere")},
        {"locktest", DataPath()},
        {"copy", DataPath(), Backups_.File("copied")},
    };
    for (const std::vector<std::string>& verb : verbs) {
        const TAdminRun run = RunAdmin(verb);
        EXPECT_EQ(run.Exit, 1) << verb[0] << " " << verb[1] << ": " << run.Out << run.Err;
        EXPECT_NE(run.Err.find("refused: a restore of " + DataPath()), std::string::npos) << verb[0] << ": " << run.Err;
        EXPECT_NE(run.Err.find("orbeko-admin restore --finish"), std::string::npos) << verb[0] << ": " << run.Err;
    }
    EXPECT_EQ(Events(DataPath()), 1);
    EXPECT_FALSE(std::filesystem::exists(Backups_.File("again")));
    EXPECT_FALSE(std::filesystem::exists(Backups_.File("copied")));

    EXPECT_EQ(RunAdmin({"restore", "--finish", DataPath()}).Exit, 0);
    EXPECT_EQ(RunAdmin({"check", DataPath()}).Exit, 0);
    EXPECT_EQ(Connect()->UserFile.RecordCount(), 1);
}

}  // namespace
