#include "events/EventCommands.h"
#include "events/frmAlarmProperties.h"
#include "events/frmEvent.h"
#include "prefs/FilterRules.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/Session.h"
#include "prefs/frmSelectGroup.h"
#include "storage/DetailFile.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "ui/CheckList.h"
#include "ui/DateEdit.h"
#include "ui/DialogRunner.h"
#include "ui/ListBox.h"
#include "ui/MailTransport.h"
#include "ui/MessageBox.h"
#include "support/DialogScript.h"
#include "support/MailTransportFake.h"
#include "support/MessageBoxScript.h"
#include "support/PopupEscape.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/mount.h>

namespace {

// Users in identifier order; the list shows them by full name.
const char* const kUsers[] = {"Carl Jones", "Ann Smith", "Bob Brown", "Dora White"};
const std::string kCarl = "0000000001";
const std::string kAnn = "0000000002";
const std::string kBob = "0000000003";
const std::string kDora = "0000000004";
const std::string kMe = kAnn;
// 2025-03-06 (a Thursday) 10:07, 00:00 and 14:30.
const std::string kTenOhSeven = "1741255620";
const std::string kMidnight = "1741219200";
const std::string kHalfPastTwo = "1741271400";

using TAnswer = std::function<int(TfrmEvent&)>;

class EventEditorTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Records.emplace(*Db);
        for (const char* name : kUsers)
            AddUser(name);
        Records->Category("Meeting");
        Records->Category("holiday");
        Cfg.SetDefaults();
        Db->InitDayEntry(Entry);
        SetField(Entry.EntryStamp, kTenOhSeven);
        SetField(Entry.OwnerId, kMe);
        Db->InitAlarm(Alarm);
        SetField(Alarm.AlarmStamp, kTenOhSeven);
    }

    // A user who may add events, his user name and abbreviation the first
    // four letters of his full name, his address his first name at example.org.
    std::string AddUser(const std::string& fullName, bool withAddress = true)
    {
        const std::string id = Records->User(fullName.substr(0, 4), fullName, fullName.substr(0, 4), urAddEntries);
        if (withAddress)
            Db->Details.SetUserEmail(id, QString::fromStdString(fullName.substr(0, fullName.find(' ')) + "@example.org").toLower());
        return id;
    }

    void Assign(std::initializer_list<std::string> ids)
    {
        int slot = 0;
        for (const std::string& id : ids)
            SetField(Entry.AssigneeIds[slot++], id);
    }

    // Queues the answer of the editor; dialogs it opens are answered by
    // what is queued after it.
    void AnswerEditor(TAnswer answer)
    {
        Dialogs.Answer([answer](QDialog& dialog) { return answer(static_cast<TfrmEvent&>(dialog)); });
    }

    int Execute(bool isEdit = false) { return Editor.Execute(isEdit, Entry, Alarm, Details, *Db, kMe, Cfg); }

    int Run(TAnswer answer, bool isEdit = false)
    {
        AnswerEditor(std::move(answer));
        return Execute(isEdit);
    }

    // Presses Ok and tells how the dialog ended; Rejected while it stays open.
    static int PressOk(TfrmEvent& editor)
    {
        editor.actOk->trigger();
        return editor.isVisible() ? QDialog::Rejected : editor.result();
    }

    static int Row(const TfrmEvent& editor, const QString& text)
    {
        for (int row = 0; row < editor.lstUsers->count(); ++row)
            if (editor.lstUsers->item(row)->text() == text)
                return row;
        return -1;
    }

    static QStringList Texts(const TfrmEvent& editor)
    {
        QStringList texts;
        for (int row = 0; row < editor.lstUsers->count(); ++row)
            texts.append(editor.lstUsers->item(row)->text());
        return texts;
    }

    std::vector<std::string> Assignees() const
    {
        std::vector<std::string> ids;
        for (const auto& slot : Entry.AssigneeIds)
            ids.push_back(FieldText(slot));
        return ids;
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    TOrbekoCfg Cfg;
    TMessageBoxScript Messages;
    TDialogScript Dialogs;
    TMailTransportFake Mail;
    TfrmEvent Editor;
    TDayEntryRec Entry;
    TAlarmRec Alarm;
    TEventDetails Details;
};

TEST_F(EventEditorTest, ANewEventOpensWithTheListsFilledAndNoCategory)
{
    QStringList users;
    QStringList categories;
    QString caption;
    Run([&](TfrmEvent& editor) {
        caption = editor.windowTitle();
        users = Texts(editor);
        for (int i = 0; i < editor.cmbCategory->count(); ++i)
            categories.append(editor.cmbCategory->itemText(i));
        EXPECT_EQ(editor.cmbCategory->currentText(), "<None>");
        EXPECT_EQ(editor.cmbHour->currentText(), "10");
        EXPECT_EQ(editor.cmbMinute->currentText(), "05");
        EXPECT_EQ(editor.cmbDate->Date(), QDate(2025, 3, 6));
        EXPECT_EQ(editor.edtOwner->text(), "Ann Smith");
        EXPECT_EQ(editor.lstUsers->Data(Row(editor, "Dora White")), 4);
        return QDialog::Rejected;
    });
    EXPECT_EQ(caption, "New Event");
    EXPECT_EQ(users, (QStringList{"Ann Smith", "Bob Brown", "Carl Jones", "Dora White"}));
    EXPECT_EQ(categories, (QStringList{"<None>", "holiday", "Meeting"}));
    EXPECT_EQ(Editor.cmbHour->count(), 24);
    EXPECT_EQ(Editor.cmbMinute->count(), 12);
    EXPECT_EQ(Editor.cmbMinute->itemText(11), "55");
}

TEST_F(EventEditorTest, AnEditedEventShowsWhatItHolds)
{
    Entry.Flags = efPrivate | efUntimed;
    SetField(Entry.CategoryId, "0000000002");
    SetField(Entry.Description, "Easter");
    Assign({kBob, kDora});
    Alarm.Flags = afAlarmed;
    Run(
        [&](TfrmEvent& editor) {
            EXPECT_EQ(editor.windowTitle(), "Event Properties");
            EXPECT_EQ(editor.edtDescription->text(), "Easter");
            EXPECT_EQ(editor.cmbCategory->currentText(), "holiday");
            EXPECT_TRUE(editor.chkPrivate->isChecked());
            EXPECT_TRUE(editor.chkUnTimed->isChecked());
            EXPECT_FALSE(editor.cmbHour->isEnabled());
            EXPECT_FALSE(editor.cmbMinute->isEnabled());
            EXPECT_FALSE(editor.lblTime->isEnabled());
            EXPECT_TRUE(editor.lstUsers->Checked(Row(editor, "Bob Brown")));
            EXPECT_TRUE(editor.lstUsers->Checked(Row(editor, "Dora White")));
            EXPECT_EQ(editor.lstUsers->CheckedCount(), 2);
            // A stored alarm checks the box without opening the alarm dialog.
            EXPECT_TRUE(editor.chkAlarm->isChecked());
            EXPECT_TRUE(editor.chkAlarm->isEnabled());
            return QDialog::Rejected;
        },
        true);
    EXPECT_EQ(Dialogs.Runs().size(), 1u);
}

TEST_F(EventEditorTest, AnUnknownAssigneeEndsBeforeTheDialogShows)
{
    Assign({kBob, "0000000042"});
    try {
        Editor.Execute(true, Entry, Alarm, Details, *Db, kMe, Cfg);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unknown user");
    }
    EXPECT_TRUE(Dialogs.Runs().empty());
    EXPECT_FALSE(Editor.Loading);
}

TEST_F(EventEditorTest, AMissingOwnerShowsErr)
{
    SetField(Entry.OwnerId, "0000000042");
    Run([](TfrmEvent& editor) {
        EXPECT_EQ(editor.edtOwner->text(), "ERR");
        return QDialog::Rejected;
    });
}

TEST_F(EventEditorTest, TheAlarmIsAvailableOnlyWithUsers)
{
    AnswerEditor([&](TfrmEvent& editor) {
        EXPECT_FALSE(editor.chkAlarm->isEnabled());
        EXPECT_FALSE(editor.chkAlarm->isChecked());
        const int bob = Row(editor, "Bob Brown");
        editor.lstUsers->ClickCheck(bob);
        EXPECT_TRUE(editor.chkAlarm->isEnabled());
        editor.chkAlarm->click();
        EXPECT_TRUE(editor.chkAlarm->isChecked());
        editor.lstUsers->ClickCheck(bob);
        EXPECT_FALSE(editor.chkAlarm->isEnabled());
        EXPECT_FALSE(editor.chkAlarm->isChecked());
        return QDialog::Rejected;
    });
    Dialogs.Answer([](QDialog&) { return QDialog::Accepted; });  // the alarm dialog
    Execute();
    EXPECT_EQ(Dialogs.Runs().size(), 2u);
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
}

TEST_F(EventEditorTest, AGroupChosenSetsTheAlarmAvailabilityOnce)
{
    Cfg.Groups[0].Description = "Sales";
    Cfg.Groups[0].AddMember(QString::fromStdString(kBob));
    Cfg.Groups[0].AddMember(QString::fromStdString(kDora));
    Cfg.Groups[1].Description = "Gone";
    Cfg.Groups[1].AddMember("0000000042");
    const auto pickGroup = [this](int row) {
        Dialogs.Answer([row](QDialog& dialog) {
            auto& select = static_cast<TfrmSelectGroup&>(dialog);
            select.lstGroups->setCurrentRow(row);
            select.btnOkClick();
            return select.result();
        });
    };
    AnswerEditor([](TfrmEvent& editor) {
        EXPECT_FALSE(editor.chkAlarm->isEnabled());
        editor.btnGroup->click();
        EXPECT_EQ(editor.lstUsers->CheckedCount(), 2);
        EXPECT_TRUE(editor.lstUsers->Checked(Row(editor, "Dora White")));
        EXPECT_TRUE(editor.chkAlarm->isEnabled());
        editor.chkAlarm->setChecked(true);
        // A group of users deleted since checks nobody.
        editor.btnGroup->click();
        EXPECT_EQ(editor.lstUsers->CheckedCount(), 0);
        EXPECT_FALSE(editor.chkAlarm->isEnabled());
        EXPECT_FALSE(editor.chkAlarm->isChecked());
        return QDialog::Rejected;
    });
    pickGroup(0);
    Dialogs.Answer([](QDialog&) { return QDialog::Rejected; });  // the alarm dialog
    pickGroup(1);
    Execute();
    EXPECT_EQ(Dialogs.Runs().size(), 4u);
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
}

TEST_F(EventEditorTest, CheckingTheAlarmOpensTheAlarmDialogOnTheCallersAlarm)
{
    Assign({kAnn});
    AnswerEditor([](TfrmEvent& editor) {
        editor.chkAlarm->click();
        EXPECT_TRUE(editor.chkAlarm->isChecked());
        // Unchecking opens nothing.
        editor.chkAlarm->click();
        return QDialog::Rejected;
    });
    Dialogs.Answer([](QDialog& dialog) {
        auto& alarm = static_cast<TfrmAlarmProperties&>(dialog);
        EXPECT_EQ(alarm.windowTitle(), "Alarm");
        EXPECT_EQ(alarm.cmbHour->currentText(), "10");
        EXPECT_EQ(alarm.cmbMinute->currentText(), "05");
        alarm.cmbHour->setCurrentIndex(14);
        alarm.cmbMinute->setCurrentIndex(6);
        alarm.btnClose->click();
        return alarm.result();
    });
    Execute();
    ASSERT_EQ(Dialogs.Runs().size(), 2u);
    EXPECT_EQ(Dialogs.Runs()[1].ClassName, "TfrmAlarmProperties");
    EXPECT_EQ(FieldText(Alarm.AlarmStamp), kHalfPastTwo);
}

TEST_F(EventEditorTest, OkAsksAboutTheCategoryAndThenTheUsers)
{
    SetField(Entry.Description, "Budget");
    Messages.Answer(TMessageAnswer::Yes);
    Messages.Answer(TMessageAnswer::No);
    const int result = Run([](TfrmEvent& editor) {
        EXPECT_EQ(PressOk(editor), QDialog::Rejected);
        EXPECT_TRUE(editor.isVisible());
        return QDialog::Rejected;
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(Messages.Shown().size(), 2u);
    EXPECT_EQ(Messages.Shown()[0].Text, "You have not chosen a category for this event. Is this ok?");
    EXPECT_EQ(Messages.Shown()[0].Kind, TMessageKind::Confirmation);
    EXPECT_EQ(Messages.Shown()[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(Messages.Shown()[1].Text, "You have not chosen any users for this event. Is this ok?");
}

TEST_F(EventEditorTest, NoToTheCategoryQuestionKeepsTheDialogOpen)
{
    SetField(Entry.Description, "Budget");
    Messages.Answer(TMessageAnswer::No);
    Run([](TfrmEvent& editor) {
        EXPECT_EQ(PressOk(editor), QDialog::Rejected);
        EXPECT_TRUE(editor.isVisible());
        return QDialog::Rejected;
    });
    EXPECT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(FieldText(Entry.Description), "Budget");
}

TEST_F(EventEditorTest, OkStoresTheControlsIntoTheRecords)
{
    Entry.Flags = 0x40;
    Assign({kCarl});
    Alarm.Flags = afAlarmed;
    const int result = Run([](TfrmEvent& editor) {
        editor.chkNotify->setChecked(false);
        editor.cmbDate->SetDate(QDate(2025, 3, 7));
        editor.cmbHour->setCurrentIndex(14);
        editor.cmbMinute->setCurrentIndex(6);
        editor.edtDescription->setText("Budget review");
        editor.cmbCategory->setCurrentIndex(2);
        editor.chkPrivate->setChecked(true);
        editor.lstUsers->ClickCheck(Row(editor, "Dora White"));
        editor.lstUsers->ClickCheck(Row(editor, "Ann Smith"));
        editor.chkAlarm->setChecked(false);
        return PressOk(editor);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(Messages.Shown().empty());
    EXPECT_EQ(FieldText(Entry.EntryStamp), "1741357800");  // 2025-03-07 14:30
    EXPECT_EQ(FieldText(Entry.CategoryId), "0000000001");
    EXPECT_EQ(FieldText(Entry.Description), "Budget review");
    EXPECT_EQ(int32_t{Entry.Flags}, efPrivate);
    // Packed from the front in the list's alphabetical order.
    const std::vector<std::string> expected = {kAnn, kCarl, kDora};
    for (int slot = 0; slot < kMaxAssignees; ++slot)
        EXPECT_EQ(Assignees()[slot], slot < 3 ? expected[slot] : "0000000000") << slot;
    EXPECT_EQ(int32_t{Alarm.Flags}, 0);
    EXPECT_EQ(FieldText(Entry.OwnerId), kMe);
    EXPECT_EQ(int16_t{Entry.Marker}, 1);
}

TEST_F(EventEditorTest, AnUntimedEventStoresMidnightAndShowsItWhenTimedAgain)
{
    SetField(Entry.Description, "Away");
    Assign({kAnn});
    SetField(Entry.CategoryId, "0000000002");
    Run([](TfrmEvent& editor) {
        editor.chkNotify->setChecked(false);
        editor.chkUnTimed->setChecked(true);
        return PressOk(editor);
    });
    EXPECT_EQ(FieldText(Entry.EntryStamp), kMidnight);
    EXPECT_EQ(int32_t{Entry.Flags}, efUntimed);

    Run(
        [](TfrmEvent& editor) {
            editor.chkUnTimed->setChecked(false);
            EXPECT_TRUE(editor.cmbHour->isEnabled());
            EXPECT_EQ(editor.cmbHour->currentText(), "00");
            EXPECT_EQ(editor.cmbMinute->currentText(), "00");
            return QDialog::Rejected;
        },
        true);
}

TEST_F(EventEditorTest, TheEndPlaceAndNotesAreTakenOrTheEndRefused)
{
    // Accents and line breaks, long enough to be cut at the notes' bytes.
    QString longNotes;
    while (EncodeText(longNotes).size() <= TDetailFile::kMaxNotesBytes)
        longNotes += QStringLiteral("Caf\u00e9 line\n");
    struct TCase
    {
        const char* Name;
        bool Untimed;
        bool Ends;
        QDate EndDate;
        int EndHour;
        QString Notes;
        const char* EndStamp;  // empty: refused, or no end
        bool Refused;
    };
    const TCase cases[] = {
        {"no end", false, false, {}, 0, QStringLiteral("Bring\nslides"), "", false},
        {"ends the same day", false, true, QDate(2025, 3, 6), 11, {}, "1741258800", false},
        {"ends before it starts", false, true, QDate(2025, 3, 6), 9, {}, "", true},
        {"all day over three days", true, true, QDate(2025, 3, 8), 0, {}, "1741478400", false},
        {"last day before the first", true, true, QDate(2025, 3, 5), 0, {}, "", true},
        {"notes cut at their bytes", false, false, {}, 0, longNotes, "", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Details = {};
        Details.Notes = QStringLiteral("as stored");
        SetField(Entry.Description, "Review");
        SetField(Entry.CategoryId, "0000000001");
        Assign({kMe});
        if (c.Refused)
            Messages.Answer(TMessageAnswer::Ok);
        const TEventDetails before = Details;
        const std::size_t shown = Messages.Shown().size();
        const int result = Run([&](TfrmEvent& editor) {
            editor.chkNotify->setChecked(false);
            editor.chkUnTimed->setChecked(c.Untimed);
            editor.chkEnd->setChecked(c.Ends);
            if (c.Ends) {
                EXPECT_TRUE(editor.cmbEndDate->isEnabled());
                EXPECT_EQ(editor.cmbEndHour->isEnabled(), !c.Untimed);
                editor.cmbEndDate->SetDate(c.EndDate);
                editor.cmbEndHour->setCurrentIndex(c.EndHour);
                editor.cmbEndMinute->setCurrentIndex(0);
            }
            editor.edtPlace->setText(QStringLiteral("  Room 2.14 "));
            editor.edtNotes->setPlainText(c.Notes);
            const int pressed = PressOk(editor);
            // A refusal keeps everything typed.
            if (c.Refused) {
                EXPECT_EQ(editor.edtPlace->text(), QStringLiteral("  Room 2.14 "));
            }
            return pressed;
        });
        if (c.Refused) {
            EXPECT_EQ(result, QDialog::Rejected);
            ASSERT_EQ(Messages.Shown().size(), shown + 1);
            EXPECT_EQ(Messages.Shown().back().Text, TfrmEvent::EndBeforeStart);
            EXPECT_EQ(Details, before);
            continue;
        }
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(Details.EndStamp, c.EndStamp);
        EXPECT_EQ(Details.Place, QStringLiteral("Room 2.14"));
        const std::string notes = EncodeText(Details.Notes);
        EXPECT_LE(notes.size(), TDetailFile::kMaxNotesBytes);
        EXPECT_TRUE(c.Notes.isEmpty() ? Details.Notes.isEmpty() : c.Notes.startsWith(Details.Notes));
        EXPECT_GT(notes.size() + 16, std::min(EncodeText(c.Notes).size(), TDetailFile::kMaxNotesBytes));
    }
}

TEST_F(EventEditorTest, AnEditedEventShowsItsEndPlaceAndNotes)
{
    SetField(Entry.Description, "Trip");
    Entry.Flags = efUntimed;
    SetField(Entry.EntryStamp, kMidnight);
    Details.EndStamp = "1741478400";  // the midnight after 8 March
    Details.Place = QStringLiteral("Lyon");
    Details.Notes = QStringLiteral("Train at 7\nHotel near the station");
    Run(
        [](TfrmEvent& editor) {
            EXPECT_TRUE(editor.chkEnd->isChecked());
            EXPECT_EQ(editor.cmbEndDate->Date(), QDate(2025, 3, 8));
            EXPECT_FALSE(editor.cmbEndHour->isEnabled());
            EXPECT_EQ(editor.edtPlace->text(), QStringLiteral("Lyon"));
            EXPECT_EQ(editor.edtNotes->toPlainText(), QStringLiteral("Train at 7\nHotel near the station"));
            // For the help pages: into $ORBEKO_SCREENSHOT_DIR (docs/help to renew them).
            QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR");
            if (folder.isEmpty())
                folder = QDir::tempPath();
            EXPECT_TRUE(editor.grab().toImage().save(QDir(folder).filePath("event-editor.png")));
            return QDialog::Rejected;
        },
        true);
}

TEST_F(EventEditorTest, TwentyUsersAreStoredAndATwentyFirstIsRefused)
{
    for (int i = 5; i <= 21; ++i)
        AddUser("User " + std::to_string(100 + i));
    SetField(Entry.Description, "All hands");
    SetField(Entry.CategoryId, "0000000001");
    const auto checkFirst = [](TfrmEvent& editor, int count) {
        for (int row = 0; row < count; ++row)
            editor.lstUsers->ClickCheck(row);
    };
    Run([&](TfrmEvent& editor) {
        editor.chkNotify->setChecked(false);
        checkFirst(editor, 20);
        return PressOk(editor);
    });
    // Ann, Bob, Carl, Dora, then User 105 (id 5) to User 120 (id 20).
    EXPECT_EQ(FieldText(Entry.AssigneeIds[0]), kAnn);
    EXPECT_EQ(FieldText(Entry.AssigneeIds[19]), "0000000020");
    EXPECT_TRUE(Messages.Shown().empty());

    Db->InitDayEntry(Entry);
    SetField(Entry.EntryStamp, kTenOhSeven);
    SetField(Entry.Description, "All hands");
    SetField(Entry.CategoryId, "0000000001");
    const TDayEntryRec before = Entry;
    Messages.Answer(TMessageAnswer::Ok);
    Run([&](TfrmEvent& editor) {
        checkFirst(editor, 21);
        EXPECT_EQ(PressOk(editor), QDialog::Rejected);
        EXPECT_TRUE(editor.isVisible());
        EXPECT_EQ(editor.lstUsers->CheckedCount(), 21);
        return QDialog::Rejected;
    });
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Messages.Shown()[0].Text, "A maximum of 20 users can be associated with an event");
    EXPECT_EQ(std::memcmp(&before, &Entry, sizeof Entry), 0);
    EXPECT_TRUE(Mail.Sent().empty());
}

TEST_F(EventEditorTest, AnEmptyDescriptionKeepsOkDisabledAndTakesTheCategoryName)
{
    Run([](TfrmEvent& editor) {
        EXPECT_FALSE(editor.actOk->isEnabled());
        EXPECT_FALSE(editor.Button1->isEnabled());
        editor.cmbCategory->setCurrentIndex(2);
        emit editor.cmbCategory->activated(2);
        EXPECT_EQ(editor.edtDescription->text(), "Meeting");
        EXPECT_TRUE(editor.actOk->isEnabled());
        EXPECT_TRUE(editor.Button1->isEnabled());
        // A description that is not empty is kept.
        editor.cmbCategory->setCurrentIndex(1);
        emit editor.cmbCategory->activated(1);
        EXPECT_EQ(editor.edtDescription->text(), "Meeting");
        return QDialog::Rejected;
    });
}

TEST_F(EventEditorTest, AStoredCategoryThatIsGoneStoresNoneAfterAsking)
{
    SetField(Entry.Description, "Budget");
    SetField(Entry.CategoryId, "0000000009");
    Assign({kAnn});
    Messages.Answer(TMessageAnswer::Yes);
    const int result = Run(
        [](TfrmEvent& editor) {
            EXPECT_EQ(editor.cmbCategory->currentIndex(), -1);
            editor.chkNotify->setChecked(false);
            return PressOk(editor);
        },
        true);
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Text, "You have not chosen a category for this event. Is this ok?");
    EXPECT_EQ(FieldText(Entry.CategoryId), "0000000000");
}

TEST_F(EventEditorTest, TheMailGoesToTheOtherUsersInAlphabeticalOrder)
{
    SetField(Entry.Description, "Budget");
    SetField(Entry.CategoryId, "0000000001");
    Assign({kDora, kMe, kCarl, kBob});
    Run(
        [](TfrmEvent& editor) {
            EXPECT_TRUE(editor.chkNotify->isChecked());
            return PressOk(editor);
        },
        true);
    ASSERT_EQ(Mail.Sent().size(), 1u);
    const TOutgoingMail& mail = Mail.Sent().front();
    EXPECT_EQ(mail.Subject, "Updated Orbeko Event");
    QStringList to;
    for (const TMailRecipient& recipient : mail.To)
        to.append(recipient.Name);
    EXPECT_EQ(to, (QStringList{"Bob Brown", "Carl Jones", "Dora White"}));
    EXPECT_TRUE(mail.Body.endsWith("\r\nBudget\r\nThursday March 06, 10:05\r\n"));
    EXPECT_EQ(Editor.WorkStamp.DisplayFormat, "dddd mmmm dd, hh:nn");
}

TEST_F(EventEditorTest, AssigneesWithoutAnAddressAreNamedAndTheOthersStillMailed)
{
    const std::string eve = AddUser("Eve Stone", false);
    const std::string fred = AddUser("Fred Hale", false);
    struct TCase
    {
        std::vector<std::string> Assigned;
        QStringList Mailed;  // addresses, in the list's order
        const char* Named;   // who the message names; none when empty
    };
    const TCase cases[] = {
        {{kBob, eve}, {"bob@example.org"}, "Eve Stone"},
        {{eve, kCarl, fred}, {"carl@example.org"}, "Eve Stone, Fred Hale"},
        {{eve}, {}, "Eve Stone"},
        {{kBob, kCarl}, {"bob@example.org", "carl@example.org"}, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Named);
        Db->InitDayEntry(Entry);
        SetField(Entry.EntryStamp, kTenOhSeven);
        SetField(Entry.OwnerId, kMe);
        SetField(Entry.Description, "Budget");
        SetField(Entry.CategoryId, "0000000001");
        for (std::size_t slot = 0; slot < c.Assigned.size(); ++slot)
            SetField(Entry.AssigneeIds[slot], c.Assigned[slot]);
        const std::size_t shown = Messages.Shown().size();
        const std::size_t sent = Mail.Sent().size();
        if (*c.Named)
            Messages.Answer(TMessageAnswer::Ok);
        EXPECT_EQ(Run(PressOk), QDialog::Accepted);
        ASSERT_EQ(Messages.Shown().size(), shown + (*c.Named ? 1 : 0));
        if (*c.Named) {
            EXPECT_TRUE(Messages.Shown().back().Text.startsWith(
                QStringLiteral("No e-mail address is known for ") + c.Named + QStringLiteral(", who")));
        }
        ASSERT_EQ(Mail.Sent().size(), sent + (c.Mailed.isEmpty() ? 0 : 1));
        if (c.Mailed.isEmpty())
            continue;
        QStringList to;
        for (const TMailRecipient& recipient : Mail.Sent().back().To)
            to.append(recipient.Address);
        EXPECT_EQ(to, c.Mailed);
    }
}

TEST_F(EventEditorTest, AssigningOnlyYourselfSendsNoMail)
{
    SetField(Entry.Description, "Dentist");
    SetField(Entry.CategoryId, "0000000001");
    Assign({kMe});
    EXPECT_EQ(Run(PressOk), QDialog::Accepted);
    EXPECT_TRUE(Mail.Sent().empty());
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(EventEditorTest, AMailThatCannotBeSentIsToldAndTheEventStillConfirmed)
{
    Mail.SetResult(false);
    SetField(Entry.Description, "Budget");
    SetField(Entry.CategoryId, "0000000001");
    Assign({kBob});
    Messages.Answer(TMessageAnswer::Ok);
    EXPECT_EQ(Run(PressOk), QDialog::Accepted);
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages.Shown()[0].Text, "Unable to send EMail as requested");
    EXPECT_EQ(Mail.Sent().size(), 1u);
    EXPECT_EQ(FieldText(Entry.AssigneeIds[0]), kBob);
}

TEST_F(EventEditorTest, TheNotifyChoiceIsKeptFromOneUseToTheNext)
{
    SetField(Entry.Description, "Budget");
    SetField(Entry.CategoryId, "0000000001");
    Assign({kBob});
    Run([](TfrmEvent& editor) {
        editor.chkNotify->setChecked(false);
        return PressOk(editor);
    });
    Run([](TfrmEvent& editor) {
        EXPECT_FALSE(editor.chkNotify->isChecked());
        return PressOk(editor);
    });
    EXPECT_TRUE(Mail.Sent().empty());
}

TEST_F(EventEditorTest, CancelLeavesTheRecordsAlone)
{
    SetField(Entry.Description, "Budget");
    const TDayEntryRec before = Entry;
    EXPECT_EQ(Run([](TfrmEvent& editor) {
                  editor.edtDescription->setText("Changed");
                  editor.actCancelExecute();
                  return editor.result();
              }),
              QDialog::Rejected);
    EXPECT_EQ(std::memcmp(&before, &Entry, sizeof Entry), 0);
}

TEST_F(EventEditorTest, TheCallerDecidesWhetherUsersCanBeChosen)
{
    Editor.SetUsersEnabled(false);
    Assign({kMe});
    Run([](TfrmEvent& editor) {
        EXPECT_FALSE(editor.lstUsers->isEnabled());
        EXPECT_FALSE(editor.lblUsers->isEnabled());
        EXPECT_FALSE(editor.btnGroup->isEnabled());
        EXPECT_TRUE(editor.lstUsers->Checked(Row(editor, "Ann Smith")));
        return QDialog::Rejected;
    });
}

// Esc in an open drop-down closes it alone; the next Esc cancels the editor.
TEST_F(EventEditorTest, EscClosesAnOpenDropDownBeforeTheEditor)
{
    Run([](TfrmEvent& editor) {
        for (QWidget* control :
             std::initializer_list<QWidget*>{editor.cmbDate, editor.cmbHour, editor.cmbMinute, editor.cmbCategory})
            EXPECT_EQ(EscapeClosesTheDropDownFirst(editor, *control), "");
        return editor.result();
    });
}

class AlarmPropertiesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::memset(&Alarm, 0, sizeof Alarm);
        SetAlarmUser(Alarm, kBob);
        SetAlarmStamp(Alarm, kTenOhSeven);
    }

    TDialogScript Dialogs;
    TfrmAlarmProperties Dialog;
    TAlarmRec Alarm;
};

TEST_F(AlarmPropertiesTest, CloseTakesTheChosenTime)
{
    Dialogs.Answer([](QDialog& dialog) {
        auto& alarm = static_cast<TfrmAlarmProperties&>(dialog);
        EXPECT_EQ(alarm.cmbDate->Date(), QDate(2025, 3, 6));
        alarm.cmbDate->SetDate(QDate(2025, 3, 5));
        alarm.cmbHour->setCurrentIndex(0);
        alarm.cmbMinute->setCurrentIndex(0);
        alarm.btnClose->click();
        return alarm.result();
    });
    EXPECT_EQ(Dialog.Execute(Alarm), QDialog::Accepted);
    EXPECT_EQ(FieldText(Alarm.AlarmStamp), "1741132800");  // 2025-03-05 00:00
    EXPECT_EQ(FieldText(Alarm.UserAlarmKey), kBob + "1741132800");
}

TEST_F(AlarmPropertiesTest, ADateThatIsNoStampIsRefusedAndTheDialogStaysOpen)
{
    TMessageBoxScript messages;
    messages.Answer(TMessageAnswer::Ok);
    messages.Answer(TMessageAnswer::Ok);
    Dialogs.Answer([](QDialog& dialog) {
        auto& alarm = static_cast<TfrmAlarmProperties&>(dialog);
        alarm.cmbDate->SetDate(QDate(2040, 1, 1));
        alarm.btnClose->click();
        EXPECT_TRUE(alarm.isVisible());
        alarm.cmbDate->setText("31/31");
        alarm.btnClose->click();
        EXPECT_TRUE(alarm.isVisible());
        alarm.cmbDate->SetDate(QDate(2025, 3, 7));
        alarm.btnClose->click();
        return alarm.result();
    });
    EXPECT_EQ(Dialog.Execute(Alarm), QDialog::Accepted);
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(messages.Shown()[0].Text, "Year excedes 2037");
    EXPECT_EQ(messages.Shown()[1].Text, "'31/31' is not a valid date");
    EXPECT_EQ(FieldText(Alarm.AlarmStamp), "1741341900");  // 2025-03-07 10:05
}

TEST_F(AlarmPropertiesTest, AnyOtherWayOutChangesNothing)
{
    Dialogs.Answer([](QDialog& dialog) {
        auto& alarm = static_cast<TfrmAlarmProperties&>(dialog);
        alarm.cmbHour->setCurrentIndex(3);
        alarm.reject();
        return alarm.result();
    });
    EXPECT_EQ(Dialog.Execute(Alarm), QDialog::Rejected);
    EXPECT_EQ(FieldText(Alarm.AlarmStamp), kTenOhSeven);
}

TEST_F(AlarmPropertiesTest, EscClosesAnOpenDropDownBeforeTheDialog)
{
    Dialogs.Answer([](QDialog& dialog) {
        auto& alarm = static_cast<TfrmAlarmProperties&>(dialog);
        for (QWidget* control : std::initializer_list<QWidget*>{alarm.cmbDate, alarm.cmbHour, alarm.cmbMinute})
            EXPECT_EQ(EscapeClosesTheDropDownFirst(alarm, *control), "");
        return alarm.result();
    });
    EXPECT_EQ(Dialog.Execute(Alarm), QDialog::Rejected);
    EXPECT_EQ(FieldText(Alarm.AlarmStamp), kTenOhSeven);
}

// The folder seen read-only through a mount of its own over it, as a share
// made read-only while the program runs: what is open stays writable, what
// is opened anew (a journal) is not. Gone again with the object.
class TReadOnlyMount
{
public:
    explicit TReadOnlyMount(std::string folder) : Folder_(std::move(folder))
    {
        Mounted_ = mount(Folder_.c_str(), Folder_.c_str(), nullptr, MS_BIND, nullptr) == 0;
        if (Mounted_ && mount(nullptr, Folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            umount2(Folder_.c_str(), MNT_DETACH);
            Mounted_ = false;
        }
    }
    ~TReadOnlyMount()
    {
        if (Mounted_)
            umount2(Folder_.c_str(), MNT_DETACH);
    }
    TReadOnlyMount(const TReadOnlyMount&) = delete;
    TReadOnlyMount& operator=(const TReadOnlyMount&) = delete;

    bool Mounted() const { return Mounted_; }

private:
    std::string Folder_;
    bool Mounted_ = false;
};

// A save into a folder that went away or became read-only while the
// program ran says, below the store's status, which folder and the system's
// reason, as the start-up does; the editor opens again on what was typed.
TEST_F(EventEditorTest, AFailedSaveNamesTheFolderAndTheSystemsReason)
{
    struct TCase
    {
        const char* Change;
        bool Edit;  // the properties of an event there, else a new one
        const char* Status;
        const char* Reason;
    };
    const TCase cases[] = {
        {"gone", false, "Object not found", "No such file or directory"},
        {"gone", true, "Object not found", "No such file or directory"},
        {"read-only", false, "Update mode violation", "Read-only file system"},
        {"read-only", true, "Update mode violation", "Read-only file system"},
    };
    TUserRec me;
    ASSERT_TRUE(Db->UserFile.GetEqual(me, TOrbekoDB::UserIdKey, kMe));
    const TSession session(kMe, me);
    const TFilterRules rules;
    const std::string moved = DataPath() + "-moved";
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Change) + (c.Edit ? " properties" : " new"));
        const std::string existing = c.Edit ? Records->Event(kHalfPastTwo, kMe, {kMe}, "Before") : std::string();
        const bool gone = std::string(c.Change) == "gone";
        std::optional<TReadOnlyMount> readOnly;
        if (gone) {
            ASSERT_EQ(std::rename(DataPath().c_str(), moved.c_str()), 0);
        } else if (!readOnly.emplace(DataPath()).Mounted()) {
            GTEST_SKIP() << "no mount of our own over the folder";
        }
        Messages.Answer(TMessageAnswer::Yes);  // saved without a category
        Messages.Answer(TMessageAnswer::Ok);
        AnswerEditor([](TfrmEvent& editor) {
            editor.edtDescription->setText("Typed with care");
            return PressOk(editor);
        });
        QString typed;
        AnswerEditor([&typed](TfrmEvent& editor) {
            typed = editor.edtDescription->text();
            editor.actCancelExecute();
            return editor.result();
        });
        if (c.Edit)
            TEventCommands(*Db).RunProperties(Editor, Cfg, {session, rules}, {existing, "Before", kHalfPastTwo});
        else
            EXPECT_FALSE(TEventCommands(*Db).RunNew(Editor, Cfg, {session, rules}, {"0000000000", "", kTenOhSeven}));
        readOnly.reset();
        if (gone) {
            ASSERT_EQ(std::rename(moved.c_str(), DataPath().c_str()), 0);
        }
        EXPECT_EQ(typed, "Typed with care");
        ASSERT_FALSE(Messages.Shown().empty());
        const QString text = Messages.Shown().back().Text;
        EXPECT_TRUE(text.startsWith(QString::fromStdString(std::string("Unable to save event\r\r") + c.Status +
                                                           "\r\r" + DataPath() + ": " + c.Reason + "\r")))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith("\r\rThe event opens again with everything you typed.")) << text.toStdString();
        EXPECT_EQ(Messages.UnexpectedCount(), 0);
    }
}

}  // namespace
