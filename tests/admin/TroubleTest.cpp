#include "support/RecordsFixture.h"
#include "admin/EventLines.h"
#include "admin/frmTrouble.h"
#include "support/ChildProcess.h"

#include <QListView>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>
#include <cstddef>
#include <functional>

namespace {

constexpr int64_t kNine = 983782800;  // 09:00:00 05/03/01
constexpr int64_t kHour = 3600;

// Another workstation adds an alarm at stamp args[1] for event args[2] and
// user args[3] to the alarm file args[0].
ORBEKO_CHILD_ROLE(AddAlarm)
{
    TXIsamFile file;
    if (!file.Open(args[0], 3))
        return 1;
    TAlarmRec alarm{};
    alarm.Flags = afAlarmed;
    SetField(alarm.EntryId, args[2]);
    SetAlarmUser(alarm, args[3]);
    SetAlarmStamp(alarm, args[1]);
    return file.Add(alarm, "") ? 0 : 1;
}

QStringList Lines(const QListView& list)
{
    QStringList lines;
    const QAbstractItemModel& model = *list.model();
    for (int row = 0; row < model.rowCount(); ++row)
        lines << model.data(model.index(row, 0), Qt::DisplayRole).toString();
    return lines;
}

class TroubleTest : public TRecordsFixture
{
protected:
    int Run(const std::function<void()>& inside) { return RunThenClose(Form, inside); }

    TfrmTrouble Form;
};

// A user and an event that are gone show as ERR; the alarms come in order
// of their due times and the events in order of theirs.
TEST_F(TroubleTest, ListsNameWhatIsReferredToAndErrWhatIsGone)
{
    const std::string ann = AddUser("Ann Archer");
    const std::string bob = AddUser("Bob Baker");
    const std::string cid = AddUser("Cid Cole");
    const std::string meeting = Records->Event(IdText(kNine + kHour), ann, {ann}, "Team meeting");
    const std::string gone = Records->Event(IdText(kNine + 2 * kHour), bob, {bob}, "Dentist");
    Records->Event(IdText(kNine), cid, {cid}, "Budget");
    Records->Alarm(meeting, cid, IdText(kNine + 2 * kHour));
    Records->Alarm(meeting, ann, IdText(kNine + kHour));
    Records->Alarm(gone, bob, IdText(kNine));
    ASSERT_TRUE(Db->UserFile.Delete(cid));
    ASSERT_TRUE(Db->DayEntryFile.Delete(gone));

    const int result = Run([this] {
        EXPECT_EQ(Form.pgTrouble->currentWidget(), Form.tabAlarms);
        EXPECT_EQ(Lines(*Form.lstAlarms),
                  QStringList({"Time = 09:00:00 05/03/01, User = Bob Baker, Description = ERR",
                               "Time = 10:00:00 05/03/01, User = Ann Archer, Description = Team meeting",
                               "Time = 11:00:00 05/03/01, User = ERR, Description = Team meeting"}));
        SaveShot(Form, "troubleshooting-alarms.png");
        EXPECT_TRUE(Lines(*Form.lstEvents).isEmpty()) << "read only once its page is chosen";
        Form.pgTrouble->setCurrentWidget(Form.tabEvents);
        EXPECT_EQ(Lines(*Form.lstEvents),
                  QStringList({"Time = 09:00:00 05/03/01, Owner = ERR, Description = ERR",
                               "Time = 10:00:00 05/03/01, Owner = Ann Archer, Description = Team meeting"}));
        SaveShot(Form, "troubleshooting-events.png");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Form.windowTitle(), "Troubleshooting");
    EXPECT_EQ(Form.pgTrouble->tabText(0), "Alarms");
    EXPECT_EQ(Form.pgTrouble->tabText(1), "Events");
    EXPECT_EQ(Form.lstAlarms->model()->rowCount(), 0) << "the lines are let go on closing";
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(TroubleTest, ChoosingAPageReadsItsListAgain)
{
    const std::string ann = AddUser("Ann Archer");
    const std::string meeting = Records->Event(IdText(kNine), ann, {ann}, "Team meeting");
    Records->Alarm(meeting, ann, IdText(kNine));
    Run([&] {
        EXPECT_EQ(Lines(*Form.lstAlarms).size(), 1);
        TChildProcess other("AddAlarm", {Db->AlarmFile.FileName(), IdText(kNine - kHour), meeting, ann});
        ASSERT_EQ(other.Wait(), 0);
        EXPECT_EQ(Lines(*Form.lstAlarms).size(), 1);
        Form.pgTrouble->setCurrentWidget(Form.tabEvents);
        Form.pgTrouble->setCurrentWidget(Form.tabAlarms);
        EXPECT_EQ(Lines(*Form.lstAlarms),
                  QStringList({"Time = 08:00:00 05/03/01, User = Ann Archer, Description = Team meeting",
                               "Time = 09:00:00 05/03/01, User = Ann Archer, Description = Team meeting"}));
    });
}

TEST_F(TroubleTest, EmptyFilesGiveEmptyLists)
{
    Run([this] {
        EXPECT_TRUE(Lines(*Form.lstAlarms).isEmpty());
        Form.pgTrouble->setCurrentWidget(Form.tabEvents);
        EXPECT_TRUE(Lines(*Form.lstEvents).isEmpty());
        EXPECT_FALSE(Form.lstEvents->model()->canFetchMore({}));
    });
    EXPECT_TRUE(Messages.Shown().empty());
}

// Between two parts of a walk another reader moves the file's position and
// the record read last and the one after it are deleted: the walk still
// goes on after the last record it read, in key order, skipping nothing.
TEST_F(TroubleTest, AWalkFindsItsWayBackAfterOthersMovedThePosition)
{
    const std::string ann = AddUser("Ann");
    std::vector<std::pair<int64_t, std::string>> order;
    for (int i = 0; i < 30; ++i) {
        const int64_t stamp = kNine + (i % 3) * kHour;
        order.emplace_back(stamp, Records->Event(IdText(stamp), ann, {ann}, "Event " + std::to_string(i)));
    }
    std::sort(order.begin(), order.end());
    std::vector<std::string> read;
    TDayEntryRec entry;
    TWalkPlace place;
    const auto readPart = [&](std::size_t upTo) {
        TKeyWalk walk = ResumeWalk(Db->DayEntryFile, TOrbekoDB::DayEntryStampKey, place);
        while (read.size() < upTo && walk.Next(entry)) {
            const std::string value = FieldText(entry.EntryStamp);
            if (Passed(place, value, walk.Id()))
                continue;
            place = {value, walk.Id()};
            read.push_back(walk.Id());
        }
    };
    readPart(12);

    Db->DayEntryFile.GetEqual(entry, 3, IdText(kNine));
    Db->DayEntryFile.GetNext(entry, 3, "", gcAny);
    ASSERT_TRUE(Db->DayEntryFile.Delete(order[11].second));
    ASSERT_TRUE(Db->DayEntryFile.Delete(order[12].second));
    readPart(order.size());

    std::vector<std::string> expected;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (i != 12)
            expected.push_back(order[i].second);
    EXPECT_EQ(read, expected);
}

// Lines come a batch at a time as the list asks for more.
TEST_F(TroubleTest, LinesAreReadInBatches)
{
    const std::string ann = AddUser("Ann");
    for (int i = 0; i < 7; ++i)
        Records->Event(IdText(kNine + i), ann, {ann}, "Event " + std::to_string(i));
    TStamp stamp;
    TEventLines lines(nullptr, 3);
    lines.Rebuild(*Db, stamp);
    EXPECT_EQ(lines.rowCount(), 3);
    for (int count : {6, 7}) {
        EXPECT_TRUE(lines.canFetchMore({}));
        lines.fetchMore({});
        EXPECT_EQ(lines.rowCount(), count);
    }
    EXPECT_FALSE(lines.canFetchMore({}));
    EXPECT_EQ(lines.data(lines.index(6), Qt::DisplayRole).toString(),
              "Time = 09:00:06 05/03/01, Owner = Ann, Description = Event 6");
}

}  // namespace
