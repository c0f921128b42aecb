#include "StoreFixture.h"

#include "kfstore/XIsamFile.h"
#include "support/ChildProcess.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

namespace {

using XIsamFileTest = TStoreHomesTest;

std::string Stamp(int seconds)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%10.10d", seconds);
    return text;
}

struct TStatusCase
{
    int16_t Code;
    const char* Text;
};

class StatusTextTable : public ::testing::TestWithParam<TStatusCase>
{
};

TEST_P(StatusTextTable, GivesTheTextOfTheCode)
{
    EXPECT_EQ(TXIsamFile::StatusText(GetParam().Code), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, StatusTextTable,
    ::testing::Values(TStatusCase{0, "No error"}, TStatusCase{1, "Object not found"},
                      TStatusCase{2, "Update mode violation"}, TStatusCase{3, "Multi-user access"},
                      TStatusCase{4, "Invalid dataset reference"}, TStatusCase{5, "Invalid format string"},
                      TStatusCase{6, "Illegal character in key"}, TStatusCase{7, "Invalid parameter value"},
                      TStatusCase{8, "File is not isam format"}, TStatusCase{9, "Dataset name in use"},
                      TStatusCase{10, "No note space available"}, TStatusCase{11, "No disk space available"},
                      TStatusCase{12, "Windows memory allocation failure"},
                      TStatusCase{13, "DOS function call failure"}, TStatusCase{14, "Disk read / write error"},
                      TStatusCase{15, "Corrupted dataset"}, TStatusCase{16, "Secondary index field too large"},
                      TStatusCase{17, "Record are out of sort order"},
                      TStatusCase{18, "Insufficient system file handles"},
                      TStatusCase{19, "Multi-user locks encountered"}, TStatusCase{20, "Unknown error"},
                      TStatusCase{21, "Function no available"},
                      TStatusCase{22, "Asynchronous operation interrupted"},
                      TStatusCase{23, "A dataset is already open"},
                      TStatusCase{24, "Lock file gone while the file is open elsewhere: every workstation must close the diary"},
                      TStatusCase{25, "No free key: every key of the file's length is in use"},
                      TStatusCase{26, "Unknown error"},
                      TStatusCase{99, "Unknown error"}, TStatusCase{-1, "Unknown error"}),
    [](const auto& info) {
        const int code = info.param.Code;
        return code < 0 ? "CodeMinus" + std::to_string(-code) : "Code" + std::to_string(code);
    });

TEST(XIsamFile, StartsClosedAndUsable)
{
    TXIsamFile file;
    EXPECT_TRUE(file.Usable());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Handle(), 0);
    EXPECT_EQ(file.FileName(), "");
    EXPECT_EQ(file.Version(), "1.00");
    EXPECT_EQ(file.Status(), 0);
    EXPECT_EQ(file.StatusText(), "No error");
}

TEST(XIsamFile, OperationsOnAClosedObjectGiveStatus4)
{
    TDayEntryRec entry{};
    const std::map<std::string, std::function<bool(TXIsamFile&)>> operations = {
        {"Close", [](TXIsamFile& f) { return f.Close(); }},
        {"Add", [&](TXIsamFile& f) { return f.Add(entry, ""); }},
        {"Rewrite", [&](TXIsamFile& f) { return f.Rewrite(entry, "0000000001"); }},
        {"GetEqual", [&](TXIsamFile& f) { return f.GetEqual(entry, 0, "0000000001"); }},
        {"GetNext", [&](TXIsamFile& f) { return f.GetNext(entry, 0, "", gcAny); }},
        {"GoTop", [](TXIsamFile& f) { return f.GoTop(0); }},
        {"Delete", [](TXIsamFile& f) { return f.Delete("0000000001"); }},
        {"LockRecord", [](TXIsamFile& f) { return f.LockRecord("0000000001"); }},
        {"UnlockRecord", [](TXIsamFile& f) { return f.UnlockRecord("0000000001"); }},
        {"RecordCount", [](TXIsamFile& f) { return f.RecordCount() >= 0; }},
        {"KeyLength", [](TXIsamFile& f) { return f.KeyLength() >= 0; }},
        {"NextKey", [](TXIsamFile& f) { return !f.NextKey().empty(); }},
    };
    for (const auto& [name, operation] : operations) {
        TXIsamFile file;
        EXPECT_FALSE(operation(file)) << name;
        EXPECT_EQ(file.Status(), 4) << name;
        EXPECT_EQ(file.StatusText(), "Invalid dataset reference") << name;
    }
}

TEST_P(XIsamFileTest, SecondOpenOrCreateGives23AndKeepsTheOpenFile)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    ASSERT_TRUE(file.Add(MakeEntry(Stamp(100), "first"), ""));
    EXPECT_FALSE(file.Open(Path(), 3));
    EXPECT_EQ(file.Status(), 23);
    EXPECT_EQ(file.StatusText(), "A dataset is already open");
    EXPECT_FALSE(file.CreateFile(Path("Other.Ism"), 10, kDayEntryFormat));
    EXPECT_EQ(file.Status(), 23);
    EXPECT_FALSE(Exists("Other.Ism"));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.FileName(), Path());
    TDayEntryRec entry;
    EXPECT_TRUE(file.GetEqual(entry, 0, "0000000001"));
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Handle(), 0);
    EXPECT_EQ(file.FileName(), "");
}

TEST_P(XIsamFileTest, AddWithEmptyKeyTakesTheHighestKeyPlusOne)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    EXPECT_EQ(file.NextKey(), "0000000001");
    ASSERT_TRUE(file.Add(MakeEntry(Stamp(100), "a"), ""));
    EXPECT_EQ(file.LastKey(), "0000000001");
    ASSERT_TRUE(file.Add(MakeEntry(Stamp(100), "b"), "0000000041"));
    EXPECT_EQ(file.LastKey(), "0000000041");
    EXPECT_EQ(file.NextKey(), "0000000042");
    ASSERT_TRUE(file.Add(MakeEntry(Stamp(100), "c"), ""));
    EXPECT_EQ(file.LastKey(), "0000000042");
    ASSERT_TRUE(file.Delete("0000000042"));
    ASSERT_TRUE(file.Add(MakeEntry(Stamp(100), "d"), ""));
    EXPECT_EQ(file.LastKey(), "0000000042");  // the key of a deleted last record is given again
    EXPECT_EQ(file.RecordCount(), 3);
    EXPECT_EQ(file.KeyLength(), 10);
}

TEST_P(XIsamFileTest, AddOfAnExistingKeyFailsAndKeepsTheRecord)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    ASSERT_TRUE(file.Add(MakeEntry(Stamp(100), "kept"), "0000000005"));
    EXPECT_FALSE(file.Add(MakeEntry(Stamp(200), "second"), "0000000005"));
    EXPECT_EQ(file.Status(), 2);
    EXPECT_EQ(file.LastKey(), "0000000005");
    TDayEntryRec entry;
    ASSERT_TRUE(file.GetEqual(entry, 0, "0000000005"));
    EXPECT_STREQ(entry.Description, "kept");
}

TEST_P(XIsamFileTest, FullScanReadsEveryRecordInKeyOrder)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    std::mt19937 random(7);
    std::vector<std::pair<std::string, std::string>> byStamp;  // (stamp, key)
    for (int i = 0; i < 300; ++i) {
        const std::string stamp = Stamp(static_cast<int>(random() % 5000) * 60);
        ASSERT_TRUE(file.Add(MakeEntry(stamp, "entry " + std::to_string(i)), ""));
        byStamp.emplace_back(stamp, file.LastKey());
    }
    std::vector<std::string> keys;
    for (const auto& item : byStamp)
        keys.push_back(item.second);
    EXPECT_EQ(ScanKeys<TDayEntryRec>(file, 0), keys);

    std::sort(byStamp.begin(), byStamp.end());
    std::vector<std::string> inTimeOrder;
    for (const auto& item : byStamp)
        inTimeOrder.push_back(item.second);
    EXPECT_EQ(ScanKeys<TDayEntryRec>(file, 3), inTimeOrder);

    // The record read belongs to LastKey.
    TDayEntryRec entry;
    ASSERT_TRUE(file.GoTop(3));
    ASSERT_TRUE(file.GetNext(entry, 3, "", gcAny));
    EXPECT_EQ(entry.EntryStamp, byStamp.front().first);
    EXPECT_EQ(file.LastKey(), byStamp.front().second);
}

TEST_P(XIsamFileTest, LookupByIdentifier)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(file.Add(MakeEntry(Stamp(i * 10), "entry " + std::to_string(i + 1)), ""));
    TDayEntryRec entry;
    ASSERT_TRUE(file.GetEqual(entry, 0, "0000000013"));
    EXPECT_STREQ(entry.Description, "entry 13");
    EXPECT_EQ(file.LastKey(), "0000000013");
    EXPECT_FALSE(file.GetEqual(entry, 0, "0000000099"));
    EXPECT_EQ(file.Status(), 1);
    EXPECT_EQ(file.LastKey(), "");
    // Not found, the position is where the value stands.
    EXPECT_FALSE(file.GetEqual(entry, 0, "00000000125"));
    ASSERT_TRUE(file.GetNext(entry, 0, "", gcAny));
    EXPECT_EQ(file.LastKey(), "0000000013");
}

TEST_P(XIsamFileTest, LookupByIndexedFieldIgnoresLetterCase)
{
    TXIsamFile users;
    OpenFile(users, kUserFormat, "OBUsers.Ism");
    for (const char* name : {"ADAMS", "SMITH", "JONES"})
        ASSERT_TRUE(users.Add(MakeUser(name), ""));
    TUserRec user;
    ASSERT_TRUE(users.GetEqual(user, 3, "SMITH"));
    EXPECT_EQ(users.LastKey(), "0000000002");
    ASSERT_TRUE(users.GetEqual(user, 3, "jones"));
    EXPECT_STREQ(user.UserName, "JONES");
    EXPECT_FALSE(users.GetEqual(user, 3, "SMIT"));
    EXPECT_EQ(users.Status(), 1);

    TXIsamFile categories;
    OpenFile(categories, kCategoryFormat, "OBCat.Ism");
    ASSERT_TRUE(categories.Add(MakeCategory("Meeting"), ""));
    TCategoryRec category;
    ASSERT_TRUE(categories.GetEqual(category, 1, "MEETING"));
    EXPECT_STREQ(category.Description, "Meeting");
    EXPECT_EQ(categories.LastKey(), "0000000001");
}

TEST_P(XIsamFileTest, KeyOrderOfTheFileAgreesWithTheConditionChecks)
{
    TXIsamFile categories;
    OpenFile(categories, kCategoryFormat, "OBCat.Ism");
    const std::vector<std::string> texts = {"beta", "Alpha", "_under", "alphabet", "ALPHA2", "Zulu", "\xe9t\xe9", "", "b"};
    for (const auto& text : texts)
        ASSERT_TRUE(categories.Add(MakeCategory(text), ""));
    std::vector<std::string> read;
    TCategoryRec category;
    ASSERT_TRUE(categories.GoTop(1));
    while (categories.GetNext(category, 1, "", gcAny))
        read.push_back(category.Description);
    EXPECT_EQ(read, (std::vector<std::string>{"", "_under", "Alpha", "ALPHA2", "alphabet", "b", "beta", "Zulu",
                                              "\xe9t\xe9"}));
    // Each value read below "beta" stops exactly where the file's order says.
    ASSERT_TRUE(categories.GoTop(1));
    int below = 0;
    while (categories.GetNext(category, 1, "BETA", gcBelow))
        ++below;
    EXPECT_EQ(below, 6);
}

class TimeRange : public XIsamFileTest
{
protected:
    void SetUp() override
    {
        XIsamFileTest::SetUp();
        if (IsSkipped())
            return;
        OpenFile(File, kDayEntryFormat);
        for (int stamp : {10000, 80000, 86399, 90000, 90000, 90001, 5000, 172800})
            ASSERT_TRUE(File.Add(MakeEntry(Stamp(stamp), "at " + std::to_string(stamp)), ""));
    }

    std::vector<std::string> Range(const std::string& start, const std::string& end, TGetCondition condition)
    {
        std::vector<std::string> stamps;
        TDayEntryRec entry;
        if (File.GetEqual(entry, 3, start))
            stamps.push_back(entry.EntryStamp);
        while (File.GetNext(entry, 3, end, condition))
            stamps.push_back(entry.EntryStamp);
        EXPECT_EQ(File.Status(), 1);
        return stamps;
    }

    TXIsamFile File;
};

TEST_P(TimeRange, BelowStopsBeforeTheEndValue)
{
    EXPECT_EQ(Range(Stamp(0), Stamp(90000), gcBelow),
              (std::vector<std::string>{Stamp(5000), Stamp(10000), Stamp(80000), Stamp(86399)}));
}

TEST_P(TimeRange, UpToIncludesTheEndValue)
{
    EXPECT_EQ(Range(Stamp(0), Stamp(90000), gcUpTo), (std::vector<std::string>{Stamp(5000), Stamp(10000),
                                                                              Stamp(80000), Stamp(86399),
                                                                              Stamp(90000), Stamp(90000)}));
}

TEST_P(TimeRange, AStartValueThatExistsIsReadFirst)
{
    EXPECT_EQ(Range(Stamp(86399), Stamp(172800), gcBelow),
              (std::vector<std::string>{Stamp(86399), Stamp(90000), Stamp(90000), Stamp(90001)}));
    EXPECT_EQ(Range(Stamp(172800), Stamp(259200), gcBelow), (std::vector<std::string>{Stamp(172800)}));
    EXPECT_EQ(Range(Stamp(172801), Stamp(259200), gcBelow), (std::vector<std::string>{}));
}

TEST_P(TimeRange, EqualStampsComeInPrimaryKeyOrder)
{
    // Added out of key order on purpose.
    for (const char* key : {"0000000070", "0000000050", "0000000060"})
        ASSERT_TRUE(File.Add(MakeEntry(Stamp(90000), key), key));
    std::vector<std::string> keys;
    TDayEntryRec entry;
    if (File.GetEqual(entry, 3, Stamp(90000)))
        keys.push_back(File.LastKey());
    while (File.GetNext(entry, 3, Stamp(90000), gcUpTo))
        keys.push_back(File.LastKey());
    EXPECT_EQ(keys, (std::vector<std::string>{"0000000004", "0000000005", "0000000050", "0000000060", "0000000070"}));
}

TEST_P(XIsamFileTest, AlarmsOfOneUserByPrefixOnKey5)
{
    TXIsamFile alarms;
    OpenFile(alarms, kAlarmFormat, "OBAlarms.Ism");
    ASSERT_TRUE(alarms.Add(MakeAlarm("0000000007", "0946724400", "0000000001"), ""));
    ASSERT_TRUE(alarms.Add(MakeAlarm("0000000017", "0946700000", "0000000001"), ""));
    ASSERT_TRUE(alarms.Add(MakeAlarm("0000000007", "0946000000", "0000000002"), ""));
    ASSERT_TRUE(alarms.Add(MakeAlarm("0000000006", "0946000000", "0000000002"), ""));
    ASSERT_TRUE(alarms.Add(MakeAlarm("0000000007", "0999999999", "0000000003"), ""));

    TAlarmRec alarm;
    EXPECT_FALSE(alarms.GetEqual(alarm, 5, "0000000007"));
    EXPECT_EQ(alarms.Status(), 1);
    std::vector<std::string> due;
    while (alarms.GetNext(alarm, 5, "0000000007", gcPrefix)) {
        EXPECT_STREQ(alarm.UserId, "0000000007");
        due.push_back(alarm.AlarmStamp);
    }
    EXPECT_EQ(alarms.Status(), 1);
    EXPECT_EQ(due, (std::vector<std::string>{"0946000000", "0946724400", "0999999999"}));
    EXPECT_STREQ(MakeAlarm("0000000007", "0946724400", "1").UserAlarmKey, "00000000070946724400");
}

TEST_P(XIsamFileTest, ReadPositionSurvivesRewriteAndDeleteOfTheRecordJustRead)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    for (int i = 1; i <= 6; ++i)
        ASSERT_TRUE(file.Add(MakeEntry(Stamp(i * 100), "entry"), ""));
    TDayEntryRec entry;
    ASSERT_TRUE(file.GoTop(3));
    ASSERT_TRUE(file.GetNext(entry, 3, "", gcAny));
    ASSERT_TRUE(file.GetNext(entry, 3, "", gcAny));
    ASSERT_EQ(file.LastKey(), "0000000002");
    // Moving the record just read to the end does not make the walk skip or repeat.
    SetField(entry.EntryStamp, Stamp(9999));
    ASSERT_TRUE(file.Rewrite(entry, "0000000002"));
    EXPECT_EQ(file.LastKey(), "0000000002");
    ASSERT_TRUE(file.GetNext(entry, 3, "", gcAny));
    EXPECT_EQ(file.LastKey(), "0000000003");
    ASSERT_TRUE(file.Delete("0000000003"));
    ASSERT_TRUE(file.GetNext(entry, 3, "", gcAny));
    EXPECT_EQ(file.LastKey(), "0000000004");
    std::vector<std::string> rest;
    while (file.GetNext(entry, 3, "", gcAny))
        rest.push_back(file.LastKey());
    EXPECT_EQ(rest, (std::vector<std::string>{"0000000005", "0000000006", "0000000002"}));

    // The same on key 0.
    ASSERT_TRUE(file.GoTop(0));
    ASSERT_TRUE(file.GetNext(entry, 0, "", gcAny));
    ASSERT_TRUE(file.Delete(file.LastKey()));
    ASSERT_TRUE(file.GetNext(entry, 0, "", gcAny));
    EXPECT_EQ(file.LastKey(), "0000000002");
}

TEST_P(XIsamFileTest, LockReReadRewriteUnlock)
{
    TXIsamFile file;
    OpenFile(file, kAlarmFormat, "OBAlarms.Ism");
    ASSERT_TRUE(file.Add(MakeAlarm("0000000007", "0946724400", "0000000001"), ""));
    const std::string id = file.LastKey();
    ASSERT_TRUE(file.LockRecord(id));
    TAlarmRec alarm;
    ASSERT_TRUE(file.GetEqual(alarm, 0, id));
    SetAlarmStamp(alarm, "0946725000");
    ASSERT_TRUE(file.Rewrite(alarm, id));
    EXPECT_EQ(file.LastKey(), id);
    ASSERT_TRUE(file.UnlockRecord(id));
    ASSERT_TRUE(file.GetEqual(alarm, 5, "00000000070946725000"));
    EXPECT_EQ(file.LastKey(), id);
    EXPECT_FALSE(file.GetEqual(alarm, 5, "00000000070946724400"));
}

TEST_P(XIsamFileTest, RewriteAndDeleteOfAMissingRecordGiveStatus1)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    EXPECT_FALSE(file.Rewrite(MakeEntry(Stamp(1), "x"), "0000000003"));
    EXPECT_EQ(file.Status(), 1);
    EXPECT_EQ(file.LastKey(), "0000000003");
    EXPECT_FALSE(file.Delete("0000000003"));
    EXPECT_EQ(file.Status(), 1);
    EXPECT_EQ(file.RecordCount(), 0);
}

TEST_P(XIsamFileTest, NextKeyLeavesThePositionAtTheEnd)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(file.Add(MakeEntry(Stamp(i), "e"), ""));
    EXPECT_EQ(file.NextKey(), "0000000004");
    TDayEntryRec entry;
    EXPECT_FALSE(file.GetNext(entry, 0, "", gcAny));
    EXPECT_EQ(file.Status(), 1);
}

// Reads ahead of the caller must never hand out what another handle has
// since changed: a walk sees every commit made before each of its reads.
TEST_P(XIsamFileTest, AWalkSeesChangesMadeByAnotherHandleBetweenItsReads)
{
    TXIsamFile reader;
    TXIsamFile writer;
    OpenFile(reader, kDayEntryFormat);
    OpenFile(writer, kDayEntryFormat);
    for (int i = 1; i <= 40; ++i)
        ASSERT_TRUE(writer.Add(MakeEntry(Stamp(i * 100), "original"), ""));
    TDayEntryRec entry;
    ASSERT_TRUE(reader.GoTop(3));
    ASSERT_TRUE(reader.GetNext(entry, 3, "", gcAny));
    ASSERT_EQ(reader.LastKey(), "0000000001");

    TDayEntryRec changed = MakeEntry(Stamp(200), "changed");
    ASSERT_TRUE(writer.Rewrite(changed, "0000000002"));
    ASSERT_TRUE(reader.GetNext(entry, 3, "", gcAny));
    EXPECT_EQ(reader.LastKey(), "0000000002");
    EXPECT_STREQ(entry.Description, "changed");

    ASSERT_TRUE(writer.Delete("0000000003"));
    ASSERT_TRUE(writer.Add(MakeEntry(Stamp(250), "inserted"), ""));
    ASSERT_TRUE(reader.GetNext(entry, 3, "", gcAny));
    EXPECT_STREQ(entry.Description, "inserted");
    ASSERT_TRUE(reader.GetNext(entry, 3, "", gcAny));
    EXPECT_EQ(reader.LastKey(), "0000000004");

    ASSERT_TRUE(writer.Delete("0000000005"));
    EXPECT_EQ(reader.RecordCount(), 39);
    ASSERT_TRUE(reader.GetNext(entry, 3, "", gcAny));
    EXPECT_EQ(reader.LastKey(), "0000000006");
}

// Writes record args[1] of args[0] anew with the description args[2].
ORBEKO_CHILD_ROLE(RewriteEntry)
{
    TXIsamFile file;
    TDayEntryRec entry;
    if (!file.Open(args[0], 3) || !file.GetEqual(entry, 0, args[1]))
        return 1;
    SetField(entry.Description, args[2]);
    return file.Rewrite(entry, args[1]) ? 0 : 2;
}

TEST_P(XIsamFileTest, AWalkSeesChangesMadeByAnotherProcessBetweenItsReads)
{
    TXIsamFile reader;
    OpenFile(reader, kDayEntryFormat);
    for (int i = 1; i <= 40; ++i)
        ASSERT_TRUE(reader.Add(MakeEntry(Stamp(i * 100), "original"), ""));
    TDayEntryRec entry;
    ASSERT_TRUE(reader.GoTop(0));
    ASSERT_TRUE(reader.GetNext(entry, 0, "", gcAny));
    TChildProcess child("RewriteEntry", {Path(), "0000000002", "changed elsewhere"});
    ASSERT_EQ(child.Wait(), 0);
    ASSERT_TRUE(reader.GetNext(entry, 0, "", gcAny));
    EXPECT_STREQ(entry.Description, "changed elsewhere");
}

TEST_P(XIsamFileTest, ADayReadSeesChangesMadeAfterItsGetEqual)
{
    TXIsamFile reader;
    TXIsamFile writer;
    OpenFile(reader, kDayEntryFormat);
    OpenFile(writer, kDayEntryFormat);
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(writer.Add(MakeEntry(Stamp(86400 + i * 60), "day two"), ""));
    const auto readDay = [&](const std::function<void()>& between) {
        std::vector<std::string> read;
        TDayEntryRec entry;
        if (reader.GetEqual(entry, 3, Stamp(86400)))
            read.push_back(entry.Description);
        between();
        while (reader.GetNext(entry, 3, Stamp(2 * 86400), gcBelow))
            read.push_back(entry.Description);
        return read;
    };
    EXPECT_EQ(readDay([] {}).size(), 30u);  // a first walk, so the next GetEqual reads ahead
    const std::vector<std::string> read = readDay([&] {
        ASSERT_TRUE(writer.Rewrite(MakeEntry(Stamp(86400 + 60), "rewritten"), "0000000002"));
        ASSERT_TRUE(writer.Delete("0000000003"));
        ASSERT_TRUE(writer.Add(MakeEntry(Stamp(2 * 86400 - 1), "added"), ""));
    });
    ASSERT_EQ(read.size(), 30u);
    EXPECT_EQ(read[1], "rewritten");
    EXPECT_EQ(read[2], "day two");
    EXPECT_EQ(read.back(), "added");
}

TEST_P(XIsamFileTest, FilesOfOneFolderKeepTheirOwnRecords)
{
    TXIsamFile entries;
    TXIsamFile alarms;
    OpenFile(entries, kDayEntryFormat);
    OpenFile(alarms, kAlarmFormat, "OBAlarms.Ism");
    ASSERT_TRUE(entries.Add(MakeEntry(Stamp(1), "e"), ""));
    EXPECT_EQ(alarms.RecordCount(), 0);
    EXPECT_EQ(entries.RecordCount(), 1);
}

INSTANTIATE_STORE_HOMES(XIsamFileTest);
INSTANTIATE_STORE_HOMES(TimeRange);

}  // namespace
