#pragma once

#include <QDialog>

#include <span>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class TCalendarView;
class TColorCombo;
class TOrbekoCfg;

// "Options": how the calendar views of this workstation show events. Reads
// the options from the first view (the week view), which holds the master
// copy, and on OK writes them back there; the settings then carry them to
// every view.
class TfrmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmOptions(QWidget* parent = nullptr);

    // Loads the controls from the first of views and shows the dialog
    // modally; only OK changes the views and settings, in memory.
    int Execute(std::span<TCalendarView* const> views, TOrbekoCfg& settings);

    QTabWidget* pgOptions;
    QWidget* tabDisplay;
    QCheckBox* chkShowCategories;
    QCheckBox* chkExpandLines;
    QCheckBox* chkShowAlarmGlyphs;
    QCheckBox* chkShowPrivateGlyphs;
    QLabel* lblTimeColor;
    TColorCombo* cmbTimeColor;
    QLabel* lblDescriptionColor;
    TColorCombo* cmbDescriptionColor;
    QLabel* lblAssigneeColor;
    TColorCombo* cmbAssigneeColor;
    QCheckBox* chkAssigneeItalic;
    QLabel* lblCategoryColor;
    TColorCombo* cmbCategoryColor;
    QCheckBox* chkCategoryItalic;
    QLabel* lblPrivateColor;
    TColorCombo* cmbPrivateColor;
    QCheckBox* chkPrivateItalic;
    QWidget* tabAlarms;
    QCheckBox* chkDesktopNotifications;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    void LoadControls();
    void StoreControls();
    void btnOkClick();

private:
    std::span<TCalendarView* const> Views_;
    TOrbekoCfg* Settings_ = nullptr;
};
