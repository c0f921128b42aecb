#include "support/RecordsFixture.h"

#include "prefs/FilterRules.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmFiltering.h"
#include "prefs/frmOptions.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <QDir>
#include <QImage>

#include <array>

namespace {

class DialogPicturesTest : public TRecordsFixture
{
};

// Saves both dialogs as a user sees them, for the help pages, into
// ORBEKO_SCREENSHOT_DIR; the check only makes sure a picture is worth a look.
TEST_F(DialogPicturesTest, SavesThePicturesOfTheOptionsAndFilteringDialogs)
{
    const QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR", QDir::tempPath());
    auto save = [&](const QString& name) {
        Dialogs.Answer([folder, name](QDialog& dialog) {
            const QImage shot = dialog.grab().toImage();
            EXPECT_GT(shot.convertToFormat(QImage::Format_Indexed8).colorCount(), 4) << name.toStdString();
            EXPECT_TRUE(shot.save(QDir(folder).filePath(name))) << name.toStdString();
            return QDialog::Rejected;
        });
    };
    TOrbekoCfg settings;
    settings.SetDefaults();
    settings.CategoryItalic = true;
    TWeekView week;
    TDayView day;
    const std::array<TCalendarView*, 2> views{&week, &day};
    settings.ApplyToViews(views);
    save("options.png");
    TfrmOptions().Execute(views, settings);

    for (const char* name : {"Ann Baker", "Bob Carter", "Carol Jones", "Dave Evans", "Priya Shah"})
        AddUser(name);
    TFilterRules rules;
    rules.Mode = fmListedUsers;
    rules.AddUser("0000000002");
    rules.AddUser("0000000005");
    save("filtering.png");
    TfrmFiltering().Execute(settings, *Db, rules);
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
}

}  // namespace
