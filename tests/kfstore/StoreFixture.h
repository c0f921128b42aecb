#pragma once

#include "storage/Records.h"
#include "kfstore/XIsamFile.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The key formats of the four files of the diary.
inline const std::string kUserFormat = "&,$*31,X$*11,$*11,$*11";
inline const std::string kAlarmFormat = "&,X$*11,X$*11,$*11,X$*21";
inline const std::string kCategoryFormat = "X$*31";
inline const std::string kDayEntryFormat = "&,%,X$*11,$*11,$*11,$*255,R20$*11";

TDayEntryRec MakeEntry(const std::string& stamp, const std::string& description);
TAlarmRec MakeAlarm(const std::string& userId, const std::string& stamp, const std::string& entryId);
TUserRec MakeUser(const std::string& userName);
TCategoryRec MakeCategory(const std::string& description);

// Keys read by GoTop(key) and GetNext(gcAny) to the end.
template <class R> std::vector<std::string> ScanKeys(TXIsamFile& file, int16_t keyNumber)
{
    std::vector<std::string> keys;
    R record;
    EXPECT_TRUE(file.GoTop(keyNumber));
    while (file.GetNext(record, keyNumber, "", gcAny))
        keys.push_back(file.LastKey());
    EXPECT_EQ(file.Status(), 1) << file.StatusText();
    return keys;
}

// Where a test's keyed files live: a fresh folder, or a fresh database on
// the test run's PostgreSQL server.
enum class THomeKind { Folder, Server };

std::string HomeName(const ::testing::TestParamInfo<THomeKind>& info);

// The keyed files of one test, in one home.
class TStoreFiles
{
protected:
    // Makes the home; a server home is skipped, with the reason, when the
    // run has no server. Call from SetUp and return when it skipped.
    void MakeHome(THomeKind home);
    // The name of a keyed file of the test.
    std::string Path(const std::string& name = "OBDayEnt.Ism") const;
    // The folder (ending in '/') or the server's connection string.
    std::string Location() const;
    // Whether the file is there.
    bool Exists(const std::string& name) const;
    // Creates the file (if missing) and opens it in file, open mode 3.
    void OpenFile(TXIsamFile& file, const std::string& format, const std::string& name = "OBDayEnt.Ism");
    bool OnServer() const { return Database_ != nullptr; }

    TTempDir Dir;

private:
    std::unique_ptr<TTestDatabase> Database_;
};

// Keyed files in a fresh folder.
class TStoreTest : public ::testing::Test, protected TStoreFiles
{
protected:
    void SetUp() override { MakeHome(THomeKind::Folder); }
};

// The same test in both homes of the store: INSTANTIATE_STORE_HOMES(suite).
class TStoreHomesTest : public ::testing::TestWithParam<THomeKind>, protected TStoreFiles
{
protected:
    void SetUp() override { MakeHome(GetParam()); }
};

#define INSTANTIATE_STORE_HOMES(suite) \
    INSTANTIATE_TEST_SUITE_P(Homes, suite, ::testing::Values(THomeKind::Folder, THomeKind::Server), HomeName)
