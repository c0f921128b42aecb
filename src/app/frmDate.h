#pragma once

#include <QDateTime>
#include <QDialog>

class QCalendarWidget;
class QPushButton;
class TDayView;
class TWeekView;

// "Goto Date": a calendar that moves one view while the user picks dates.
// There is nothing to confirm; Close only closes. The view is remembered for
// the run only.
class TfrmDate : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDate(QWidget* parent = nullptr);

    void ShowForDay(TDayView& view, const QDateTime& value);
    void ShowForWeek(TWeekView& view, const QDateTime& value);

    // Moves the remembered view to the date. A date the view refuses puts
    // view and calendar back to today and the refusal is passed on.
    void calMainChange(const QDate& date);
    void btnTodayClick();

    QCalendarWidget* calMain;
    QPushButton* btnToday;
    QPushButton* btnClose;

private:
    void Show(const QDateTime& value);
    void SetCalendar(const QDate& date);
    void ShowToday();

    TDayView* DayView_ = nullptr;
    TWeekView* WeekView_ = nullptr;
};
