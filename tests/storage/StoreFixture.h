#pragma once

#include "storage/Records.h"
#include "storage/XIsamFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

// A fresh folder with files made in it.
class TStoreTest : public ::testing::Test
{
protected:
    std::string Path(const std::string& name = "OBDayEnt.Ism") const { return Dir.File(name); }
    // Creates the file (if missing) and opens it in file, open mode 3.
    void OpenFile(TXIsamFile& file, const std::string& format, const std::string& name = "OBDayEnt.Ism");

    TTempDir Dir;
};
