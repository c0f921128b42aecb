#include "ical/ICalComponent.h"
#include "ical/ICalImport.h"
#include "series/SeriesStore.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace {

const bool kBerlin = [] {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    return true;
}();

std::string Calendar(const std::string& inside, const std::string& head = {})
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + head + inside + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& uid, const std::string& lines)
{
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:" + uid + "\r\n" + lines + "END:VEVENT\r\n";
}

constexpr char kNulText[] = "DTSTART:20250305T100000\r\nLOCATION:Ro\0om\r\n";
const std::string kNulLines(kNulText, sizeof kNulText - 1);

const std::string kGood = Event("good", "DTSTART:20250306T100000\r\n");

// A zone of that many yearly rules since 1601, as a generator might write it.
std::string HugeZone(int rules, const std::string& name = "Huge")
{
    std::string zone = "BEGIN:VTIMEZONE\r\nTZID:" + name + "\r\n";
    for (int i = 0; i < rules; ++i)
        zone += "BEGIN:STANDARD\r\nDTSTART:16010101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=" + std::to_string(1 + i % 12) +
                ";BYDAY=-1SU\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n";
    return zone + "END:VTIMEZONE\r\n";
}

class ICalEdgesTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db_ = Connect();
        Records_.emplace(*Db_);
        Anna_ = Records_->User("ANNA", "Anna Berg", "ANNA");
    }

    void DeleteEvents()
    {
        std::vector<std::string> ids;
        TDayEntryRec entry;
        for (TKeyWalk walk = TKeyWalk::All(Db_->DayEntryFile, TOrbekoDB::DayEntryIdKey); walk.Next(entry);)
            ids.push_back(walk.Id());
        for (const std::string& id : ids) {
            ASSERT_TRUE(Db_->DayEntryFile.Delete(id));
            Db_->Details.RemoveEvent(id);
        }
    }

    // Every event's summary, in time order.
    std::vector<std::string> Summaries()
    {
        std::vector<std::string> found;
        TDayEntryRec entry;
        for (TKeyWalk walk = TKeyWalk::All(Db_->DayEntryFile, TOrbekoDB::DayEntryStampKey); walk.Next(entry);)
            found.push_back(FieldText(entry.Description));
        return found;
    }

    std::unique_ptr<TOrbekoDB> Db_;
    std::optional<TDiaryRecords> Records_;
    std::string Anna_;
};

// Inputs that libical reads wrongly or without end: each is refused with
// its reason, within a bound, and the good event beside it is imported.
TEST_F(ICalEdgesTest, BadInputEndsInBoundedTimeWithItsReason)
{
    struct TCase
    {
        const char* Why;
        std::string Text;
        std::vector<std::string> Reports;
        std::vector<std::string> Events;
    };
    const std::vector<TCase> cases = {
        {"a rule that never yields",
         Calendar(Event("never", "DTSTART:20250301T100000\r\nRRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30\r\n") + kGood),
         {"event never: refused: working out its occurrences takes more than 2000 ms"},
         {"good"}},
        {"a rule that yields too often",
         Calendar(Event("often", "DTSTART:20250301T000000\r\nRRULE:FREQ=MINUTELY\r\n") + kGood),
         {"event often: refused: it occurs more than 10000 times between 2025-03-01 and 2025-03-31"},
         {"good"}},
        {"a huge time zone",
         Calendar(Event("zoned", "DTSTART;TZID=Huge:20250306T090000\r\n") + kGood, HugeZone(10000)),
         {"time zone \"Huge\": refused: its rules give more than 5000 changes of offset",
          "event zoned: refused: its time zone \"Huge\" is refused"},
         {"good"}},
        // Not read in the zone libical knows by that name either.
        {"a huge time zone with a known name",
         Calendar(Event("zoned", "DTSTART;TZID=Europe/Paris:20250306T090000\r\n") + kGood,
                  HugeZone(10000, "Europe/Paris")),
         {"time zone \"Europe/Paris\": refused: its rules give more than 5000 changes of offset",
          "event zoned: refused: its time zone \"Europe/Paris\" is refused"},
         {"good"}},
        {"30 February",
         Calendar(Event("feb", "DTSTART:20250230T100000\r\n") + kGood),
         {"event feb: refused: \"DTSTART:20250230T100000\" names a day or time that does not exist"},
         {"good"}},
        {"an hour 25",
         Calendar(Event("late", "DTSTART:20250306T250000\r\n") + kGood),
         {"event late: refused: \"DTSTART:20250306T250000\" names a day or time that does not exist"},
         {"good"}},
        {"an end on 31 April",
         Calendar(Event("april", "DTSTART;VALUE=DATE:20250430\r\nDTEND;VALUE=DATE:20250431\r\n") + kGood),
         {"event april: refused: \"DTEND;VALUE=DATE:20250431\" names a day or time that does not exist"},
         {"good"}},
        {"a rule that ends on 30 February",
         Calendar(Event("until", "DTSTART:20250303T100000\r\nRRULE:FREQ=WEEKLY;UNTIL=20250230T000000\r\n") + kGood),
         {"event until: refused: \"RRULE:FREQ=WEEKLY;UNTIL=20250230T000000\" names a day or time that does not exist"},
         {"good"}},
        {"two DTSTARTs",
         Calendar(Event("twice", "DTSTART:20250306T100000\r\nDTSTART:20250307T100000\r\n") + kGood),
         {"event twice: refused: it has more than one DTSTART: \"DTSTART:20250306T100000\", "
          "\"DTSTART:20250307T100000\""},
         {"good"}},
        {"a NUL byte",
         Calendar(Event("nul", kNulLines) + kGood),
         {"line 7: it holds a NUL byte and is left out"},
         {"nul", "good"}},
        {"a cancelled event", Calendar(Event("gone", "DTSTART:20250305T100000\r\nSTATUS:CANCELLED\r\n") + kGood), {},
         {"good"}},
        {"a cancelling message", Calendar(Event("gone", "DTSTART:20250305T100000\r\n"), "METHOD:CANCEL\r\n"), {}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        DeleteEvents();
        const auto began = std::chrono::steady_clock::now();
        const auto outcome = TICalImport(*Db_, Anna_).Import(c.Text, QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
        EXPECT_EQ(outcome.Reports, c.Reports) << outcome.Summary();
        EXPECT_EQ(Summaries(), c.Events) << outcome.Summary();
        EXPECT_FALSE(outcome.NoCalendar);
    }
}

// The bounds are the import's own: a smaller budget ends sooner.
TEST_F(ICalEdgesTest, TheLimitsGivenAreTheLimitsKept)
{
    TICalImport::TLimits limits;
    limits.EventWork = std::chrono::milliseconds(100);
    limits.Occurrences = 10;
    struct TCase
    {
        const char* Rule;
        const char* Report;
    };
    const TCase cases[] = {
        {"FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30", "event r: refused: working out its occurrences takes more than 100 ms"},
        {"FREQ=DAILY;COUNT=11", "event r: refused: it occurs more than 10 times between 2025-03-01 and 2025-03-31"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Rule);
        DeleteEvents();
        const auto began = std::chrono::steady_clock::now();
        // Two rules: a series is not made of them, they are worked out here.
        const auto outcome = TICalImport(*Db_, Anna_, limits)
                                 .Import(Calendar(Event("r", std::string("DTSTART:20250301T100000\r\nRRULE:") + c.Rule +
                                                                 "\r\nRRULE:FREQ=YEARLY\r\n")),
                                         QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1));
        EXPECT_EQ(outcome.Reports, std::vector<std::string>{c.Report}) << outcome.Summary();
    }
    DeleteEvents();
    const auto tenTimes = TICalImport(*Db_, Anna_, limits)
                              .Import(Calendar(Event("r", "DTSTART:20250301T100000\r\nRRULE:FREQ=DAILY;COUNT=10\r\n"
                                                          "RRULE:FREQ=YEARLY\r\n")),
                                      QDate(2025, 3, 1), QDate(2025, 3, 31));
    EXPECT_EQ(tenTimes.Added, 10u) << tenTimes.Summary();
}

// A zone as large as real full-history zones are is read; the bound is
// on what it costs, not on what it is.
TEST_F(ICalEdgesTest, ZonesAreBoundedByTheChangesTheirRulesGive)
{
    struct TCase
    {
        int Rules;
        bool Refused;
    };
    for (const TCase c : {TCase{1, false}, TCase{8, false}, TCase{12, true}, TCase{10000, true}}) {
        SCOPED_TRACE(c.Rules);
        DeleteEvents();
        const auto outcome = TICalImport(*Db_, Anna_).Import(
            Calendar(Event("zoned", "DTSTART;TZID=Huge:20250306T090000\r\n"), HugeZone(c.Rules)), QDate(2025, 3, 1),
            QDate(2025, 3, 31));
        EXPECT_EQ(outcome.Refused, c.Refused ? 1u : 0u) << outcome.Summary();
        EXPECT_EQ(Summaries().size(), c.Refused ? 0u : 1u);
    }
}

// The starts of March that libical gives for a rule from 1 March, 10:00,
// walked in one go; the start itself is one, as RFC 5545 has it, whether
// the rule gives it or not.
std::size_t StartsInOneGo(const std::string& rule)
{
    icalrecur_iterator* walk =
        icalrecur_iterator_new(icalrecurrencetype_from_string(rule.c_str()), icaltime_from_string("20250301T100000"));
    std::size_t starts = 0;
    bool started = false;
    for (icaltimetype t = icalrecur_iterator_next(walk); !icaltime_is_null_time(t) && t.month == 3;
         t = icalrecur_iterator_next(walk)) {
        started = started || (t.day == 1 && t.hour == 10 && t.minute == 0 && t.second == 0);
        ++starts;
    }
    starts += started ? 0 : 1;
    icalrecur_iterator_free(walk);
    return starts;
}

// Rules finer than a day are worked out in pieces: the starts are those
// libical gives in one go, across the pieces' seams.
TEST_F(ICalEdgesTest, RulesWorkedOutInPiecesGiveEveryStart)
{
    const char* const rules[] = {
        "FREQ=HOURLY;INTERVAL=5",
        "FREQ=HOURLY;INTERVAL=7;BYHOUR=10,17",
        "FREQ=MINUTELY;INTERVAL=97;BYHOUR=9,10",
        "FREQ=SECONDLY;INTERVAL=3600;BYHOUR=9",
        "FREQ=MINUTELY;INTERVAL=13;BYMINUTE=0,13,26,39;BYDAY=MO",
        "FREQ=HOURLY;COUNT=100",
        "FREQ=HOURLY;UNTIL=20250320T120000",
    };
    for (const char* rule : rules) {
        SCOPED_TRACE(rule);
        DeleteEvents();
        const auto outcome = TICalImport(*Db_, Anna_).Import(
            Calendar(Event("rule", std::string("DTSTART:20250301T100000\r\nRRULE:") + rule + "\r\n")),
            QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_TRUE(outcome.Reports.empty()) << outcome.Summary();
        EXPECT_GT(outcome.Added, 1u);
        EXPECT_EQ(outcome.Added, StartsInOneGo(rule)) << outcome.Summary();
    }
}

// The categories of an event: the first the diary knows, else the first;
// the others in the notes, an escaped comma part of its name.
TEST_F(ICalEdgesTest, SeveralCategoriesGiveOneAndTheRestInTheNotes)
{
    Records_->Category("Project");
    struct TCase
    {
        const char* Lines;
        const char* Category;
        const char* Notes;
    };
    const TCase cases[] = {
        {"CATEGORIES:Meeting\\, John,Work\\, Sarah,Project\r\n", "Project",
         "Other categories: Meeting, John; Work, Sarah"},
        {"CATEGORIES:Meeting\\, John\r\n", "Meeting, John", ""},
        {"CATEGORIES:Alpha\r\nCATEGORIES:Beta\r\nDESCRIPTION:Agenda\r\n", "Alpha", "Agenda\nOther categories: Beta"},
        {"CATEGORIES:project\r\n", "Project", ""},
        {"LOCATION:\r\nDESCRIPTION:\r\n", "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Lines);
        DeleteEvents();
        const auto outcome = TICalImport(*Db_, Anna_).Import(
            Calendar(Event("cat", std::string("DTSTART:20250306T100000\r\n") + c.Lines)), QDate(2025, 3, 1),
            QDate(2025, 3, 31));
        EXPECT_TRUE(outcome.Reports.empty()) << outcome.Summary();
        TDayEntryRec entry;
        TKeyWalk walk = TKeyWalk::All(Db_->DayEntryFile, TOrbekoDB::DayEntryIdKey);
        ASSERT_TRUE(walk.Next(entry));
        TCategoryRec category{};
        if (FieldText(entry.CategoryId) != kNoneId) {
            ASSERT_TRUE(FindRecord(Db_->CategoryFile, category, TOrbekoDB::CategoryIdKey, FieldText(entry.CategoryId)));
        }
        EXPECT_EQ(FieldText(category.Description), c.Category);
        EXPECT_EQ(Db_->Details.Event(walk.Id(), entry).Notes.toStdString(), c.Notes);
    }
}

// What the diary cannot hold is counted in the summary; cancelled events
// are counted as passed over.
TEST_F(ICalEdgesTest, TheSummaryCountsWhatIsNotKept)
{
    struct TCase
    {
        std::string Text;
        const char* Summary;
    };
    const TCase cases[] = {
        {Calendar(Event("a", "DTSTART:20250306T100000\r\nATTENDEE:mailto:x@example.com\r\n"
                             "ATTENDEE;CN=Anna Berg:mailto:y@example.com\r\nATTENDEE:mailto:z@example.com\r\n"
                             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\n")),
         "Added 1 event, skipped 0 already in the diary, refused 0.\r"
         "Not kept: 2 attendees who are not users of the diary, 1 alarm."},
        {Calendar(Event("a", "DTSTART:20250306T100000\r\nSTATUS:CANCELLED\r\n") +
                  Event("b", "DTSTART:20250307T100000\r\nSTATUS:CONFIRMED\r\n")),
         "Added 1 event, skipped 0 already in the diary, refused 0, passed over 1 cancelled."},
    };
    for (const TCase& c : cases) {
        DeleteEvents();
        EXPECT_EQ(TICalImport(*Db_, Anna_).Import(c.Text, QDate(2025, 3, 1), QDate(2025, 3, 31)).Summary(), c.Summary);
    }
}

// A cancelled occurrence, wherever it stands in the file, takes its day
// out of the series; the others stay.
TEST_F(ICalEdgesTest, ACancelledOccurrenceBecomesAnExceptionOfItsSeries)
{
    const std::string series = Event("weekly", "DTSTART:20250303T093000\r\nRRULE:FREQ=WEEKLY;COUNT=4\r\n");
    const std::string cancelled =
        Event("weekly", "RECURRENCE-ID:20250310T093000\r\nDTSTART:20250310T093000\r\nSTATUS:CANCELLED\r\n");
    for (const std::string& text : {Calendar(series + cancelled), Calendar(cancelled + series)}) {
        TSeriesStore store(*Db_, TStamp().Seconds());
        for (const std::string& id : store.Ids())
            store.DeleteAll(id);
        const auto outcome = TICalImport(*Db_, Anna_).Import(text, QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_EQ(outcome.Cancelled, 1u) << outcome.Summary();
        std::vector<int> days;
        for (const TOccurrence& occurrence : store.Occurrences(store.ByUid().at("weekly")))
            days.push_back(QDateTime::fromSecsSinceEpoch(occurrence.Original, Qt::UTC).date().day());
        EXPECT_EQ(days, (std::vector<int>{3, 17, 24}));
        EXPECT_EQ(store.DeletedStarts(store.ByUid().at("weekly")).size(), 1u);
    }
}

}  // namespace
