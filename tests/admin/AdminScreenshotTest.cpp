#include "AdminFixture.h"
#include "admin/frmCategories.h"
#include "admin/frmTrouble.h"
#include "ui/ListBox.h"

#include <QDir>
#include <QImage>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr int64_t kMonday = 1741564800;  // 00:00:00 10/03/25
constexpr int64_t kHour = 3600;

QString ShotFolder()
{
    const QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR");
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

// The pictures of the help pages, taken from the dialogs over a small
// office's diary; the checks only make sure they show what the help says.
class AdminScreenshotTest : public TAdminFixture
{
protected:
    void SetUp() override
    {
        TAdminFixture::SetUp();
        const std::string ann = AddUser("Ann Archer");
        const std::string bob = AddUser("Bob Baker");
        const std::string cj = AddUser("CJ Cole");
        const std::string meeting = AddCategory("Meeting");
        AddCategory("Customer");
        AddCategory("Travel");
        AddCategory("Leave");
        const std::string planning = AddEvent(kMonday + 9 * kHour, ann, meeting, "Weekly planning");
        const std::string visit = AddEvent(kMonday + 34 * kHour, bob, "0000000000", "Site visit at Hartley & Sons");
        const std::string review = AddEvent(kMonday + 58 * kHour, cj, meeting, "Quarterly review");
        AddEvent(kMonday + 63 * kHour, bob, "0000000000", "Pay the VAT return");
        AddAlarm(kMonday + 8 * kHour + 45 * 60, planning, ann);
        AddAlarm(kMonday + 8 * kHour + 45 * 60, planning, bob);
        AddAlarm(kMonday + 33 * kHour, visit, bob);
        AddAlarm(kMonday + 57 * kHour, review, cj);
        // CJ has left; his alarm and his event stay behind.
        EXPECT_TRUE(Db->UserFile.Delete(cj));
    }

    static void Save(QDialog& dialog, const char* name)
    {
        const QImage shot = dialog.grab().toImage();
        ASSERT_FALSE(shot.isNull());
        ASSERT_TRUE(shot.save(QDir(ShotFolder()).filePath(QString::fromLatin1(name)))) << name;
    }
};

TEST_F(AdminScreenshotTest, SavesBothDialogs)
{
    TfrmCategories categories;
    Dialogs.Answer([&](QDialog&) {
        categories.resize(360, 260);
        EXPECT_EQ(categories.lstCategories->count(), 4);
        Save(categories, "categories.png");
        categories.btnClose->click();
        return categories.result();
    });
    categories.Execute(*Db);

    TfrmTrouble trouble;
    Dialogs.Answer([&](QDialog&) {
        trouble.resize(640, 240);
        EXPECT_EQ(trouble.lstAlarms->model()->rowCount(), 4);
        Save(trouble, "troubleshooting-alarms.png");
        trouble.pgTrouble->setCurrentWidget(trouble.tabEvents);
        EXPECT_EQ(trouble.lstEvents->model()->rowCount(), 4);
        Save(trouble, "troubleshooting-events.png");
        trouble.btnClose->click();
        return trouble.result();
    });
    trouble.Execute(*Db);
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
}

}  // namespace
