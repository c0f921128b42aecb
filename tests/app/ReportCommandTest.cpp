#include "MainWindowFixture.h"
#include "report/frmReport.h"
#include "ui/CheckList.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

class ReportCommandTest : public TMainWindowFixture
{
};

// The report dialog opens for the logged-in user, with the users of the
// database; before start-up the command does nothing.
TEST_F(ReportCommandTest, OpensTheReportDialogOnTheDatabase)
{
    EXPECT_EQ(Action("actToolsReport").text(), "&Report...");
    EXPECT_EQ(Action("actToolsReport").toolTip(), "Generate a report");
    Action("actToolsReport").trigger();
    EXPECT_TRUE(Dialogs_.Runs().empty());

    AddUser("JSMITH", "", urAddEntries);
    AddUser("ZOE", "", urAddEntries);
    AnswerLogin("JSMITH", "");
    TfrmMain& window = Window();
    window.FormActivate();
    ASSERT_FALSE(window.Ended());
    int users = -1;
    Dialogs_.Answer([&users](QDialog& dialog) {
        users = static_cast<TfrmReport&>(dialog).lstUsers->count();
        return int(QDialog::Rejected);
    });
    Action("actToolsReport").trigger();
    ASSERT_EQ(Dialogs_.Runs().size(), 2u);
    EXPECT_EQ(Dialogs_.Runs()[1].ClassName, "TfrmReport");
    EXPECT_EQ(users, 2);
}

}  // namespace
