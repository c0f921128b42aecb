#include "events/EventCommands.h"
#include "events/RepeatBox.h"
#include "events/frmEvent.h"
#include "prefs/FilterRules.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/Session.h"
#include "series/SeriesStore.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "support/ClockScript.h"
#include "support/DatabaseFixture.h"
#include "support/DialogScript.h"
#include "support/DiaryRecords.h"
#include "support/MailTransportFake.h"
#include "support/MessageBoxScript.h"
#include "ui/DateEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <map>

namespace {

int64_t At(int month, int day, int hour = 9)
{
    return QDateTime(QDate(2027, month, day), QTime(hour, 0), QTimeZone::utc()).toSecsSinceEpoch();
}

std::string When(int64_t stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, QTimeZone::utc()).toString("MM-dd hh").toStdString();
}

class SeriesCommandsTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Records.emplace(*Db);
        Me = Records->User("ann", "Ann Smith", "AS", urAddEntries);
        Cfg.SetDefaults();
    }

    // Weekly on Mondays at nine from 4 January 2027, with the first three in January shown.
    std::string Mondays()
    {
        TSeries series;
        series.RRule = "FREQ=WEEKLY;BYDAY=MO";
        Db->InitDayEntry(series.Template);
        SetField(series.Template.EntryStamp, IdText(At(1, 4)));
        SetField(series.Template.OwnerId, Me);
        SetField(series.Template.AssigneeIds[0], Me);
        SetField(series.Template.Description, "Staff meeting");
        return TSeriesStore(*Db, At(1, 1)).Create(series);
    }

    std::map<std::string, std::string> January()
    {
        std::map<std::string, std::string> days;
        TDayEntryRec entry;
        TKeyWalk walk = TKeyWalk::All(Db->DayEntryFile, TOrbekoDB::DayEntryIdKey);
        while (walk.Next(entry)) {
            const int64_t start = IdValue(FieldText(entry.EntryStamp));
            if (start < At(1, 25))
                days[When(start)] = FieldText(entry.Description);
        }
        return days;
    }

    std::string EntryAt(int64_t stamp)
    {
        TDayEntryRec entry;
        TKeyWalk walk = TKeyWalk::All(Db->DayEntryFile, TOrbekoDB::DayEntryIdKey);
        while (walk.Next(entry))
            if (IdValue(FieldText(entry.EntryStamp)) == stamp)
                return walk.Id();
        return {};
    }

    TSession Session() const
    {
        TUserRec user;
        EXPECT_TRUE(Db->UserFile.GetEqual(user, TOrbekoDB::UserIdKey, Me));
        return TSession(Me, user);
    }

    void AnswerEditor(std::function<void(TfrmEvent&)> fill)
    {
        Dialogs.Answer([fill](QDialog& dialog) {
            auto& editor = static_cast<TfrmEvent&>(dialog);
            fill(editor);
            editor.actOk->trigger();
            return editor.isVisible() ? QDialog::Rejected : editor.result();
        });
    }

    TClockScript Clock{QDateTime(QDate(2027, 1, 1), QTime(12, 0))};
    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Me;
    TOrbekoCfg Cfg;
    TMessageBoxScript Messages;
    TDialogScript Dialogs;
    TMailTransportFake Mail;
    TfrmEvent Editor;
    TFilterRules Rules;
};

TEST_F(SeriesCommandsTest, TheEditorMakesAWeeklySeriesAndSaysItsRuleInWords)
{
    QString words;
    AnswerEditor([&words](TfrmEvent& editor) {
        editor.edtDescription->setText("Staff meeting");
        editor.boxRepeat->setChecked(true);
        editor.boxRepeat->cmbFrequency->setCurrentIndex(1);
        editor.boxRepeat->chkWeekdays[0]->setChecked(true);
        editor.boxRepeat->chkWeekdays[3]->setChecked(true);
        editor.boxRepeat->rdoEndOn->setChecked(true);
        editor.boxRepeat->cmbUntil->SetDate(QDate(2027, 6, 30));
        words = editor.boxRepeat->lblWords->text();
    });
    Messages.Answer(TMessageAnswer::Yes);  // no category
    const TSession session = Session();
    ASSERT_TRUE(TEventCommands(*Db).RunNew(Editor, Cfg, {session, Rules}, {kNoneId, "", IdText(At(1, 4))}));
    EXPECT_EQ(words.toStdString(), "Every Monday and Thursday until 30 June 2027");
    const std::map<std::string, std::string> expected = {
        {"01-04 09", "Staff meeting"}, {"01-07 09", "Staff meeting"}, {"01-11 09", "Staff meeting"},
        {"01-14 09", "Staff meeting"}, {"01-18 09", "Staff meeting"}, {"01-21 09", "Staff meeting"}};
    EXPECT_EQ(January(), expected);
    EXPECT_EQ(Messages.UnexpectedCount(), 0);
}

TEST_F(SeriesCommandsTest, ARuleThatGivesNoDayIsRefusedAndTheEditorOpensAgain)
{
    AnswerEditor([](TfrmEvent& editor) {
        editor.edtDescription->setText("Never");
        editor.boxRepeat->setChecked(true);
        editor.boxRepeat->rdoEndOn->setChecked(true);
        editor.boxRepeat->cmbUntil->SetDate(QDate(2026, 12, 1));
    });
    Messages.Answer(TMessageAnswer::Yes);
    Messages.Answer(TMessageAnswer::Ok);
    QString kept;
    Dialogs.Answer([&kept](QDialog& dialog) {
        kept = static_cast<TfrmEvent&>(dialog).edtDescription->text();
        return QDialog::Rejected;
    });
    const TSession session = Session();
    EXPECT_FALSE(TEventCommands(*Db).RunNew(Editor, Cfg, {session, Rules}, {kNoneId, "", IdText(At(1, 4))}));
    ASSERT_GE(Messages.Shown().size(), 2u);
    EXPECT_EQ(Messages.Shown()[1].Text.toStdString(), kNoOccurrenceText);
    EXPECT_EQ(kept, "Never");
    EXPECT_TRUE(January().empty());
}

struct TOccurrenceCase
{
    const char* Why;
    bool Delete;
    TMessageAnswer Answer;
    std::map<std::string, std::string> January;
};

// The occurrence of 11 January opened and renamed, or deleted.
const TOccurrenceCase kOccurrenceCases[] = {
    {"this one renamed", false, TMessageAnswer::ThisOccurrence,
     {{"01-04 09", "Staff meeting"}, {"01-11 09", "Renamed"}, {"01-18 09", "Staff meeting"}}},
    {"this and following renamed", false, TMessageAnswer::Following,
     {{"01-04 09", "Staff meeting"}, {"01-11 09", "Renamed"}, {"01-18 09", "Renamed"}}},
    {"all renamed", false, TMessageAnswer::AllOccurrences,
     {{"01-04 09", "Renamed"}, {"01-11 09", "Renamed"}, {"01-18 09", "Renamed"}}},
    {"opening cancelled", false, TMessageAnswer::Cancel,
     {{"01-04 09", "Staff meeting"}, {"01-11 09", "Staff meeting"}, {"01-18 09", "Staff meeting"}}},
    {"this one deleted", true, TMessageAnswer::ThisOccurrence,
     {{"01-04 09", "Staff meeting"}, {"01-18 09", "Staff meeting"}}},
    {"this and following deleted", true, TMessageAnswer::Following, {{"01-04 09", "Staff meeting"}}},
    {"all deleted", true, TMessageAnswer::AllOccurrences, {}},
    {"deleting cancelled", true, TMessageAnswer::Cancel,
     {{"01-04 09", "Staff meeting"}, {"01-11 09", "Staff meeting"}, {"01-18 09", "Staff meeting"}}},
};

TEST_F(SeriesCommandsTest, AnOccurrenceIsOpenedOrDeletedAsThisFollowingOrAll)
{
    const TSession session = Session();
    for (const TOccurrenceCase& c : kOccurrenceCases) {
        SCOPED_TRACE(c.Why);
        const std::string series = Mondays();
        const std::string selected = EntryAt(At(1, 11));
        Messages.Answer(c.Answer);
        if (!c.Delete && c.Answer != TMessageAnswer::Cancel) {
            AnswerEditor([](TfrmEvent& editor) { editor.edtDescription->setText("Renamed"); });
            Messages.Answer(TMessageAnswer::Yes);  // no category
        }
        TEventCommands commands(*Db);
        if (c.Delete)
            commands.RunDelete({session, Rules}, {selected, "Staff meeting", IdText(At(1, 11))});
        else
            commands.RunProperties(Editor, Cfg, {session, Rules}, {selected, "Staff meeting", IdText(At(1, 11))});
        EXPECT_EQ(January(), c.January);
        EXPECT_EQ(Messages.Shown().back().Buttons == TMessageButtons::OccurrenceChoice ||
                      Messages.Shown().back().Buttons == TMessageButtons::YesNo,
                  true);
        EXPECT_EQ(Messages.UnexpectedCount(), 0);
        EXPECT_EQ(Dialogs.PendingCount(), 0);
        // The one renamed on its own is an exception that a later change of all keeps.
        if (c.Answer == TMessageAnswer::ThisOccurrence && !c.Delete) {
            TDayEntryRec entry;
            ASSERT_TRUE(FindRecord(Db->DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, selected));
            EXPECT_TRUE(TSeriesStore(*Db, At(1, 1)).LinkOf(selected, entry)->Changed);
        }
        // Clean up whatever is left, series split or not.
        TDayEntryRec entry;
        std::vector<std::string> all;
        TKeyWalk walk = TKeyWalk::All(Db->DayEntryFile, TOrbekoDB::DayEntryIdKey);
        while (walk.Next(entry))
            all.push_back(walk.Id());
        for (const std::string& id : all)
            TEventCommands(*Db).DeleteEvent(id);
    }
}

}  // namespace
