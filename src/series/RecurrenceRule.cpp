#include "series/RecurrenceRule.h"

#include <libical/ical.h>

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <memory>

namespace {

constexpr short kEndOfList = ICAL_RECURRENCE_ARRAY_MAX;

const char* const kWeekdayNames[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char* const kOrdinalNames[] = {"first", "second", "third", "fourth", "fifth"};

// libical numbers weekdays from Sunday (1); the diary from Monday (1).
icalrecurrencetype_weekday IcalWeekday(int weekday)
{
    return static_cast<icalrecurrencetype_weekday>(weekday % 7 + 1);
}

int DiaryWeekday(icalrecurrencetype_weekday weekday)
{
    return (static_cast<int>(weekday) + 5) % 7 + 1;
}

// A weekday with its position in the month as libical's by_day holds it;
// icalrecurrencetype_day_position and _day_of_week read it back.
short EncodedDay(int weekday, int position)
{
    const int magnitude = (position < 0 ? -position : position) * 8 + static_cast<int>(IcalWeekday(weekday));
    return static_cast<short>(position < 0 ? -magnitude : magnitude);
}

int Listed(const short* list, int size)
{
    int count = 0;
    while (count < size && list[count] != kEndOfList)
        ++count;
    return count;
}

struct TFreeText
{
    void operator()(char* text) const { icalmemory_free_buffer(text); }
};

QString Joined(const QStringList& parts)
{
    if (parts.size() < 2)
        return parts.join(QString());
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
}

QString Every(int interval, const char* one, const char* many)
{
    if (interval <= 1)
        return QStringLiteral("Every %1").arg(QLatin1String(one));
    return QStringLiteral("Every %1 %2").arg(interval).arg(QLatin1String(many));
}

QString OrdinalName(int ordinal)
{
    if (ordinal < 0)
        return QStringLiteral("last");
    return QLatin1String(kOrdinalNames[std::clamp(ordinal, 1, 5) - 1]);
}

}  // namespace

std::string TRecurrenceRule::RRule() const
{
    icalrecurrencetype recur;
    icalrecurrencetype_clear(&recur);
    switch (Frequency) {
    case TFrequency::Daily: recur.freq = ICAL_DAILY_RECURRENCE; break;
    case TFrequency::Weekly: recur.freq = ICAL_WEEKLY_RECURRENCE; break;
    case TFrequency::Monthly: recur.freq = ICAL_MONTHLY_RECURRENCE; break;
    case TFrequency::Yearly: recur.freq = ICAL_YEARLY_RECURRENCE; break;
    }
    recur.interval = static_cast<short>(std::max(1, Interval));
    recur.week_start = ICAL_MONDAY_WEEKDAY;
    if (Frequency == TFrequency::Weekly) {
        std::vector<int> days = Weekdays;
        std::sort(days.begin(), days.end());
        days.erase(std::unique(days.begin(), days.end()), days.end());
        int slot = 0;
        for (int day : days)
            if (day >= 1 && day <= 7 && slot < ICAL_BY_DAY_SIZE - 1)
                recur.by_day[slot++] = EncodedDay(day, 0);
        recur.by_day[slot] = kEndOfList;
    } else if (Frequency == TFrequency::Monthly) {
        if (Ordinal != 0 && OrdinalWeekday >= 1 && OrdinalWeekday <= 7) {
            recur.by_day[0] = EncodedDay(OrdinalWeekday, Ordinal);
            recur.by_day[1] = kEndOfList;
        } else if (MonthDay != 0) {
            recur.by_month_day[0] = static_cast<short>(MonthDay);
            recur.by_month_day[1] = kEndOfList;
        }
    }
    if (End == TEnd::AfterCount) {
        recur.count = std::max(1, Count);
    } else if (End == TEnd::OnDate && Until.isValid()) {
        // The start is wall-clock time without a zone, so the end is too:
        // the last second of its day.
        recur.until = icaltime_null_time();
        recur.until.year = Until.year();
        recur.until.month = Until.month();
        recur.until.day = Until.day();
        recur.until.hour = 23;
        recur.until.minute = 59;
        recur.until.second = 59;
    }
    const std::unique_ptr<char, TFreeText> text(icalrecurrencetype_as_string_r(&recur));
    return text ? std::string(text.get()) : std::string();
}

bool TRecurrenceRule::Readable(const std::string& text)
{
    if (text.empty())
        return false;
    const icalrecurrencetype recur = icalrecurrencetype_from_string(text.c_str());
    icalerror_clear_errno();
    return recur.freq != ICAL_NO_RECURRENCE;
}

std::optional<TRecurrenceRule> TRecurrenceRule::FromRRule(const std::string& text)
{
    if (!Readable(text))
        return std::nullopt;
    const icalrecurrencetype recur = icalrecurrencetype_from_string(text.c_str());
    if (Listed(recur.by_second, ICAL_BY_SECOND_SIZE) || Listed(recur.by_minute, ICAL_BY_MINUTE_SIZE)
        || Listed(recur.by_hour, ICAL_BY_HOUR_SIZE) || Listed(recur.by_year_day, ICAL_BY_YEARDAY_SIZE)
        || Listed(recur.by_week_no, ICAL_BY_WEEKNO_SIZE) || Listed(recur.by_month, ICAL_BY_MONTH_SIZE)
        || Listed(recur.by_set_pos, ICAL_BY_SETPOS_SIZE) || recur.rscale)
        return std::nullopt;
    TRecurrenceRule rule;
    rule.Interval = recur.interval;
    const int days = Listed(recur.by_day, ICAL_BY_DAY_SIZE);
    const int monthDays = Listed(recur.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    switch (recur.freq) {
    case ICAL_DAILY_RECURRENCE:
        rule.Frequency = TFrequency::Daily;
        if (days || monthDays)
            return std::nullopt;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        rule.Frequency = TFrequency::Weekly;
        if (monthDays)
            return std::nullopt;
        for (int i = 0; i < days; ++i) {
            if (icalrecurrencetype_day_position(recur.by_day[i]) != 0)
                return std::nullopt;
            rule.Weekdays.push_back(DiaryWeekday(icalrecurrencetype_day_day_of_week(recur.by_day[i])));
        }
        std::sort(rule.Weekdays.begin(), rule.Weekdays.end());
        break;
    case ICAL_MONTHLY_RECURRENCE:
        rule.Frequency = TFrequency::Monthly;
        if (days + monthDays > 1)
            return std::nullopt;
        if (monthDays) {
            rule.MonthDay = recur.by_month_day[0];
            if (rule.MonthDay < -1)
                return std::nullopt;
        } else if (days) {
            rule.Ordinal = icalrecurrencetype_day_position(recur.by_day[0]);
            rule.OrdinalWeekday = DiaryWeekday(icalrecurrencetype_day_day_of_week(recur.by_day[0]));
            if (rule.Ordinal == 0 || rule.Ordinal < -1 || rule.Ordinal > 5)
                return std::nullopt;
        }
        break;
    case ICAL_YEARLY_RECURRENCE:
        rule.Frequency = TFrequency::Yearly;
        if (days || monthDays)
            return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    if (recur.count > 0) {
        rule.End = TEnd::AfterCount;
        rule.Count = recur.count;
    } else if (!icaltime_is_null_time(recur.until)) {
        rule.End = TEnd::OnDate;
        rule.Until = QDate(recur.until.year, recur.until.month, recur.until.day);
    }
    return rule;
}

std::string TRecurrenceRule::EndingBefore(const std::string& text, int64_t stamp)
{
    icalrecurrencetype recur = icalrecurrencetype_from_string(text.c_str());
    icalerror_clear_errno();
    if (recur.freq == ICAL_NO_RECURRENCE)
        return text;
    recur.count = 0;
    recur.until = icaltime_from_timet_with_zone(static_cast<time_t>(stamp - 1), 0, nullptr);
    const std::unique_ptr<char, TFreeText> ended(icalrecurrencetype_as_string_r(&recur));
    return ended ? std::string(ended.get()) : text;
}

QString TRecurrenceRule::Words() const
{
    QString words;
    switch (Frequency) {
    case TFrequency::Daily:
        words = Every(Interval, "day", "days");
        break;
    case TFrequency::Weekly: {
        std::vector<int> days = Weekdays;
        std::sort(days.begin(), days.end());
        QStringList names;
        for (int day : days)
            if (day >= 1 && day <= 7)
                names << QLatin1String(kWeekdayNames[day - 1]);
        if (names.isEmpty())
            words = Every(Interval, "week", "weeks");
        else if (Interval <= 1)
            words = QStringLiteral("Every ") + Joined(names);
        else
            words = Every(Interval, "week", "weeks") + QStringLiteral(" on ") + Joined(names);
        break;
    }
    case TFrequency::Monthly:
        words = Every(Interval, "month", "months");
        if (Ordinal != 0 && OrdinalWeekday >= 1 && OrdinalWeekday <= 7)
            words += QStringLiteral(" on the %1 %2").arg(OrdinalName(Ordinal), QLatin1String(kWeekdayNames[OrdinalWeekday - 1]));
        else if (MonthDay == -1)
            words += QStringLiteral(" on the last day");
        else if (MonthDay > 0)
            words += QStringLiteral(" on day %1").arg(MonthDay);
        break;
    case TFrequency::Yearly:
        words = Every(Interval, "year", "years");
        break;
    }
    if (End == TEnd::OnDate && Until.isValid())
        words += QStringLiteral(" until ") + QLocale::c().toString(Until, QStringLiteral("d MMMM yyyy"));
    else if (End == TEnd::AfterCount)
        words += Count == 1 ? QStringLiteral(", once") : QStringLiteral(", %1 times").arg(Count);
    return words;
}

QString TRecurrenceRule::WordsFor(const std::string& text)
{
    if (const std::optional<TRecurrenceRule> rule = FromRRule(text))
        return rule->Words();
    return Readable(text) ? QStringLiteral("Repeats by a rule of its own") : QString();
}
