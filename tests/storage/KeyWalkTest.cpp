#include "kfstore/StoreFixture.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class KeyWalkTest : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        OpenFile(File, kDayEntryFormat);
        for (const char* stamp : {"0000000200", "0000000100", "0000000300", "0000000400"})
            ASSERT_TRUE(File.Add(MakeEntry(stamp, stamp), "")) << File.StatusText();
    }

    static std::vector<std::string> Ids(TKeyWalk walk)
    {
        std::vector<std::string> ids;
        TDayEntryRec entry;
        while (walk.Next(entry))
            ids.push_back(walk.Id());
        return ids;
    }

    TXIsamFile File;
};

// The walks the program makes, each to the end of its data.
TEST_P(KeyWalkTest, WalksEndAtTheEndOfTheirData)
{
    using TIds = std::vector<std::string>;
    const auto stamp = TOrbekoDB::DayEntryStampKey;
    EXPECT_EQ(Ids(TKeyWalk::All(File, 0)), (TIds{"0000000001", "0000000002", "0000000003", "0000000004"}));
    EXPECT_EQ(Ids(TKeyWalk::All(File, stamp)), (TIds{"0000000002", "0000000001", "0000000003", "0000000004"}));
    // A first key that no record has still starts the range where it would lie.
    EXPECT_EQ(Ids(TKeyWalk::From(File, stamp, "0000000150", "0000000400", gcBelow)),
              (TIds{"0000000001", "0000000003"}));
    EXPECT_EQ(Ids(TKeyWalk::From(File, stamp, "0000000100", "0000000300", gcUpTo)),
              (TIds{"0000000002", "0000000001", "0000000003"}));
    EXPECT_EQ(Ids(TKeyWalk::Prefix(File, stamp, "00000003")), (TIds{"0000000003"}));
    EXPECT_EQ(Ids(TKeyWalk::Prefix(File, stamp, "9")), TIds{});

    TXIsamFile empty;
    OpenFile(empty, kCategoryFormat, "OBCat.Ism");
    TCategoryRec category;
    EXPECT_FALSE(TKeyWalk::All(empty, 0).Next(category));
}

TEST_P(KeyWalkTest, FindIsFalseOnlyForNotFound)
{
    TDayEntryRec entry;
    EXPECT_TRUE(FindRecord(File, entry, 0, "0000000003"));
    EXPECT_EQ(FieldText(entry.Description), "0000000300");
    EXPECT_FALSE(FindRecord(File, entry, 0, "0000000009"));
}

// A read that fails for another reason than the end raises with the file's
// status instead of passing for "no more" or "no such record".
TEST_P(KeyWalkTest, AFailedReadRaisesTheStatusText)
{
    File.Close();
    TDayEntryRec entry;
    const std::function<void()> reads[] = {
        [&] { FindRecord(File, entry, 0, "0000000001"); },
        [&] { TKeyWalk::All(File, 0).Next(entry); },
        [&] { TKeyWalk::From(File, 3, "0000000100", "0000000400", gcBelow).Next(entry); },
        [&] { TKeyWalk::Prefix(File, 3, "0").Next(entry); },
    };
    for (const auto& read : reads) {
        try {
            read();
            ADD_FAILURE() << "no exception";
        } catch (const EOrbekoDB& error) {
            EXPECT_EQ(std::string(error.what()), TXIsamFile::StatusText(4));
        }
    }
}

INSTANTIATE_STORE_HOMES(KeyWalkTest);

}  // namespace
