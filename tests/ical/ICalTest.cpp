#include "ical/ICalComponent.h"
#include "ical/ICalExport.h"
#include "ical/ICalImport.h"
#include "storage/DetailFile.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <QDateTime>
#include <QStringList>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace {

// Times in and out depend on the workstation's zone: these tests live in
// Berlin, where a winter day is UTC+1.
// Their databases live in memory where the system has it: every add waits
// for the disk otherwise, and the real calendars make thousands of events.
const bool kBerlin = [] {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    if (std::filesystem::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 1);
    return true;
}();

// The stamp of a time that reads the same in UTC.
std::string UtcStamp(const QDateTime& when)
{
    return IdText(QDateTime(when.date(), when.time(), Qt::UTC).toSecsSinceEpoch());
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ICalTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db_ = Connect();
        AddUsers();
    }

    // Anna and Bert have e-mail addresses, Cleo has none.
    void AddUsers()
    {
        Records_.emplace(*Db_);
        Anna_ = Records_->User("ANNA", "Anna Berg", "ANNA");
        Bert_ = Records_->User("BERT", "Bert Olsen", "BERT");
        Cleo_ = Records_->User("CLEO", "Cleo Park", "CLEO");
        Db_->Details.SetUserEmail(Anna_, "anna@example.com");
        Db_->Details.SetUserEmail(Bert_, "Bert.Olsen@example.com");
    }

    // The same users in an empty database.
    void StartAfresh()
    {
        Records_.reset();
        Db_.reset();
        for (const char* name : {"OBUsers.Ism", "OBAlarms.Ism", "OBCat.Ism", "OBDayEnt.Ism", TDetailFile::FileName})
            std::filesystem::remove(DataFile(name));
        Db_ = Connect();
        AddUsers();
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

    // Gives a stored event its details, as the event editor would.
    void SetDetails(const std::string& id, const TEventDetails& details)
    {
        TDayEntryRec entry;
        ASSERT_TRUE(FindRecord(Db_->DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, id));
        Db_->Details.WriteEvent(id, entry, details, nullptr);
    }

    // Every event's details beside its description, in time order: the
    // end as the wall clock reads it, the place, the notes with "|" for
    // their line breaks.
    static std::vector<std::string> Details(TOrbekoDB& db)
    {
        std::vector<std::string> lines;
        TDayEntryRec entry;
        TKeyWalk walk = TKeyWalk::All(db.DayEntryFile, TOrbekoDB::DayEntryStampKey);
        while (walk.Next(entry)) {
            const TEventDetails details = db.Details.Event(walk.Id(), entry);
            std::string line = FieldString(entry.Description).toStdString();
            if (!details.EndStamp.empty())
                line += " until " + QDateTime::fromSecsSinceEpoch(IdValue(details.EndStamp), Qt::UTC)
                                        .toString("yyyy-MM-dd hh:mm")
                                        .toStdString();
            if (!details.Place.isEmpty())
                line += " at " + details.Place.toStdString();
            if (!details.Notes.isEmpty())
                line += " notes " + QString(details.Notes).replace('\n', '|').toStdString();
            lines.push_back(line);
        }
        return lines;
    }

    // Every event as a line: when, what, category, privacy and assignees by
    // full name, in time order.
    static std::vector<std::string> Events(TOrbekoDB& db)
    {
        std::vector<std::string> lines;
        TDayEntryRec entry;
        TKeyWalk walk = TKeyWalk::All(db.DayEntryFile, TOrbekoDB::DayEntryStampKey);
        while (walk.Next(entry)) {
            const QDateTime when = QDateTime::fromSecsSinceEpoch(IdValue(FieldText(entry.EntryStamp)), Qt::UTC);
            std::string line = when.toString((entry.Flags & efUntimed) ? "yyyy-MM-dd 'day'" : "yyyy-MM-dd hh:mm")
                                   .toStdString() +
                               " " + FieldString(entry.Description).toStdString();
            TCategoryRec category;
            if (FieldText(entry.CategoryId) != kNoneId &&
                FindRecord(db.CategoryFile, category, TOrbekoDB::CategoryIdKey, FieldText(entry.CategoryId)))
                line += " [" + FieldString(category.Description).toStdString() + "]";
            if (entry.Flags & efPrivate)
                line += " private";
            for (const auto& slot : entry.AssigneeIds) {
                TUserRec user;
                if (FieldText(slot) != kNoneId && FindRecord(db.UserFile, user, TOrbekoDB::UserIdKey, FieldText(slot)))
                    line += " / " + FieldString(user.FullName).toStdString();
            }
            lines.push_back(line);
        }
        return lines;
    }

    std::unique_ptr<TOrbekoDB> Db_;
    std::optional<TDiaryRecords> Records_;
    std::string Anna_;
    std::string Bert_;
    std::string Cleo_;
};

TEST_F(ICalTest, ExportThenImportIntoAnEmptyDatabaseGivesTheSameEvents)
{
    const std::string meeting = Records_->Category("Meeting");
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(9, 30))), Anna_, {Anna_, Bert_}, "Réunion d'équipe", 0,
                    meeting);
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(0, 0))), Anna_, {Anna_}, "Whole day, untimed",
                    efUntimed);
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 7, 1), QTime(18, 0))), Anna_, {Anna_}, "Doctor; private", efPrivate);
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 12, 31), QTime(23, 59))), Anna_, {Bert_, Anna_}, "Last minute", 0,
                    Records_->Category("Zürich"));
    const std::vector<std::string> before = Events(*Db_);

    TICalExport exporter(*Db_);
    const std::string text = exporter.Export({QDate(2025, 1, 1), QDate(2025, 12, 31), {}, {}});
    EXPECT_EQ(exporter.Count(), 4u);
    TICalComponent parsed(icalparser_parse_string(text.c_str()));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(icalcomponent_count_errors(parsed.get()), 0) << text;
    EXPECT_NE(text.find("CLASS:PRIVATE"), std::string::npos);
    EXPECT_NE(text.find("DTSTART;TZID=Europe/Berlin:20250306T093000"), std::string::npos) << text;
    EXPECT_NE(text.find("DTSTART;VALUE=DATE:20250306"), std::string::npos);
    const auto uids = [](const std::string& calendar) {
        std::vector<std::string> found;
        std::istringstream lines(calendar);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("UID:", 0) == 0)
                found.push_back(line);
        return found;
    };
    EXPECT_EQ(uids(text), uids(TICalExport(*Db_).Export({QDate(2025, 1, 1), QDate(2025, 12, 31), {}, {}})))
        << "a second export gives the same UIDs";
    EXPECT_EQ(uids(text).size(), 4u);

    StartAfresh();
    const auto outcome = TICalImport(*Db_, Anna_).Import(text, QDate(2025, 1, 1), QDate(2025, 12, 31));
    EXPECT_EQ(outcome.Added, 4u) << outcome.Summary();
    EXPECT_EQ(outcome.Refused, 0u);
    EXPECT_EQ(Events(*Db_), before);

    const auto again = TICalImport(*Db_, Anna_).Import(text, QDate(2025, 1, 1), QDate(2025, 12, 31));
    EXPECT_EQ(again.Added, 0u);
    EXPECT_EQ(again.Skipped, 4u) << "the same start and description is already there";
}

TEST_F(ICalTest, ExportTakesTheRangeTheVisibleEventsAndTheUsersAlarms)
{
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 5), QTime(23, 59, 59))), Anna_, {Anna_}, "Before");
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(10, 0))), Anna_, {Anna_}, "Inside");
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(11, 0))), Anna_, {Bert_}, "Bert's own");
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 7), QTime(0, 0))), Anna_, {Anna_}, "After");
    Records_->Alarm("0000000002", Anna_, UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(9, 45))));

    TICalExport exporter(*Db_);
    const std::string text = exporter.Export({QDate(2025, 3, 6), QDate(2025, 3, 6), [&](const TDayEntryRec& entry) {
                                                  return FieldText(entry.AssigneeIds[0]) == Anna_;
                                              },
                                              Anna_});
    EXPECT_EQ(exporter.Count(), 1u);
    EXPECT_NE(text.find("SUMMARY:Inside"), std::string::npos);
    EXPECT_NE(text.find("BEGIN:VALARM"), std::string::npos);
    EXPECT_NE(text.find("TRIGGER;VALUE=DATE-TIME:20250306T084500Z"), std::string::npos) << text;
    EXPECT_NE(text.find("ATTENDEE;CN=Anna Berg:mailto:anna@example.com"), std::string::npos) << text;
}

// Files written by hand in the shapes other calendar programs write.
TEST_F(ICalTest, GoldenFilesImportAsExpected)
{
    struct TCase
    {
        const char* File;
        std::vector<std::string> Events;
        std::size_t Refused;
        // Events from this day on are not compared: a series is made on to its horizon.
        const char* Until = "9999";
    };
    const std::vector<TCase> cases = {
        {"allday.ics",
         {"2025-04-14 day Company holiday [Holiday] / Anna Berg", "2025-04-15 day Stock-taking private / Anna Berg"},
         0},
        {"timezones.ics",
         {"2025-03-10 13:00 Noon in Greenwich / Anna Berg",
          "2025-03-10 14:00 Call with New York / Anna Berg / Bert Olsen", "2025-03-11 01:00 Tokyo morning / Anna Berg",
          "2025-03-11 14:30 Floating time / Anna Berg"},
         0},
        {"weekly.ics",
         {"2025-03-03 09:30 Weekly stand-up [Meeting] / Anna Berg", "2025-03-10 09:30 Weekly stand-up [Meeting] / Anna Berg",
          "2025-03-24 09:30 Weekly stand-up [Meeting] / Anna Berg", "2025-03-31 09:30 Weekly stand-up [Meeting] / Anna Berg"},
         0, "2025-04"},
        {"malformed.ics", {"2025-03-05 10:00 A good event / Anna Berg", "2025-03-07 day Another good one / Anna Berg"}, 3},
        {"details.ics",
         {"2025-03-06 09:30 Planning, quarter two [Meeting] / Anna Berg / Bert Olsen",
          "2025-03-10 day Trade fair private / Anna Berg", "2025-03-14 16:00 Call / Anna Berg / Bert Olsen"},
         0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        DeleteEvents();
        const auto outcome = TICalImport(*Db_, Anna_).Import(ReadFile(std::string(ORBEKO_ICAL_GOLDEN) + "/" + c.File),
                                                             QDate(2025, 3, 1), QDate(2025, 3, 31));
        std::vector<std::string> compared;
        for (const std::string& event : Events(*Db_))
            if (event < c.Until)
                compared.push_back(event);
        EXPECT_EQ(compared, c.Events) << outcome.Summary();
        EXPECT_EQ(outcome.Refused, c.Refused) << outcome.Summary();
        EXPECT_EQ(outcome.Reports.size(), c.Refused) << outcome.Summary();
    }
}

TEST_F(ICalTest, MalformedEventsAreReportedWithTheirReason)
{
    const auto outcome = TICalImport(*Db_, Anna_).Import(ReadFile(std::string(ORBEKO_ICAL_GOLDEN) + "/malformed.ics"),
                                                         QDate(2025, 3, 1), QDate(2025, 3, 31));
    const std::string summary = outcome.Summary();
    EXPECT_EQ(summary.substr(0, summary.find('\r')), "Added 2 events, skipped 0 already in the diary, refused 3.");
    EXPECT_NE(summary.find("event no-start@example.com: refused: it has no start date that can be read"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("event too-early@example.com: refused: its date lies outside 1970..2037"), std::string::npos);
    EXPECT_NE(summary.find("event unknown-zone@example.com: refused: unknown time zone \"Atlantis/Capital\""),
              std::string::npos);
    const auto nothing = TICalImport(*Db_, Anna_).Import("this is not a calendar", QDate(2025, 3, 1), QDate(2025, 3, 31));
    EXPECT_EQ(nothing.Added + nothing.Refused, 0u);
    EXPECT_FALSE(nothing.Reports.empty());
}

// The events of one import share commits, and each sees those before it:
// an event a file holds twice is added once, and a second connection reads
// what the import stored.
TEST_F(ICalTest, AnEventTwiceInOneFileIsAddedOnceAndStored)
{
    const std::string event = "BEGIN:VEVENT\r\nDTSTART:20250306T100000\r\nSUMMARY:Review\r\nEND:VEVENT\r\n";
    const auto outcome = TICalImport(*Db_, Anna_).Import(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + event + event + "END:VCALENDAR\r\n", QDate(2025, 3, 1),
        QDate(2025, 3, 31));
    EXPECT_EQ(outcome.Added, 1u) << outcome.Summary();
    EXPECT_EQ(outcome.Skipped, 1u);
    EXPECT_EQ(Events(*Connect()), (std::vector<std::string>{"2025-03-06 10:00 Review / Anna Berg"}));
}

// The lines of one event of an exported calendar, found by its summary.
std::string EventText(const std::string& calendar, const std::string& summary)
{
    TICalComponent parsed(icalparser_parse_string(calendar.c_str()));
    if (!parsed)
        return {};
    for (icalcomponent* event = icalcomponent_get_first_component(parsed.get(), ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(parsed.get(), ICAL_VEVENT_COMPONENT))
        if (const char* text = icalcomponent_get_summary(event); text && summary == text)
            return TakeICalText(icalcomponent_as_ical_string_r(event));
    return {};
}

// An event's end, place and notes go out as DTEND, LOCATION and
// DESCRIPTION, and come back the same into an empty database; imported
// again there, every event is found and keeps its details.
TEST_F(ICalTest, DetailsGoOutAndComeBackWithTheirEvents)
{
    struct TCase
    {
        const char* Summary;
        QDateTime Start;
        int32_t Flags;
        TEventDetails Details;
        std::vector<std::string> Present;  // lines of its VEVENT
        std::vector<std::string> Absent;   // properties it has not
    };
    const auto at = [](int day, int hour, int minute) {
        return UtcStamp(QDateTime(QDate(2025, 3, day), QTime(hour, minute)));
    };
    const std::vector<TCase> cases = {
        {"Timed end", QDateTime(QDate(2025, 3, 6), QTime(9, 30)), 0, {at(6, 11, 15), {}, {}},
         {"DTSTART;TZID=Europe/Berlin:20250306T093000", "DTEND;TZID=Europe/Berlin:20250306T111500"},
         {"LOCATION", "DESCRIPTION"}},
        {"Over midnight", QDateTime(QDate(2025, 3, 7), QTime(22, 0)), 0, {at(8, 1, 30), {}, {}},
         {"DTEND;TZID=Europe/Berlin:20250308T013000"}, {}},
        {"Three days", QDateTime(QDate(2025, 3, 10), QTime(0, 0)), efUntimed, {at(13, 0, 0), {}, {}},
         {"DTSTART;VALUE=DATE:20250310", "DTEND;VALUE=DATE:20250313"}, {}},
        {"No end", QDateTime(QDate(2025, 3, 11), QTime(8, 0)), 0, {},
         {"DTSTART;TZID=Europe/Berlin:20250311T080000"}, {"DTEND", "LOCATION", "DESCRIPTION"}},
        {"One day", QDateTime(QDate(2025, 3, 12), QTime(0, 0)), efUntimed, {},
         {"DTSTART;VALUE=DATE:20250312", "DTEND;VALUE=DATE:20250313"}, {}},
        {"Placed", QDateTime(QDate(2025, 3, 14), QTime(14, 0)), 0, {{}, "Salle Zürich, 2e étage", {}},
         {"LOCATION:Salle Zürich\\, 2e étage"}, {"DTEND"}},
        {"Noted", QDateTime(QDate(2025, 3, 17), QTime(0, 0)), efUntimed,
         {{}, {}, "Ordre du jour :\nbudget; café\n\nÀ bientôt"},
         {"DESCRIPTION:Ordre du jour :\\nbudget\\; café\\n\\nÀ bientôt", "DTEND;VALUE=DATE:20250318"}, {}},
        {"Everything", QDateTime(QDate(2025, 3, 20), QTime(18, 0)), efPrivate,
         {at(20, 21, 0), "Café de Flore", "Zeile eins\nZeile zwei – Ende"},
         {"DTEND;TZID=Europe/Berlin:20250320T210000", "LOCATION:Café de Flore",
          "DESCRIPTION:Zeile eins\\nZeile zwei – Ende"},
         {}},
    };
    for (const TCase& c : cases) {
        const std::string id = Records_->Event(UtcStamp(c.Start), Anna_, {Anna_, Bert_}, c.Summary, c.Flags);
        if (!c.Details.Empty())
            SetDetails(id, c.Details);
    }
    const std::vector<std::string> events = Events(*Db_);
    const std::vector<std::string> details = Details(*Db_);

    const std::string text = TICalExport(*Db_).Export({QDate(2025, 3, 1), QDate(2025, 3, 31), {}, {}});
    TICalComponent parsed(icalparser_parse_string(text.c_str()));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(icalcomponent_count_errors(parsed.get()), 0) << text;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Summary);
        const std::string event = EventText(text, c.Summary);
        for (const std::string& line : c.Present)
            EXPECT_NE(event.find("\r\n" + line + "\r\n"), std::string::npos) << line << "\n" << event;
        for (const std::string& name : c.Absent)
            EXPECT_EQ(event.find("\r\n" + name), std::string::npos) << name << "\n" << event;
    }

    StartAfresh();
    const auto outcome = TICalImport(*Db_, Anna_).Import(text, QDate(2025, 3, 1), QDate(2025, 3, 31));
    EXPECT_EQ(outcome.Added, cases.size()) << outcome.Summary();
    EXPECT_TRUE(outcome.Reports.empty()) << outcome.Summary();
    EXPECT_EQ(Events(*Db_), events);
    EXPECT_EQ(Details(*Db_), details);

    const std::string ours = TICalExport(*Db_).Export({QDate(2025, 3, 1), QDate(2025, 3, 31), {}, {}});
    const auto again = TICalImport(*Db_, Anna_).Import(ours, QDate(2025, 3, 1), QDate(2025, 3, 31));
    EXPECT_EQ(again.Added, 0u) << again.Summary();
    EXPECT_EQ(again.Skipped, cases.size());
    EXPECT_EQ(Events(*Db_), events);
    EXPECT_EQ(Details(*Db_), details);
}

// The ends other programs write (DTEND in any zone, DURATION, all-day
// dates), places and notes, each VEVENT imported alone.
TEST_F(ICalTest, ImportTakesEndsPlacesAndNotes)
{
    const std::string longNotes = std::string(TDetailFile::kMaxNotesBytes - 1, 'n') + "é" + "left out";
    const std::string longPlace = std::string(sizeof(TDetailRec::Text) - 2, 'p') + "ü";
    struct TCase
    {
        std::string Lines;  // of the VEVENT, its SUMMARY being "Event"
        std::vector<std::string> Events;
        std::vector<std::string> Details;
    };
    const std::vector<TCase> cases = {
        {"DTSTART;TZID=Europe/Berlin:20250306T100000\r\nDTEND;TZID=Europe/Berlin:20250306T113000\r\n",
         {"2025-03-06 10:00 Event / Anna Berg"}, {"Event until 2025-03-06 11:30"}},
        {"DTSTART;TZID=America/New_York:20250306T090000\r\nDTEND:20250306T160000Z\r\n",
         {"2025-03-06 15:00 Event / Anna Berg"}, {"Event until 2025-03-06 17:00"}},
        {"DTSTART;TZID=Europe/Berlin:20250306T100000\r\nDURATION:PT1H30M\r\n",
         {"2025-03-06 10:00 Event / Anna Berg"}, {"Event until 2025-03-06 11:30"}},
        {"DTSTART:20250306T230000\r\nDURATION:P1DT2H\r\n", {"2025-03-06 23:00 Event / Anna Berg"},
         {"Event until 2025-03-08 01:00"}},
        {"DTSTART;VALUE=DATE:20250310\r\nDTEND;VALUE=DATE:20250313\r\n", {"2025-03-10 day Event / Anna Berg"},
         {"Event until 2025-03-13 00:00"}},
        {"DTSTART;VALUE=DATE:20250310\r\nDURATION:P3D\r\n", {"2025-03-10 day Event / Anna Berg"},
         {"Event until 2025-03-13 00:00"}},
        {"DTSTART;VALUE=DATE:20250310\r\nDTEND;VALUE=DATE:20250311\r\n", {"2025-03-10 day Event / Anna Berg"},
         {"Event"}},
        {"DTSTART;VALUE=DATE:20250310\r\nDTEND;VALUE=DATE:20250310\r\n", {"2025-03-10 day Event / Anna Berg"},
         {"Event"}},
        {"DTSTART:20250303T093000\r\nDURATION:PT45M\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\n",
         {"2025-03-03 09:30 Event / Anna Berg", "2025-03-10 09:30 Event / Anna Berg"},
         {"Event until 2025-03-03 10:15", "Event until 2025-03-10 10:15"}},
        {"DTSTART:20250306T100000\r\nLOCATION:Raum 3\\nHaus B\\, Süd\r\n"
         "DESCRIPTION:Erste Zeile\\nZweite: Größe\\, Maß\\; Ende\r\n",
         {"2025-03-06 10:00 Event / Anna Berg"}, {"Event at Raum 3 Haus B, Süd notes Erste Zeile|Zweite: Größe, Maß; Ende"}},
        {"DTSTART:20250306T100000\r\nDESCRIPTION:eins\r\n  zwei\\r\\ndrei\r\n", {"2025-03-06 10:00 Event / Anna Berg"},
         {"Event notes eins zwei|drei"}},
        // Cut where the field ends, before a character that does not fit.
        {"DTSTART:20250306T100000\r\nLOCATION:" + longPlace + "\r\nDESCRIPTION:" + longNotes + "\r\n",
         {"2025-03-06 10:00 Event / Anna Berg"},
         {"Event at " + longPlace.substr(0, longPlace.size() - 2) + " notes " +
          longNotes.substr(0, TDetailFile::kMaxNotesBytes - 1)}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Lines.substr(0, 200));
        DeleteEvents();
        const auto outcome = TICalImport(*Db_, Anna_).Import(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a@test\r\nSUMMARY:Event\r\n" + c.Lines +
                "END:VEVENT\r\nEND:VCALENDAR\r\n",
            QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_TRUE(outcome.Reports.empty()) << outcome.Summary();
        EXPECT_EQ(Events(*Db_), c.Events);
        EXPECT_EQ(Details(*Db_), c.Details);
    }
}

// The first details an import writes make the details file; those after
// share its commits, and another connection reads them all.
TEST_F(ICalTest, AnImportMakesTheDetailsFileAndStoresItsDetails)
{
    Records_.reset();
    Db_.reset();
    std::filesystem::remove(DataFile(TDetailFile::FileName));
    Db_ = Connect();
    ASSERT_FALSE(Db_->Details.Exists());
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    for (const char* day : {"06", "07", "08"})
        text += std::string("BEGIN:VEVENT\r\nUID:") + day + "@test\r\nSUMMARY:Day " + day + "\r\nDTSTART:202503" + day +
                "T100000\r\nDURATION:PT1H\r\nLOCATION:Room " + day + "\r\nEND:VEVENT\r\n";
    text += "END:VCALENDAR\r\n";
    const auto outcome = TICalImport(*Db_, Anna_).Import(text, QDate(2025, 3, 1), QDate(2025, 3, 31));
    EXPECT_EQ(outcome.Added, 3u) << outcome.Summary();
    EXPECT_EQ(Details(*Connect()), (std::vector<std::string>{"Day 06 until 2025-03-06 11:00 at Room 06",
                                                             "Day 07 until 2025-03-07 11:00 at Room 07",
                                                             "Day 08 until 2025-03-08 11:00 at Room 08"}));
}

// An event that ends before it starts is refused as every bad event is,
// the others of the file imported.
TEST_F(ICalTest, AnEndBeforeTheStartIsRefused)
{
    struct TCase
    {
        const char* Lines;
        const char* Report;
    };
    const TCase cases[] = {
        {"DTSTART:20250306T100000\r\nDTEND:20250306T095959\r\n", "event a@test: refused: it ends before it starts"},
        {"DTSTART;TZID=Europe/Berlin:20250306T100000\r\nDTEND:20250306T085000Z\r\n",
         "event a@test: refused: it ends before it starts"},
        {"DTSTART;VALUE=DATE:20250310\r\nDTEND;VALUE=DATE:20250309\r\n",
         "event a@test: refused: it ends before it starts"},
        {"DTSTART:20250306T100000\r\nDURATION:-PT1M\r\n", "event a@test: refused: it ends before it starts"},
        {"DTSTART:19990306T100000\r\nDTEND:20370306T100000\r\n", "event a@test: refused: it lasts too long"},
        {"DTSTART;VALUE=DATE:20371230\r\nDURATION:P3D\r\n", "event a@test: refused: its date lies outside 1970..2037"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Lines);
        DeleteEvents();
        const auto outcome = TICalImport(*Db_, Anna_).Import(
            std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a@test\r\nSUMMARY:Bad\r\n") + c.Lines +
                "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:b@test\r\nSUMMARY:Good\r\nDTSTART:20250306T100000\r\n"
                "DTEND:20250306T110000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
            QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_EQ(outcome.Refused, 1u) << outcome.Summary();
        EXPECT_EQ(outcome.Reports, std::vector<std::string>{c.Report}) << outcome.Summary();
        EXPECT_EQ(Details(*Db_), std::vector<std::string>{"Good until 2025-03-06 11:00"});
    }
}

// The owner and assignees with an address go out as ORGANIZER and ATTENDEE;
// one without has neither, and the file stays valid.
TEST_F(ICalTest, OnlyUsersWithAnAddressGoOutAsPeople)
{
    struct TCase
    {
        const char* Summary;
        std::string Owner;
        std::vector<std::string> Assignees;
        std::vector<std::string> People;  // the event's ORGANIZER and ATTENDEE lines
    };
    const std::vector<TCase> cases = {
        {"Anna's", Anna_, {Anna_, Bert_, Cleo_},
         {"ORGANIZER;CN=Anna Berg:mailto:anna@example.com", "ATTENDEE;CN=Anna Berg:mailto:anna@example.com",
          "ATTENDEE;CN=Bert Olsen:mailto:Bert.Olsen@example.com"}},
        {"Cleo's", Cleo_, {Cleo_, Bert_}, {"ATTENDEE;CN=Bert Olsen:mailto:Bert.Olsen@example.com"}},
        {"Cleo's alone", Cleo_, {Cleo_}, {}},
    };
    for (const TCase& c : cases)
        Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(10, 0))), c.Owner, c.Assignees, c.Summary);
    const std::string text = TICalExport(*Db_).Export({QDate(2025, 3, 1), QDate(2025, 3, 31), {}, {}});
    TICalComponent parsed(icalparser_parse_string(text.c_str()));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(icalcomponent_count_errors(parsed.get()), 0) << text;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Summary);
        std::vector<std::string> people;
        std::istringstream lines(EventText(text, c.Summary));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("ORGANIZER", 0) == 0 || line.rfind("ATTENDEE", 0) == 0)
                people.push_back(line.substr(0, line.find('\r')));
        EXPECT_EQ(people, c.People);
    }
}

// Attendees are users by their address, whatever its case and the name
// beside it, else by their full name; no one else is assigned or made.
TEST_F(ICalTest, AttendeesAreFoundByAddressOrName)
{
    struct TCase
    {
        const char* Attendee;
        const char* Events;
    };
    const TCase cases[] = {
        {"ATTENDEE;CN=Someone Else:MAILTO:bert.olsen@EXAMPLE.com", "2025-03-06 10:00 Meet / Anna Berg / Bert Olsen"},
        {"ATTENDEE:mailto:Bert.Olsen@example.com", "2025-03-06 10:00 Meet / Anna Berg / Bert Olsen"},
        {"ATTENDEE;CN=cleo park:mailto:cleo@elsewhere.org", "2025-03-06 10:00 Meet / Anna Berg / Cleo Park"},
        {"ATTENDEE;CN=Dora Nobody:mailto:dora@example.com", "2025-03-06 10:00 Meet / Anna Berg"},
        {"ATTENDEE;CN=Bert Olsen:urn:x-orbeko:user:BERT", "2025-03-06 10:00 Meet / Anna Berg / Bert Olsen"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Attendee);
        DeleteEvents();
        const auto outcome = TICalImport(*Db_, Anna_).Import(
            std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a@test\r\nSUMMARY:Meet\r\n"
                        "DTSTART:20250306T100000\r\n") +
                c.Attendee + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
            QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_TRUE(outcome.Reports.empty()) << outcome.Summary();
        EXPECT_EQ(Events(*Db_), std::vector<std::string>{c.Events});
        EXPECT_EQ(Db_->UserFile.RecordCount(), 3);
    }
}

// The VEVENTs of an export as golden/details.ics holds them: written by
// hand once, so that a change of the export shows as a change of the file.
// DTSTAMP, the moment of export, is left out of both.
TEST_F(ICalTest, ExportGivesTheGoldenFile)
{
    ASSERT_TRUE(Db_->UserFile.WriteNote("orbeko-db:golden-database"));
    const std::string meeting = Records_->Category("Meeting");
    const std::string id =
        Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(9, 30))), Anna_, {Anna_, Bert_, Cleo_},
                        "Planning, quarter two", 0, meeting);
    SetDetails(id, {UtcStamp(QDateTime(QDate(2025, 3, 6), QTime(11, 0))), "Room 4.12, Zürich",
                    "Agenda:\n1. Budget – final\n2. Café for the visitors"});
    SetDetails(Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 10), QTime(0, 0))), Cleo_, {Cleo_},
                               "Trade fair", efUntimed | efPrivate),
               {UtcStamp(QDateTime(QDate(2025, 3, 13), QTime(0, 0))), "Messe Frankfurt", {}});
    Records_->Event(UtcStamp(QDateTime(QDate(2025, 3, 14), QTime(16, 0))), Bert_, {Bert_}, "Call");

    const auto events = [](const std::string& calendar) {
        std::vector<std::string> texts;
        TICalComponent parsed(icalparser_parse_string(calendar.c_str()));
        if (!parsed)
            return texts;
        for (icalcomponent* event = icalcomponent_get_first_component(parsed.get(), ICAL_VEVENT_COMPONENT); event;
             event = icalcomponent_get_next_component(parsed.get(), ICAL_VEVENT_COMPONENT)) {
            while (icalproperty* stamp = icalcomponent_get_first_property(event, ICAL_DTSTAMP_PROPERTY)) {
                icalcomponent_remove_property(event, stamp);
                icalproperty_free(stamp);
            }
            texts.push_back(TakeICalText(icalcomponent_as_ical_string_r(event)));
        }
        return texts;
    };
    const std::vector<std::string> golden = events(ReadFile(std::string(ORBEKO_ICAL_GOLDEN) + "/details.ics"));
    ASSERT_EQ(golden.size(), 3u);
    EXPECT_EQ(events(TICalExport(*Db_).Export({QDate(2025, 3, 1), QDate(2025, 3, 31), {}, {}})), golden);
}

// Real files other programs wrote: every VEVENT is imported or reported,
// and the two malformed ones are reported while their events still import.
TEST_F(ICalTest, FilesOfOtherCalendarProgramsImport)
{
    const QString folder = QString::fromUtf8(ORBEKO_ICAL_SAMPLES);
    QFile manifest(folder + "/MANIFEST.tsv");
    if (!manifest.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no samples beside the project";
    const QStringList heading = QString::fromUtf8(manifest.readLine()).trimmed().split('\t');
    const int file = heading.indexOf("file");
    const int vevents = heading.indexOf("vevents");
    ASSERT_GE(file, 0);
    ASSERT_GE(vevents, 0);
    int files = 0;
    std::size_t refused = 0;
    while (!manifest.atEnd()) {
        const QStringList columns = QString::fromUtf8(manifest.readLine()).split('\t');
        if (columns.size() <= std::max(file, vevents))
            continue;
        const QString name = columns[file];
        SCOPED_TRACE(name.toStdString());
        ++files;
        const auto outcome = TICalImport(*Db_, Anna_).Import(ReadFile((folder + "/" + name).toStdString()),
                                                             QDate(1990, 1, 1), QDate(2030, 12, 31));
        EXPECT_EQ(outcome.Read, columns[vevents].toULong()) << outcome.Summary();
        EXPECT_GE(outcome.Added + outcome.Skipped, outcome.Read - outcome.Refused) << outcome.Summary();
        refused += outcome.Refused;
        for (const std::string& report : outcome.Reports)
            EXPECT_EQ(report.find("ends before it starts"), std::string::npos) << report;
        if (name.contains("broken") || name.contains("bad_wrapping")) {
            EXPECT_FALSE(outcome.Reports.empty()) << outcome.Summary();
            EXPECT_GT(outcome.Added, 0u) << outcome.Summary();
        }
    }
    EXPECT_GE(files, 14);

    // What the events kept of their details: the files have timed ends,
    // all-day events over several days, places and notes.
    std::size_t events = 0, ends = 0, days = 0, places = 0, notes = 0;
    TDayEntryRec entry;
    for (TKeyWalk walk = TKeyWalk::All(Db_->DayEntryFile, TOrbekoDB::DayEntryIdKey); walk.Next(entry);) {
        const TEventDetails details = Db_->Details.Event(walk.Id(), entry);
        ++events;
        ends += !details.EndStamp.empty();
        days += !details.EndStamp.empty() && (entry.Flags & efUntimed);
        places += !details.Place.isEmpty();
        notes += !details.Notes.isEmpty();
    }
    std::cout << "samples: " << events << " events, " << ends << " with an end (" << days << " over several days), "
              << places << " with a place, " << notes << " with notes; " << refused << " VEVENTs refused\n";
    EXPECT_GT(ends, days);
    EXPECT_GT(days, 0u);
    EXPECT_GT(places, 0u);
    EXPECT_GT(notes, 0u);
}

}  // namespace
