#include "support/DialogScript.h"
#include "ReportFixture.h"

#include "report/ReportBuilder.h"
#include "support/SessionWithRights.h"
#include "report/frmReportViewer.h"
#include "ui/DialogRunner.h"

#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

QString ShotFolder()
{
    const QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR");
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

class ReportScreenshotTest : public TReportFixture
{
};

// A real report of a small office's fortnight in the viewer and in the print
// preview, saved for the help page; the checks make sure the pictures are
// worth a look.
TEST_F(ReportScreenshotTest, SavesTheViewerAndThePreviewOfAReport)
{
    const std::string ann = "0000000001", bob = "0000000002", carl = "0000000003";
    const auto at = [](int day, int hour, int minute) { return QDateTime(QDate(2025, 3, day), QTime(hour, minute)); };
    AddEvent(at(3, 0, 0), "Office closed from 3 pm", {}, efUntimed);
    AddEvent(at(3, 9, 0), "Weekly planning", {ann, bob, carl}, 0, "0000000001");
    AddEvent(at(3, 11, 30), "Call the printer about the brochure proofs", {bob});
    AddEvent(at(4, 8, 15), "Train to Leeds", {carl}, 0, "0000000002");
    AddEvent(at(4, 10, 0), "Site visit at Hartley & Sons", {carl, bob});
    AddEvent(at(5, 9, 30), "Interview: junior designer", {ann, carl}, 0, "0000000001");
    AddEvent(at(6, 15, 30), "Pay the VAT return", {ann});
    AddEvent(at(10, 9, 0), "Weekly planning", {ann, bob, carl}, 0, "0000000001");
    AddEvent(at(12, 0, 0), "Carl on leave", {carl}, efUntimed);
    AddEvent(at(14, 17, 30), "Drinks for Bob's birthday", {ann, bob, carl});
    TReportRequest request;
    request.StartDate = QDate(2025, 3, 3);
    request.EndDate = QDate(2025, 3, 14);
    const QStringList lines = TReportBuilder(*Db, SessionWithRights(ann, urAdminister)).Build(request);

    TfrmReportViewer viewer;
    viewer.SetLines(lines, request.StartDate, request.EndDate);
    viewer.show();
    const QImage shown = viewer.grab().toImage();
    EXPECT_EQ(shown.size(), QSize(738, 435));
    EXPECT_TRUE(shown.save(ShotFolder() + "/report-viewer.png"));

    TDialogScript dialogs;
    int pages = 0;
    dialogs.Answer([&](QDialog& dialog) {
        dialog.resize(700, 560);
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        if (preview) {
            preview->updatePreview();
            pages = preview->pageCount();
        }
        EXPECT_TRUE(dialog.grab().toImage().save(ShotFolder() + "/report-preview.png"));
        return int(QDialog::Rejected);
    });
    viewer.PrintPreview1->trigger();
    EXPECT_EQ(dialogs.Runs().size(), 1u);
    EXPECT_EQ(pages, 1);
}

}  // namespace
