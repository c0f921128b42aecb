#include "AdminFixture.h"

#include "storage/DatabaseFiles.h"
#include "storage/DetailFile.h"
#include "storage/UserPassword.h"
#include "storage/Stamp.h"
#include "kfstore/KeyFormat.h"
#include "kfstore/KfStore.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/StoreLocation.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

// Every record of every file of a database, by file and identifier, with
// each file's note.
using TContents = std::map<std::string, std::map<std::string, std::string>>;

TContents ContentsOf(const std::string& location)
{
    TContents contents;
    for (const TDatabaseFile& file : kDatabaseFiles) {
        TXIsamFile opened;
        const std::string name = StoreLocation::FileName(StoreLocation::Normalized(location), file.Name);
        // An optional file that is not there has no contents, not empty ones.
        if (!opened.Open(name, 3) && file.Optional && opened.Status() == ksNotFound)
            continue;
        EXPECT_TRUE(opened.IsOpen()) << name << ": " << opened.StatusText();
        const int32_t handle = opened.Handle();
        std::string note;
        EXPECT_EQ(KfsReadNote(&handle, &note), 0);
        contents[file.Name]["note"] = note;
        std::string record(1024, '\0');
        const std::size_t size = TKeyFormat::Parse(file.KeyFormat)->RecordSize();
        EXPECT_TRUE(opened.GoTop(0));
        while (opened.GetNext(record.data(), size, 0, "", gcAny))
            contents[file.Name][opened.LastKey()] = record.substr(0, size);
    }
    return contents;
}

class ServerCopyTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        if (TTestDatabase::Server().empty())
            GTEST_SKIP() << TTestDatabase::Missing();
        Server_ = std::make_unique<TTestDatabase>();
        PointRegistryAtDatabase();
        Shell_.CreateAnswer = true;
        auto db = Connect();
        TDiaryRecords write(*db);
        const std::string ann = write.User("ANN", "", "ANN");
        const std::string bob = write.User("bob", "", "bob");
        const std::string travel = write.Category("Travel");
        write.Category("travel plans");
        for (int i = 0; i < 30; ++i) {
            const std::string event = write.Event(
                "", ann, {ann, bob}, "Event " + std::to_string(i) + " \xc3\xa9t\xc3\xa9", 0, i % 2 ? travel : kNoneId);
            write.Alarm(event, bob);
        }
        // A gap in the identifiers, which the copy keeps.
        ASSERT_TRUE(db->DayEntryFile.Delete("0000000007"));
        ASSERT_TRUE(db->AlarmFile.Delete("0000000007"));
        const int32_t handle = db->DayEntryFile.Handle();
        ASSERT_EQ(KfsWriteNote(&handle, "calendar 42"), 0);
    }

    std::unique_ptr<TTestDatabase> Server_;
};

TEST_F(ServerCopyTest, FolderToServerToFolderGivesIdenticalRecords)
{
    const TContents original = ContentsOf(DataPath());
    ASSERT_EQ(original.at(TOrbekoDB::DayEntryFileName).size(), 30u);

    TAdminRun run = RunAdmin({"copy", DataPath(), Server_->Location()});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_NE(run.Out.find("Copied 62 records"), std::string::npos) << run.Out;
    EXPECT_EQ(ContentsOf(Server_->Location()), original);

    const TTempDir back;
    const std::string folder = back.File("diary");
    run = RunAdmin({"copy", Server_->Location(), folder});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(ContentsOf(folder), original);

    // A workstation on the copy adds after the highest identifier as before.
    TOrbekoDB copy(Shell_, folder);
    TDiaryRecords write(copy);
    EXPECT_EQ(write.User("CAROL", "", "CAROL"), "0000000003");
    EXPECT_EQ(copy.DayEntryFile.NextKey(), "0000000031");

    run = RunAdmin({"stats", Server_->Location()});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_NE(run.Out.find("OBDayEnt.Ism          29 records\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("ANN"), std::string::npos) << run.Out;
}

TEST_F(ServerCopyTest, TheDetailsFileGoesBothWaysWhereThereIsOne)
{
    for (const bool details : {false, true}) {
        const std::string name = details ? "with details" : "without details";
        if (details) {
            auto db = Connect();
            TDayEntryRec entry{};
            ASSERT_TRUE(db->DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, "0000000003"));
            TEventDetails more;
            more.EndStamp = IdText(IdValue(FieldText(entry.EntryStamp)) + 3 * 86400);
            more.Place = QStringLiteral("Salle \u00e9t\u00e9");
            more.Notes = QStringLiteral("Bring the figures");
            db->Details.WriteEvent("0000000003", entry, more, nullptr);
            db->Details.SetCategoryColour("0000000001", 0x2255AA);
            db->Details.SetUserEmail("0000000002", QStringLiteral("bob@example.org"));
            TUserRec bob{};
            ASSERT_TRUE(db->UserFile.GetEqual(bob, TOrbekoDB::UserIdKey, "0000000002"));
            TUserPassword::Write(db->Details, "0000000002",
                                 TUserPassword::Prepare(bob, TPasswordChange::Set("secret"), nullptr));
            ASSERT_TRUE(db->UserFile.Rewrite(bob, "0000000002"));
        }
        const TContents original = ContentsOf(DataPath());
        ASSERT_EQ(original.count(TDetailFile::FileName), details ? 1u : 0u) << name;

        const TTestDatabase server;
        TAdminRun run = RunAdmin({"copy", DataPath(), server.Location()});
        EXPECT_EQ(run.Exit, 0) << name << ": " << run.Err;
        EXPECT_EQ(ContentsOf(server.Location()), original) << name;
        run = RunAdmin({"check", server.Location()});
        EXPECT_EQ(run.Exit, 0) << name << ": " << run.Out << run.Err;
        run = RunAdmin({"stats", server.Location()});
        EXPECT_EQ(run.Out.find("OBDetail.Ism") != std::string::npos, details) << name << ": " << run.Out;

        const TTempDir back;
        const std::string folder = back.File("diary");
        run = RunAdmin({"copy", server.Location(), folder});
        EXPECT_EQ(run.Exit, 0) << name << ": " << run.Err;
        EXPECT_EQ(ContentsOf(folder), original) << name;
        EXPECT_EQ(RunAdmin({"check", folder}).Exit, 0) << name;
        if (details) {
            TOrbekoDB copy(Shell_, folder);
            TDayEntryRec entry{};
            ASSERT_TRUE(copy.DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, "0000000003"));
            EXPECT_EQ(copy.Details.Event("0000000003", entry).Notes, QStringLiteral("Bring the figures"));
            EXPECT_EQ(copy.Details.UserEmail("0000000002"), QStringLiteral("bob@example.org"));
            TUserRec bob{};
            ASSERT_TRUE(copy.UserFile.GetEqual(bob, TOrbekoDB::UserIdKey, "0000000002"));
            EXPECT_TRUE(TUserPassword::Matches(copy.Details, "0000000002", bob, "SECRET")) << "his password came along";
        }
    }
}

TEST_F(ServerCopyTest, RefusedWhileTheSourceIsOpenOrTheDestinationHoldsADatabase)
{
    {
        TXIsamFile open;
        ASSERT_TRUE(open.Open(DataFile(TOrbekoDB::AlarmFileName), 3));
        const TAdminRun run = RunAdmin({"copy", DataPath(), Server_->Location()});
        EXPECT_EQ(run.Exit, 1);
        EXPECT_NE(run.Err.find("refused: " + DataPath() + " is open on a workstation"), std::string::npos) << run.Err;
        TXIsamFile probe;
        EXPECT_FALSE(probe.Open(StoreLocation::FileName(Server_->Location(), TOrbekoDB::UserFileName), 3));
        EXPECT_EQ(probe.Status(), 1) << "nothing was made";
    }
    ASSERT_EQ(RunAdmin({"copy", DataPath(), Server_->Location()}).Exit, 0);
    const TAdminRun again = RunAdmin({"copy", DataPath(), Server_->Location()});
    EXPECT_EQ(again.Exit, 1);
    EXPECT_NE(again.Err.find("already holds OBUsers.Ism"), std::string::npos) << again.Err;

    TXIsamFile onServer;
    ASSERT_TRUE(onServer.Open(StoreLocation::FileName(Server_->Location(), TOrbekoDB::CategoryFileName), 3));
    const TTempDir elsewhere;
    const TAdminRun busy = RunAdmin({"copy", Server_->Location(), elsewhere.File("diary")});
    EXPECT_EQ(busy.Exit, 1) << busy.Err;

    const TAdminRun backup = RunAdmin({"backup", Server_->Location(), elsewhere.File("backup")});
    EXPECT_EQ(backup.Exit, 2);
    EXPECT_NE(backup.Err.find("pg_dump"), std::string::npos) << backup.Err;
}

TEST_F(ServerCopyTest, CheckOnAServerFindsBrokenReferences)
{
    ASSERT_EQ(RunAdmin({"copy", DataPath(), Server_->Location()}).Exit, 0);
    TAdminRun run = RunAdmin({"check", Server_->Location()});
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    EXPECT_NE(run.Out.find(": no problems found"), std::string::npos) << run.Out;

    TOrbekoDB db(Shell_, Server_->Location());
    ASSERT_TRUE(db.UserFile.Delete("0000000002"));
    ASSERT_TRUE(db.CategoryFile.Delete("0000000001"));
    run = RunAdmin({"check", Server_->Location()});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_NE(run.Out.find("OBDayEnt.Ism 0000000001: its assignee 0000000002 is not in OBUsers.Ism"),
              std::string::npos)
        << run.Out;
    EXPECT_NE(run.Out.find("OBDayEnt.Ism 0000000002: its category 0000000001 is not in OBCat.Ism"),
              std::string::npos)
        << run.Out;
    EXPECT_NE(run.Out.find("OBAlarms.Ism 0000000001: its user 0000000002 is not in OBUsers.Ism"), std::string::npos)
        << run.Out;
}

}  // namespace
