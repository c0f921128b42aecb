#include "MainWindowFixture.h"
#include "prefs/FilterRules.h"
#include "prefs/frmFiltering.h"
#include "prefs/frmOptions.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"
#include "support/ClockScript.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <QCheckBox>
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
        if (Zoe.empty()) {
            Zoe = AddUser("ZOE", "", urAddEntries);
            AddUser("JSMITH", "", urAddEntries);
        }
        AnswerLogin("JSMITH", "");
        Window().FormActivate();
        EXPECT_FALSE(Window().Ended());
        return Window();
    }
    template <class TForm> void Answer(std::function<void(TForm&)> act)
    {
        Dialogs_.Answer([act](QDialog& dialog) {
            act(static_cast<TForm&>(dialog));
            return dialog.result();
        });
    }

    std::string Zoe;
    TClockScript Clock_{kThursday};
};

// Options and Filtering stand before Groups on the Tools menu, and after a
// separator on the tool bar and the views' pop-up menu.
TEST_F(ToolsCommandsTest, CommandsStandBeforeGroups)
{
    TfrmMain& window = Window();
    EXPECT_EQ(Action("actToolsOptions").text(), "&Options...");
    EXPECT_EQ(Action("actToolsOptions").statusTip(), "Configure Orbeko options");
    EXPECT_EQ(Action("actToolsFiltering").text(), "&Filtering...");
    EXPECT_EQ(Action("actToolsFiltering").statusTip(), "Set filtering rules");
    const QList<QAction*> tools = window.menuBar()->actions()[3]->menu()->actions();
    EXPECT_EQ(tools.mid(0, 3), (QList<QAction*>{&Action("actToolsOptions"), &Action("actToolsFiltering"),
                                                &Action("actToolsGroups")}));
    for (const QList<QAction*>& list : {Child<QToolBar>("tbrTools").actions(), Child<QMenu>("mnuPopup").actions()}) {
        const qsizetype at = list.indexOf(&Action("actToolsOptions"));
        ASSERT_GE(at, 1);
        EXPECT_TRUE(list[at - 1]->isSeparator());
        EXPECT_EQ(list.mid(at, 3), tools.mid(0, 3));
    }
}

// OK names the filter in the caption and reloads the view; Cancel leaves
// both as they were.
TEST_F(ToolsCommandsTest, FilteringNamesTheFilterInTheCaption)
{
    TfrmMain& window = Started();
    TDiaryRecords(*window.MainDb()).Event(StampOf(kThursday), "", {Zoe}, "");
    const auto thursday = [&] { return Week().Days(3).Entries().EntryCount(); };
    const std::tuple<QRadioButton* TfrmFiltering::*, const char*, int, bool> cases[] = {
        {&TfrmFiltering::rdoMe, "Orbeko - Filter On Me", 0, true},
        {&TfrmFiltering::rdoUsers, "Orbeko - Filter On Users", 0, true},
        {&TfrmFiltering::rdoAll, "Orbeko", 1, true},
        {&TfrmFiltering::rdoMe, "Orbeko", 1, false},
    };
    for (const auto& [choice, caption, shown, ok] : cases) {
        Answer<TfrmFiltering>([&](TfrmFiltering& form) {
            EXPECT_EQ(form.lstUsers->count(), 2);
            (form.*choice)->setChecked(true);
            QTest::mouseClick(ok ? form.btnOk : form.btnCancel, Qt::LeftButton);
        });
        Action("actToolsFiltering").trigger();
        EXPECT_EQ(window.windowTitle(), caption);
        EXPECT_EQ(thursday(), shown) << caption;
    }
    EXPECT_EQ(window.ViewRules().Mode, fmAllEvents);
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

// Single lines reach both views at once and the next start, because the
// settings are saved when the program ends.
TEST_F(ToolsCommandsTest, SingleLinesSurviveARestart)
{
    Started();
    Answer<TfrmOptions>([](TfrmOptions& form) {
        form.chkExpandLines->setChecked(false);
        QTest::mouseClick(form.btnOk, Qt::LeftButton);
    });
    Action("actToolsOptions").trigger();
    EXPECT_EQ(Day().DisplayMode(), dmSingle);
    Window_.reset();
    Started();
    EXPECT_EQ(Week().DisplayMode(), dmSingle);
    EXPECT_EQ(Day().DisplayMode(), dmSingle);
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

}  // namespace
