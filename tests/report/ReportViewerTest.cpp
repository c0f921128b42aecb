#include "support/MessageBoxScript.h"
#include "support/SaveFilePromptScript.h"
#include "support/PrintPromptScript.h"
#include "report/frmReportViewer.h"
#include "support/EnvOverride.h"
#include "support/TempDir.h"
#include "ui/MessageBox.h"
#include "ui/PrintPrompt.h"
#include "ui/SaveFilePrompt.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QDate kStart(2001, 3, 5);
const QDate kEnd(2001, 3, 31);

// A report long enough for several pages, with a line far wider than the
// window and a name outside ASCII.
QStringList LongReport()
{
    QStringList lines{"Orbeko Report From Mon 05 March 2001 To Sat 31 March 2001", "", "All Categories",
                      "All Users", "", "March 2001", ""};
    for (int i = 1; i <= 150; ++i) {
        lines.append(QStringLiteral("\t%1\t09:30\tEvent number %2\t").arg(i == 1 ? "Mon 05" : "  ").arg(i));
        lines.append(QStringLiteral("\t\t\tZoë Kovač, Ann Smith"));
        lines.append(QString());
    }
    lines.append("\tSat 31\tDay\t" + QString(300, 'w') + "\t");
    return lines;
}

// The text of a PDF file, one entry per page.
QStringList PdfPages(const QString& file)
{
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", file, "-"});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

class ReportViewerTest : public ::testing::Test
{
protected:
    TTempDir Temp;
    TMessageBoxScript Messages;
    TPrintPromptScript Printer;
    TSaveFilePromptScript Files;
    TfrmReportViewer Viewer;
};

TEST_F(ReportViewerTest, ShowsTheTextReadOnlyUnwrappedWithBothScrollBars)
{
    Viewer.SetLines(LongReport(), kStart, kEnd);
    Viewer.show();
    EXPECT_EQ(Viewer.windowTitle(), "Report Viewer");
    EXPECT_TRUE(Viewer.memReport->isReadOnly());
    EXPECT_EQ(Viewer.memReport->lineWrapMode(), QTextEdit::NoWrap);
    // The text is laid out in steps while the viewer is idle.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Viewer.memReport->horizontalScrollBar()->maximum() > 0; }))
        << "the wide line is reached by scrolling";
    EXPECT_TRUE(Viewer.memReport->verticalScrollBar()->isVisible());
    EXPECT_EQ(Viewer.memReport->toPlainText(), LongReport().join('\n'));
    EXPECT_EQ(Viewer.btnPrint->defaultAction(), Viewer.Print1);
    EXPECT_EQ(Viewer.btnPrint->toolTip(), "Print");
}

// The print button asks the print dialog, then prints every line and
// nothing else (no page numbers) on pages in one job; Cancel prints
// nothing. Export PDF writes the same pages.
TEST_F(ReportViewerTest, PrintingGivesEveryLineAndNothingElseAndPdfExportTheSamePages)
{
    const QStringList lines = LongReport();
    Viewer.SetLines(lines, kStart, kEnd);
    const QString printed = QString::fromStdString(Temp.File("printed.pdf"));
    const QString exported = QString::fromStdString(Temp.File("exported.pdf"));
    Printer.Answer(std::nullopt);
    Viewer.btnPrint->click();
    EXPECT_FALSE(QFile::exists(printed));
    Printer.Answer(printed);
    Viewer.btnPrint->click();
    EXPECT_EQ(Printer.AskedCount(), 2);

    const QStringList pages = PdfPages(printed);
    ASSERT_GE(pages.size(), 4);
    // Every character of every line in order, the wide line wrapped on
    // paper rather than cut at the edge, and no footer.
    const QRegularExpression space("\\s");
    EXPECT_EQ(pages.join(QString()).remove(space), lines.join(QString()).remove(space));

    Files.Answer(exported);
    Viewer.ExportPdf1->trigger();
    EXPECT_EQ(PdfPages(exported), pages);
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(ReportViewerTest, SaveAsWritesTheTextInUtf8AndReportsAFileItCannotWrite)
{
    Viewer.SetLines(LongReport(), kStart, kEnd);
    const QString file = QString::fromStdString(Temp.File("report.txt"));
    Files.Answer(file);
    Viewer.SaveAs1->trigger();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), LongReport().join('\n'));

    const QString nowhere = QString::fromStdString(Temp.File("missing/report"));
    Files.Answer(nowhere + ".txt");
    Viewer.SaveAs1->trigger();
    Files.Answer(nowhere + ".pdf");
    Viewer.ExportPdf1->trigger();
    ASSERT_EQ(Messages.Shown().size(), 2u);
    EXPECT_TRUE(Messages.Shown()[0].Text.startsWith("Unable to save the report to " + nowhere + ".txt: "));
    EXPECT_TRUE(Messages.Shown()[1].Text.startsWith("Unable to write " + nowhere + ".pdf: "));
}

// Both save prompts open in the documents folder, or the home folder when
// there is none, on a name made of the report's dates.
TEST_F(ReportViewerTest, SavePromptsOfferTheReportsDatesInTheDocumentsFolder)
{
    const QString home = QString::fromStdString(Temp.Path());
    const TEnvOverride homeOverride("HOME", home.toUtf8());
    const TEnvOverride configOverride("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
    const struct
    {
        QAction* TfrmReportViewer::*Action;
        bool Documents;
        QString Proposed;
    } cases[] = {
        {&TfrmReportViewer::SaveAs1, false, home + "/Orbeko report 2001-03-05 to 2001-03-31.txt"},
        {&TfrmReportViewer::ExportPdf1, true, home + "/Documents/Orbeko report 2001-03-05 to 2001-03-31.pdf"},
        {&TfrmReportViewer::SaveAs1, true, home + "/Documents/Orbeko report 2001-03-05 to 2001-03-31.txt"},
    };
    Viewer.SetLines(LongReport(), kStart, kEnd);
    for (const auto& c : cases) {
        if (c.Documents) {
            ASSERT_TRUE(QDir(home).mkpath("Documents"));
        }
        Files.Answer(std::nullopt);
        (Viewer.*c.Action)->trigger();
        ASSERT_FALSE(Files.Proposed().empty());
        EXPECT_EQ(Files.Proposed().back(), c.Proposed);
    }
    EXPECT_TRUE(Messages.Shown().empty());
}

}  // namespace
