#include "storage/Stamp.h"
#include "storage/Clock.h"
#include "support/ClockScript.h"

#include <QLocale>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>

namespace {

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Counts OnChange calls and remembers the value each call saw.
struct TChangeCounter
{
    int Calls = 0;
    int32_t Seen = -1;

    void Attach(TStamp& stamp)
    {
        stamp.OnChange = [this](TStamp& s) {
            ++Calls;
            Seen = s.Seconds();
        };
    }
};

// A stamp holding a known value, so that a refusal can be seen to keep it.
TStamp StampAt(int64_t seconds)
{
    TClockScript clock(At(2000, 1, 1));
    TStamp stamp;
    stamp.SetSeconds(seconds);
    return stamp;
}

std::string RefusalText(const std::function<void()>& change)
{
    try {
        change();
    } catch (const EStamp& e) {
        return e.what();
    }
    return "not refused";
}

}  // namespace

struct TSetCase
{
    QDateTime Value;
    int64_t Seconds;
};

void PrintTo(const TSetCase& c, std::ostream* os)
{
    *os << c.Value.toString(Qt::ISODate).toStdString() << " " << c.Seconds;
}

class StampSetDateTime : public ::testing::TestWithParam<TSetCase>
{
};

TEST_P(StampSetDateTime, CountsWallClockSeconds)
{
    TStamp stamp = StampAt(12345);
    TChangeCounter counter;
    counter.Attach(stamp);
    stamp.SetDateTime(GetParam().Value);
    EXPECT_EQ(stamp.Seconds(), GetParam().Seconds);
    EXPECT_EQ(counter.Calls, 1);
    EXPECT_EQ(counter.Seen, GetParam().Seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StampSetDateTime,
    ::testing::Values(TSetCase{At(1970, 1, 1), 0}, TSetCase{At(1970, 1, 1, 0, 0, 1), 1},
                      TSetCase{At(2000, 1, 1), 946684800}, TSetCase{At(2004, 3, 1), 1078099200},
                      TSetCase{At(2004, 2, 29, 12), 1078056000}, TSetCase{At(1972, 3, 1), 68256000},
                      TSetCase{At(2037, 12, 31, 23, 59, 59), 2145916799},
                      // milliseconds are dropped
                      TSetCase{QDateTime(QDate(2000, 1, 1), QTime(0, 0, 1, 999)), 946684801},
                      // two-digit years: 0..37 are 2000..2037, 70..99 are 1970..1999
                      TSetCase{At(1, 1, 1), 978307200}, TSetCase{At(37, 6, 1), 2127427200},
                      TSetCase{At(70, 1, 1), 0},
                      // the value's own wall clock, never converted to UTC
                      TSetCase{QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone("Europe/Berlin")), 946684800},
                      TSetCase{QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone("America/New_York")), 946684800},
                      TSetCase{QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone::utc()), 946684800},
                      // a time the clock skips at the start of summer time keeps its parts
                      TSetCase{QDateTime(QDate(2021, 3, 28), QTime(2, 30), QTimeZone("Europe/Berlin")), 1616898600}));

struct TRefuseCase
{
    QDateTime Value;
    std::string Message;
};

void PrintTo(const TRefuseCase& c, std::ostream* os)
{
    *os << c.Value.date().toString(Qt::ISODate).toStdString() << " " << c.Message;
}

class StampSetDateTimeRefused : public ::testing::TestWithParam<TRefuseCase>
{
};

TEST_P(StampSetDateTimeRefused, KeepsValueAndStaysQuiet)
{
    TStamp stamp = StampAt(946684800);
    TChangeCounter counter;
    counter.Attach(stamp);
    EXPECT_EQ(RefusalText([&] { stamp.SetDateTime(GetParam().Value); }), GetParam().Message);
    EXPECT_EQ(stamp.Seconds(), 946684800);
    EXPECT_EQ(counter.Calls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StampSetDateTimeRefused,
    ::testing::Values(TRefuseCase{At(1969, 12, 31, 23, 59, 59), "Year precedes 1970"},
                      TRefuseCase{At(1969, 1, 1), "Year precedes 1970"},
                      TRefuseCase{At(38, 1, 1), "Year precedes 1970"},
                      TRefuseCase{At(69, 12, 31), "Year precedes 1970"},
                      TRefuseCase{At(100, 1, 1), "Year precedes 1970"},
                      TRefuseCase{At(-5, 1, 1), "Year precedes 1970"},
                      TRefuseCase{At(2038, 1, 1), "Year excedes 2037"},
                      TRefuseCase{At(2038, 6, 15, 12), "Year excedes 2037"},
                      TRefuseCase{At(9999, 12, 31), "Year excedes 2037"},
                      TRefuseCase{QDateTime(), "Invalid date and time"},
                      TRefuseCase{QDateTime(QDate(2000, 2, 30), QTime(0, 0)), "Invalid date and time"}));

struct TIncrementCase
{
    int64_t Start;
    int32_t Unit;
    int32_t Count;
    int64_t Expected;  // -1: refused
};

void PrintTo(const TIncrementCase& c, std::ostream* os)
{
    *os << c.Start << " unit " << c.Unit << " x " << c.Count << " -> " << c.Expected;
}

class StampIncrement : public ::testing::TestWithParam<TIncrementCase>
{
};

TEST_P(StampIncrement, AddsUnitsOrRefuses)
{
    const TIncrementCase& c = GetParam();
    TStamp stamp = StampAt(c.Start);
    TChangeCounter counter;
    counter.Attach(stamp);
    if (c.Expected < 0) {
        EXPECT_EQ(RefusalText([&] { stamp.Increment(c.Unit, c.Count); }), "Increment out of range");
        EXPECT_EQ(stamp.Seconds(), c.Start);
        EXPECT_EQ(counter.Calls, 0);
    } else {
        stamp.Increment(c.Unit, c.Count);
        EXPECT_EQ(stamp.Seconds(), c.Expected);
        EXPECT_EQ(counter.Calls, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StampIncrement,
    ::testing::Values(TIncrementCase{1000, suSecond, 1, 1001}, TIncrementCase{1000, suMinute, 2, 1120},
                      TIncrementCase{1000, suHour, 0, 1000}, TIncrementCase{100000, suDay, -1, 13600},
                      TIncrementCase{0, suHour, 3, 10800}, TIncrementCase{604800, suWeek, -1, 0},
                      TIncrementCase{172800, suWeek, -1, -1}, TIncrementCase{0, suSecond, -1, -1},
                      TIncrementCase{2145916799, suSecond, 1, -1}, TIncrementCase{2145916798, suSecond, 1, 2145916799},
                      TIncrementCase{2145830400, suDay, 1, -1},
                      // sums that do not fit in 32 bits
                      TIncrementCase{1000, suWeek, INT_MAX, -1}, TIncrementCase{1000, suWeek, INT_MIN, -1},
                      TIncrementCase{2000000000, suSecond, INT_MAX, -1},
                      // other unit values add nothing, yet count as a change
                      TIncrementCase{5000, 7, 3, 5000}, TIncrementCase{5000, -1, 3, 5000},
                      TIncrementCase{5000, 5, INT_MAX, 5000}));

struct TSecondsCase
{
    int64_t Value;
    bool Accepted;
};

void PrintTo(const TSecondsCase& c, std::ostream* os)
{
    *os << c.Value << (c.Accepted ? " accepted" : " refused");
}

class StampSetSeconds : public ::testing::TestWithParam<TSecondsCase>
{
};

TEST_P(StampSetSeconds, AcceptsOnlyTheRange)
{
    TStamp stamp = StampAt(777);
    TChangeCounter counter;
    counter.Attach(stamp);
    if (GetParam().Accepted) {
        stamp.SetSeconds(GetParam().Value);
        EXPECT_EQ(stamp.Seconds(), GetParam().Value);
        EXPECT_EQ(counter.Calls, 1);
    } else {
        EXPECT_EQ(RefusalText([&] { stamp.SetSeconds(GetParam().Value); }), "Increment out of range");
        EXPECT_EQ(stamp.Seconds(), 777);
        EXPECT_EQ(counter.Calls, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StampSetSeconds,
                         ::testing::Values(TSecondsCase{0, true}, TSecondsCase{946684800, true},
                                           TSecondsCase{2145916799, true}, TSecondsCase{-1, false},
                                           TSecondsCase{2145916800, false}, TSecondsCase{2147483647, false},
                                           TSecondsCase{2147483648LL, false}, TSecondsCase{-4294967296LL, false}));

TEST(Stamp, NewYear2000Parts)
{
    TStamp stamp = StampAt(0);
    stamp.SetDateTime(At(2000, 1, 1));
    EXPECT_EQ(stamp.StampText(), "0946684800");
    EXPECT_EQ(stamp.Year(), 2000);
    EXPECT_EQ(stamp.Month(), 1);
    EXPECT_EQ(stamp.Day(), 1);
    EXPECT_EQ(StampAt(0).StampText(), "0000000000");
}

TEST(Stamp, MidnightAndTruncToDay)
{
    TStamp stamp = StampAt(0);
    stamp.SetDateTime(At(2000, 1, 1, 13, 45, 10));
    TChangeCounter counter;
    counter.Attach(stamp);
    EXPECT_EQ(stamp.MidnightText(), "0946684800");
    EXPECT_EQ(stamp.Seconds(), 946684800 + 13 * 3600 + 45 * 60 + 10);
    EXPECT_EQ(counter.Calls, 0);
    stamp.TruncToDay();
    EXPECT_EQ(stamp.Seconds(), 946684800);
    EXPECT_EQ(counter.Calls, 1);
    stamp.TruncToDay();  // already midnight: still a change
    EXPECT_EQ(stamp.Seconds(), 946684800);
    EXPECT_EQ(counter.Calls, 2);
}

TEST(Stamp, OnChangeOncePerSuccessfulChange)
{
    TClockScript clock(At(2010, 5, 6, 7, 8, 9));
    TStamp stamp;
    TChangeCounter counter;
    counter.Attach(stamp);
    stamp.SetNow();
    stamp.SetDateTime(At(2001, 2, 3));
    stamp.SetSeconds(5000);
    stamp.Increment(suDay, 1);
    stamp.TruncToDay();
    EXPECT_EQ(counter.Calls, 5);
    EXPECT_THROW(stamp.SetSeconds(-1), EStamp);
    EXPECT_THROW(stamp.Increment(suWeek, -1), EStamp);
    EXPECT_THROW(stamp.SetDateTime(At(1969, 1, 1)), EStamp);
    EXPECT_THROW(stamp.SetDateTime(QDateTime()), EStamp);
    EXPECT_EQ(counter.Calls, 5);
    EXPECT_EQ(counter.Seen, 86400);
}

TEST(Stamp, ConstructedAtNowWithDefaults)
{
    TClockScript clock(At(2010, 5, 6, 7, 8, 9));
    TStamp stamp;
    EXPECT_EQ(stamp.Seconds(), 1273129689);
    EXPECT_EQ(stamp.DisplayFormat, "hh:nn:ss dd/mm/yy");
    EXPECT_EQ(stamp.Digits, 10);
    EXPECT_FALSE(stamp.OnChange);
    EXPECT_EQ(stamp.DisplayText(), "07:08:09 06/05/10");
}

TEST(Stamp, ConstructionRefusedOutsideTheRange)
{
    TClockScript clock(At(2040, 1, 1));
    EXPECT_EQ(RefusalText([] { TStamp stamp; }), "Year excedes 2037");
}

TEST(Stamp, SetNowFollowsTheClock)
{
    QDateTime now = At(2024, 2, 29, 23, 59, 59);
    TClockScript clock([&now] { return now; });
    TStamp stamp;
    EXPECT_EQ(stamp.StampText(), "1709251199");
    now = At(2024, 3, 1);
    stamp.SetNow();
    EXPECT_EQ(stamp.Seconds(), 1709251200);
}

// Every day of the range, each at a different time of day, against the
// Julian day count of the framework's calendar.
TEST(Stamp, EveryDayRoundTrips)
{
    const QDate epoch(1970, 1, 1);
    TStamp stamp = StampAt(0);
    TStamp back = StampAt(0);
    int days = 0;
    for (QDate date = epoch; date.year() <= 2037; date = date.addDays(1), ++days) {
        const int64_t dayNumber = date.toJulianDay() - epoch.toJulianDay();
        const int secondOfDay = static_cast<int>((dayNumber * 7919) % 86400);
        const QTime time = QTime(0, 0).addSecs(secondOfDay);
        const int64_t expected = dayNumber * 86400 + secondOfDay;

        stamp.SetDateTime(QDateTime(date, time));
        ASSERT_EQ(stamp.Seconds(), expected) << date.toString(Qt::ISODate).toStdString();

        back.SetSeconds(expected);
        ASSERT_EQ(back.Year(), date.year()) << expected;
        ASSERT_EQ(back.Month(), date.month()) << expected;
        ASSERT_EQ(back.Day(), date.day()) << expected;
        ASSERT_EQ(back.Hour(), time.hour()) << expected;
        ASSERT_EQ(back.Minute(), time.minute()) << expected;
        ASSERT_EQ(back.Second(), time.second()) << expected;
        ASSERT_EQ(back.AsDateTime().date(), date) << expected;
        ASSERT_EQ(back.AsDateTime().time(), time) << expected;
        ASSERT_EQ(back.StampText(), IdText(expected));
        ASSERT_EQ(back.MidnightText(), IdText(dayNumber * 86400));
    }
    EXPECT_EQ(days, 24837);
}

TEST(Stamp, IsTodayWholeDayWhateverTheTimeNow)
{
    for (const QTime& now : {QTime(0, 0), QTime(0, 0, 1), QTime(12, 0), QTime(23, 59, 59)}) {
        TClockScript clock(QDateTime(QDate(2025, 3, 3), now));
        TStamp stamp;
        stamp.SetDateTime(At(2025, 3, 3, 0, 0, 1));
        EXPECT_TRUE(stamp.IsToday()) << now.toString().toStdString();
        stamp.SetDateTime(At(2025, 3, 3, 23, 59, 59));
        EXPECT_TRUE(stamp.IsToday());
        stamp.SetDateTime(At(2025, 3, 2, 23, 59, 59));
        EXPECT_FALSE(stamp.IsToday());
        stamp.SetDateTime(At(2025, 3, 4));
        EXPECT_FALSE(stamp.IsToday());
        stamp.SetDateTime(At(2024, 3, 3, 12));
        EXPECT_FALSE(stamp.IsToday());
    }
}

struct TFormatCase
{
    const char* Format;
    QString Expected;
};

void PrintTo(const TFormatCase& c, std::ostream* os)
{
    *os << '"' << c.Format << '"';
}

class StampFormat : public ::testing::TestWithParam<TFormatCase>
{
};

QString LongDay()
{
    return QLocale::system().dayName(2, QLocale::LongFormat);
}
QString ShortDay()
{
    return QLocale::system().dayName(2, QLocale::ShortFormat);
}
QString LongMonth()
{
    return QLocale::system().monthName(11, QLocale::LongFormat);
}
QString ShortMonth()
{
    return QLocale::system().monthName(11, QLocale::ShortFormat);
}

// Tuesday, 4 November 2025, 09:05:07: every part has its own digits.
TEST_P(StampFormat, Specifiers)
{
    TStamp stamp = StampAt(0);
    stamp.SetDateTime(At(2025, 11, 4, 9, 5, 7));
    stamp.DisplayFormat = QString::fromUtf8(GetParam().Format);
    EXPECT_EQ(stamp.DisplayText(), GetParam().Expected);
    EXPECT_EQ(TStamp::FormatDateTime(stamp.DisplayFormat, stamp.AsDateTime()), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StampFormat,
    ::testing::Values(TFormatCase{"hh:nn:ss dd/mm/yy", "09:05:07 04/11/25"}, TFormatCase{"h:n:s d/m/y", "9:5:7 4/11/25"},
                      TFormatCase{"hh:nn", "09:05"}, TFormatCase{"yyyy", "2025"}, TFormatCase{"yyyyy", "2025"},
                      TFormatCase{"yyy", "2025"}, TFormatCase{"ddd dd", ShortDay() + " 04"},
                      TFormatCase{"mmmm yyyy", LongMonth() + " 2025"},
                      TFormatCase{"ddd dd mmmm yyyy", ShortDay() + " 04 " + LongMonth() + " 2025"},
                      TFormatCase{"dddd mmmm dd, hh:nn", LongDay() + " " + LongMonth() + " 04, 09:05"},
                      TFormatCase{"dddd mmmm d, hh:nn", LongDay() + " " + LongMonth() + " 4, 09:05"},
                      TFormatCase{"dddd, dd mmm, yy", LongDay() + ", 04 " + ShortMonth() + ", 25"},
                      // m is the month also after an hour
                      TFormatCase{"hh:mm", "09:11"},
                      // runs longer than a specifier start the next one
                      TFormatCase{"ddddd", LongDay() + "4"}, TFormatCase{"hhh", "099"},
                      TFormatCase{"[at] -x", "[at] -x"}, TFormatCase{"", ""},
                      TFormatCase{"D M Y", "D M Y"}));

TEST(Stamp, EnglishNamesInTheDayHeaderFormat)
{
    if (QLocale::system().language() != QLocale::C && QLocale::system().language() != QLocale::English)
        GTEST_SKIP() << "names of another language";
    TStamp stamp = StampAt(0);
    stamp.SetDateTime(At(2025, 3, 3, 10));
    stamp.DisplayFormat = "dddd, dd mmmm, yyyy";
    EXPECT_EQ(stamp.DisplayText(), "Monday, 03 March, 2025");
    stamp.DisplayFormat = "ddd dd mmm yy";
    EXPECT_EQ(stamp.DisplayText(), "Mon 03 Mar 25");
}

TEST(Stamp, AsDateTimeIsTheWallClockTime)
{
    TStamp stamp = StampAt(1078099200 - 1);
    EXPECT_EQ(stamp.AsDateTime(), At(2004, 2, 29, 23, 59, 59));
    EXPECT_EQ(stamp.AsDateTime().timeSpec(), Qt::LocalTime);
}

// Runs a test body in another local time zone and restores the former one.
class TLocalZone
{
public:
    explicit TLocalZone(const char* zone)
        : HadZone_(qEnvironmentVariableIsSet("TZ")), Former_(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~TLocalZone()
    {
        if (HadZone_)
            qputenv("TZ", Former_);
        else
            qunsetenv("TZ");
        tzset();
    }
    TLocalZone(const TLocalZone&) = delete;
    TLocalZone& operator=(const TLocalZone&) = delete;

private:
    bool HadZone_;
    QByteArray Former_;
};

TEST(Stamp, TimeSkippedBySummerTimeRoundTrips)
{
    TLocalZone zone("Europe/Berlin");
    TStamp stamp = StampAt(1616898600);  // 2021-03-28 02:30, skipped in Berlin
    const QDateTime value = stamp.AsDateTime();
    EXPECT_EQ(value.date(), QDate(2021, 3, 28));
    EXPECT_EQ(value.time(), QTime(2, 30));
    stamp.SetSeconds(0);
    stamp.SetDateTime(value);
    EXPECT_EQ(stamp.Seconds(), 1616898600);
    // The hour repeated at the end of summer time counts once per wall-clock second.
    stamp.SetDateTime(At(2021, 10, 31, 2, 30));
    EXPECT_EQ(stamp.Seconds(), 1635647400);
}

struct TIdCase
{
    int64_t Id;
    std::string Text;
};

void PrintTo(const TIdCase& c, std::ostream* os)
{
    *os << c.Text;
}

class StampIdText : public ::testing::TestWithParam<TIdCase>
{
};

TEST_P(StampIdText, RoundTrips)
{
    EXPECT_EQ(IdText(GetParam().Id), GetParam().Text);
    EXPECT_EQ(IdValue(GetParam().Text), GetParam().Id);
}

INSTANTIATE_TEST_SUITE_P(Table, StampIdText,
                         ::testing::Values(TIdCase{0, "0000000000"}, TIdCase{12, "0000000012"},
                                           TIdCase{946684800, "0946684800"}, TIdCase{2147483647, "2147483647"},
                                           TIdCase{12345678901LL, "12345678901"}));

TEST(Stamp, IdValueOfMalformedTextIsZero)
{
    for (const char* text : {"", "12a", " 12", "-12", "+12", "0000000012 ", "1234567890123456789"})
        EXPECT_EQ(IdValue(text), 0) << text;
}
