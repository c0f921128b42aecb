#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

// Refused stamp changes: "Year precedes 1970", "Year excedes 2037",
// "Increment out of range", and "Invalid date and time" for a date-time
// value without a date or time.
class EStamp : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum TStampUnit : int32_t {
    suSecond = 0,
    suMinute = 1,
    suHour = 2,
    suDay = 3,
    suWeek = 4,
};

// A point in wall-clock time as whole seconds since 1970-01-01 00:00:00,
// counted as if local time were UTC; years 1970 to 2037. Stored in records
// as a 10-digit zero-padded text, so text order is time order.
class TStamp
{
public:
    using TChangeHandler = std::function<void(TStamp&)>;

    TStamp();  // now

    QString DisplayFormat = QStringLiteral("hh:nn:ss dd/mm/yy");
    TChangeHandler OnChange;
    static constexpr int32_t Digits = 10;

    void SetNow();
    // Takes the value's own wall-clock date and time, whatever its zone; a
    // year below 100 is two-digit (0..37 -> 2000s, 38..99 -> 1900s).
    void SetDateTime(const QDateTime& value);
    // Local time with the value's parts; a time that summer time skips gives
    // a value Qt calls invalid but that still carries those parts.
    QDateTime AsDateTime() const;
    void SetSeconds(int64_t seconds);
    void Increment(int32_t unit, int32_t count);
    void TruncToDay();

    int32_t Seconds() const { return Seconds_; }
    int Year() const;
    int Month() const;
    int Day() const;
    int Hour() const;
    int Minute() const;
    int Second() const;

    std::string StampText() const;
    std::string MidnightText() const;
    QString DisplayText() const;
    bool IsToday() const;

    // Formats a date-time with the day and month names of the system locale:
    // d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss; m is always the
    // month, n the minute; other characters are copied.
    static QString FormatDateTime(const QString& format, const QDateTime& value);

private:
    // Sets the value when it lies in 1970..2037, else "Increment out of range".
    void Assign(int64_t seconds);
    void Changed();

    int32_t Seconds_ = 0;
};

// "%10.10d": the text form of record identifiers and stamps.
std::string IdText(int64_t id);
// The number in an identifier text; 0 for an empty or malformed one.
int64_t IdValue(const std::string& text);
