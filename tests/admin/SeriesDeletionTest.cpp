#include "admin/CategoryDeletion.h"
#include "admin/UserDeletion.h"
#include "series/SeriesStore.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

constexpr int64_t kMonday = 1798966800;  // 2027-01-04 09:00
constexpr int64_t kNow = 1798804800;     // 2027-01-02 12:00

class SeriesDeletionTest : public TDatabaseFixture
{
public:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Records.emplace(*Db);
        Ann = Records->User("ann", "Ann Smith", "AS", urAddEntries | urAdminister);
    }

    std::string Weekly(const std::string& owner, const std::vector<std::string>& assignees)
    {
        TSeries series;
        series.RRule = "FREQ=WEEKLY";
        Db->InitDayEntry(series.Template);
        SetField(series.Template.EntryStamp, IdText(kMonday));
        SetField(series.Template.OwnerId, owner);
        SetField(series.Template.CategoryId, Meeting);
        for (std::size_t slot = 0; slot < assignees.size(); ++slot)
            SetField(series.Template.AssigneeIds[slot], assignees[slot]);
        SetField(series.Template.Description, "Staff meeting");
        return TSeriesStore(*Db, kNow).Create(series);
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Ann;
    std::string Bob;
    std::string Meeting;
};

struct TDeletionCase
{
    const char* Why;
    std::function<void(SeriesDeletionTest&)> Run;
    // What a later extension makes: no series at all, or its owner, first
    // assignee and category.
    bool Series;
    const char* Owner;
    const char* Assignee;
    const char* Second;
    const char* Category;
};

// Bob owns the series and Ann and Bob are assigned: the occurrences made
// after the run are made as the run left the others.
const TDeletionCase kCases[] = {
    {"Bob deleted, his events to Ann",
     [](SeriesDeletionTest& t) { TUserDeletion(*t.Db, {t.Bob, t.Ann, t.Ann}).Run(); }, true, "ann", "ann", "", "Meeting"},
    {"Bob deleted with his events",
     [](SeriesDeletionTest& t) { TUserDeletion(*t.Db, {t.Bob, "", ""}).Run(); }, false, "", "", "", ""},
    {"the category deleted",
     [](SeriesDeletionTest& t) { TCategoryDeletion(*t.Db, t.Meeting).Run(); }, true, "bob", "ann", "bob", ""},
};

TEST_F(SeriesDeletionTest, TheDeleteUserRunAndCategoryDeletionChangeTheSeriesAsTheirOccurrences)
{
    for (const TDeletionCase& c : kCases) {
        SCOPED_TRACE(c.Why);
        // A Bob and a category of its own for each case.
        static int round = 0;
        ++round;
        Bob = Records->User("bob" + std::to_string(round), "Bob Jones", "BJ", urAddEntries);
        Meeting = Records->Category("Meeting " + std::to_string(round));
        const std::string id = Weekly(Bob, {Ann, Bob});
        c.Run(*this);
        TSeriesStore later(*Db, kNow + 100 * 86400);
        later.ExtendDue();
        const std::optional<TSeries> series = later.Read(id);
        ASSERT_EQ(series.has_value(), c.Series);
        if (!c.Series) {
            EXPECT_TRUE(later.Occurrences(id).empty());
            continue;
        }
        const std::vector<TOccurrence> made = later.Occurrences(id);
        ASSERT_GT(made.size(), 80u);
        const std::map<std::string, std::string> names = {{Ann, "ann"}, {Bob, "bob"}, {kNoneId, ""}};
        const std::map<std::string, std::string> categories = {{Meeting, "Meeting"}, {kNoneId, ""}};
        ASSERT_EQ(Db->Details.Exists(), true);
        for (const TOccurrence& occurrence : {made.front(), made.back()}) {
            EXPECT_EQ(names.at(FieldText(occurrence.Entry.OwnerId)), c.Owner);
            EXPECT_EQ(names.at(FieldText(occurrence.Entry.AssigneeIds[0])), c.Assignee);
            EXPECT_EQ(names.at(FieldText(occurrence.Entry.AssigneeIds[1])), c.Second);
            EXPECT_EQ(categories.at(FieldText(occurrence.Entry.CategoryId)), c.Category);
        }
    }
}

}  // namespace
