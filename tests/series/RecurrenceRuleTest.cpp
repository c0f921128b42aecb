#include "series/RecurrenceRule.h"

#include <gtest/gtest.h>

namespace {

using TRule = TRecurrenceRule;
using TFreq = TRecurrenceRule::TFrequency;
using TEnd = TRecurrenceRule::TEnd;

TRule Rule(TFreq frequency, int interval = 1)
{
    TRule rule;
    rule.Frequency = frequency;
    rule.Interval = interval;
    return rule;
}

TRule Weekly(std::vector<int> days, int interval = 1)
{
    TRule rule = Rule(TFreq::Weekly, interval);
    rule.Weekdays = std::move(days);
    return rule;
}

TRule MonthlyOn(int ordinal, int weekday)
{
    TRule rule = Rule(TFreq::Monthly);
    rule.Ordinal = ordinal;
    rule.OrdinalWeekday = weekday;
    return rule;
}

TRule MonthlyDay(int day, int interval = 1)
{
    TRule rule = Rule(TFreq::Monthly, interval);
    rule.MonthDay = day;
    return rule;
}

TRule Until(TRule rule, QDate until)
{
    rule.End = TEnd::OnDate;
    rule.Until = until;
    return rule;
}

TRule Times(TRule rule, int count)
{
    rule.End = TEnd::AfterCount;
    rule.Count = count;
    return rule;
}

struct TRuleCase
{
    const char* Name;
    TRule Rule;
    const char* RRule;
    const char* Words;
};

// Every kind the editor offers, its RRULE text and its words; the text read
// back gives the same rule.
const TRuleCase kRuleCases[] = {
    {"daily", Rule(TFreq::Daily), "FREQ=DAILY", "Every day"},
    {"every third day", Times(Rule(TFreq::Daily, 3), 10), "FREQ=DAILY;COUNT=10;INTERVAL=3", "Every 3 days, 10 times"},
    {"weekly on the start's day", Rule(TFreq::Weekly), "FREQ=WEEKLY", "Every week"},
    {"Monday and Thursday until", Until(Weekly({4, 1}), QDate(2027, 6, 30)),
     "FREQ=WEEKLY;UNTIL=20270630T235959;BYDAY=MO,TH", "Every Monday and Thursday until 30 June 2027"},
    {"fortnightly, three days", Weekly({1, 3, 5}, 2), "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE,FR",
     "Every 2 weeks on Monday, Wednesday and Friday"},
    {"Sunday", Weekly({7}), "FREQ=WEEKLY;BYDAY=SU", "Every Sunday"},
    {"day of month", MonthlyDay(15), "FREQ=MONTHLY;BYMONTHDAY=15", "Every month on day 15"},
    {"last day of month", MonthlyDay(-1, 3), "FREQ=MONTHLY;INTERVAL=3;BYMONTHDAY=-1",
     "Every 3 months on the last day"},
    {"second Tuesday", MonthlyOn(2, 2), "FREQ=MONTHLY;BYDAY=2TU", "Every month on the second Tuesday"},
    {"last Friday", Times(MonthlyOn(-1, 5), 1), "FREQ=MONTHLY;COUNT=1;BYDAY=-1FR", "Every month on the last Friday, once"},
    {"fifth Sunday", MonthlyOn(5, 7), "FREQ=MONTHLY;BYDAY=5SU", "Every month on the fifth Sunday"},
    {"yearly", Rule(TFreq::Yearly), "FREQ=YEARLY", "Every year"},
    {"every other year", Until(Rule(TFreq::Yearly, 2), QDate(2036, 2, 29)), "FREQ=YEARLY;UNTIL=20360229T235959;INTERVAL=2",
     "Every 2 years until 29 February 2036"},
};

void PrintTo(const TRuleCase& c, std::ostream* out)
{
    *out << c.Name;
}

class RecurrenceRuleTest : public testing::TestWithParam<TRuleCase>
{
};

TEST_P(RecurrenceRuleTest, TextWordsAndBack)
{
    const TRuleCase& c = GetParam();
    EXPECT_EQ(c.Rule.RRule(), c.RRule);
    EXPECT_EQ(c.Rule.Words().toStdString(), c.Words);
    const std::optional<TRule> back = TRule::FromRRule(c.RRule);
    ASSERT_TRUE(back);
    TRule expected = c.Rule;
    std::sort(expected.Weekdays.begin(), expected.Weekdays.end());
    EXPECT_EQ(*back, expected);
    EXPECT_EQ(TRule::WordsFor(c.RRule).toStdString(), c.Words);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RecurrenceRuleTest, testing::ValuesIn(kRuleCases),
                         [](const auto& info) {
                             std::string name = info.param.Name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

struct TForeignCase
{
    const char* RRule;
    bool Readable;
    const char* Words;
};

// Rules written elsewhere: those the editor cannot show still repeat.
const TForeignCase kForeignCases[] = {
    {"FREQ=MONTHLY;BYDAY=TU;BYSETPOS=2", true, "Repeats by a rule of its own"},
    {"FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU", true, "Repeats by a rule of its own"},
    {"FREQ=HOURLY;INTERVAL=4", true, "Repeats by a rule of its own"},
    {"FREQ=MONTHLY;BYMONTHDAY=1,15", true, "Repeats by a rule of its own"},
    {"NOT A RULE", false, ""},
    {"", false, ""},
};

TEST(RecurrenceRuleForeignTest, KeptAsTextWithGeneralWords)
{
    for (const TForeignCase& c : kForeignCases) {
        SCOPED_TRACE(c.RRule);
        EXPECT_EQ(TRule::Readable(c.RRule), c.Readable);
        EXPECT_FALSE(TRule::FromRRule(c.RRule));
        EXPECT_EQ(TRule::WordsFor(c.RRule).toStdString(), c.Words);
    }
}

}  // namespace
