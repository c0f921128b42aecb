#include "storage/OrbekoDB.h"
#include "support/ChildProcess.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "storage/Clock.h"
#include "support/ClockScript.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kFirstStartWarning =
    "The Orbeko Database path could not be found\r\r"
    "You will now be asked for the location of the Orbeko Database,\r"
    "If you would like to create a NEW Database, simply select the folder\r"
    "you would like the Database created in.\r\r"
    "If you wish to connect to an existing Database, Please choose the Folder that contains the Orbeko Database.";

const std::array<const char*, 4> kFiles{"OBUsers.Ism", "OBAlarms.Ism", "OBCat.Ism", "OBDayEnt.Ism"};

std::string StoredRootPath()
{
    QString value;
    auto key = TRegistryKey::Open(false);
    if (!key || !key->ReadText("RootPath", value))
        return "<none>";
    return value.toStdString();
}

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EOrbekoDB& error) {
        return error.what();
    }
    return "<no exception>";
}

class OrbekoDBTest : public TDatabaseFixture
{
};

TEST_F(OrbekoDBTest, NoRegistryKeyIsRefusedWithoutPrompting)
{
    EXPECT_EQ(MessageOf([&] { Connect(); }), "Unable to locate Orbeko root path in registry");
    EXPECT_TRUE(Shell_.Warnings.empty());
    EXPECT_TRUE(Shell_.Captions.empty());
}

TEST_F(OrbekoDBTest, FirstStartPromptsStoresFolderAsChosenAndCreatesEmptyFiles)
{
    ASSERT_NE(TRegistryKey::Open(true), nullptr);
    const std::string chosen = DataPath() + "/Diary";
    std::filesystem::create_directory(chosen);
    Shell_.Folders.push_back(chosen);

    auto db = Connect();

    ASSERT_EQ(Shell_.Warnings.size(), 1u);
    EXPECT_EQ(Shell_.Warnings[0], kFirstStartWarning);
    EXPECT_EQ(Shell_.Captions, std::vector<std::string>{"Select Orbeko Database Location?"});
    EXPECT_EQ(StoredRootPath(), chosen);
    EXPECT_EQ(db->RootPath, chosen + "/");
    for (const char* name : kFiles)
        EXPECT_TRUE(std::filesystem::exists(chosen + "/" + name)) << name;
    for (TXIsamFile* file : {&db->UserFile, &db->AlarmFile, &db->CategoryFile, &db->DayEntryFile}) {
        EXPECT_TRUE(file->IsOpen());
        EXPECT_EQ(file->RecordCount(), 0);
        EXPECT_EQ(file->KeyLength(), 10);
    }

    auto second = Connect();
    EXPECT_EQ(Shell_.Captions.size(), 1u) << "a second connection finds the folder in the registry";
    EXPECT_EQ(second->RootPath, db->RootPath);
}

TEST_F(OrbekoDBTest, TrailingSeparatorIsAddedOnce)
{
    for (const std::string& stored : {DataPath(), DataPath() + "/"}) {
        auto key = TRegistryKey::Open(true);
        ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(stored)));
        EXPECT_EQ(Connect()->RootPath, DataPath() + "/") << stored;
    }
}

TEST_F(OrbekoDBTest, CancelledOrEmptyPromptIsRefused)
{
    ASSERT_NE(TRegistryKey::Open(true), nullptr);
    Shell_.Folders.push_back(std::nullopt);
    EXPECT_EQ(MessageOf([&] { Connect(); }), "Unable to locate Orbeko Database!");
    EXPECT_EQ(StoredRootPath(), "<none>");

    Shell_.Folders.push_back(std::string());
    EXPECT_EQ(MessageOf([&] { Connect(); }), "Orbeko root path has not been set in registry");
}

// What a connection does with each state of the folder it is pointed at.
TEST_F(OrbekoDBTest, FolderIsNeverSilentlyReplaced)
{
    struct TCase
    {
        const char* Name;
        std::vector<const char*> Removed;  // from a complete database
        bool Empty;                        // no files at all
        bool Answer;                       // to "Create a new one here?"
        std::string Message;               // empty: the connection is built
        bool Asked;
    };
    const std::string folder = DataPath();
    const std::vector<TCase> cases = {
        {"complete", {}, false, true, "", false},
        {"one file lost", {"OBCat.Ism"}, false, true,
         "The Orbeko Database in " + folder + " is incomplete: OBCat.Ism is missing.", false},
        {"two files lost", {"OBUsers.Ism", "OBDayEnt.Ism"}, false, true,
         "The Orbeko Database in " + folder + " is incomplete: OBUsers.Ism, OBDayEnt.Ism are missing.", false},
        {"empty folder, creation declined", {}, true, false, "Unable to locate Orbeko Database!", true},
        {"empty folder, creation accepted", {}, true, true, "", true},
    };
    PointRegistryAtDatabase();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        for (const char* name : kFiles)
            std::filesystem::remove(DataFile(name));
        if (!c.Empty) {
            auto db = Connect();
            TDiaryRecords(*db).Category("Meeting");
        }
        for (const char* name : c.Removed)
            ASSERT_TRUE(std::filesystem::remove(DataFile(name)));
        Shell_.Questions.clear();
        Shell_.CreateAnswer = c.Answer;

        const std::string message = MessageOf([&] { Connect(); });
        if (c.Message.empty())
            EXPECT_EQ(message, "<no exception>");
        else
            EXPECT_EQ(message.substr(0, c.Message.size()), c.Message);
        EXPECT_EQ(Shell_.Questions,
                  c.Asked ? std::vector<std::string>{"There is no Orbeko database in\r\r" + folder +
                                                     "\r\rCreate a new one here?"}
                          : std::vector<std::string>{});
        int present = 0;
        for (const char* name : kFiles)
            present += std::filesystem::exists(DataFile(name));
        EXPECT_EQ(present, c.Message.empty() ? 4 : 4 - int(c.Removed.size()) - (c.Empty ? 4 : 0))
            << "nothing is created unless the whole database is";
    }
}

TEST_F(OrbekoDBTest, TwoConnectionsSeeEachOthersWrites)
{
    PointRegistryAtDatabase();
    auto first = Connect();
    auto second = Connect();
    TDiaryRecords(*first).Category("Holiday");
    const std::string id = first->CategoryFile.LastKey();

    TCategoryRec read{};
    ASSERT_TRUE(second->CategoryFile.GetEqual(read, 0, id));
    EXPECT_STREQ(read.Description, "Holiday");
    EXPECT_TRUE(second->CategoryFile.GetEqual(read, 1, "HOLIDAY")) << "descriptions match without regard to case";
}

TEST_F(OrbekoDBTest, FailuresNameTheFileTheStoreStatusAndTheSystemsReason)
{
    const std::string gone = DataPath() + "/missing";
    {
        auto key = TRegistryKey::Open(true);
        ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(gone)));
    }
    const std::string missing = MessageOf([&] { Connect(); });
    EXPECT_EQ(missing.rfind("Unable to open user isam\r\r", 0), 0u) << missing;
    EXPECT_NE(missing.find("\r\r" + gone + ": No such file or directory\rCheck that the drive"), std::string::npos)
        << missing;
    EXPECT_TRUE(Shell_.Questions.empty()) << "a folder that is not there is no place for a new database";

    PointRegistryAtDatabase();
    Connect();
    std::ofstream(DataFile("OBDayEnt.Ism"), std::ios::trunc) << "not a keyed file at all, just text";
    EXPECT_EQ(MessageOf([&] { Connect(); }),
              std::string("Unable to open day entry isam\r\r") + TXIsamFile::StatusText(8));
}

// Root reads and writes everything, so the refusal is seen by a child that
// gives up root for an ordinary account.
ORBEKO_CHILD_ROLE(ConnectAsNobody)
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
        return 3;
    TScriptedDBShell shell;
    try {
        TOrbekoDB db(shell);
    } catch (const EOrbekoDB& error) {
        std::printf("%s\n", QByteArray(error.what()).replace('\r', '|').constData());
        std::fflush(stdout);
        return 1;
    }
    return 0;
}

TEST_F(OrbekoDBTest, AFolderTheAccountMayNotWriteSaysSoAndWhatToDo)
{
    PointRegistryAtDatabase();
    Connect();
    ASSERT_EQ(::chmod(DataPath().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(std::getenv("XDG_CONFIG_HOME"), 0755), 0);
    for (const char* name : kFiles)
        ASSERT_EQ(::chmod(DataFile(name).c_str(), 0644), 0);

    TChildProcess child("ConnectAsNobody", {});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    EXPECT_EQ(child.Wait(), 1);
    EXPECT_EQ(line.rfind("Unable to open user isam||", 0), 0u) << line;
    EXPECT_NE(line.find(DataPath() + ": Permission denied|Ask whoever looks after the shared folder"),
              std::string::npos)
        << line;
}

TEST_F(OrbekoDBTest, ReopenPicksUpReplacedFilesAndReportsMissingOnes)
{
    PointRegistryAtDatabase();
    auto db = Connect();
    {
        auto other = Connect();
        TDiaryRecords(*other).Category("Travel");
    }
    db->Reopen();
    EXPECT_TRUE(db->UserFile.IsOpen());
    EXPECT_EQ(db->CategoryFile.RecordCount(), 1);

    ASSERT_TRUE(std::filesystem::remove(DataFile("OBCat.Ism")));
    EXPECT_EQ(MessageOf([&] { db->Reopen(); }).rfind("Unable to open category isam\r\r", 0), 0u);
}

TEST_F(OrbekoDBTest, BlankRecordsByteForByte)
{
    PointRegistryAtDatabase();
    auto db = Connect();

    TDayEntryRec entry;
    std::memset(&entry, 0x5A, sizeof entry);
    db->InitDayEntry(entry);
    TDayEntryRec expected;
    std::memset(&expected, 0, sizeof expected);
    expected.Marker = 1;
    std::memcpy(expected.CategoryId, "0000000000", 10);
    for (auto& slot : expected.AssigneeIds)
        std::memcpy(slot, "0000000000", 10);
    EXPECT_EQ(std::memcmp(&entry, &expected, sizeof entry), 0);

    TClockScript clock(QDateTime(QDate(2000, 1, 1), QTime(11, 0, 0)));
    TAlarmRec alarm;
    std::memset(&alarm, 0x5A, sizeof alarm);
    db->InitAlarm(alarm);
    TAlarmRec expectedAlarm;
    std::memset(&expectedAlarm, 0, sizeof expectedAlarm);
    std::memcpy(expectedAlarm.AlarmStamp, "0946724400", 10);
    EXPECT_EQ(std::memcmp(&alarm, &expectedAlarm, sizeof alarm), 0);

    TUserRec user;
    std::memset(&user, 0x5A, sizeof user);
    db->InitUser(user);
    EXPECT_EQ(std::memcmp(&user, std::array<char, sizeof(TUserRec)>{}.data(), sizeof user), 0);
}

}  // namespace
