#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "storage/Clock.h"
#include "support/ClockScript.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

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
protected:
    void AddCategory(TOrbekoDB& db, const char* text)
    {
        TCategoryRec category{};
        SetField(category.Description, text);
        ASSERT_TRUE(db.CategoryFile.Add(category, "")) << db.CategoryFile.StatusText();
    }
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

TEST_F(OrbekoDBTest, MissingFileIsCreatedAndOthersKeepTheirRecords)
{
    PointRegistryAtDatabase();
    {
        auto db = Connect();
        AddCategory(*db, "Meeting");
        TUserRec user{};
        SetField(user.UserName, "ANNA");
        ASSERT_TRUE(db->UserFile.Add(user, ""));
    }
    ASSERT_TRUE(std::filesystem::remove(DataFile("OBCat.Ism")));

    auto db = Connect();
    EXPECT_EQ(db->CategoryFile.RecordCount(), 0);
    EXPECT_EQ(db->UserFile.RecordCount(), 1);
    EXPECT_TRUE(Shell_.Captions.empty());
}

TEST_F(OrbekoDBTest, TwoConnectionsSeeEachOthersWrites)
{
    PointRegistryAtDatabase();
    auto first = Connect();
    auto second = Connect();
    AddCategory(*first, "Holiday");
    const std::string id = first->CategoryFile.LastKey();

    TCategoryRec read{};
    ASSERT_TRUE(second->CategoryFile.GetEqual(read, 0, id));
    EXPECT_STREQ(read.Description, "Holiday");
    EXPECT_TRUE(second->CategoryFile.GetEqual(read, 1, "HOLIDAY")) << "descriptions match without regard to case";
}

TEST_F(OrbekoDBTest, FailuresNameTheFileAndTheStoreStatus)
{
    {
        auto key = TRegistryKey::Open(true);
        ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(DataPath() + "/missing")));
    }
    const std::string created = MessageOf([&] { Connect(); });
    EXPECT_EQ(created.rfind("Unable to create user isam\r\r", 0), 0u) << created;
    EXPECT_GT(created.size(), std::strlen("Unable to create user isam\r\r"));

    PointRegistryAtDatabase();
    Connect();
    std::ofstream(DataFile("OBDayEnt.Ism"), std::ios::trunc) << "not a keyed file at all, just text";
    EXPECT_EQ(MessageOf([&] { Connect(); }),
              std::string("Unable to open day entry isam\r\r") + TXIsamFile::StatusText(8));
}

TEST_F(OrbekoDBTest, ReopenPicksUpReplacedFilesAndReportsMissingOnes)
{
    PointRegistryAtDatabase();
    auto db = Connect();
    {
        auto other = Connect();
        AddCategory(*other, "Travel");
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
