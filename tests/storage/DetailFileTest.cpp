#include "kfstore/StoreFixture.h"
#include "storage/DetailFile.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace {

// 2026-12-10 (a Thursday) and the days around it, as stamps.
constexpr int64_t kDay = 86400;
constexpr int64_t kThursday = 1796860800;

std::string At(int64_t day, int hour = 0, int minute = 0)
{
    return IdText(kThursday + day * kDay + hour * 3600 + minute * 60);
}

class DetailFileTest : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        Db = Open();
        Records.emplace(*Db);
        Owner = Records->User("ann", "Ann Smith", "AS", urAddEntries);
    }

    std::unique_ptr<TOrbekoDB> Open() { return std::make_unique<TOrbekoDB>(Shell, Location()); }

    // An event as the four files hold it, read back.
    std::string Event(const std::string& stamp, TDayEntryRec& entry, int32_t flags = 0)
    {
        const std::string id = Records->Event(stamp, Owner, {Owner}, "Event", flags);
        EXPECT_TRUE(Db->DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, id));
        return id;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> ids)
    {
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    TScriptedDBShell Shell;
    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Owner;
};

TEST_P(DetailFileTest, ADatabaseWithoutDetailsIsCompleteUntilTheFirstWriteMakesTheFile)
{
    std::unique_ptr<TOrbekoDB> other = Open();  // a workstation that was already running
    TDayEntryRec entry;
    const std::string id = Event(At(0, 10), entry);
    if (!OnServer()) {
        ASSERT_EQ(chmod(Path(TOrbekoDB::DayEntryFileName).c_str(), 0640), 0);
    }
    // Reads find nothing and make nothing.
    EXPECT_TRUE(Db->Details.Event(id, entry).Empty());
    EXPECT_TRUE(Db->Details.ReadDay(At(0)).Heads.empty());
    EXPECT_FALSE(Db->Details.CategoryColour("0000000001"));
    EXPECT_TRUE(Db->Details.UserEmail(Owner).isEmpty());
    EXPECT_FALSE(Db->Details.Exists());
    // Removing what is not there makes nothing either.
    Db->Details.RemoveEvent(id);
    EXPECT_FALSE(Db->Details.Exists());

    TEventDetails details;
    details.Place = QStringLiteral("Room 1");
    Db->Details.WriteEvent(id, entry, details, nullptr);
    EXPECT_TRUE(Db->Details.Exists());
    EXPECT_EQ(other->Details.Event(id, entry), details);
    if (!OnServer()) {
        struct stat made {};
        ASSERT_EQ(stat(Path(TDetailFile::FileName).c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0640u);
    }
}

TEST_P(DetailFileTest, DetailsBelongToTheirEventOnly)
{
    TDayEntryRec entry;
    const std::string id = Event(At(0, 10), entry);
    TEventDetails details;
    details.EndStamp = At(0, 11, 30);
    details.Place = QStringLiteral("Salle \u00e9t\u00e9");
    // Over several pieces, with line breaks and accents across their seams.
    for (int line = 0; line < 60; ++line)
        details.Notes += QStringLiteral("Ligne %1 : caf\u00e9 cr\u00e8me\n").arg(line);
    Db->Details.WriteEvent(id, entry, details, nullptr);
    EXPECT_EQ(Db->Details.Event(id, entry), details);

    struct TCase
    {
        const char* Name;
        std::function<void(TDayEntryRec&)> Change;
        bool Kept;
    };
    const TCase cases[] = {
        {"the event as written", [](TDayEntryRec&) {}, true},
        {"another description", [](TDayEntryRec& e) { SetField(e.Description, "Renamed"); }, true},
        // A deleted event's identifier given to another event.
        {"another start", [](TDayEntryRec& e) { SetField(e.EntryStamp, At(3, 9)); }, false},
        {"another owner", [](TDayEntryRec& e) { SetField(e.OwnerId, "0000000099"); }, false},
    };
    for (const TCase& c : cases) {
        TDayEntryRec other = entry;
        c.Change(other);
        EXPECT_EQ(Db->Details.Event(id, other) == details, c.Kept) << c.Name;
        EXPECT_EQ(Db->Details.Event(id, other).Empty(), !c.Kept) << c.Name;
    }

    // A change of start and owner whose entry write never came: the details
    // stay the event's as stored, and are the changed event's once it is.
    TDayEntryRec moved = entry;
    SetField(moved.EntryStamp, At(1, 8));
    SetField(moved.OwnerId, "0000000042");
    details.EndStamp = At(1, 9);
    details.Place = QStringLiteral("Room 2");
    Db->Details.WriteEvent(id, moved, details, &entry);
    EXPECT_EQ(Db->Details.Event(id, entry), details);
    EXPECT_EQ(Db->Details.Event(id, moved), details);
    EXPECT_EQ(Db->Details.ReadDay(At(1)).Heads.count(id), 1u);
    EXPECT_EQ(Db->Details.ReadDay(At(0)).Heads.count(id), 0u);

    // An end before the start is refused before anything is written.
    details.EndStamp = At(1, 7);
    EXPECT_THROW(Db->Details.WriteEvent(id, moved, details, &entry), std::invalid_argument);
    EXPECT_EQ(Db->Details.Event(id, moved).Place, QStringLiteral("Room 2"));

    Db->Details.RemoveEvent(id);
    EXPECT_TRUE(Db->Details.Event(id, moved).Empty());
    EXPECT_EQ(Db->Details.File().RecordCount(), 0);
}

TEST_P(DetailFileTest, ADayFindsTheEventsThatBeganBeforeIt)
{
    struct TEvent
    {
        const char* Name;
        std::string Start;
        std::string End;
        int32_t Flags;
        std::vector<int> Days;  // after Thursday, on which the event is listed
    };
    const TEvent events[] = {
        {"an hour", At(0, 10), At(0, 11), 0, {0}},
        {"overnight", At(0, 22), At(1, 2), 0, {0, 1}},
        {"to midnight", At(0, 22), At(1), 0, {0}},
        {"three whole days", At(0), At(3), efUntimed, {0, 1, 2}},
        // Thursday to the Tuesday after: into another week.
        {"across a week's end", At(0, 9), At(5, 17), 0, {0, 1, 2, 3, 4, 5}},
        {"for weeks", At(-20), At(20), efUntimed, {-20, -5, 0, 6, 19}},
    };
    std::map<std::string, std::string> names;
    for (const TEvent& e : events) {
        TDayEntryRec entry;
        const std::string id = Event(e.Start, entry, e.Flags);
        names[id] = e.Name;
        TEventDetails details;
        details.EndStamp = e.End;
        Db->Details.WriteEvent(id, entry, details, nullptr);
    }
    for (int day = -21; day <= 21; ++day) {
        const TDetailFile::TDay read = Db->Details.ReadDay(At(day));
        std::vector<std::string> listed;
        for (const auto& [id, head] : read.Heads)
            listed.push_back(names[id]);
        for (const auto& [id, cover] : read.Covering)
            listed.push_back(names[id]);
        std::vector<std::string> expected;
        for (const TEvent& e : events) {
            const bool startsHere = e.Start.substr(0, 10) >= At(day) && e.Start < At(day + 1);
            const bool listedHere = std::find(e.Days.begin(), e.Days.end(), day) != e.Days.end();
            // The table names a few days of the long event; its start and end settle the rest.
            const bool longOne = std::string(e.Name) == "for weeks" && day >= -20 && day < 20;
            if (startsHere || listedHere || longOne)
                expected.push_back(e.Name);
        }
        EXPECT_EQ(Sorted(listed), Sorted(expected)) << "day " << day;
    }
}

TEST_P(DetailFileTest, CategoryColoursAndUserAddressesComeAndGo)
{
    const std::string meeting = Records->Category("Meeting");
    const std::string holiday = Records->Category("Holiday");
    Db->Details.SetCategoryColour(meeting, 0x3366CC);
    Db->Details.SetCategoryColour(holiday, 0xFF8800);
    Db->Details.SetUserEmail(Owner, QStringLiteral("ann@example.org"));
    EXPECT_EQ(Db->Details.CategoryColour(meeting), 0x3366CCu);
    EXPECT_EQ(Db->Details.CategoryColours().size(), 2u);
    EXPECT_EQ(Db->Details.UserEmail(Owner), QStringLiteral("ann@example.org"));

    Db->Details.SetCategoryColour(meeting, std::nullopt);
    Db->Details.RemoveCategory(holiday);
    Db->Details.SetUserEmail(Owner, QString());
    EXPECT_FALSE(Db->Details.CategoryColour(meeting));
    EXPECT_TRUE(Db->Details.CategoryColours().empty());
    EXPECT_TRUE(Db->Details.UserEmail(Owner).isEmpty());
    EXPECT_EQ(Db->Details.File().RecordCount(), 0);
}

// A workstation of the version before details stands here as the store and
// the four records of today: it opens the four files only.
TEST_P(DetailFileTest, AWorkstationThatKeepsNoDetailsWorksAsBefore)
{
    TDayEntryRec entry;
    const std::string id = Event(At(0, 10), entry);
    TEventDetails details;
    details.EndStamp = At(0, 12);
    details.Place = QStringLiteral("Room 1");
    Db->Details.WriteEvent(id, entry, details, nullptr);

    TXIsamFile old;
    ASSERT_TRUE(old.Open(Path(TOrbekoDB::DayEntryFileName), 3)) << old.StatusText();
    TDayEntryRec seen;
    ASSERT_TRUE(old.GetEqual(seen, TOrbekoDB::DayEntryIdKey, id));
    EXPECT_EQ(std::memcmp(&seen, &entry, sizeof entry), 0);

    struct TCase
    {
        const char* Name;
        std::function<void(TDayEntryRec&)> Change;
        bool Kept;
    };
    const TCase cases[] = {
        {"renamed", [](TDayEntryRec& e) { SetField(e.Description, "Renamed"); }, true},
        {"given another category", [](TDayEntryRec& e) { SetField(e.CategoryId, "0000000002"); }, true},
        // Its details no longer say when it ends: they are not shown at all.
        {"moved", [](TDayEntryRec& e) { SetField(e.EntryStamp, At(2, 10)); }, false},
    };
    for (const TCase& c : cases) {
        ASSERT_TRUE(old.GetEqual(seen, TOrbekoDB::DayEntryIdKey, id));
        c.Change(seen);
        ASSERT_TRUE(old.Rewrite(seen, id)) << c.Name;
        TDayEntryRec now;
        ASSERT_TRUE(Db->DayEntryFile.GetEqual(now, TOrbekoDB::DayEntryIdKey, id));
        EXPECT_EQ(Db->Details.Event(id, now) == details, c.Kept) << c.Name;
    }
    // Another connection of today's version opens the folder it shares.
    EXPECT_NO_THROW(Open());
    ASSERT_TRUE(old.Delete(id));
    ASSERT_TRUE(old.Close());
}

INSTANTIATE_STORE_HOMES(DetailFileTest);

// A file of another kind where the details file belongs is told, never written over.
TEST(DetailFileFolder, AForeignFileInItsPlaceIsRefusedAndKept)
{
    TTempDir dir;
    TScriptedDBShell shell;
    { TOrbekoDB made(shell, dir.Path()); }
    const std::string path = dir.File(TDetailFile::FileName);
    std::ofstream(path) << "not a keyed file";
    EXPECT_THROW(TOrbekoDB(shell, dir.Path()), EOrbekoDB);
    std::ifstream kept(path);
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "not a keyed file");
}

}  // namespace
