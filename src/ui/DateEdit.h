#pragma once

#include <QDate>
#include <QLineEdit>

#include <optional>
#include <stdexcept>

class QCalendarWidget;
class QLocale;

// A text that does not read as a date.
class EDateEdit : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The order of day, month and year in a typed date.
enum class TDateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// A one-line date edit with a drop-down calendar whose weeks start on
// Monday. Typed dates need the day and the month; a missing year is the
// current year, a two-digit year lies in 1970..2069, and "/" alone is today.
// Day, month and year come in the order of the workstation's short date
// format, separated by "/", "-", "." or spaces.
class TDateEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDateEdit(QWidget* parent = nullptr);

    // The date the text stands for. Throws EDateEdit "'<text>' is not a
    // valid date" when it stands for none.
    QDate Date() const;
    void SetDate(const QDate& date);
    TDateOrder Order() const { return Order_; }

    // Opens the calendar under the edit at the date shown, or at today when
    // the text is no date. A date clicked or chosen with Enter is taken.
    void DropDown();
    QCalendarWidget* Calendar() const { return Calendar_; }

    // The date a text stands for; today is what "/" and a missing year
    // refer to.
    static std::optional<QDate> Parse(const QString& text, const QDate& today, TDateOrder order);
    // The order of the locale's short date format.
    static TDateOrder OrderOf(const QLocale& locale);
    // The text shown for a date: two-digit day and month, four-digit year.
    static QString Format(const QDate& date, TDateOrder order);

protected:
    // "/" typed over an empty or wholly selected text enters today;
    // Alt+Down and F4 open the calendar.
    void keyPressEvent(QKeyEvent* event) override;
    // The calendar is a window of its own: it goes with the dialog rather
    // than stay alone on screen, holding the keyboard.
    void hideEvent(QHideEvent* event) override;

private:
    std::optional<QDate> Parsed() const;
    void Pick(const QDate& date);
    void Tidy();

    TDateOrder Order_;
    QCalendarWidget* Calendar_;
};
