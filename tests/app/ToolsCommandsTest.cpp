#include "MainWindowFixture.h"
#include "prefs/FilterRules.h"
#include "prefs/frmFiltering.h"
#include "prefs/frmOptions.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"
#include "ui/Clock.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>

namespace {

// 2025-03-06 is a Thursday.
const QDateTime kThursday(QDate(2025, 3, 6), QTime(15, 20));

class ToolsCommandsTest : public TMainWindowFixture
{
protected:
    // JSMITH logs in; ZOE is another user of the diary.
    TfrmMain& Started()
    {
        if (Jsmith.empty()) {
            Zoe = AddUser("ZOE", "", urAddEntries);
            Jsmith = AddUser("JSMITH", "", urAddEntries);
        }
        AnswerLogin("JSMITH", "");
        TfrmMain& window = Window();
        window.FormActivate();
        EXPECT_FALSE(window.Ended());
        return window;
    }

    template <class TForm> void Answer(std::function<void(TForm&)> act)
    {
        Dialogs_.Answer([act](QDialog& dialog) {
            auto& form = static_cast<TForm&>(dialog);
            act(form);
            return form.result();
        });
    }

    // An event of Thursday assigned to ZOE alone.
    void AddZoesEvent()
    {
        TOrbekoDB& db = *Window().MainDb;
        TDayEntryRec entry;
        db.InitDayEntry(entry);
        TStamp stamp;
        stamp.SetDateTime(kThursday);
        SetField(entry.EntryStamp, stamp.StampText());
        SetField(entry.OwnerId, Zoe);
        SetField(entry.AssigneeIds[0], Zoe);
        SetField(entry.Description, "Dentist");
        ASSERT_TRUE(db.DayEntryFile.Add(entry, ""));
    }

    int ThursdayCount() { return Window().wvMain->Days(3).Entries().EntryCount(); }

    std::string Zoe, Jsmith;
    TClockOverride Clock_{kThursday};
};

QMenu* MenuNamed(QMenuBar& bar, const QString& title)
{
    for (QAction* action : bar.actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

// Options and Filtering stand before Groups on the Tools menu, the tool bar
// and the views' pop-up menu.
TEST_F(ToolsCommandsTest, CommandsStandBeforeGroupsOnTheMenuTheToolBarAndThePopup)
{
    TfrmMain& window = Window();
    const std::tuple<QAction*, const char*, const char*> commands[] = {
        {window.actToolsOptions, "&Options...", "Configure Orbeko options"},
        {window.actToolsFiltering, "&Filtering...", "Set filtering rules"},
    };
    for (const auto& [action, caption, hint] : commands) {
        EXPECT_EQ(std::make_tuple(action->text(), action->statusTip(), action->isEnabled()),
                  std::make_tuple(QString(caption), QString(hint), true));
        EXPECT_FALSE(action->icon().isNull());
    }
    const QList<QAction*> tools = MenuNamed(*window.menuBar(), "&Tools")->actions();
    ASSERT_GE(tools.size(), 3);
    EXPECT_EQ(tools.mid(0, 3), (QList<QAction*>{window.actToolsOptions, window.actToolsFiltering,
                                                window.actToolsGroups}));

    for (const QList<QAction*>& list : {window.tbrTools->actions(), window.mnuPopup->actions()}) {
        const qsizetype at = list.indexOf(window.actToolsOptions);
        ASSERT_GE(at, 2);
        ASSERT_LT(at + 2, list.size());
        EXPECT_TRUE(list[at - 1]->isSeparator());
        EXPECT_EQ(list[at - 2], list == window.mnuPopup->actions() ? window.actDate : window.actNext);
        EXPECT_EQ(list[at + 1], window.actToolsFiltering);
        EXPECT_EQ(list[at + 2], window.actToolsGroups);
    }
}

// OK names the filter in the caption and reloads the view; Cancel leaves
// both as they were.
TEST_F(ToolsCommandsTest, FilteringNamesTheFilterInTheCaption)
{
    TfrmMain& window = Started();
    AddZoesEvent();
    window.RefreshView();
    ASSERT_EQ(ThursdayCount(), 1);
    const struct
    {
        QRadioButton* TfrmFiltering::*Choice;
        const char* Caption;
        int Shown;
    } cases[] = {
        {&TfrmFiltering::rdoMe, "Orbeko - Filter On Me", 0},
        {&TfrmFiltering::rdoUsers, "Orbeko - Filter On Users", 0},
        {&TfrmFiltering::rdoAll, "Orbeko", 1},
    };
    for (const auto& c : cases) {
        Answer<TfrmFiltering>([&](TfrmFiltering& form) {
            EXPECT_EQ(form.lstUsers->count(), 2);
            (form.*c.Choice)->setChecked(true);
            QTest::mouseClick(form.btnOk, Qt::LeftButton);
        });
        window.actToolsFiltering->trigger();
        EXPECT_EQ(window.windowTitle(), c.Caption);
        EXPECT_EQ(ThursdayCount(), c.Shown) << c.Caption;
    }

    window.ViewRules->Mode = fmJustForMe;
    Answer<TfrmFiltering>([](TfrmFiltering& form) {
        form.rdoUsers->setChecked(true);
        QTest::mouseClick(form.btnCancel, Qt::LeftButton);
    });
    window.actToolsFiltering->trigger();
    EXPECT_EQ(window.windowTitle(), "Orbeko");
    EXPECT_EQ(ThursdayCount(), 1);
    EXPECT_EQ(window.ViewRules->Mode, fmJustForMe);
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

// Single lines reach both views at once and the next start, because the
// settings are saved when the program ends.
TEST_F(ToolsCommandsTest, SingleLinesSurviveARestart)
{
    {
        TfrmMain& window = Started();
        Answer<TfrmOptions>([](TfrmOptions& form) {
            form.chkExpandLines->setChecked(false);
            QTest::mouseClick(form.btnOk, Qt::LeftButton);
        });
        window.actToolsOptions->trigger();
        EXPECT_EQ(window.wvMain->DisplayMode(), dmSingle);
        EXPECT_EQ(window.dvMain->DisplayMode(), dmSingle);
        EXPECT_EQ(window.windowTitle(), "Orbeko");
    }
    Window_.reset();
    TfrmMain& again = Started();
    EXPECT_EQ(again.wvMain->DisplayMode(), dmSingle);
    EXPECT_EQ(again.dvMain->DisplayMode(), dmSingle);
    Answer<TfrmOptions>([](TfrmOptions& form) {
        EXPECT_FALSE(form.chkExpandLines->isChecked());
        form.reject();
    });
    again.actToolsOptions->trigger();
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

TEST(ToolsHelpTest, PagesAreBuiltInWithTheirPicturesAndListedInTheContents)
{
    QFile contents(":/help/index.html");
    ASSERT_TRUE(contents.open(QIODevice::ReadOnly));
    const QByteArray index = contents.readAll();
    for (const auto& [page, title] : {std::pair{"options", "Display options"}, {"filtering", "Filtering the views"}}) {
        EXPECT_TRUE(index.contains(QStringLiteral("<a href=\"%1.html\">%2</a>").arg(page, title).toUtf8()));
        QFile text(QStringLiteral(":/help/%1.html").arg(page));
        ASSERT_TRUE(text.open(QIODevice::ReadOnly));
        EXPECT_TRUE(text.readAll().contains(QStringLiteral("src=\"%1.png\"").arg(page).toUtf8()));
        EXPECT_FALSE(QImage(QStringLiteral(":/help/%1.png").arg(page)).isNull());
    }
}

}  // namespace
