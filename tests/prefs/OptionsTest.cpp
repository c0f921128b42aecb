#include "support/DialogScript.h"
#include "support/PopupEscape.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmOptions.h"
#include "ui/ColorCombo.h"
#include "ui/DialogRunner.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <tuple>

namespace {

class OptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Settings.SetDefaults();
        Settings.ApplyToViews(Views);
    }
    int Run(std::function<void(TfrmOptions&)> act)
    {
        Dialogs.Answer([act](QDialog& dialog) {
            act(static_cast<TfrmOptions&>(dialog));
            return dialog.result();
        });
        return Form.Execute(Views, Settings);
    }
    template <class TView> static auto State(const TView& v)
    {
        return std::make_tuple(v.TimeFont(), v.DescriptionFont(), v.AssigneeFont(), v.CategoryFont(),
                               v.PrivateFont(), v.DisplayMode(), v.ShowCategories(), v.ShowAlarmGlyphs(),
                               v.ShowPrivateGlyphs());
    }

    TOrbekoCfg Settings;
    TWeekView Week;
    TDayView Day;
    const std::array<TCalendarView*, 2> Views{&Week, &Day};
    TDialogScript Dialogs;
    TfrmOptions Form;
};

TEST_F(OptionsTest, DefaultsAreShownAndCancelAfterChangingEveryControlChangesNothing)
{
    Week.SetCategoryFont(TFont(Week.CategoryFont().Color(), fsBold));
    const auto week = State(Week);
    const auto day = State(Day);
    EXPECT_EQ(Run([](TfrmOptions& form) {
                  for (QCheckBox* check : form.findChildren<QCheckBox*>())
                      EXPECT_EQ(check->isChecked(), check->text() != "Italic") << check->objectName().toStdString();
                  QStringList colours;
                  for (TColorCombo* combo : {form.cmbTimeColor, form.cmbDescriptionColor, form.cmbAssigneeColor,
                                             form.cmbCategoryColor, form.cmbPrivateColor})
                      colours << combo->currentText();
                  EXPECT_EQ(colours, (QStringList{"Red", "Navy", "Green", "Teal", "Navy"}));
                  for (QCheckBox* check : form.findChildren<QCheckBox*>())
                      check->toggle();
                  for (TColorCombo* combo : form.findChildren<TColorCombo*>())
                      combo->SetColor(0x00123456);
                  QTest::mouseClick(form.btnCancel, Qt::LeftButton);
              }),
              QDialog::Rejected);
    EXPECT_EQ(State(Week), week);
    EXPECT_EQ(State(Day), day);
    EXPECT_TRUE(Settings.DesktopNotifications);
}

// OK writes the week view; the settings take it from there to the day view.
// Italic replaces the whole style; a custom colour comes back exactly.
TEST_F(OptionsTest, OkReachesBothViewsAndTheSettings)
{
    Week.SetCategoryFont(TFont(Qt::black, fsBold | fsUnderline));
    Day.SetCategoryFont(TFont(Qt::black, fsBold | fsUnderline));
    Settings.PrivateColor = 0x00123456;
    Settings.ApplyToViews(Views);
    EXPECT_EQ(Run([](TfrmOptions& form) {
                  EXPECT_EQ(form.cmbPrivateColor->currentText(), TColorCombo::CustomText);
                  form.chkExpandLines->setChecked(false);
                  form.chkCategoryItalic->setChecked(true);
                  form.chkShowAlarmGlyphs->setChecked(false);
                  form.chkDesktopNotifications->setChecked(false);
                  form.cmbTimeColor->SetColor(0x00654321);
                  QTest::mouseClick(form.btnOk, Qt::LeftButton);
              }),
              QDialog::Accepted);
    EXPECT_FALSE(Settings.DesktopNotifications);
    EXPECT_EQ(std::make_tuple(Week.Days(6).DisplayMode(), Day.DisplayMode()), std::make_tuple(dmSingle, dmSingle));
    EXPECT_EQ(std::make_pair(Week.CategoryFont().Style(), Day.CategoryFont().Style()),
              std::make_pair(int(fsItalic), int(fsItalic)));
    EXPECT_FALSE(Day.ShowAlarmGlyphs());
    EXPECT_EQ(Day.TimeFont().Color(), ColorFromRef(0x00654321));
    EXPECT_FALSE(Settings.ExpandLines);
    EXPECT_TRUE(Settings.CategoryItalic);
    EXPECT_EQ(std::make_pair(Settings.TimeColor, Settings.PrivateColor), std::make_pair(0x00654321u, 0x00123456u));
}

// Esc in an open colour list closes the list alone; the next Esc cancels
// the dialog, which changes nothing.
TEST_F(OptionsTest, EscClosesAnOpenColourListBeforeTheDialog)
{
    const auto week = State(Week);
    EXPECT_EQ(Run([](TfrmOptions& form) {
                  for (TColorCombo* combo : form.findChildren<TColorCombo*>())
                      EXPECT_EQ(EscapeClosesTheDropDownFirst(form, *combo), "");
              }),
              QDialog::Rejected);
    EXPECT_EQ(State(Week), week);
}

}  // namespace
