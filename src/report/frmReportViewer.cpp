#include "report/frmReportViewer.h"

#include "ui/ActionFactory.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"
#include "ui/PrintPrompt.h"
#include "ui/SaveFilePrompt.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStatusBar>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace {

// Around the text on paper, on every side.
constexpr qreal kPageMarginInches = 2 / 2.54;

void ShowError(const QString& text)
{
    TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, text);
}

}  // namespace

TfrmReportViewer::TfrmReportViewer(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReportViewer"));
    setWindowTitle(QStringLiteral("Report Viewer"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(738, 435);

    QStyle* s = style();
    TActionFactory factory(*this);
    const auto make = [this, &factory](const char* name, const QIcon& icon, const char* caption, const char* hint,
                                       QKeySequence shortcut, void (TfrmReportViewer::*handler)()) {
        return factory.Make(name, caption, hint, shortcut, this, handler, icon);
    };
    // The desktop's printer image, else the one of Qt's own print preview.
    const QIcon printer(QStringLiteral(":/qt-project.org/dialogs/qprintpreviewdialog/images/printer-24.png"));
    Print1 = make("Print1", QIcon::fromTheme(QStringLiteral("document-print"), printer), "&Print", "Print", QKeySequence::Print,
                  &TfrmReportViewer::btnPrintClick);
    PrintPreview1 = make("PrintPreview1", QIcon::fromTheme(QStringLiteral("document-print-preview"),
                                          s->standardIcon(QStyle::SP_FileDialogContentsView)),
                         "Print Pre&view...", "Show the pages as they will be printed", {},
                         &TfrmReportViewer::PrintPreview1Click);
    ExportPdf1 = make("ExportPdf1", QIcon::fromTheme(QStringLiteral("x-office-document"), s->standardIcon(QStyle::SP_FileIcon)),
                      "&Export PDF...", "Write the pages to a PDF file", {}, &TfrmReportViewer::ExportPdf1Click);
    SaveAs1 = make("SaveAs1", QIcon::fromTheme(QStringLiteral("document-save-as"), s->standardIcon(QStyle::SP_DriveFDIcon)),
                   "Save &As...", "Save the report as a text file", QKeySequence::SaveAs,
                   &TfrmReportViewer::SaveAs1Click);
    Close1 = new QAction(QStringLiteral("&Close"), this);
    Close1->setObjectName(QStringLiteral("Close1"));
    connect(Close1, &QAction::triggered, this, &QDialog::reject);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    mnuFile = MainMenu1->addMenu(QStringLiteral("&File"));
    mnuFile->addAction(Print1);
    mnuFile->addAction(PrintPreview1);
    mnuFile->addSeparator();
    mnuFile->addAction(ExportPdf1);
    mnuFile->addAction(SaveAs1);
    mnuFile->addSeparator();
    mnuFile->addAction(Close1);

    tbrMain = new QToolBar(this);
    tbrMain->setObjectName(QStringLiteral("tbrMain"));
    tbrMain->setIconSize(QSize(16, 16));
    tbrMain->addAction(Print1);
    tbrMain->addAction(PrintPreview1);
    btnPrint = qobject_cast<QToolButton*>(tbrMain->widgetForAction(Print1));
    btnPrint->setObjectName(QStringLiteral("btnPrint"));

    memReport = new QTextEdit(this);
    memReport->setObjectName(QStringLiteral("memReport"));
    memReport->setReadOnly(true);
    memReport->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memReport->setAcceptRichText(false);
    memReport->setUndoRedoEnabled(false);
    memReport->setLineWrapMode(QTextEdit::NoWrap);
    memReport->setFrameShape(QFrame::NoFrame);
    memReport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memReport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    pnlStatus = new QStatusBar(this);
    pnlStatus->setObjectName(QStringLiteral("pnlStatus"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(tbrMain);
    layout->addWidget(memReport, 1);
    layout->addWidget(pnlStatus);
}

int TfrmReportViewer::Execute(const QStringList& lines, QDate startDate, QDate endDate)
{
    SetLines(lines, startDate, endDate);
    memReport->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmReportViewer::SetLines(const QStringList& lines, QDate startDate, QDate endDate)
{
    memReport->setPlainText(lines.join(QLatin1Char('\n')));
    StartDate_ = startDate;
    EndDate_ = endDate;
}

QString TfrmReportViewer::ProposedFile(const QString& suffix) const
{
    return TSaveFilePrompt::InDocuments(
        TSaveFilePrompt::RangeName(QStringLiteral("Orbeko report"), StartDate_, EndDate_, suffix));
}

void TfrmReportViewer::PrintTo(QPrinter& printer) const
{
    printer.setDocName(QString());
    // Paper cannot scroll: a line wider than the page goes on in the next
    // line rather than being cut at the edge.
    const std::unique_ptr<QTextDocument> pages(memReport->document()->clone());
    QTextOption option = pages->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    pages->setDefaultTextOption(option);
    // Laid out on the printer's pages beforehand, the text is printed as it
    // stands: a text without a page size of its own would be given a page
    // number at the foot of each page.
    pages->documentLayout()->setPaintDevice(&printer);
    // In the text's own units, which the layout scales to the printer.
    QTextFrameFormat frame = pages->rootFrame()->frameFormat();
    frame.setMargin(kPageMarginInches * memReport->logicalDpiY());
    pages->rootFrame()->setFrameFormat(frame);
    pages->setPageSize(QSizeF(printer.width(), printer.height()));
    pages->print(&printer);
}

void TfrmReportViewer::Print(QPrinter& printer)
{
    PrintTo(printer);
    if (printer.printerState() == QPrinter::Error)
        ShowError(QStringLiteral("Unable to print the report"));
}

void TfrmReportViewer::btnPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    if (TPrintPrompt::Ask(printer, this))
        Print(printer);
}

void TfrmReportViewer::PrintPreview1Click()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("dlgPreview"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* pages) { PrintTo(*pages); });
    TDialogRunner::Run(preview);
}

void TfrmReportViewer::ExportPdf1Click()
{
    const std::optional<QString> file =
        TSaveFilePrompt::Ask(this, QStringLiteral("Export PDF"), QStringLiteral("PDF files (*.pdf)"),
                             QStringLiteral("pdf"), ProposedFile(QStringLiteral("pdf")));
    if (!file)
        return;
    // The printer says nothing of a file it cannot write; ask the file first.
    QFile probe(*file);
    if (!probe.open(QIODevice::WriteOnly)) {
        ShowError(QStringLiteral("Unable to write ") + *file + QStringLiteral(": ") + probe.errorString());
        return;
    }
    probe.close();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*file);
    Print(printer);
}

void TfrmReportViewer::SaveAs1Click()
{
    const std::optional<QString> file =
        TSaveFilePrompt::Ask(this, QStringLiteral("Save Report As"), QStringLiteral("Text files (*.txt)"),
                             QStringLiteral("txt"), ProposedFile(QStringLiteral("txt")));
    if (!file)
        return;
    // Written aside and put in place whole, so a failed save leaves any
    // earlier file as it was.
    QSaveFile out(*file);
    if (!out.open(QIODevice::WriteOnly) || out.write(memReport->toPlainText().toUtf8()) < 0 || !out.commit())
        ShowError(QStringLiteral("Unable to save the report to ") + *file + QStringLiteral(": ") + out.errorString());
}
