#include "MainWindowFixture.h"
#include "app/ICalCommands.h"
#include "app/frmDateRange.h"
#include "events/EventCommands.h"
#include "prefs/FilterRules.h"
#include "storage/KeyWalk.h"
#include "storage/RegistryKey.h"
#include "storage/Stamp.h"
#include "support/ClockScript.h"
#include "support/EnvOverride.h"
#include "support/OpenFilePromptScript.h"
#include "support/PopupEscape.h"
#include "support/SaveFilePromptScript.h"
#include "support/TempDir.h"
#include "ui/DateEdit.h"
#include "views/WeekView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

namespace {

// 2025-03-06 is a Thursday; the week view shows 3 to 9 March.
const QDateTime kThursday(QDate(2025, 3, 6), QTime(15, 20));
const std::string kMe = "0000000001";  // JSMITH, the first administrator

// The events of a database as text that names users and categories, so
// that two databases can be compared whatever their identifiers.
QStringList EventsOf(TOrbekoDB& db)
{
    auto userName = [&db](const std::string& id) {
        TUserRec user;
        return FindRecord(db.UserFile, user, TOrbekoDB::UserIdKey, id) ? FieldString(user.FullName) : QString();
    };
    QStringList events;
    TDayEntryRec entry;
    TKeyWalk walk = TKeyWalk::All(db.DayEntryFile, TOrbekoDB::DayEntryStampKey);
    while (walk.Next(entry)) {
        QStringList assignees;
        for (const auto& slot : entry.AssigneeIds)
            if (const std::string id = FieldText(slot); !id.empty() && id != kNoneId)
                assignees.append(userName(id));
        assignees.sort();
        TCategoryRec category{};
        FindRecord(db.CategoryFile, category, TOrbekoDB::CategoryIdKey, FieldText(entry.CategoryId));
        events.append(QStringLiteral("%1 %2 untimed=%3 private=%4 [%5] %6")
                          .arg(QString::fromStdString(FieldText(entry.EntryStamp)), FieldString(entry.Description))
                          .arg(bool(entry.Flags & efUntimed))
                          .arg(bool(entry.Flags & efPrivate))
                          .arg(assignees.join(','), FieldString(category.Description)));
    }
    events.sort();
    return events;
}

class ICalCommandsTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        Start();
    }

    // JSMITH starts the program on an empty database and becomes its first
    // administrator; ZOE joins after him.
    void Start()
    {
        Messages_.Answer(TMessageAnswer::Ok);  // the welcome
        Window().FormActivate();
        ASSERT_FALSE(Window().Ended());
        Zoe_ = AddUser("ZOE", "", urAddEntries);
    }

    std::string AddEntry(const char* text, const QDate& day, const QTime& time, int32_t flags,
                         std::initializer_list<std::string> assignees, const std::string& category = kNoneId)
    {
        std::unique_ptr<TOrbekoDB> db = Connect();
        TDayEntryRec entry;
        db->InitDayEntry(entry);
        entry.Flags = flags;
        SetField(entry.EntryStamp, StampOf(QDateTime(day, time)));
        SetField(entry.OwnerId, *assignees.begin());
        SetField(entry.CategoryId, category);
        SetField(entry.Description, text);
        int slot = 0;
        for (const std::string& id : assignees)
            SetField(entry.AssigneeIds[slot++], id);
        TAlarmRec alarm;
        db->InitAlarm(alarm);
        alarm.Flags = 0;
        return TEventCommands(*db).AddEvent(entry, alarm);
    }

    // Answers the range dialog with the dates typed, pressing Ok; the dates
    // it offered first are kept.
    void AnswerRange(const QString& from, const QString& to)
    {
        Dialogs_.Answer([this, from, to](QDialog& dialog) {
            auto& range = static_cast<TfrmDateRange&>(dialog);
            Offered_.push_back({range.edtFrom->Date(), range.edtTo->Date()});
            range.edtFrom->setText(from);
            range.edtTo->setText(to);
            range.btnOkClick();
            return range.isVisible() ? int(QDialog::Rejected) : range.result();
        });
    }

    // The command as the menu runs it, with its enabling rule as idle time
    // would have left it.
    void Run(QAction& action)
    {
        Window().UpdateCommands();
        action.trigger();
    }

    QString WriteFile(const char* name, const QByteArray& text)
    {
        const QString path = QString::fromStdString(Files_.File(name));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
        return path;
    }

    // March 2025, typed into the range dialog.
    void AnswerMarch() { AnswerRange(Day(QDate(2025, 3, 1)), Day(QDate(2025, 3, 31))); }

    QString Day(const QDate& date) const { return TDateEdit::Format(date, TDateEdit::OrderOf(QLocale())); }

    int EventCount()
    {
        std::unique_ptr<TOrbekoDB> db = Connect();
        return db->DayEntryFile.RecordCount();
    }

    std::string Zoe_;
    TClockScript Clock_{kThursday};
    TSaveFilePromptScript Saves_;
    TOpenFilePromptScript Opens_;
    std::vector<std::pair<QDate, QDate>> Offered_;
    TTempDir Files_;
};

// Import adds events: it needs the right to add them.
TEST_F(ICalCommandsTest, ImportNeedsTheRightToAddEvents)
{
    TfrmMain& window = Window();
    for (const int32_t flags : {int32_t{urAddEntries}, 0, int32_t{urAdminister}}) {
        SetRights(flags);
        window.actFileExportUpdate(Action("actFileExport"));
        window.actFileImportUpdate(Action("actFileImport"));
        EXPECT_TRUE(Action("actFileExport").isEnabled()) << flags;
        EXPECT_EQ(Action("actFileImport").isEnabled(), (flags & urAddEntries) != 0) << flags;
    }
}

// What JSMITH may see goes out over the chosen range; imported into an
// empty database it gives the same events.
TEST_F(ICalCommandsTest, ExportThenImportIntoAnEmptyDatabaseGivesTheSameEvents)
{
    const std::string meeting = TDiaryRecords(*Connect()).Category("MEETING");
    // Users go out as attendees by their addresses; the second office
    // knows them by name.
    Connect()->Details.SetUserEmail(kMe, "jsmith@example.com");
    Connect()->Details.SetUserEmail(Zoe_, "zoe@example.com");
    AddEntry("Team meeting", QDate(2025, 3, 4), QTime(9, 30), 0, {kMe, Zoe_}, meeting);
    AddEntry("Holiday", QDate(2025, 3, 7), QTime(0, 0), efUntimed, {kMe});
    AddEntry("Dentist", QDate(2025, 3, 12), QTime(16, 0), efPrivate, {kMe});
    AddEntry("Zoe's secret", QDate(2025, 3, 5), QTime(11, 0), efPrivate, {Zoe_});
    AddEntry("Next year", QDate(2026, 3, 5), QTime(11, 0), 0, {kMe});
    const QString file = QString::fromStdString(Files_.File("diary.ics"));
    Window().ViewRules().Mode = fmJustForMe;
    // A home without a documents folder.
    const TEnvOverride home("HOME", QByteArray::fromStdString(Files_.Path()));

    AnswerMarch();
    Saves_.Answer(file);
    Messages_.Answer(TMessageAnswer::Ok);
    Run(Action("actFileExport"));
    ASSERT_EQ(Offered_.size(), 1u);
    EXPECT_EQ(Offered_[0], std::make_pair(QDate(2025, 3, 3), QDate(2025, 3, 9)));  // the week shown
    ASSERT_EQ(Dialogs_.Runs().size(), 1u);
    EXPECT_EQ(Dialogs_.Runs()[0].Title, "Export to iCalendar");
    EXPECT_EQ(Saves_.Captions(), (std::vector<QString>{"Export to iCalendar"}));
    EXPECT_EQ(Saves_.Proposed(), (std::vector<QString>{QString::fromStdString(
                                     Files_.File("Orbeko 2025-03-01 to 2025-03-31.ics"))}));  // the range chosen
    ASSERT_EQ(Messages_.Shown().size(), 2u);
    EXPECT_EQ(Messages_.Shown()[1].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages_.Shown()[1].Text, "Exported 3 events to " + file);  // those assigned to JSMITH
    ASSERT_TRUE(QFile::exists(file));

    QStringList exported;
    {
        std::unique_ptr<TOrbekoDB> db = Connect();
        for (const QString& event : EventsOf(*db))
            if (!event.contains("Zoe's") && !event.contains("Next year"))
                exported.append(event);
        ASSERT_EQ(exported.size(), 3);
    }
    Window_.reset();

    // A second office with the same people and no events.
    TTempDir empty;
    ASSERT_TRUE(TRegistryKey::Open(true)->WriteText("RootPath", QString::fromStdString(empty.Path())));
    Connect();
    Start();
    Opens_.Answer(file);
    AnswerMarch();
    Messages_.Answer(TMessageAnswer::Ok);
    Run(Action("actFileImport"));
    ASSERT_EQ(Opens_.Captions(), (std::vector<QString>{"Import iCalendar"}));
    EXPECT_EQ(Messages_.Shown().back().Text, "Added 3 events, skipped 0 already in the diary, refused 0.");
    std::unique_ptr<TOrbekoDB> db = Connect();
    EXPECT_EQ(EventsOf(*db), exported);
    EXPECT_EQ(Week().Days(4).Entries().EntryCount(), 1);  // Friday's holiday shows at once
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
}

// The summary tells what was added, skipped and refused; the second
// import of the same file adds nothing.
TEST_F(ICalCommandsTest, ImportShowsTheSummaryAndRefreshesTheView)
{
    const QString file = WriteFile("in.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
                                             "BEGIN:VEVENT\r\nUID:a@test\r\nDTSTART:20250306T100000\r\n"
                                             "SUMMARY:Review\r\nEND:VEVENT\r\n"
                                             "BEGIN:VEVENT\r\nUID:b@test\r\nSUMMARY:No start\r\nEND:VEVENT\r\n"
                                             "END:VCALENDAR\r\n");
    struct TCase
    {
        QString Summary;
        int Events;
    };
    const TCase cases[] = {
        {"Added 1 event, skipped 0 already in the diary, refused 1.\revent b@test: refused: it has no start date "
         "that can be read",
         1},
        {"Added 0 events, skipped 1 already in the diary, refused 1.\revent b@test: refused: it has no start date "
         "that can be read",
         1},
    };
    for (const TCase& c : cases) {
        Opens_.Answer(file);
        AnswerMarch();
        Messages_.Answer(TMessageAnswer::Ok);
        Run(Action("actFileImport"));
        EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Warning);
        EXPECT_EQ(Messages_.Shown().back().Text, c.Summary);
        EXPECT_EQ(EventCount(), c.Events);
        EXPECT_EQ(Week().Days(3).Entries().EntryCount(), 1);
    }
    ASSERT_EQ(Offered_.size(), 2u);
    EXPECT_EQ(Offered_[0], std::make_pair(QDate(2025, 3, 3), QDate(2026, 3, 2)));  // a year from the week shown
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
}

// A long list of reports is cut so that the message fits on the screen;
// what is left out is counted.
TEST_F(ICalCommandsTest, ALongSummaryCountsTheReportsItLeavesOut)
{
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    for (int i = 1; i <= 25; ++i)
        text += "BEGIN:VEVENT\r\nUID:" + QByteArray::number(i) + "@test\r\nSUMMARY:No start\r\nEND:VEVENT\r\n";
    text += "END:VCALENDAR\r\n";
    Opens_.Answer(WriteFile("bad.ics", text));
    AnswerMarch();
    Messages_.Answer(TMessageAnswer::Ok);
    Run(Action("actFileImport"));
    const QStringList lines = Messages_.Shown().back().Text.split('\r');
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines[0], "Added 0 events, skipped 0 already in the diary, refused 25.");
    EXPECT_EQ(lines[20], "event 20@test: refused: it has no start date that can be read");
    EXPECT_EQ(lines[21], "... and 5 more not shown");
}

// Cancel at any prompt: no file, no events, no message.
TEST_F(ICalCommandsTest, CancelledPromptsChangeNothing)
{
    AddEntry("Team meeting", QDate(2025, 3, 4), QTime(9, 30), 0, {kMe});
    const QString file = QString::fromStdString(Files_.File("never.ics"));
    const QString in = WriteFile("in.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a@test\r\n"
                                           "DTSTART:20250306T100000\r\nSUMMARY:Review\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    const std::function<void()> runs[] = {
        [&] { Run(Action("actFileExport")); },  // the range dialog is cancelled
        [&] {
            AnswerMarch();
            Saves_.Answer(std::nullopt);
            Run(Action("actFileExport"));
        },
        [&] {
            Opens_.Answer(std::nullopt);
            Run(Action("actFileImport"));
        },
        [&] {
            Opens_.Answer(in);
            Run(Action("actFileImport"));  // the range dialog is cancelled
        },
    };
    const std::size_t shown = Messages_.Shown().size();
    for (const auto& run : runs) {
        run();
        EXPECT_EQ(Messages_.Shown().size(), shown);
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(EventCount(), 1);
        EXPECT_EQ(Saves_.PendingCount() + Opens_.PendingCount() + Dialogs_.PendingCount(), 0);
    }
}

// A file that cannot be written or read is named with the reason; nothing
// else happens.
TEST_F(ICalCommandsTest, AFileThatCannotBeWrittenOrReadIsReported)
{
    AddEntry("Team meeting", QDate(2025, 3, 4), QTime(9, 30), 0, {kMe});
    const QString nowhere = QString::fromStdString(Files_.File("no-such-folder/diary.ics"));
    AnswerMarch();
    Saves_.Answer(nowhere);
    Messages_.Answer(TMessageAnswer::Ok);
    Run(Action("actFileExport"));
    EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Error);
    EXPECT_TRUE(Messages_.Shown().back().Text.startsWith("Unable to write " + nowhere + ": "))
        << Messages_.Shown().back().Text.toStdString();
    EXPECT_FALSE(QFile::exists(nowhere));

    Opens_.Answer(nowhere);
    AnswerMarch();
    Messages_.Answer(TMessageAnswer::Ok);
    Run(Action("actFileImport"));
    EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Error);
    EXPECT_TRUE(Messages_.Shown().back().Text.startsWith("Unable to read " + nowhere + ": "));
    EXPECT_EQ(EventCount(), 1);
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
}

// Saves the range dialog and the File menu as a user sees them, for the
// help page, into ORBEKO_SCREENSHOT_DIR; the check only makes sure a
// picture is worth a look.
TEST_F(ICalCommandsTest, SavesThePicturesOfTheRangeDialogAndTheFileMenu)
{
    const QDir folder(qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR", QDir::tempPath()));
    auto save = [&folder](QWidget& widget, const char* name) {
        const QImage shot = widget.grab().toImage();
        EXPECT_GT(shot.convertToFormat(QImage::Format_Indexed8).colorCount(), 4) << name;
        EXPECT_TRUE(shot.save(folder.filePath(name))) << name;
    };
    Dialogs_.Answer([&save](QDialog& dialog) {
        save(dialog, "ical-range.png");
        return int(QDialog::Rejected);
    });
    Run(Action("actFileExport"));
    QMenu* file = Window().menuBar()->actions()[0]->menu();
    file->popup(QPoint(0, 0));
    file->setActiveAction(&Action("actFileExport"));
    save(*file, "ical-menu.png");
    file->hide();
}

// Ok takes a range only when it reads, runs forwards and lies in the
// diary's years; otherwise the dialog says why and stays open.
TEST(DateRangeTest, OkTakesOnlyASoundRange)
{
    struct TCase
    {
        QString From;
        QString To;
        QString Message;  // empty: accepted
    };
    const TDateOrder order = TDateEdit::OrderOf(QLocale());
    auto day = [order](int y, int m, int d) { return TDateEdit::Format(QDate(y, m, d), order); };
    const TCase cases[] = {
        {day(2025, 3, 1), day(2025, 3, 31), ""},
        {day(2025, 3, 1), day(2025, 3, 1), ""},
        {day(2025, 3, 2), day(2025, 3, 1), TfrmDateRange::EndBeforeStart},
        {day(1969, 12, 31), day(2025, 3, 1), TfrmDateRange::OutsideDiary},
        {day(2025, 3, 1), day(2038, 1, 1), TfrmDateRange::OutsideDiary},
        {"soon", day(2025, 3, 1), "'soon' is not a valid date"},
    };
    for (const TCase& c : cases) {
        TfrmDateRange dialog;
        TDialogScript dialogs;
        TMessageBoxScript messages;
        QDate from(2020, 1, 1);
        QDate to(2020, 1, 2);
        dialogs.Answer([&c](QDialog& shown) {
            auto& range = static_cast<TfrmDateRange&>(shown);
            range.edtFrom->setText(c.From);
            range.edtTo->setText(c.To);
            range.btnOk->click();
            return range.isVisible() ? int(QDialog::Rejected) : range.result();
        });
        const int result = dialog.Execute("Export to iCalendar", "Between", from, to);
        EXPECT_EQ(dialog.windowTitle(), "Export to iCalendar");
        if (c.Message.isEmpty()) {
            EXPECT_EQ(result, QDialog::Accepted);
            EXPECT_EQ(TDateEdit::Format(from, order), c.From);
            EXPECT_EQ(TDateEdit::Format(to, order), c.To);
            EXPECT_TRUE(messages.Shown().empty());
        } else {
            EXPECT_EQ(result, QDialog::Rejected) << c.From.toStdString();
            EXPECT_EQ(from, QDate(2020, 1, 1));
            EXPECT_EQ(to, QDate(2020, 1, 2));
            ASSERT_EQ(messages.Shown().size(), 1u) << c.From.toStdString();
            EXPECT_EQ(messages.Shown()[0].Text, c.Message);
        }
    }
}

// Esc in an open calendar closes it alone; the next Esc cancels the range,
// which stays as it came.
TEST(DateRangeTest, EscClosesAnOpenCalendarBeforeTheDialog)
{
    TfrmDateRange dialog;
    TDialogScript dialogs;
    dialogs.Answer([](QDialog& shown) {
        auto& range = static_cast<TfrmDateRange&>(shown);
        for (QWidget* control : std::initializer_list<QWidget*>{range.edtFrom, range.edtTo})
            EXPECT_EQ(EscapeClosesTheDropDownFirst(range, *control), "");
        return range.result();
    });
    QDate from(2020, 1, 1);
    QDate to(2020, 1, 2);
    EXPECT_EQ(dialog.Execute("Export to iCalendar", "Between", from, to), QDialog::Rejected);
    EXPECT_EQ(std::make_pair(from, to), std::make_pair(QDate(2020, 1, 1), QDate(2020, 1, 2)));
}

}  // namespace
