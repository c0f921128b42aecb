#include "prefs/FilterRules.h"
#include "storage/Stamp.h"
#include "support/SessionWithRights.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

namespace {

const std::string kMe = "0000000003";
const std::string kOther = "0000000005";
const std::string kThird = "0000000009";

// A day entry owned by owner, assigned to the users of the given slots;
// unused slots hold "0000000000".
TDayEntryRec Entry(const std::string& owner, const std::map<int, std::string>& assignees, int32_t flags = 0)
{
    TDayEntryRec entry;
    std::memset(&entry, 0, sizeof entry);
    entry.Flags = flags;
    entry.Marker = 1;
    SetField(entry.EntryStamp, "0946684800");
    SetField(entry.OwnerId, owner);
    SetField(entry.CategoryId, "0000000000");
    SetField(entry.Description, "meeting");
    for (auto& slot : entry.AssigneeIds)
        SetField(slot, "0000000000");
    for (const auto& [slot, user] : assignees)
        SetField(entry.AssigneeIds[slot], user);
    return entry;
}

// entry with slot's 11 bytes written as given, NULs and all.
TDayEntryRec WithRawSlot(TDayEntryRec entry, int slot, const char (&bytes)[12])
{
    std::memcpy(entry.AssigneeIds[slot], bytes, sizeof entry.AssigneeIds[slot]);
    return entry;
}

TFilterRules Rules(uint8_t mode, const std::vector<std::string>& users = {})
{
    TFilterRules rules;
    rules.Mode = mode;
    for (const std::string& user : users)
        rules.AddUser(user);
    return rules;
}

}  // namespace

TEST(FilterRules, NewRulesShowAllEventsAndListNobody)
{
    TFilterRules rules;
    EXPECT_EQ(rules.Mode, fmAllEvents);
    EXPECT_FALSE(rules.HasUser(kMe));
    EXPECT_TRUE(rules.Passes(kMe, Entry(kOther, {})));
}

struct TPassCase
{
    const char* Name;
    uint8_t Mode;
    std::vector<std::string> Users;
    TDayEntryRec Entry;
    bool Passes;  // for kMe
};

void PrintTo(const TPassCase& c, std::ostream* os)
{
    *os << c.Name;
}

class FilterRulesPasses : public ::testing::TestWithParam<TPassCase>
{
};

TEST_P(FilterRulesPasses, ForMe)
{
    const TPassCase& c = GetParam();
    EXPECT_EQ(Rules(c.Mode, c.Users).Passes(kMe, c.Entry), c.Passes) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FilterRulesPasses,
    ::testing::Values(
        TPassCase{"all: nobody assigned", fmAllEvents, {}, Entry(kOther, {}), true},
        TPassCase{"all: others only", fmAllEvents, {}, Entry(kOther, {{0, kOther}}), true},
        TPassCase{"me: slot 0", fmJustForMe, {}, Entry(kOther, {{0, kMe}}), true},
        TPassCase{"me: slot 7 after others", fmJustForMe, {}, Entry(kOther, {{0, kOther}, {7, kMe}}), true},
        TPassCase{"me: slot 19", fmJustForMe, {}, Entry(kOther, {{19, kMe}}), true},
        TPassCase{"me: owner, not assigned", fmJustForMe, {}, Entry(kMe, {{0, kOther}}), false},
        TPassCase{"me: nobody assigned", fmJustForMe, {}, Entry(kMe, {}), false},
        TPassCase{"me: the list plays no part", fmJustForMe, {kOther}, Entry(kOther, {{0, kOther}}), false},
        TPassCase{"users: listed in slot 19", fmListedUsers, {kThird, kOther}, Entry(kMe, {{19, kOther}}), true},
        TPassCase{"users: second listed", fmListedUsers, {kOther, kThird}, Entry(kMe, {{0, kMe}, {1, kThird}}), true},
        TPassCase{"users: none listed assigned", fmListedUsers, {kOther}, Entry(kOther, {{0, kMe}}), false},
        TPassCase{"users: owner listed, not assigned", fmListedUsers, {kOther}, Entry(kOther, {{0, kMe}}), false},
        TPassCase{"users: empty list", fmListedUsers, {}, Entry(kMe, {{0, kMe}, {19, kOther}}), false},
        TPassCase{"users: a prefix is no match", fmListedUsers, {"000000000"}, Entry(kMe, {{0, kOther}}), false},
        TPassCase{"me: a slot of my identifier and its NUL", fmJustForMe, {},
                  WithRawSlot(Entry(kOther, {}), 2, "0000000003\0"), true},
        TPassCase{"me: a slot without NUL is read whole", fmJustForMe, {},
                  WithRawSlot(Entry(kOther, {}), 2, "00000000039"), false},
        TPassCase{"users: bytes after the NUL play no part", fmListedUsers, {"42"},
                  WithRawSlot(Entry(kMe, {}), 5, "42\0garbage!"), true},
        TPassCase{"users: a slot without NUL is read whole", fmListedUsers, {kOther, "00000000059"},
                  WithRawSlot(Entry(kMe, {}), 5, "00000000059"), true},
        TPassCase{"users: an empty slot is no listed user", fmListedUsers, {kOther},
                  WithRawSlot(Entry(kMe, {}), 0, "\0\0\0\0\0\0\0\0\0\0\0"), false},
        TPassCase{"unknown mode 3", 3, {kMe}, Entry(kMe, {{0, kMe}}), false},
        TPassCase{"unknown mode 255", 255, {kMe}, Entry(kMe, {{0, kMe}}), false}));

TEST(FilterRules, HasUserFindsEveryUserWhateverTheOrderOfAdding)
{
    TFilterRules rules;
    for (int id : {9, 2, 17, 1, 5, 12})
        rules.AddUser(IdText(id));
    for (int id : {1, 2, 5, 9, 12, 17})
        EXPECT_TRUE(rules.HasUser(IdText(id))) << id;
    for (int id : {0, 3, 4, 10, 18})
        EXPECT_FALSE(rules.HasUser(IdText(id))) << id;
}

TEST(FilterRules, DuplicateUserRaisesAndKeepsTheList)
{
    TFilterRules rules = Rules(fmListedUsers, {kOther, kThird});
    try {
        rules.AddUser(kOther);
        FAIL() << "duplicate accepted";
    } catch (const EFilterRules& e) {
        EXPECT_STREQ(e.what(), "String list does not allow duplicates");
    }
    EXPECT_TRUE(rules.HasUser(kOther));
    EXPECT_TRUE(rules.HasUser(kThird));
    rules.ClearUsers();
    EXPECT_FALSE(rules.HasUser(kOther));
    EXPECT_NO_THROW(rules.AddUser(kOther));
    EXPECT_FALSE(rules.Passes(kMe, Entry(kMe, {{0, kThird}})));
    EXPECT_TRUE(rules.Passes(kMe, Entry(kMe, {{0, kOther}})));
}

TEST(FilterRules, ListSurvivesOtherModes)
{
    TFilterRules rules = Rules(fmListedUsers, {kOther});
    rules.Mode = fmAllEvents;
    EXPECT_TRUE(rules.HasUser(kOther));
    rules.Mode = fmListedUsers;
    EXPECT_TRUE(rules.Passes(kMe, Entry(kMe, {{4, kOther}})));
}

struct TVisibleCase
{
    const char* Name;
    uint8_t Mode;
    std::vector<std::string> Users;
    TDayEntryRec Entry;
    int32_t MyFlags;
    bool Visible;  // to kMe
};

void PrintTo(const TVisibleCase& c, std::ostream* os)
{
    *os << c.Name;
}

class FilterRulesEntryVisible : public ::testing::TestWithParam<TVisibleCase>
{
};

TEST_P(FilterRulesEntryVisible, ToMe)
{
    const TVisibleCase& c = GetParam();
    EXPECT_EQ(EntryVisible(c.Entry, Rules(c.Mode, c.Users), SessionWithRights(kMe, c.MyFlags)), c.Visible) << c.Name;
}

constexpr int32_t kAllButAdmin = urAddEntries | urModifyOthers | urAddForOthers;
constexpr int32_t kAdmin = urAdminister;

INSTANTIATE_TEST_SUITE_P(
    Table, FilterRulesEntryVisible,
    ::testing::Values(
        TVisibleCase{"public of others", fmAllEvents, {}, Entry(kOther, {{0, kOther}}), 0, true},
        TVisibleCase{"private of others, no admin", fmAllEvents, {}, Entry(kOther, {{0, kOther}}, efPrivate),
                     kAllButAdmin, false},
        TVisibleCase{"private of others, admin", fmAllEvents, {}, Entry(kOther, {{0, kOther}}, efPrivate), kAdmin,
                     true},
        TVisibleCase{"private I own for others, no admin", fmAllEvents, {}, Entry(kMe, {{0, kOther}}, efPrivate),
                     urAddEntries, false},
        TVisibleCase{"private for me in slot 19, no admin", fmAllEvents, {},
                     Entry(kOther, {{0, kOther}, {19, kMe}}, efPrivate), 0, true},
        TVisibleCase{"un-timed private of others, no admin", fmAllEvents, {},
                     Entry(kOther, {{0, kOther}}, efUntimed | efPrivate), 0, false},
        TVisibleCase{"un-timed public of others", fmAllEvents, {}, Entry(kOther, {{0, kOther}}, efUntimed), 0, true},
        TVisibleCase{"filter first: admin, mode me", fmJustForMe, {}, Entry(kOther, {{0, kOther}}, efPrivate),
                     kAdmin, false},
        TVisibleCase{"private for me, mode me", fmJustForMe, {}, Entry(kOther, {{3, kMe}}, efPrivate), 0, true},
        TVisibleCase{"private of listed user, no admin", fmListedUsers, {kOther},
                     Entry(kOther, {{0, kOther}}, efPrivate), kAllButAdmin, false},
        TVisibleCase{"private of listed user, admin", fmListedUsers, {kOther},
                     Entry(kOther, {{0, kOther}}, efPrivate), kAdmin | urAddEntries, true},
        TVisibleCase{"private for me and listed user", fmListedUsers, {kOther},
                     Entry(kOther, {{0, kOther}, {1, kMe}}, efPrivate), 0, true},
        TVisibleCase{"empty list hides all, admin", fmListedUsers, {}, Entry(kMe, {{0, kMe}}), kAdmin, false}));
