#pragma once

#include <QDateTime>
#include <QDialog>

class QCalendarWidget;
class QPushButton;
class TCalendarView;

// "Goto Date": a calendar that moves one view while the user picks dates.
// There is nothing to confirm; Close only closes. The view is remembered for
// the run only.
class TfrmDate : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDate(QWidget* parent = nullptr);

    // Shows the dialog modally on value, moving view.
    void ShowFor(TCalendarView& view, const QDateTime& value);

    // Moves the remembered view to the date. A date the view refuses puts
    // view and calendar back to today and the refusal is passed on.
    void calMainChange(const QDate& date);
    void btnTodayClick();

    QCalendarWidget* calMain;
    QPushButton* btnToday;
    QPushButton* btnClose;

private:
    void SetCalendar(const QDate& date);
    void ShowToday();

    TCalendarView* View_ = nullptr;
};
