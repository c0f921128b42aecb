#include "support/MessageBoxScript.h"
#include "support/SaveFilePromptScript.h"
#include "support/PrintPromptScript.h"
#include "report/frmReportViewer.h"
#include "support/TempDir.h"
#include "ui/MessageBox.h"
#include "ui/PrintPrompt.h"
#include "ui/SaveFilePrompt.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

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
    Viewer.SetLines(LongReport());
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

// The print button asks the print dialog, then prints every line on pages
// numbered in their footers, in one job; Cancel prints nothing. Export PDF
// writes the same pages.
TEST_F(ReportViewerTest, PrintingGivesEveryLineOnNumberedPagesAndPdfExportTheSamePages)
{
    const QStringList lines = LongReport();
    Viewer.SetLines(lines);
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
    // paper rather than cut at the edge; each page ends with its number.
    const QRegularExpression space("\\s");
    QString printedText;
    for (int page = 0; page < pages.size(); ++page) {
        QStringList text = pages[page].split('\n');
        while (!text.isEmpty() && text.back().trimmed().isEmpty())
            text.removeLast();
        ASSERT_FALSE(text.isEmpty());
        EXPECT_EQ(text.takeLast().trimmed(), QString::number(page + 1)) << "footer of page " << page + 1;
        printedText += text.join(QString());
    }
    EXPECT_EQ(printedText.remove(space), lines.join(QString()).remove(space));

    Files.Answer(exported);
    Viewer.ExportPdf1->trigger();
    EXPECT_EQ(PdfPages(exported), pages);
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(ReportViewerTest, SaveAsWritesTheTextInUtf8AndReportsAFileItCannotWrite)
{
    Viewer.SetLines(LongReport());
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

}  // namespace
