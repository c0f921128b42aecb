#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"
#include "support/ClockScript.h"
#include "support/PopupEscape.h"
#include "support/SaveFilePromptScript.h"
#include "ReportFixture.h"

#include "prefs/OrbekoCfg.h"
#include "prefs/frmSelectGroup.h"
#include "report/frmReport.h"
#include "report/frmReportViewer.h"
#include "support/SessionWithRights.h"
#include "ui/CheckList.h"
#include "storage/Clock.h"
#include "ui/DateEdit.h"
#include "ui/DialogRunner.h"
#include "ui/ListBox.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

const std::string kAnn = "0000000001";

class ReportDialogTest : public TReportFixture
{
protected:
    void SetUp() override
    {
        TReportFixture::SetUp();
        Cfg.SetDefaults();
    }

    // Runs the dialog with answer filling it in and pressing its buttons.
    void Run(std::function<void(TfrmReport&)> answer)
    {
        Dialogs.Answer([answer](QDialog& dialog) {
            answer(static_cast<TfrmReport&>(dialog));
            return dialog.result();
        });
        Report.Execute(Cfg, *Db, SessionWithRights(kAnn, urAdminister));
    }

    // The viewer's next run: keeps its text and whether the report dialog
    // was still open under it.
    void ExpectViewer()
    {
        Dialogs.Answer([this](QDialog& dialog) {
            auto& viewer = static_cast<TfrmReportViewer&>(dialog);
            Shown = viewer.memReport->toPlainText().split('\n');
            DialogOpenUnderViewer = Report.isVisible();
            Saves.Answer(std::nullopt);
            viewer.SaveAs1->trigger();
            Proposed = QFileInfo(Saves.Proposed().back()).fileName();
            return int(QDialog::Rejected);
        });
    }

    TClockScript Clock_{QDateTime(QDate(2001, 3, 5), QTime(10, 15))};
    TMessageBoxScript Messages;
    TDialogScript Dialogs;
    TOrbekoCfg Cfg;
    TfrmReport Report;
    TSaveFilePromptScript Saves;
    QStringList Shown;
    QString Proposed;  // the name the viewer offers for the text file
    bool DialogOpenUnderViewer = false;
};

TEST_F(ReportDialogTest, OpensOnTodayWithEveryUserAndCategoryAndNothingChosen)
{
    Run([](TfrmReport& report) {
        EXPECT_EQ(report.cmbStartDate->Date(), QDate(2001, 3, 5));
        EXPECT_EQ(report.cmbEndDate->Date(), QDate(2001, 3, 5));
        EXPECT_FALSE(report.chkCategory->isChecked());
        EXPECT_FALSE(report.cmbCategory->isEnabled());
        ASSERT_EQ(report.cmbCategory->count(), 3);
        EXPECT_EQ(report.cmbCategory->currentIndex(), 0);
        ASSERT_EQ(report.lstUsers->count(), 3);
        EXPECT_EQ(report.lstUsers->item(0)->text(), "Ann Smith");
        EXPECT_EQ(report.lstUsers->CheckedCount(), 0);
        QTest::mouseClick(report.chkCategory, Qt::LeftButton, {}, QPoint(4, 4));
        EXPECT_TRUE(report.cmbCategory->isEnabled());
        QTest::mouseClick(report.btnClose, Qt::LeftButton);
        EXPECT_FALSE(report.isVisible());
    });
    EXPECT_EQ(Dialogs.Runs().size(), 1u);
}

// Two reports in a row from one opening of the dialog, the second for the
// users of a group; the dialog stays open under the viewer and after it.
TEST_F(ReportDialogTest, GoShowsTheReportAndKeepsTheDialogOpenForTheNext)
{
    AddEvent(QDateTime(QDate(2001, 3, 5), QTime(9, 30)), "Team meeting", {"0000000002", kAnn});
    AddEvent(QDateTime(QDate(2001, 3, 5), QTime(11, 0)), "Carl's", {"0000000003"});
    Cfg.Groups[0].FromText("Pair,0000000003");
    Run([this](TfrmReport& report) {
        ExpectViewer();
        QTest::mouseClick(report.btnGo, Qt::LeftButton);
        EXPECT_TRUE(DialogOpenUnderViewer);
        EXPECT_TRUE(report.isVisible());
        EXPECT_EQ(Shown.size(), 13);
        EXPECT_EQ(Shown.value(3), "All Users");
        EXPECT_EQ(Proposed, "Orbeko report 2001-03-05 to 2001-03-05.txt");

        Dialogs.Answer([](QDialog& dialog) {
            auto& select = static_cast<TfrmSelectGroup&>(dialog);
            select.lstGroups->setCurrentRow(0);
            select.btnOkClick();
            return select.result();
        });
        QTest::mouseClick(report.btnGroup, Qt::LeftButton);
        ExpectViewer();
        QTest::mouseClick(report.btnGo, Qt::LeftButton);
        EXPECT_EQ(Shown.value(3), "User(s) = Carl Jones");
        EXPECT_EQ(Shown.value(7), "\tMon 05\t11:00\tCarl's\t");
        EXPECT_TRUE(report.isVisible());
        report.reject();
    });
    EXPECT_EQ(Dialogs.PendingCount(), 0);
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
    EXPECT_TRUE(Messages.Shown().empty());
}

// An end date before the start, a date that is no date, and an assignee
// that is gone: each shows its message, no viewer, and the dialog stays.
TEST_F(ReportDialogTest, RefusedReportsShowTheirMessageAndKeepTheDialogOpen)
{
    AddEvent(QDateTime(QDate(2001, 3, 5), QTime(8, 0)), "Ghost's", {"0000000099"});
    const struct
    {
        QString Start;
        QString End;
        TMessageKind Kind;
        QString Text;
    } cases[] = {
        {"05/03/2001", "04/03/2001", TMessageKind::Information, TfrmReport::EndBeforeStart},
        {"05/03/2001", "31/02/2001", TMessageKind::Error, "'31/02/2001' is not a valid date"},
        {"05/03/2001", "05/03/2001", TMessageKind::Error, "Unable to locate user"},
    };
    Run([&](TfrmReport& report) {
        for (const auto& c : cases) {
            report.cmbStartDate->setText(c.Start);
            report.cmbEndDate->setText(c.End);
            Messages.Answer(TMessageAnswer::Ok);
            QTest::mouseClick(report.btnGo, Qt::LeftButton);
            ASSERT_FALSE(Messages.Shown().empty());
            EXPECT_EQ(Messages.Shown().back().Kind, c.Kind);
            EXPECT_EQ(Messages.Shown().back().Text, c.Text);
            EXPECT_TRUE(report.isVisible());
        }
        report.reject();
    });
    EXPECT_EQ(Messages.Shown().size(), 3u);
    EXPECT_EQ(Dialogs.Runs().size(), 1u) << "no viewer";
}

// Esc in an open calendar or list closes it alone; the next Esc closes the
// dialog.
TEST_F(ReportDialogTest, EscClosesAnOpenDropDownBeforeTheDialog)
{
    Run([](TfrmReport& report) {
        report.chkCategory->setChecked(true);
        for (QWidget* control :
             std::initializer_list<QWidget*>{report.cmbStartDate, report.cmbEndDate, report.cmbCategory})
            EXPECT_EQ(EscapeClosesTheDropDownFirst(report, *control), "");
    });
    EXPECT_TRUE(Messages.Shown().empty());
}

}  // namespace
