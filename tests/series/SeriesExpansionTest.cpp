#include "series/SeriesExpansion.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

int64_t At(int year, int month, int day, int hour = 9, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone::utc()).toSecsSinceEpoch();
}

std::string Text(int64_t stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, QTimeZone::utc()).toString("yyyy-MM-dd hh:mm").toStdString();
}

struct TExpansionCase
{
    const char* Why;
    const char* RRule;
    int64_t Start;
    std::vector<const char*> First;  // the first starts the rule gives
};

const TExpansionCase kCases[] = {
    {"every other day", "FREQ=DAILY;INTERVAL=2", At(2027, 2, 27),
     {"2027-02-27 09:00", "2027-03-01 09:00", "2027-03-03 09:00"}},
    {"Monday and Thursday from a Wednesday", "FREQ=WEEKLY;BYDAY=MO,TH", At(2027, 6, 2),
     {"2027-06-03 09:00", "2027-06-07 09:00", "2027-06-10 09:00", "2027-06-14 09:00"}},
    {"fortnightly on the start's day", "FREQ=WEEKLY;INTERVAL=2", At(2027, 1, 5),
     {"2027-01-05 09:00", "2027-01-19 09:00", "2027-02-02 09:00"}},
    {"the 31st skips short months", "FREQ=MONTHLY;BYMONTHDAY=31", At(2027, 1, 31),
     {"2027-01-31 09:00", "2027-03-31 09:00", "2027-05-31 09:00", "2027-07-31 09:00"}},
    {"the last day of each month", "FREQ=MONTHLY;BYMONTHDAY=-1", At(2028, 1, 31),
     {"2028-01-31 09:00", "2028-02-29 09:00", "2028-03-31 09:00", "2028-04-30 09:00"}},
    {"second Tuesday", "FREQ=MONTHLY;BYDAY=2TU", At(2027, 1, 12),
     {"2027-01-12 09:00", "2027-02-09 09:00", "2027-03-09 09:00"}},
    {"last Friday", "FREQ=MONTHLY;BYDAY=-1FR", At(2027, 1, 29),
     {"2027-01-29 09:00", "2027-02-26 09:00", "2027-03-26 09:00", "2027-04-30 09:00"}},
    {"fifth Sunday only where there is one", "FREQ=MONTHLY;BYDAY=5SU", At(2027, 1, 31),
     {"2027-01-31 09:00", "2027-05-30 09:00", "2027-08-29 09:00", "2027-10-31 09:00"}},
    {"29 February only in leap years", "FREQ=YEARLY", At(2028, 2, 29),
     {"2028-02-29 09:00", "2032-02-29 09:00", "2036-02-29 09:00"}},
    {"yearly", "FREQ=YEARLY;INTERVAL=2", At(2027, 12, 24, 18, 30),
     {"2027-12-24 18:30", "2029-12-24 18:30", "2031-12-24 18:30"}},
    {"after a count", "FREQ=DAILY;COUNT=2", At(2027, 5, 1), {"2027-05-01 09:00", "2027-05-02 09:00"}},
    {"until a day, that day included", "FREQ=WEEKLY;UNTIL=20270614T235959;BYDAY=MO", At(2027, 6, 1),
     {"2027-06-07 09:00", "2027-06-14 09:00"}},
    // Summer time begins on 28 March 2027 and ends on 31 October: the
    // meeting stays at nine whatever zone the process runs in.
    {"across summer time", "FREQ=WEEKLY;BYDAY=SU", At(2027, 3, 21),
     {"2027-03-21 09:00", "2027-03-28 09:00", "2027-04-04 09:00"}},
    {"across winter time", "FREQ=DAILY", At(2027, 10, 30, 2, 30),
     {"2027-10-30 02:30", "2027-10-31 02:30", "2027-11-01 02:30"}},
    {"an end before the start gives nothing", "FREQ=DAILY;UNTIL=20270101T000000", At(2027, 6, 1), {}},
    {"no 30 February ever", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30", At(2027, 1, 1), {}},
    {"unreadable", "FREQ=SOMETIMES", At(2027, 1, 1), {}},
};

class SeriesExpansionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const char* zone = std::getenv("TZ");
        OldZone_ = zone ? zone : "";
        HadZone_ = zone != nullptr;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    void TearDown() override
    {
        if (HadZone_)
            setenv("TZ", OldZone_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string OldZone_;
    bool HadZone_ = false;
};

TEST_F(SeriesExpansionTest, StartsOfEachKind)
{
    for (const TExpansionCase& c : kCases) {
        SCOPED_TRACE(c.Why);
        const auto starts = TSeriesExpansion::Between(c.RRule, c.Start, c.Start, c.Start + 4000LL * 86400,
                                                      c.First.size());
        std::vector<std::string> got;
        for (int64_t stamp : starts.Stamps)
            got.push_back(Text(stamp));
        EXPECT_EQ(got, std::vector<std::string>(c.First.begin(), c.First.end()));
        for (int64_t stamp : starts.Stamps)
            EXPECT_TRUE(TSeriesExpansion::Gives(c.RRule, c.Start, stamp));
    }
}

struct TBoundCase
{
    const char* Why;
    const char* RRule;
    int64_t First;
    int64_t Last;
    std::size_t Count;
    bool More;
};

// What an expansion gives is bounded by the end asked for, then by the bound.
const TBoundCase kBoundCases[] = {
    {"eighteen months of a weekly meeting", "FREQ=WEEKLY;BYDAY=MO", At(2027, 1, 4), At(2028, 7, 3), 79, true},
    {"a window later in the series", "FREQ=WEEKLY;BYDAY=MO", At(2027, 3, 1), At(2027, 3, 31), 5, true},
    {"an ending rule ends", "FREQ=WEEKLY;COUNT=3", At(2027, 1, 1), At(2037, 1, 1), 3, false},
    {"every minute is cut at the bound", "FREQ=MINUTELY", At(2027, 1, 1), At(2028, 1, 1),
     TSeriesExpansion::kMaxStarts, true},
    {"every second too", "FREQ=SECONDLY", At(2027, 1, 1), At(2037, 1, 1), TSeriesExpansion::kMaxStarts, true},
};

TEST_F(SeriesExpansionTest, BoundedByHorizonAndCount)
{
    for (const TBoundCase& c : kBoundCases) {
        SCOPED_TRACE(c.Why);
        const auto starts = TSeriesExpansion::Between(c.RRule, At(2027, 1, 4), c.First, c.Last);
        EXPECT_EQ(starts.Stamps.size(), c.Count);
        EXPECT_EQ(starts.More, c.More);
        for (int64_t stamp : starts.Stamps) {
            EXPECT_GE(stamp, c.First);
            EXPECT_LE(stamp, c.Last);
        }
    }
}

}  // namespace
