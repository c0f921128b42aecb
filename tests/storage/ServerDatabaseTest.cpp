#include "kfstore/KfStore.h"
#include "storage/OrbekoCache.h"
#include "storage/OrbekoDB.h"
#include "kfstore/server/PgConnection.h"
#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"
#include "support/ChildProcess.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <QThread>

#include <memory>

namespace {

TEST(StoreLocation, TellsServersFromFoldersAndNamesTheirFiles)
{
    struct TCase
    {
        const char* Location;
        bool Server;
        const char* UserFile;
        const char* Shown;
    };
    const TCase cases[] = {
        {"/srv/diary/", false, "/srv/diary/OBUsers.Ism", "/srv/diary"},
        {"postgresql://db.example/diary", true, "postgresql://db.example/diary#OBUsers.Ism",
         "postgresql://db.example/diary"},
        {"user=anna host=db-server.example.com port=5433 dbname=orbeko_office", true,
         "user=anna host=db-server.example.com port=5433 dbname=orbeko_office#OBUsers.Ism",
         "user=anna host=db-server.example.com port=5433 dbname=orbeko_office"},
        {"postgres://ann:secret@db/diary?sslmode=require", true,
         "postgres://ann:secret@db/diary?sslmode=require#OBUsers.Ism", "user=ann dbname=diary host=db sslmode=require"},
        {"host=/run/postgresql dbname=diary password=secret", true,
         "host=/run/postgresql dbname=diary password=secret#OBUsers.Ism", "dbname=diary host=/run/postgresql"},
        {"  dbname = diary", true, "  dbname = diary#OBUsers.Ism", "dbname = diary"},
        {"/data/a=b/", false, "/data/a=b/OBUsers.Ism", "/data/a=b"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(StoreLocation::IsServer(c.Location), c.Server) << c.Location;
        const std::string file = StoreLocation::FileName(c.Location, "OBUsers.Ism");
        EXPECT_EQ(file, c.UserFile);
        std::string connection;
        std::string name;
        EXPECT_EQ(StoreLocation::SplitServerFile(file, connection, name), c.Server) << c.Location;
        if (c.Server) {
            EXPECT_EQ(connection, c.Location);
            EXPECT_EQ(name, "OBUsers.Ism");
        }
        EXPECT_EQ(StoreHomes::Shown(c.Location), c.Shown);
    }
    EXPECT_EQ(StoreLocation::Normalized("/srv/diary"), "/srv/diary/");
    EXPECT_EQ(StoreLocation::Normalized(" postgresql://db/diary \n"), "postgresql://db/diary");
    std::string connection;
    std::string name;
    EXPECT_FALSE(StoreLocation::SplitServerFile("/srv/a#b", connection, name));
    EXPECT_FALSE(StoreLocation::SplitServerFile("dbname=diary#", connection, name));
}

// ctest's label "server" goes by these names; a server test named otherwise
// would run, and be skipped, among the fast ones.
TEST(TestLabels, ServerTestsAreKnownByTheirNames)
{
    struct TCase
    {
        const char* Suite;
        const char* Name;
        bool Server;
    };
    const TCase cases[] = {
        {"ServerDatabase", "AWriterKeptWaitingTooLongGivesStatus3AndReadsGoOn", true},
        {"ServerCopyTest", "FolderToServerToFolderGivesIdenticalRecords", true},
        {"Homes/KeyWalkTest", "WalksInKeyOrder/Server", true},
        {"Homes/KeyWalkTest", "WalksInKeyOrder/Folder", false},
        {"StoreLocation", "TellsServersFromFoldersAndNamesTheirFiles", false},
        {"Homes/SoakTest", "LoseNothing/ServerSide", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TTestDatabase::NamedAsServerTest(c.Suite, c.Name), c.Server) << c.Suite << "." << c.Name;
}

// A workstation whose database lives on the test server.
class ServerDatabase : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        if (TTestDatabase::Server().empty())
            GTEST_SKIP() << TTestDatabase::Missing();
        Server_ = std::make_unique<TTestDatabase>();
        auto key = TRegistryKey::Open(true);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(Server_->Location())));
    }

    const std::string& Location() const { return Server_->Location(); }

    std::unique_ptr<TTestDatabase> Server_;
};

TEST_F(ServerDatabase, AnEmptyDatabaseBecomesADiaryOnlyWhenTheUserSaysSo)
{
    Shell_.CreateAnswer = false;
    try {
        Connect();
        ADD_FAILURE() << "connected to an empty database";
    } catch (const EOrbekoDB& error) {
        EXPECT_STREQ(error.what(), "Unable to locate Orbeko Database!");
    }
    ASSERT_EQ(Shell_.Questions.size(), 1u);
    EXPECT_EQ(Shell_.Questions[0], "There is no Orbeko database in\r\r" + Location() + "\r\rCreate a new one here?")
        << "the connection string as it was written, on a line of its own";
    TXIsamFile probe;
    EXPECT_FALSE(probe.Open(StoreLocation::FileName(Location(), "OBUsers.Ism"), 3));
    EXPECT_EQ(probe.Status(), 1);

    Shell_.CreateAnswer = true;
    auto first = Connect();
    EXPECT_EQ(first->RootPath, Location());
    EXPECT_EQ(first->UserFile.FileName(), StoreLocation::FileName(Location(), "OBUsers.Ism"));
    EXPECT_EQ(first->DayEntryFile.RecordCount(), 0);
    auto second = Connect();
    EXPECT_EQ(Shell_.Questions.size(), 2u) << "the second connection finds the files";

    TDiaryRecords(*first).Category("Holiday");
    second->Reopen();
    TCategoryRec read{};
    ASSERT_TRUE(second->CategoryFile.GetEqual(read, 1, "HOLIDAY"));
    EXPECT_STREQ(read.Description, "Holiday");
}

TEST_F(ServerDatabase, AnIncompleteOrUnreachableDatabaseIsRefusedWithoutTheQuestion)
{
    Connect().reset();
    ASSERT_EQ(KfsKill(StoreLocation::FileName(Location(), "OBCat.Ism").c_str()), 0);
    try {
        Connect();
        ADD_FAILURE() << "connected to an incomplete database";
    } catch (const EOrbekoDB& error) {
        EXPECT_NE(std::string(error.what()).find("is incomplete: OBCat.Ism is missing."), std::string::npos)
            << error.what();
    }
    auto key = TRegistryKey::Open(true);
    ASSERT_TRUE(key->WriteText("RootPath", "host=/nonexistent-socket-folder dbname=diary"));
    try {
        Connect();
        ADD_FAILURE() << "connected to no server";
    } catch (const EOrbekoDB& error) {
        EXPECT_STREQ(error.what(), "Unable to open user isam\r\rDisk read / write error");
    }
    EXPECT_EQ(Shell_.Questions.size(), 1u);
}

TEST_F(ServerDatabase, AWriterKeptWaitingTooLongGivesStatus3AndReadsGoOn)
{
    auto db = Connect();
    TCategoryRec category{};
    SetField(category.Description, "Meeting");
    ASSERT_TRUE(db->CategoryFile.Add(category, ""));
    // Another workstation in the middle of a write that does not end.
    TPgConnection other;
    ASSERT_EQ(other.Open(Location()), 0);
    ASSERT_TRUE(other.Exec("BEGIN; SELECT version FROM orbeko.kfs_files WHERE name = 'OBCat.Ism' FOR UPDATE").Ok());
    TCategoryRec read{};
    EXPECT_TRUE(db->CategoryFile.GetEqual(read, 0, "0000000001"));
    EXPECT_FALSE(db->CategoryFile.Add(category, ""));
    EXPECT_EQ(db->CategoryFile.Status(), 3);
    EXPECT_EQ(db->CategoryFile.StatusText(), "Multi-user access");
    ASSERT_TRUE(other.Exec("COMMIT").Ok());
    EXPECT_TRUE(db->CategoryFile.Add(category, ""));
    EXPECT_EQ(db->CategoryFile.RecordCount(), 2);
}

ORBEKO_CHILD_ROLE(AddServerCategory)
{
    TXIsamFile file;
    TCategoryRec category{};
    SetField(category.Description, args.at(1));
    return file.Open(args.at(0), 3) && file.Add(category, "") ? 0 : 1;
}

TEST_F(ServerDatabase, TheCacheIsFilledAgainOnlyAfterAWriteFromAnyWorkstation)
{
    auto db = Connect();
    TCategoryCache cache(db->CategoryFile.FileName());
    int updates = 0;
    cache.OnUpdate = [&](TOrbekoCache& filling) {
        ++updates;
        filling.InsertAll(db->CategoryFile);
    };
    TDiaryRecords(*db).Category("Meeting");
    TCategoryRec read{};
    cache.Lookup("0000000001", read);
    cache.Lookup("0000000001", read);
    EXPECT_EQ(updates, 1);

    auto other = Connect();
    TDiaryRecords(*other).Category("Travel");
    cache.Lookup("0000000002", read);
    EXPECT_STREQ(read.Description, "Travel");
    EXPECT_EQ(updates, 2);

    TChildProcess child("AddServerCategory", {db->CategoryFile.FileName(), "Lunch"});
    ASSERT_EQ(child.Wait(), 0);
    // The other workstation's notice comes as soon as the server sends it.
    for (int attempt = 0; attempt < 1000 && !cache.FileChanged(); ++attempt)
        QThread::msleep(5);
    cache.Refill();
    cache.Lookup("0000000003", read);
    EXPECT_STREQ(read.Description, "Lunch");
}

}  // namespace
