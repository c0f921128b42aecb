#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How an event repeats, in the terms the event editor offers: every N days;
// every N weeks on chosen weekdays; every N months on a day of the month or
// on the n-th (or last) weekday; every N years; ending never, on a date or
// after a number of times. Stored and exchanged as RRULE text, which libical
// reads and writes; a rule from elsewhere that says more than this is kept
// as its text and still repeats, it just cannot be edited field by field.
struct TRecurrenceRule
{
    enum class TFrequency { Daily, Weekly, Monthly, Yearly };
    enum class TEnd { Never, OnDate, AfterCount };

    TFrequency Frequency = TFrequency::Weekly;
    int Interval = 1;
    // Weekly: the days, 1 Monday to 7 Sunday; none means the start's weekday.
    std::vector<int> Weekdays;
    // Monthly: a day of the month (1..31, -1 the last), or when Ordinal is
    // set (1..5, -1 the last) that weekday of the month. Neither: the start's day.
    int MonthDay = 0;
    int Ordinal = 0;
    int OrdinalWeekday = 0;
    TEnd End = TEnd::Never;
    QDate Until;  // the last day an occurrence may start on
    int Count = 0;

    bool operator==(const TRecurrenceRule&) const = default;

    // The RRULE value (without "RRULE:"), as libical writes it.
    std::string RRule() const;
    // The rule an RRULE value states; none when libical cannot read it or it
    // says more than the editor can show.
    static std::optional<TRecurrenceRule> FromRRule(const std::string& text);
    // Whether libical reads the text as a rule at all.
    static bool Readable(const std::string& text);

    // The same rule ending just before the stamp: the part of a series kept
    // when it is split or cut at one of its occurrences.
    static std::string EndingBefore(const std::string& text, int64_t stamp);

    // The rule in words: "Every Monday and Thursday until 30 June 2027".
    QString Words() const;
    // Words for any RRULE text; rules the editor cannot show get a general phrase.
    static QString WordsFor(const std::string& text);
};
