#pragma once

#include "storage/Stamp.h"
#include "views/CalendarView.h"
#include "views/DayEntries.h"

#include <QDate>

#include <array>
#include <string>

// One month as six weeks of seven days from Monday, each day listing as
// many of its events as fit and how many more there are. A click selects a
// day, the arrow keys move the selection, a double-click or Enter opens the
// day (OnOpenDay). The view selects days, not events: the commands on a
// selected event have nothing to work on here.
class TMonthView : public TCalendarView
{
    Q_OBJECT

public:
    static constexpr int Weeks = 6;
    static constexpr int DayCount = Weeks * 7;

    explicit TMonthView(QWidget* parent = nullptr);

    // The selected day is to be shown on its own.
    TNotifyEvent OnOpenDay;

    // The first day of the grid, a Monday, and the selected day.
    QDate FirstDay() const { return First_; }
    QDate SelectedDay() const { return Stamp_.AsDateTime().date(); }
    // Where the events of the grid's day `index` (0 .. DayCount - 1) are
    // drawn, and how many of them fit there.
    QRect DayRect(int index) const;
    int FittingEntries(int index) const;
    const TDayEntries& Entries(int index) const { return Days_.at(static_cast<std::size_t>(index)); }
    // The grid's day `index` in words: its date, how many events and what
    // each of them shows, as a screen reader says it.
    QString SpokenDay(int index) const;
    // The month shown, as its title reads: "December 2026".
    QString Title() const;
    // The grid's day under a point, or -1.
    int DayAt(const QPoint& point) const;

    void ShowDate(const QDateTime& value) override;
    // Whole months; the day of the month is kept where the month has it.
    void Step(int pages) override;
    QDateTime CurrentDateTime() const override { return Stamp_.AsDateTime(); }
    std::string CurrentDateText() const override { return Stamp_.StampText(); }
    // The first and last day of the month shown.
    std::pair<QDate, QDate> DefaultRange() const override;
    std::string SelectedId() const override { return kNoneId; }
    std::string SelectedOwnerId() const override { return kNoneId; }
    std::string SelectedDescription() const override { return {}; }
    void Reload() override;
    void Refresh() override { Reload(); }
    TDisplayOptions DisplayOptions() const override { return Options_; }
    void SetDisplayOptions(const TDisplayOptions& options) override;

    void SetListColor(const QColor& color);
    void SetHeaderColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Moves the selection to day, showing its month when the grid does not
    // hold it; a day the stamps refuse is not selected.
    void Select(const QDate& day);
    int LineHeight() const;
    int TitleHeight() const;
    int HeaderHeight() const;
    void PaintDay(QPainter& painter, int index);
    // One entry's line: time, glyphs, category mark, description, assignees.
    void PaintEntry(QPainter& painter, const TDayEntries& entries, int entry, const QRect& line);

    TStamp Stamp_;  // the selected day, at the time of day the user works at
    QDate First_;
    std::array<TDayEntries, DayCount> Days_;
    TDisplayOptions Options_;
    QColor ListColor_;
    QColor HeaderColor_;
};
