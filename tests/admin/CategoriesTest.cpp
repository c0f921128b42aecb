#include "support/RecordsFixture.h"
#include "admin/CategoryDeletion.h"
#include "admin/frmCategories.h"
#include "kfstore/RecordLock.h"
#include "support/ChildProcess.h"
#include "ui/ColorCombo.h"
#include "ui/ListBox.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

const char* const kConfirm = "All events with this category will become un-categorised. Are you sure?";
const char* const kLocked = "Unable to complete deletion. Another user has locked the database";
constexpr int64_t kNine = 983782800;  // 09:00:00 05/03/01

// Another workstation saves event args[1] with the description args[2] and
// the category args[3], under the event's lock.
ORBEKO_CHILD_ROLE(SaveEvent)
{
    TXIsamFile file;
    TDayEntryRec entry;
    if (!file.Open(args[0], 3))
        return 1;
    const TRecordLock lock(file, args[1]);
    if (!lock.Held() || !file.GetEqual(entry, 0, args[1]))
        return 1;
    SetField(entry.Description, args[2]);
    SetField(entry.CategoryId, args[3]);
    return file.Rewrite(entry, args[1]) ? 0 : 1;
}

class CategoriesTest : public TRecordsFixture
{
protected:
    int Run(const std::function<void()>& inside) { return RunThenClose(Form, inside); }

    QStringList Listed() const
    {
        QStringList texts;
        for (int row = 0; row < Form.lstCategories->count(); ++row)
            texts << Form.lstCategories->item(row)->text() + "@" + QString::number(Form.lstCategories->Data(row));
        return texts;
    }

    void Select(const QString& text)
    {
        const auto found = Form.lstCategories->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        Form.lstCategories->setCurrentItem(found.front());
    }

    std::vector<std::string> StoredCategories()
    {
        std::vector<std::string> texts;
        TCategoryRec category;
        Db->CategoryFile.GoTop(0);
        while (Db->CategoryFile.GetNext(category, 0, "", gcAny))
            texts.push_back(Db->CategoryFile.LastKey() + "=" + FieldText(category.Description));
        return texts;
    }

    TfrmCategories Form;
};

// With no categories only Add is offered; a new one goes into its sorted
// place, one with an existing text is refused.
TEST_F(CategoriesTest, AddRefusesADuplicateAndSortsANewOneIn)
{
    Run([this] {
        EXPECT_TRUE(Form.edtCategory->text().isEmpty());
        EXPECT_FALSE(Form.btnAdd->isEnabled());
        EXPECT_FALSE(Form.btnUpdate->isEnabled());
        EXPECT_FALSE(Form.btnDelete->isEnabled());
        for (const char* text : {"Travel", "Meeting", "travel"}) {
            Form.edtCategory->setText(text);
            Form.btnAdd->click();
        }
    });
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages.Shown()[0].Text, "A category with this description already exists");
    EXPECT_EQ(Listed(), QStringList({"Meeting@2", "Travel@1"}));
    EXPECT_EQ(StoredCategories(), std::vector<std::string>({"0000000001=Travel", "0000000002=Meeting"}));
}

// The dialog opens on the first entry; Update takes even an empty text.
TEST_F(CategoriesTest, UpdateTakesEvenAnEmptyText)
{
    Records->Category("Travel");
    Records->Category("Meeting");
    Run([this] {
        EXPECT_EQ(Form.edtCategory->text(), "Meeting");
        SaveShot(Form, "categories.png");
        Form.lstCategories->setCurrentRow(1);
        Form.edtCategory->setText("Journey");
        Form.btnUpdate->click();
        Select("Meeting");
        Form.edtCategory->clear();
        Form.btnUpdate->click();
    });
    EXPECT_EQ(Listed(), QStringList({"@2", "Journey@1"}));
    EXPECT_EQ(StoredCategories(), std::vector<std::string>({"0000000001=Journey", "0000000002="}));
}

// A colour of its own is stored with Add and Update and shown when the
// category is chosen again; unchecked, the category has none.
TEST_F(CategoriesTest, AColourOfItsOwnIsStoredAndShown)
{
    Records->Category("Travel");
    // Left by a deleted category whose identifier the next one gets.
    Db->Details.SetCategoryColour("0000000002", 0x123456);
    Run([this] {
        Select("Travel");
        EXPECT_FALSE(Form.chkColour->isChecked());
        EXPECT_FALSE(Form.cmbColour->isEnabled());
        Form.chkColour->setChecked(true);
        Form.cmbColour->SetColor(ColorToRef(QColor(0xC0, 0x30, 0x30)));
        Form.btnUpdate->click();
        Form.edtCategory->setText("Meeting");
        Form.chkColour->setChecked(false);
        Form.btnAdd->click();
        Select("Meeting");
        EXPECT_FALSE(Form.chkColour->isChecked());
        Select("Travel");
        EXPECT_TRUE(Form.chkColour->isChecked());
        EXPECT_EQ(ColorFromRef(Form.cmbColour->Color()), QColor(0xC0, 0x30, 0x30));
    });
    EXPECT_EQ(Db->Details.CategoryColour("0000000001"), 0xC03030u);
    EXPECT_FALSE(Db->Details.CategoryColour("0000000002"));
}

struct TDeleteCase
{
    const char* Name;
    int Carrying;
    TMessageAnswer Answer;
};

class CategoryDeleteTest : public CategoriesTest, public ::testing::WithParamInterface<TDeleteCase>
{
};

// Deleting takes the category off exactly the events that carry it, and
// changes nothing else of them; a refused confirmation changes nothing.
TEST_P(CategoryDeleteTest, UncategorisesItsEventsOnly)
{
    const TDeleteCase& test = GetParam();
    const std::string ann = AddUser("Ann");
    const std::string meeting = Records->Category("Meeting");
    const std::string travel = Records->Category("Travel");
    const std::string other = Records->Event(IdText(kNine), ann, {ann}, "Train to Leeds", 0, travel);
    std::vector<std::string> carrying;
    for (int i = 0; i < test.Carrying; ++i)
        carrying.push_back(
            Records->Event(IdText(kNine + i * 3600), ann, {ann}, "Review " + std::to_string(i), 0, meeting));
    const std::string none = Records->Event(IdText(kNine), ann, {ann}, "Lunch");
    std::vector<TDayEntryRec> before;
    TEventDetails details;
    details.Place = QStringLiteral("Room 7");
    for (const std::string& id : carrying) {
        before.push_back(ReadEvent(id));
        Db->Details.WriteEvent(id, before.back(), details, nullptr);
    }
    Db->Details.SetCategoryColour(meeting, 0x2255AA);

    Messages.Answer(test.Answer);
    Run([this] {
        Select("Meeting");
        Form.btnDelete->click();
    });

    const bool deleted = test.Answer == TMessageAnswer::Yes;
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(Messages.Shown()[0].Text, kConfirm);
    EXPECT_EQ(StoredCategories().size(), deleted ? 1u : 2u);
    EXPECT_EQ(Listed(), deleted ? QStringList({"Travel@2"}) : QStringList({"Meeting@1", "Travel@2"}));
    // Nothing is chosen afterwards; the edit keeps the text.
    EXPECT_EQ(Form.btnDelete->isEnabled(), !deleted);
    EXPECT_EQ(Form.edtCategory->text(), "Meeting");
    for (std::size_t i = 0; i < carrying.size(); ++i) {
        TDayEntryRec expected = before[i];
        if (deleted)
            SetField(expected.CategoryId, "0000000000");
        const TDayEntryRec after = ReadEvent(carrying[i]);
        EXPECT_EQ(std::memcmp(&after, &expected, sizeof(after)), 0) << carrying[i];
        EXPECT_EQ(Db->Details.Event(carrying[i], after), details) << carrying[i];
    }
    EXPECT_EQ(Db->Details.CategoryColour(meeting).has_value(), !deleted);
    EXPECT_EQ(FieldText(ReadEvent(other).CategoryId), travel);
    EXPECT_EQ(FieldText(ReadEvent(none).CategoryId), "0000000000");
}

INSTANTIATE_TEST_SUITE_P(Cases, CategoryDeleteTest,
                         ::testing::Values(TDeleteCase{"ThreeEvents", 3, TMessageAnswer::Yes},
                                           TDeleteCase{"Unused", 0, TMessageAnswer::Yes},
                                           TDeleteCase{"AnsweredNo", 3, TMessageAnswer::No}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CategoriesTest, AnEventLockedElsewhereStopsTheDeletionUntilItIsFree)
{
    const std::string ann = AddUser("Ann");
    const std::string meeting = Records->Category("Meeting");
    const std::string first = Records->Event(IdText(kNine), ann, {ann}, "Review", 0, meeting);
    const std::string held = Records->Event(IdText(kNine), ann, {ann}, "Planning", 0, meeting);
    const std::string last = Records->Event(IdText(kNine), ann, {ann}, "Retro", 0, meeting);
    TChildProcess child("HoldRecordLock", {Db->DayEntryFile.FileName(), held});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    ASSERT_EQ(line, "locked");

    Messages.Answer(TMessageAnswer::Yes);
    Messages.Answer(TMessageAnswer::Yes);
    Run([&] {
        Select("Meeting");
        try {
            Form.actDeleteExecute();
            ADD_FAILURE() << "the deletion went through a locked event";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), kLocked);
        }
        // The events before the locked one are done; the rest and the category wait.
        EXPECT_EQ(FieldText(ReadEvent(first).CategoryId), "0000000000");
        EXPECT_EQ(FieldText(ReadEvent(last).CategoryId), meeting);
        EXPECT_EQ(Form.lstCategories->count(), 1);

        child.Kill(SIGKILL);
        child.Wait();
        Form.btnDelete->click();
    });
    for (const std::string& id : {first, held, last})
        EXPECT_EQ(FieldText(ReadEvent(id).CategoryId), "0000000000") << id;
    EXPECT_TRUE(StoredCategories().empty());
}

// What another workstation saved after the scan read an event is what the
// category is taken off: its change is kept, and an event it moved to
// another category keeps that one.
TEST_F(CategoriesTest, AChangeSavedAfterTheScanIsKept)
{
    const std::string ann = AddUser("Ann");
    const std::string meeting = Records->Category("Meeting");
    const std::string travel = Records->Category("Travel");
    const std::string renamed = Records->Event(IdText(kNine), ann, {ann}, "Review", 0, meeting);
    const std::string moved = Records->Event(IdText(kNine), ann, {ann}, "Planning", 0, meeting);
    const TCategoryDeletion deletion(*Db, meeting);
    const std::vector<std::string> scanned = deletion.CarryingEvents();
    ASSERT_EQ(scanned, std::vector<std::string>({renamed, moved}));

    const std::string file = Db->DayEntryFile.FileName();
    EXPECT_EQ(TChildProcess("SaveEvent", {file, renamed, "Review, room 4", meeting}).Wait(), 0);
    EXPECT_EQ(TChildProcess("SaveEvent", {file, moved, "Planning", travel}).Wait(), 0);
    deletion.Uncategorise(scanned);

    const TDayEntryRec first = ReadEvent(renamed);
    EXPECT_EQ(FieldText(first.Description), "Review, room 4");
    EXPECT_EQ(FieldText(first.CategoryId), "0000000000");
    EXPECT_EQ(FieldText(ReadEvent(moved).CategoryId), travel);
}

}  // namespace
