#include "kfstore/StoreFixture.h"
#include "series/SeriesStore.h"
#include "storage/DatabaseCheck.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr int64_t kMonday = 1798966800;  // 2027-01-04 09:00
constexpr int64_t kNow = 1798804800;     // 2027-01-02 12:00

class SeriesCheckTest : public TStoreHomesTest
{
public:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        Db = std::make_unique<TOrbekoDB>(Shell, Location());
        Records.emplace(*Db);
        Ann = Records->User("ann", "Ann Smith", "AS", urAddEntries);
    }

    std::vector<TProblem> Check()
    {
        std::vector<TProblem> found;
        TDatabaseCheck([&found](const TProblem& problem) { found.push_back(problem); }).CheckQuiet(Location());
        return found;
    }

    std::string Mondays()
    {
        TSeries series;
        series.RRule = "FREQ=WEEKLY;COUNT=4";
        Db->InitDayEntry(series.Template);
        SetField(series.Template.EntryStamp, IdText(kMonday));
        SetField(series.Template.OwnerId, Ann);
        SetField(series.Template.AssigneeIds[0], Ann);
        SetField(series.Template.Description, "Staff meeting");
        series.Details.Place = "Room 4";
        return TSeriesStore(*Db, kNow).Create(series);
    }

    // The pieces of a subject, by primary key.
    std::vector<std::string> Pieces(const std::string& prefix)
    {
        std::vector<std::string> keys;
        TDetailRec piece;
        TKeyWalk walk = TKeyWalk::Prefix(Db->Details.File(), TDetailFile::SubjectKey, prefix);
        while (walk.Next(piece))
            keys.push_back(walk.Id());
        return keys;
    }

    TScriptedDBShell Shell;
    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Ann;
};

struct TBrokenCase
{
    const char* Why;
    // Breaks the series; the number of problems and a text each must hold.
    std::function<void(SeriesCheckTest&, const std::string& series)> Break;
    std::size_t Problems;
    const char* Text;
};

const TBrokenCase kCases[] = {
    {"a sound series", [](SeriesCheckTest&, const std::string&) {}, 0, ""},
    {"a changed occurrence keeps its start",
     [](SeriesCheckTest& t, const std::string& id) {
         TSeriesStore store(*t.Db, kNow);
         TOccurrence occurrence = store.Occurrences(id)[1];
         TDayEntryRec moved = occurrence.Entry;
         SetField(moved.EntryStamp, IdText(kMonday + 8 * 86400));
         t.Db->Details.WriteEvent(occurrence.EventId, moved, {}, &occurrence.Entry);
         ASSERT_TRUE(t.Db->DayEntryFile.Rewrite(moved, occurrence.EventId));
         store.MarkChanged(occurrence.EventId, moved);
     },
     0, ""},
    {"the series' head gone",
     [](SeriesCheckTest& t, const std::string& id) {
         for (const std::string& key : t.Pieces("R" + id + "H"))
             ASSERT_TRUE(t.Db->Details.File().Delete(key));
     },
     4 + 1, "series"},  // the four links, and the template piece
    {"an occurrence's link on a start the rule never gives",
     [](SeriesCheckTest& t, const std::string& id) {
         const TOccurrence occurrence = TSeriesStore(*t.Db, kNow).Occurrences(id)[2];
         const std::vector<std::string> keys = t.Pieces("E" + occurrence.EventId + "L");
         ASSERT_EQ(keys.size(), 1u);
         TDetailRec link;
         ASSERT_TRUE(FindRecord(t.Db->Details.File(), link, TDetailFile::IdKey, keys[0]));
         SetField(link.EndStamp, IdText(kMonday + 3600));
         ASSERT_TRUE(t.Db->Details.File().Rewrite(link, keys[0]));
     },
     1, "is not one that its series' rule gives"},
};

TEST_P(SeriesCheckTest, TheCheckKnowsSeriesAndNamesWhatIsBrokenInThem)
{
    for (const TBrokenCase& c : kCases) {
        SCOPED_TRACE(c.Why);
        const std::string id = Mondays();
        c.Break(*this, id);
        const std::vector<TProblem> problems = Check();
        EXPECT_EQ(problems.size(), c.Problems);
        for (const TProblem& problem : problems) {
            EXPECT_EQ(problem.File, TDetailFile::FileName);
            EXPECT_NE(problem.Text.find(c.Text), std::string::npos) << problem.Text;
        }
        // Cleared for the next: the occurrences, then whatever is left of the series.
        for (const TOccurrence& occurrence : TSeriesStore(*Db, kNow).Occurrences(id)) {
            ASSERT_TRUE(Db->DayEntryFile.Delete(occurrence.EventId));
            Db->Details.RemoveEvent(occurrence.EventId);
        }
        TSeriesStore(*Db, kNow).DeleteAll(id);
        Db->Details.ReplaceSubject("R" + id, {});
        TDayEntryRec entry;
        TKeyWalk walk = TKeyWalk::All(Db->DayEntryFile, TOrbekoDB::DayEntryIdKey);
        std::vector<std::string> left;
        while (walk.Next(entry))
            left.push_back(walk.Id());
        for (const std::string& event : left) {
            Db->DayEntryFile.Delete(event);
            Db->Details.RemoveEvent(event);
        }
        for (const std::string& key : Pieces("E"))
            Db->Details.File().Delete(key);
    }
}

INSTANTIATE_STORE_HOMES(SeriesCheckTest);

}  // namespace
