#include "prefs/frmOptions.h"

#include "prefs/OrbekoCfg.h"
#include "ui/ButtonRow.h"
#include "ui/ExecuteScope.h"
#include "ui/ColorCombo.h"
#include "ui/DialogRunner.h"
#include "views/CalendarView.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* check = new QCheckBox(QString::fromLatin1(caption), parent);
    check->setObjectName(QString::fromLatin1(name));
    check->setToolTip(QString::fromLatin1(hint));
    check->setStatusTip(check->toolTip());
    return check;
}

TColorCombo* MakeColor(QWidget* parent, const char* name, const char* hint)
{
    auto* combo = new TColorCombo(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setToolTip(QString::fromLatin1(hint));
    combo->setStatusTip(combo->toolTip());
    return combo;
}

QLabel* MakeLabel(QWidget* parent, const char* caption, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setBuddy(buddy);
    return label;
}

bool Italic(const TFont& font)
{
    return (font.Style() & fsItalic) != 0;
}

TFont Recoloured(TFont font, const TColorCombo& combo)
{
    font.SetColor(ColorFromRef(combo.Color()));
    return font;
}

// Italic alone or no style at all: the whole style is replaced.
TFont Restyled(TFont font, const TColorCombo& combo, const QCheckBox& italic)
{
    font.SetColor(ColorFromRef(combo.Color()));
    font.SetStyle(italic.isChecked() ? fsItalic : 0);
    return font;
}

}  // namespace

TfrmOptions::TfrmOptions(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));

    pgOptions = new QTabWidget(this);
    pgOptions->setObjectName(QStringLiteral("pgOptions"));
    tabDisplay = new QWidget;
    tabDisplay->setObjectName(QStringLiteral("tabDisplay"));
    pgOptions->addTab(tabDisplay, QStringLiteral("Display"));

    QWidget* page = tabDisplay;
    chkShowCategories = MakeCheck(page, "chkShowCategories", "&Show categories", "Check to display event categories");
    chkExpandLines = MakeCheck(page, "chkExpandLines", "&Expand entries over multiple lines",
                               "Check to expand each event into two separate lines");
    chkShowAlarmGlyphs = MakeCheck(page, "chkShowAlarmGlyphs", "Show &alarm icons",
                                   "Check to display an icon for each event with an alarm");
    chkShowPrivateGlyphs = MakeCheck(page, "chkShowPrivateGlyphs", "Show &private icons",
                                     "Check to display an icon for each private event");
    cmbTimeColor = MakeColor(page, "cmbTimeColor", "Check to change the color of event time");
    lblTimeColor = MakeLabel(page, "&Time", cmbTimeColor);
    cmbDescriptionColor = MakeColor(page, "cmbDescriptionColor", "Check to change the color of event descriptions");
    lblDescriptionColor = MakeLabel(page, "&Description", cmbDescriptionColor);
    cmbAssigneeColor = MakeColor(page, "cmbAssigneeColor", "Check to change the color of event assignee(s)");
    lblAssigneeColor = MakeLabel(page, "&Assignee(s)", cmbAssigneeColor);
    chkAssigneeItalic = MakeCheck(page, "chkAssigneeItalic", "Italic", "Check to show assignee(s) in italic");
    cmbCategoryColor = MakeColor(page, "cmbCategoryColor", "Check to change the color of event category");
    lblCategoryColor = MakeLabel(page, "&Category", cmbCategoryColor);
    chkCategoryItalic = MakeCheck(page, "chkCategoryItalic", "Italic", "Check to show category in italic");
    cmbPrivateColor = MakeColor(page, "cmbPrivateColor", "Check to change the color of private events");
    lblPrivateColor = MakeLabel(page, "&Private", cmbPrivateColor);
    chkPrivateItalic = MakeCheck(page, "chkPrivateItalic", "Italic", "Check to show private entries in italic");

    auto* separator = new QFrame(page);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    auto* colors = new QGridLayout;
    const struct
    {
        QLabel* Label;
        TColorCombo* Combo;
        QCheckBox* Italic;
    } rows[] = {
        {lblTimeColor, cmbTimeColor, nullptr},
        {lblDescriptionColor, cmbDescriptionColor, nullptr},
        {lblAssigneeColor, cmbAssigneeColor, chkAssigneeItalic},
        {lblCategoryColor, cmbCategoryColor, chkCategoryItalic},
        {lblPrivateColor, cmbPrivateColor, chkPrivateItalic},
    };
    int line = 0;
    for (const auto& row : rows) {
        colors->addWidget(row.Label, line, 0);
        colors->addWidget(row.Combo, line, 1);
        if (row.Italic)
            colors->addWidget(row.Italic, line, 2);
        ++line;
    }
    colors->setColumnStretch(1, 1);

    auto* display = new QVBoxLayout(page);
    for (QCheckBox* check : {chkShowCategories, chkExpandLines, chkShowAlarmGlyphs, chkShowPrivateGlyphs})
        display->addWidget(check);
    display->addWidget(separator);
    display->addLayout(colors);
    display->addStretch();

    // Tab order follows the table of controls: checks, then each colour row.
    QWidget* order[] = {chkShowCategories, chkExpandLines,   chkShowAlarmGlyphs, chkShowPrivateGlyphs,
                        cmbTimeColor,      cmbDescriptionColor, cmbAssigneeColor, chkAssigneeItalic,
                        cmbCategoryColor,  chkCategoryItalic, cmbPrivateColor,  chkPrivateItalic};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    tabAlarms = new QWidget;
    tabAlarms->setObjectName(QStringLiteral("tabAlarms"));
    pgOptions->addTab(tabAlarms, QStringLiteral("Alarms"));
    chkDesktopNotifications =
        MakeCheck(tabAlarms, "chkDesktopNotifications", "Announce due alarms through the desktop's &notifications",
                  "Check to show each due alarm as a desktop notification too, with Snooze and Off");
    auto* alarms = new QVBoxLayout(tabAlarms);
    alarms->addWidget(chkDesktopNotifications);
    alarms->addStretch();

    auto* buttons = new TButtonRow(this);
    btnOk = buttons->Add("btnOk", "&Ok", [this] { btnOkClick(); }, TButtonRole::Default);
    btnCancel = buttons->Add("btnCancel", "&Cancel", [this] { reject(); }, TButtonRole::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pgOptions);
    layout->addWidget(buttons);
}

int TfrmOptions::Execute(std::span<TCalendarView* const> views, TOrbekoCfg& settings)
{
    TExecuteScope scope;
    scope.Bind(Views_, views).Bind(Settings_, &settings);
    LoadControls();
    pgOptions->setCurrentWidget(tabDisplay);
    return TDialogRunner::Run(*this);
}

void TfrmOptions::LoadControls()
{
    const TDisplayOptions options = Views_.front()->DisplayOptions();
    chkShowCategories->setChecked(options.ShowCategories);
    chkShowAlarmGlyphs->setChecked(options.ShowAlarmGlyphs);
    chkShowPrivateGlyphs->setChecked(options.ShowPrivateGlyphs);
    chkExpandLines->setChecked(options.DisplayMode == dmDouble);
    cmbTimeColor->SetColor(ColorToRef(options.TimeFont.Color()));
    cmbDescriptionColor->SetColor(ColorToRef(options.DescriptionFont.Color()));
    cmbAssigneeColor->SetColor(ColorToRef(options.AssigneeFont.Color()));
    cmbCategoryColor->SetColor(ColorToRef(options.CategoryFont.Color()));
    cmbPrivateColor->SetColor(ColorToRef(options.PrivateFont.Color()));
    chkAssigneeItalic->setChecked(Italic(options.AssigneeFont));
    chkCategoryItalic->setChecked(Italic(options.CategoryFont));
    chkPrivateItalic->setChecked(Italic(options.PrivateFont));
    chkDesktopNotifications->setChecked(Settings_->DesktopNotifications);
}

void TfrmOptions::StoreControls()
{
    TCalendarView& master = *Views_.front();
    TDisplayOptions options = master.DisplayOptions();
    options.ShowCategories = chkShowCategories->isChecked();
    options.ShowAlarmGlyphs = chkShowAlarmGlyphs->isChecked();
    options.ShowPrivateGlyphs = chkShowPrivateGlyphs->isChecked();
    options.DisplayMode = chkExpandLines->isChecked() ? dmDouble : dmSingle;
    options.TimeFont = Recoloured(options.TimeFont, *cmbTimeColor);
    options.DescriptionFont = Recoloured(options.DescriptionFont, *cmbDescriptionColor);
    options.AssigneeFont = Restyled(options.AssigneeFont, *cmbAssigneeColor, *chkAssigneeItalic);
    options.CategoryFont = Restyled(options.CategoryFont, *cmbCategoryColor, *chkCategoryItalic);
    options.PrivateFont = Restyled(options.PrivateFont, *cmbPrivateColor, *chkPrivateItalic);
    master.SetDisplayOptions(options);
    // The first view is the master copy; the settings carry it to the others.
    Settings_->TakeFromViews(master);
    Settings_->ApplyToViews(Views_);
    Settings_->DesktopNotifications = chkDesktopNotifications->isChecked();
}

void TfrmOptions::btnOkClick()
{
    if (Views_.empty())
        return;
    StoreControls();
    accept();
}
