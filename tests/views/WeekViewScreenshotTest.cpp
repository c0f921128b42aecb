#include "ViewFixture.h"

#include "storage/Clock.h"
#include "views/WeekView.h"
#include "support/ClockScript.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// A working week of a small office, as the main window would feed it.
void FillOfficeWeek(TDiaryData& data)
{
    data.Users = {{"0000000001", "ANN"}, {"0000000002", "BOB"}, {"0000000003", "CJ"}, {"0000000004", "DAVE"}};
    data.Categories = {{"0000000001", "Meeting"}, {"0000000002", "Customer"}, {"0000000003", "Travel"},
                       {"0000000004", "Leave"}};
    const auto at = [](int day, int hour, int minute) {
        return QDateTime(QDate(2025, 3, 3 + day), QTime(hour, minute));
    };
    int id = 100;
    const auto add = [&](const QDateTime& when, const std::string& text, int32_t flags,
                         const std::vector<std::string>& who, const std::string& category) {
        data.Add(IdText(++id), MakeEntry(when, text, flags, who, category));
    };
    add(at(0, 0, 0), "Office closed from 3 pm", efUntimed, {}, "0000000000");
    add(at(0, 9, 0), "Weekly planning", 0, {"0000000001", "0000000002", "0000000003"}, "0000000001");
    add(at(0, 11, 30), "Call the printer about the brochure proofs", 0, {"0000000002"}, "0000000002");
    add(at(0, 14, 0), "Doctor", efPrivate, {"0000000001"}, "0000000000");
    add(at(1, 8, 15), "Train to Leeds", 0, {"0000000004"}, "0000000003");
    add(at(1, 10, 0), "Site visit at Hartley & Sons, bring the revised drawings and the sample board", 0,
        {"0000000004", "0000000002"}, "0000000002");
    add(at(1, 16, 45), "Expenses due", 0, {"0000000001", "0000000002", "0000000003", "0000000004"}, "0000000000");
    add(at(2, 0, 0), "CJ on leave", efUntimed, {"0000000003"}, "0000000004");
    add(at(2, 9, 30), "Interview: junior designer", 0, {"0000000001", "0000000003"}, "0000000001");
    add(at(2, 13, 0), "Lunch with Priya", efPrivate, {"0000000002"}, "0000000000");
    add(at(3, 10, 0), "Quarterly review with the board", 0, {"0000000001", "0000000002"}, "0000000001");
    TEventDetails meeting;
    meeting.EndStamp = StampTextOf(at(3, 12, 30));
    meeting.Place = QStringLiteral("Room 2");
    data.Add(IdText(200), MakeEntry(at(3, 11, 0), "Budget", 0, {"0000000001", "0000000003"}, "0000000001"), meeting);
    add(at(3, 15, 30), "Pay the VAT return", 0, {"0000000001"}, "0000000000");
    add(at(4, 9, 0), "Stand-up", 0, {"0000000001", "0000000002", "0000000003", "0000000004"}, "0000000001");
    add(at(4, 17, 30), "Drinks for Dave's birthday", 0, {}, "0000000000");
    add(at(5, 10, 0), "Open day at the new studio", 0, {"0000000001", "0000000004"}, "0000000002");
    // Dave away from Wednesday to Friday, and a meeting with its end and place.
    TEventDetails away;
    away.EndStamp = StampTextOf(at(5, 0, 0));
    data.Add(IdText(201), MakeEntry(at(2, 0, 0), "Trade fair in Leeds", efUntimed, {"0000000004"}, "0000000003"),
             away);
    data.Colours = {{"0000000001", QColor(0x1f, 0x6f, 0xb4)}, {"0000000002", QColor(0xc0, 0x50, 0x10)},
                    {"0000000003", QColor(0x2e, 0x8b, 0x57)}};
    data.Alarmed = {"0000000103", "0000000104", "0000000107", "0000000112", "0000000114"};
}

QString ShotFolder()
{
    const QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR");
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

// Saves what a person would see of a populated week in both display modes,
// for looking at; the checks only make sure the pictures are worth a look.
TEST(WeekViewScreenshotTest, SavesAPopulatedWeekInBothDisplayModes)
{
    TClockScript clock(QDateTime(QDate(2025, 3, 5), QTime(10, 15)));
    TDiaryData data;
    FillOfficeWeek(data);
    TWeekView view;
    data.Connect(view);
    view.resize(900, 600);
    view.show();
    view.Reload();
    for (TDisplayMode mode : {dmSingle, dmDouble}) {
        view.SetDisplayMode(mode);
        const QImage shot = Snapshot(view);
        const QString name = mode == dmSingle ? "orbeko-week-single.png" : "orbeko-week-double.png";
        ASSERT_TRUE(shot.save(QDir(ShotFolder()).filePath(name))) << name.toStdString();
        EXPECT_TRUE(view.Days(2).Header().font().bold());
        EXPECT_FALSE(Blank(shot, view.Days(0).List().geometry().translated(view.Days(0).pos()),
                           view.ListColor()));
    }
}

}  // namespace
