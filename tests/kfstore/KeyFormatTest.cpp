#include "kfstore/KeyFormat.h"
#include "kfstore/KeyOrder.h"
#include "kfstore/PrimaryKey.h"
#include "kfstore/folder/LockFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct TFormatCase
{
    const char* Name;
    const char* Text;
    int RecordSize;
    std::vector<int> IndexedKeys;
};

class KeyFormatValid : public ::testing::TestWithParam<TFormatCase>
{
};

TEST_P(KeyFormatValid, GivesRecordSizeAndIndexedKeys)
{
    const auto format = TKeyFormat::Parse(GetParam().Text);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->RecordSize(), GetParam().RecordSize);
    EXPECT_EQ(format->IndexedKeys(), GetParam().IndexedKeys);
    EXPECT_TRUE(format->IsKey(0));
    for (int key : GetParam().IndexedKeys)
        EXPECT_TRUE(format->IsKey(key));
}

INSTANTIATE_TEST_SUITE_P(Formats, KeyFormatValid,
                         ::testing::Values(TFormatCase{"Users", "&,$*31,X$*11,$*11,$*11", 68, {3}},
                                           TFormatCase{"Alarms", "&,X$*11,X$*11,$*11,X$*21", 58, {2, 3, 5}},
                                           TFormatCase{"Categories", "X$*31", 31, {1}},
                                           TFormatCase{"DayEntries", "&,%,X$*11,$*11,$*11,$*255,R20$*11", 514, {3}},
                                           TFormatCase{"OneInteger", "%", 2, {}},
                                           TFormatCase{"RepeatedThenIndexed", "R3$*5,X$*1", 16, {2}}),
                         [](const auto& info) { return std::string(info.param.Name); });

class KeyFormatInvalid : public ::testing::TestWithParam<const char*>
{
};

TEST_P(KeyFormatInvalid, IsRefused)
{
    EXPECT_FALSE(TKeyFormat::Parse(GetParam())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Formats, KeyFormatInvalid,
                         ::testing::Values("", ",", "&,", ",&", "X&", "X%", "XR2$*5", "$*0", "$*", "$*x", "Y$*5",
                                           "x$*5", "$*11 ", " $*11", "R$*5", "R0$*5", "R2&", "$*70000",
                                           "$*40000,$*40000", "&&", "$11", "R65535$*65535",
                                           "R65535$*65535,X$*11", "R65536$*1", "R2$*32768,&"),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(KeyFormat, KeyNumbersAreSegmentsCountedFromOne)
{
    const auto format = TKeyFormat::Parse("&,X$*11,X$*11,$*11,X$*21");
    ASSERT_TRUE(format);
    EXPECT_FALSE(format->IsKey(1));
    EXPECT_TRUE(format->IsKey(2));
    EXPECT_FALSE(format->IsKey(4));
    EXPECT_FALSE(format->IsKey(6));
    EXPECT_FALSE(format->IsKey(-1));
}

TEST(KeyFormat, KeyValueIsTheFieldUpToItsNulOrItsWholeWidth)
{
    const auto format = TKeyFormat::Parse("&,X$*4,X$*3");
    ASSERT_TRUE(format);
    char record[11];
    std::memcpy(record, "\1\0\0\0ab\0zxyz", 11);
    EXPECT_EQ(format->KeyValue(record, 2), "ab");
    EXPECT_EQ(format->KeyValue(record, 3), "xyz");
}

TEST(KeyFormat, IndexedSegmentsAreLimited)
{
    std::string format = "X$*1";
    for (int i = 1; i < TKeyFormat::kMaxIndexedKeys; ++i)
        format += ",X$*1";
    EXPECT_TRUE(TKeyFormat::Parse(format));
    EXPECT_FALSE(TKeyFormat::Parse(format + ",X$*1"));
    EXPECT_TRUE(TKeyFormat::Parse(format + ",$*1"));
}

struct TOrderCase
{
    const char* Name;
    const char* Left;
    const char* Right;
    int Sign;
};

class KeyOrderCompare : public ::testing::TestWithParam<TOrderCase>
{
};

TEST_P(KeyOrderCompare, OrdersLikeTheEngine)
{
    const int c = CompareKeys(GetParam().Left, GetParam().Right);
    EXPECT_EQ((c > 0) - (c < 0), GetParam().Sign) << GetParam().Left << " vs " << GetParam().Right;
    const int back = CompareKeys(GetParam().Right, GetParam().Left);
    EXPECT_EQ((back > 0) - (back < 0), -GetParam().Sign);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyOrderCompare,
                         ::testing::Values(TOrderCase{"CaseIgnored", "SMITH", "smith", 0},
                                           TOrderCase{"Bytes", "abc", "abd", -1},
                                           TOrderCase{"PrefixFirst", "ab", "abc", -1},
                                           TOrderCase{"EmptyFirst", "", "a", -1},
                                           TOrderCase{"LettersFolded", "Zeta", "alpha", 1},
                                           TOrderCase{"UnderscoreBeforeLower", "_", "a", -1},
                                           TOrderCase{"UnderscoreBeforeUpper", "_", "A", -1},
                                           TOrderCase{"HighBytesLast", "z", "\xe9", -1},
                                           TOrderCase{"Digits", "0000000009", "0000000010", -1}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(KeyOrder, PrefixIgnoresCase)
{
    EXPECT_TRUE(KeyStartsWith("00000000070946724400", "0000000007"));
    EXPECT_TRUE(KeyStartsWith("Meeting room", "MEET"));
    EXPECT_TRUE(KeyStartsWith("abc", ""));
    EXPECT_FALSE(KeyStartsWith("0000000017", "0000000007"));
    EXPECT_FALSE(KeyStartsWith("abc", "abcd"));
}

TEST(LockFile, NumericKeysLockTheirNumberAndTextKeysAHashedByte)
{
    EXPECT_EQ(PrimaryKey::LockSlot("0000000042"), 42);
    EXPECT_EQ(PrimaryKey::LockSlot("9999999999"), 9999999999);
    const int64_t text = PrimaryKey::LockSlot("Meeting");
    EXPECT_GE(text, PrimaryKey::kTextLockSlots);
    EXPECT_LT(text, TLockFile::kWriterQueue);
    EXPECT_EQ(text, PrimaryKey::LockSlot("MEETING"));
    EXPECT_NE(text, PrimaryKey::LockSlot("Meetings"));
    EXPECT_GE(PrimaryKey::LockSlot("0000000000000000001"), PrimaryKey::kTextLockSlots);  // 19 digits
}

}  // namespace
