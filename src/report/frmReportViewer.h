#pragma once

#include <QDate>
#include <QDialog>
#include <QStringList>

class QAction;
class QMenu;
class QMenuBar;
class QPrinter;
class QStatusBar;
class QTextEdit;
class QToolBar;
class QToolButton;

// "Report Viewer": shows a report's lines as plain text, read-only and
// unwrapped, its tab-separated columns at the text's default tab stops, and
// prints them, previews the pages, writes them to a PDF file or saves the
// text. Every way out to paper or PDF lays out the same pages.
class TfrmReportViewer : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmReportViewer(QWidget* parent = nullptr);

    // Replaces the text with the lines of the report from startDate to
    // endDate and shows the viewer modally.
    int Execute(const QStringList& lines, QDate startDate, QDate endDate);
    // The dates name the files the report is saved to.
    void SetLines(const QStringList& lines, QDate startDate, QDate endDate);

    // The text page after page on printer, in the text's font, with no
    // header, footer or page number and no document title.
    void PrintTo(QPrinter& printer) const;

    QMenuBar* MainMenu1;
    QMenu* mnuFile;
    QAction* Print1;
    QAction* PrintPreview1;
    QAction* ExportPdf1;
    QAction* SaveAs1;
    QAction* Close1;
    QToolBar* tbrMain;
    QToolButton* btnPrint;
    QTextEdit* memReport;
    QStatusBar* pnlStatus;

    // Print1 and btnPrint: the print dialog, then every page in one job.
    void btnPrintClick();
    void PrintPreview1Click();
    void ExportPdf1Click();
    void SaveAs1Click();

private:
    // Shows an error when the printer reports one.
    void Print(QPrinter& printer);
    // Where the save prompt opens: the documents folder, a name of the
    // report's dates.
    QString ProposedFile(const QString& suffix) const;

    QDate StartDate_;
    QDate EndDate_;
};
