#include "storage/Stamp.h"

#include "storage/Clock.h"

#include <QLocale>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFirstYear = 1970;
constexpr int kLastYear = 2037;
constexpr int64_t kSecondsPerDay = 86400;

struct TCivilDate
{
    int Year;
    int Month;
    int Day;
};

// Days since 1970-01-01 of a Gregorian date (H. Hinnant's days_from_civil);
// the calendar of the stored stamps, independent of any time zone.
constexpr int64_t DaysFromCivil(int year, int month, int day)
{
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return int64_t{era} * 146097 + dayOfEra - 719468;
}

constexpr TCivilDate CivilFromDays(int64_t days)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int dayOfEra = static_cast<int>(days - era * 146097);
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int mp = (5 * dayOfYear + 2) / 153;
    const int day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int month = mp < 10 ? mp + 3 : mp - 9;
    const int year = static_cast<int>(yearOfEra + era * 400) + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

// 2037-12-31 23:59:59, the last second a stamp can hold.
constexpr int64_t kLastSecond = DaysFromCivil(kLastYear + 1, 1, 1) * kSecondsPerDay - 1;
static_assert(kLastSecond == 2145916799);
static_assert(DaysFromCivil(2000, 1, 1) * kSecondsPerDay == 946684800);

TCivilDate DateOf(int32_t seconds)
{
    return CivilFromDays(seconds / kSecondsPerDay);
}

QString Padded(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Length of the run of ch starting at i.
qsizetype RunLength(const QString& text, qsizetype i, QChar ch)
{
    qsizetype n = 0;
    while (i + n < text.size() && text[i + n] == ch)
        ++n;
    return n;
}

}  // namespace

TStamp::TStamp()
{
    SetNow();
}

void TStamp::SetNow()
{
    SetDateTime(TClock::Now());
}

void TStamp::SetDateTime(const QDateTime& value)
{
    // A wall-clock time that a time zone skips still has its parts, and the
    // parts are what a stamp counts; a value without a date has nothing.
    const QDate date = value.date();
    const QTime time = value.time();
    if (!date.isValid() || !time.isValid())
        throw EStamp("Invalid date and time");
    int year = date.year();
    if (year >= 0 && year < 100)
        year += year <= kLastYear % 100 ? 2000 : 1900;
    if (year < kFirstYear)
        throw EStamp("Year precedes " + std::to_string(kFirstYear));
    if (year > kLastYear)
        throw EStamp("Year excedes " + std::to_string(kLastYear));
    Seconds_ = static_cast<int32_t>(DaysFromCivil(year, date.month(), date.day()) * kSecondsPerDay +
                                    time.hour() * 3600 + time.minute() * 60 + time.second());
    Changed();
}

QDateTime TStamp::AsDateTime() const
{
    const TCivilDate date = DateOf(Seconds_);
    return QDateTime(QDate(date.Year, date.Month, date.Day), QTime(Hour(), Minute(), Second()));
}

void TStamp::SetSeconds(int64_t seconds)
{
    Assign(seconds);
}

void TStamp::Increment(int32_t unit, int32_t count)
{
    static constexpr int64_t kUnitSeconds[] = {1, 60, 3600, kSecondsPerDay, 7 * kSecondsPerDay};
    const int64_t step = unit >= suSecond && unit <= suWeek ? kUnitSeconds[unit] : 0;
    Assign(int64_t{Seconds_} + step * count);
}

void TStamp::TruncToDay()
{
    Seconds_ -= Seconds_ % kSecondsPerDay;
    Changed();
}

int TStamp::Year() const
{
    return DateOf(Seconds_).Year;
}

int TStamp::Month() const
{
    return DateOf(Seconds_).Month;
}

int TStamp::Day() const
{
    return DateOf(Seconds_).Day;
}

int TStamp::Hour() const
{
    return static_cast<int>(Seconds_ % kSecondsPerDay / 3600);
}

int TStamp::Minute() const
{
    return static_cast<int>(Seconds_ % 3600 / 60);
}

int TStamp::Second() const
{
    return static_cast<int>(Seconds_ % 60);
}

std::string TStamp::StampText() const
{
    char text[16];
    std::snprintf(text, sizeof text, "%*.*d", Digits, Digits, static_cast<int>(Seconds_));
    return text;
}

std::string TStamp::MidnightText() const
{
    return IdText(Seconds_ - Seconds_ % kSecondsPerDay);
}

QString TStamp::DisplayText() const
{
    return FormatDateTime(DisplayFormat, AsDateTime());
}

bool TStamp::IsToday() const
{
    const TCivilDate date = DateOf(Seconds_);
    return QDate(date.Year, date.Month, date.Day) == TClock::Now().date();
}

QString TStamp::FormatDateTime(const QString& format, const QDateTime& value)
{
    // The system locale unless the program has chosen another.
    const QLocale locale;
    const QDate date = value.date();
    const QTime time = value.time();
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        const QChar ch = format[i];
        const qsizetype run = RunLength(format, i, ch);
        qsizetype used = 1;
        switch (ch.unicode()) {
        case 'd':
            used = std::min<qsizetype>(run, 4);
            if (used <= 2)
                out += Padded(date.day(), static_cast<int>(used));
            else
                out += locale.dayName(date.dayOfWeek(), used == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case 'm':  // always the month: minutes are n
            used = std::min<qsizetype>(run, 4);
            if (used <= 2)
                out += Padded(date.month(), static_cast<int>(used));
            else
                out += locale.monthName(date.month(), used == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case 'y':
            used = run;
            out += run <= 2 ? Padded(date.year() % 100, 2) : Padded(date.year(), 4);
            break;
        case 'h':
            used = std::min<qsizetype>(run, 2);
            out += Padded(time.hour(), static_cast<int>(used));
            break;
        case 'n':
            used = std::min<qsizetype>(run, 2);
            out += Padded(time.minute(), static_cast<int>(used));
            break;
        case 's':
            used = std::min<qsizetype>(run, 2);
            out += Padded(time.second(), static_cast<int>(used));
            break;
        default:
            out += ch;
            break;
        }
        i += used;
    }
    return out;
}

void TStamp::Assign(int64_t seconds)
{
    if (seconds < 0 || seconds > kLastSecond)
        throw EStamp("Increment out of range");
    Seconds_ = static_cast<int32_t>(seconds);
    Changed();
}

void TStamp::Changed()
{
    if (OnChange)
        OnChange(*this);
}

std::string IdText(int64_t id)
{
    char text[32];
    std::snprintf(text, sizeof text, "%10.10lld", static_cast<long long>(id));
    return text;
}

int64_t IdValue(const std::string& text)
{
    // Up to 18 digits cannot overflow.
    if (text.empty() || text.size() > 18)
        return 0;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}
