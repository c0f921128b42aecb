#include "ical/ICalExport.h"
#include "ical/ICalImport.h"
#include "series/SeriesStore.h"
#include "storage/DetailFile.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <ctime>

namespace {

int64_t At(int month, int day, int hour = 9)
{
    return QDateTime(QDate(2027, month, day), QTime(hour, 0), QTimeZone::utc()).toSecsSinceEpoch();
}

std::size_t CountOf(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

struct TSeriesCase
{
    const char* Why;
    const char* RRule;
    std::vector<const char*> Lines;  // in the text, each once
};

// Mondays at nine from 4 January 2027 in Berlin, 11 January deleted and 18
// January renamed on their own: one VEVENT with the rule and the deleted
// day, one for the renamed occurrence, none for the rest.
const TSeriesCase kCases[] = {
    {"without end", "FREQ=WEEKLY;BYDAY=MO",
     {"DTSTART;TZID=Europe/Berlin:20270104T090000", "RRULE:FREQ=WEEKLY;BYDAY=MO",
      "EXDATE;TZID=Europe/Berlin:20270111T090000", "RECURRENCE-ID;TZID=Europe/Berlin:20270118T090000",
      "SUMMARY:Moved agenda", "DTEND;TZID=Europe/Berlin:20270104T100000", "TRIGGER:-PT15M"}},
    // The end of the wall-clock rule goes out in UTC, as RFC 5545 wants
    // beside a DTSTART with a zone: the end of 30 June is two hours earlier there.
    {"until a day in summer", "FREQ=WEEKLY;UNTIL=20270630T235959;BYDAY=MO",
     {"RRULE:FREQ=WEEKLY;UNTIL=20270630T215959Z;BYDAY=MO", "EXDATE;TZID=Europe/Berlin:20270111T090000"}},
};

class ICalSeriesTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Records.emplace(*Db);
        Me = Records->User("ann", "Ann Smith", "AS", urAddEntries);
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Me;
};

TEST_F(ICalSeriesTest, ASeriesGoesOutAsOneRuleWithItsExceptions)
{
    for (const TSeriesCase& c : kCases) {
        SCOPED_TRACE(c.Why);
        TSeries series;
        series.RRule = c.RRule;
        Db->InitDayEntry(series.Template);
        SetField(series.Template.EntryStamp, IdText(At(1, 4)));
        SetField(series.Template.OwnerId, Me);
        SetField(series.Template.AssigneeIds[0], Me);
        SetField(series.Template.Description, "Staff meeting");
        series.Duration = 3600;
        series.AlarmLead = 900;
        TSeriesStore store(*Db, At(1, 1));
        const std::string id = store.Create(series);
        std::vector<TOccurrence> made = store.Occurrences(id);
        ASSERT_GT(made.size(), 3u);
        ASSERT_TRUE(Db->DayEntryFile.Delete(made[1].EventId));
        Db->Details.RemoveEvent(made[1].EventId);
        TDayEntryRec renamed = made[2].Entry;
        SetField(renamed.Description, "Moved agenda");
        Db->Details.WriteEvent(made[2].EventId, renamed, Db->Details.Event(made[2].EventId, made[2].Entry),
                               &made[2].Entry);
        ASSERT_TRUE(Db->DayEntryFile.Rewrite(renamed, made[2].EventId));
        store.MarkChanged(made[2].EventId, renamed);

        TICalExport::TOptions options;
        options.From = QDate(2027, 1, 1);
        options.To = QDate(2027, 12, 31);
        TICalExport exporter(*Db);
        const std::string text = exporter.Export(options);
        EXPECT_EQ(CountOf(text, "BEGIN:VEVENT"), 2u) << text;
        EXPECT_EQ(exporter.Count(), 2u);
        for (const char* line : c.Lines)
            EXPECT_EQ(CountOf(text, std::string(line) + "\r\n"), 1u) << line << "\n" << text;
        EXPECT_EQ(CountOf(text, "UID:series-" + id + "@"), 2u) << text;
        store.DeleteAll(id);

        // Back in, it is a series again: the deleted day stays out and the
        // changed occurrence takes the place of the one it changes.
        const auto outcome = TICalImport(*Db, Me).Import(text, options.From, options.To);
        EXPECT_EQ(outcome.Refused, 0u) << outcome.Summary();
        const auto byUid = store.ByUid();
        ASSERT_EQ(byUid.size(), 1u);
        const std::string back = byUid.begin()->second;
        EXPECT_EQ(store.Read(back)->RRule, c.RRule);
        std::map<int64_t, std::string> january;
        for (const TOccurrence& occurrence : store.Occurrences(back))
            if (occurrence.Original < At(1, 31))
                january[IdValue(FieldText(occurrence.Entry.EntryStamp))] =
                    FieldText(occurrence.Entry.Description) + (occurrence.Changed ? " (changed)" : "");
        const std::map<int64_t, std::string> expected = {{At(1, 4), "Staff meeting"},
                                                         {At(1, 18), "Moved agenda (changed)"},
                                                         {At(1, 25), "Staff meeting"}};
        EXPECT_EQ(january, expected);
        // Imported again, it is found and left as it is.
        EXPECT_EQ(TICalImport(*Db, Me).Import(text, options.From, options.To).Added, 0u);
        store.DeleteAll(back);
    }
}

}  // namespace
