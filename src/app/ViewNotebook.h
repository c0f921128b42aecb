#pragma once

#include <QStackedWidget>

#include <array>
#include <span>

class TCalendarView;
class TDayView;
class TMonthView;
class TWeekView;

// The main window's notebook nbkMain: one page per calendar view, the day
// view dvMain on the page "DayView", the week view wvMain on "WeekView" and
// the month view mvMain on "MonthView".
// The page shown decides the active view; a view that is switched to takes
// over the day the user worked at.
class TViewNotebook : public QStackedWidget
{
    Q_OBJECT
public:
    explicit TViewNotebook(QWidget* parent = nullptr);

    TDayView& DayView() const { return *DayView_; }
    TWeekView& WeekView() const { return *WeekView_; }
    TMonthView& MonthView() const { return *MonthView_; }
    // Every view; the first holds the master copy of the display options.
    std::span<TCalendarView* const> Views() const { return Views_; }

    // The main window's central widget around the notebook: a two-pixel
    // spacer under the tool bar, then a splitter whose left pane is empty
    // and closed and whose right pane holds the notebook.
    QWidget* MainArea();

    TCalendarView& Active() const;
    void ShowPage(TCalendarView& view);
    // Shows view on the day and time the active one works at, and reloads
    // it; false, changing nothing, when view is the active one.
    bool SwitchTo(TCalendarView& view);

private:
    TDayView* DayView_;
    TWeekView* WeekView_;
    TMonthView* MonthView_;
    std::array<TCalendarView*, 3> Views_;
};
