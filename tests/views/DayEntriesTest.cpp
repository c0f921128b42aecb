#include "views/DayEntries.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

TDayEntryRec Entry(const std::string& stamp, int32_t flags, const std::string& description)
{
    TDayEntryRec entry;
    std::memset(&entry, 0, sizeof entry);
    entry.Flags = flags;
    entry.Marker = 1;
    SetField(entry.EntryStamp, stamp);
    SetField(entry.Description, description);
    return entry;
}

std::vector<std::string> Ids(const TDayEntries& list)
{
    std::vector<std::string> ids;
    for (int i = 0; i < list.EntryCount(); ++i)
        ids.push_back(list.GetEntryId(i));
    return ids;
}

std::vector<std::string> Descriptions(const TDayEntries& list)
{
    std::vector<std::string> texts;
    TDayEntryRec entry;
    for (int i = 0; i < list.EntryCount(); ++i) {
        list.GetEntry(i, entry);
        texts.push_back(FieldText(entry.Description));
    }
    return texts;
}

}  // namespace

TEST(DayEntries, NewListIsEmptyAndPutsUntimedFirst)
{
    TDayEntries list;
    EXPECT_EQ(list.EntryCount(), 0);
    EXPECT_TRUE(list.UntimedFirst);
}

TEST(DayEntries, TimedEntriesKeepTheOrderOfAddition)
{
    TDayEntries list;
    list.AddEntry(Entry("0946717200", 0, "09:00"), "0000000003");
    list.AddEntry(Entry("0946722600", 0, "10:30"), "0000000001");
    list.AddEntry(Entry("0946735200", 0, "14:00"), "0000000002");
    EXPECT_EQ(Ids(list), (std::vector<std::string>{"0000000003", "0000000001", "0000000002"}));
    EXPECT_EQ(Descriptions(list), (std::vector<std::string>{"09:00", "10:30", "14:00"}));
}

struct TPlacementCase
{
    bool UntimedFirst;
    std::vector<int32_t> Flags;  // of entries "0000000001", "0000000002", ... in order of addition
    std::vector<std::string> Order;
};

class DayEntriesPlacement : public ::testing::TestWithParam<TPlacementCase>
{
};

TEST_P(DayEntriesPlacement, UntimedToTheHeadOnlyWhileUntimedFirst)
{
    TDayEntries list;
    list.UntimedFirst = GetParam().UntimedFirst;
    int n = 0;
    for (int32_t flags : GetParam().Flags) {
        ++n;
        const std::string id = "000000000" + std::to_string(n);
        list.AddEntry(Entry("0946684800", flags, "entry " + id), id);
    }
    std::vector<std::string> expected;
    for (const std::string& id : GetParam().Order)
        expected.push_back("000000000" + id);
    EXPECT_EQ(Ids(list), expected);
    std::vector<std::string> descriptions;
    for (const std::string& id : expected)
        descriptions.push_back("entry " + id);
    EXPECT_EQ(Descriptions(list), descriptions);  // each id stays with its record
}

// T1 (timed), U1 (un-timed), T2, U2 as entries 1 to 4.
INSTANTIATE_TEST_SUITE_P(
    Table, DayEntriesPlacement,
    ::testing::Values(TPlacementCase{true, {0, efUntimed, 0, efUntimed}, {"4", "2", "1", "3"}},
                      TPlacementCase{false, {0, efUntimed, 0, efUntimed}, {"1", "2", "3", "4"}},
                      // private plays no part: un-timed private to the head, timed private to the end
                      TPlacementCase{true, {0, efUntimed | efPrivate, efPrivate}, {"2", "1", "3"}},
                      TPlacementCase{true, {efUntimed, efUntimed, efUntimed}, {"3", "2", "1"}},
                      TPlacementCase{true, {efPrivate, 4, 8, 0}, {"1", "2", "3", "4"}}));

TEST(DayEntries, DuplicateIdentifiersAreKept)
{
    TDayEntries list;
    list.AddEntry(Entry("0946684800", 0, "first"), "0000000005");
    list.AddEntry(Entry("0946688400", 0, "second"), "0000000005");
    EXPECT_EQ(list.EntryCount(), 2);
    EXPECT_EQ(Descriptions(list), (std::vector<std::string>{"first", "second"}));
}

TEST(DayEntries, KeepsTheWholeRecordByteForByte)
{
    TDayEntryRec source;
    auto* bytes = reinterpret_cast<unsigned char*>(&source);
    for (std::size_t i = 0; i < sizeof source; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    source.Flags = 0;
    TDayEntries list;
    list.AddEntry(source, "0000000009");
    TDayEntryRec copy;
    std::memset(&copy, 0, sizeof copy);
    list.GetEntry(0, copy);
    EXPECT_EQ(std::memcmp(&copy, &source, sizeof source), 0);
}

TEST(DayEntries, EntriesAreIndependentCopies)
{
    TDayEntryRec source = Entry("0946684800", 0, "original");
    TDayEntries list;
    list.AddEntry(source, "0000000001");
    SetField(source.Description, "changed source");

    TDayEntryRec copy;
    list.GetEntry(0, copy);
    EXPECT_EQ(FieldText(copy.Description), "original");
    SetField(copy.Description, "changed copy");
    list.GetEntry(0, copy);
    EXPECT_EQ(FieldText(copy.Description), "original");
}

TEST(DayEntries, ClearForgetsEveryEntryAndAllowsRefill)
{
    TDayEntries list;
    list.ClearEntries();
    EXPECT_EQ(list.EntryCount(), 0);

    list.AddEntry(Entry("0946684800", 0, "a"), "0000000001");
    list.AddEntry(Entry("0946684800", efUntimed, "b"), "0000000002");
    list.ClearEntries();
    EXPECT_EQ(list.EntryCount(), 0);
    EXPECT_THROW(list.GetEntryId(0), std::out_of_range);

    list.AddEntry(Entry("0946684800", 0, "c"), "0000000003");
    EXPECT_EQ(Ids(list), (std::vector<std::string>{"0000000003"}));
    EXPECT_EQ(Descriptions(list), (std::vector<std::string>{"c"}));
}

class DayEntriesIndex : public ::testing::TestWithParam<int>
{
};

TEST_P(DayEntriesIndex, OutsideTheListRaisesAndChangesNothing)
{
    TDayEntries list;
    list.AddEntry(Entry("0946684800", 0, "one"), "0000000001");
    list.AddEntry(Entry("0946688400", 0, "two"), "0000000002");
    TDayEntryRec untouched = Entry("0000000000", 0, "caller's");
    EXPECT_THROW(list.GetEntry(GetParam(), untouched), std::out_of_range);
    EXPECT_EQ(FieldText(untouched.Description), "caller's");
    EXPECT_THROW(list.GetEntryId(GetParam()), std::out_of_range);
    EXPECT_EQ(list.EntryCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Table, DayEntriesIndex, ::testing::Values(-1, 2, 3, 1000));
