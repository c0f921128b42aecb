#include "ical/ICalComponent.h"
#include "ical/ICalExport.h"
#include "ical/ICalImport.h"
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

    void AddUsers()
    {
        Records_.emplace(*Db_);
        Anna_ = Records_->User("ANNA", "Anna Berg", "ANNA");
        Bert_ = Records_->User("BERT", "Bert Olsen", "BERT");
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

    Records_.reset();
    Db_.reset();
    for (const char* name : {"OBUsers.Ism", "OBAlarms.Ism", "OBCat.Ism", "OBDayEnt.Ism"})
        std::filesystem::remove(DataFile(name));
    Db_ = Connect();
    AddUsers();
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
    EXPECT_NE(text.find("ATTENDEE;CN=Anna Berg:urn:x-orbeko:user:ANNA"), std::string::npos) << text;
}

// Files written by hand in the shapes other calendar programs write.
TEST_F(ICalTest, GoldenFilesImportAsExpected)
{
    struct TCase
    {
        const char* File;
        std::vector<std::string> Events;
        std::size_t Refused;
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
         0},
        {"malformed.ics", {"2025-03-05 10:00 A good event / Anna Berg", "2025-03-07 day Another good one / Anna Berg"}, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        std::vector<std::string> ids;
        TDayEntryRec entry;
        for (TKeyWalk walk = TKeyWalk::All(Db_->DayEntryFile, TOrbekoDB::DayEntryIdKey); walk.Next(entry);)
            ids.push_back(walk.Id());
        for (const std::string& id : ids)
            ASSERT_TRUE(Db_->DayEntryFile.Delete(id));
        const auto outcome = TICalImport(*Db_, Anna_).Import(ReadFile(std::string(ORBEKO_ICAL_GOLDEN) + "/" + c.File),
                                                             QDate(2025, 3, 1), QDate(2025, 3, 31));
        EXPECT_EQ(Events(*Db_), c.Events) << outcome.Summary();
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
        if (name.contains("broken") || name.contains("bad_wrapping")) {
            EXPECT_FALSE(outcome.Reports.empty()) << outcome.Summary();
            EXPECT_GT(outcome.Added, 0u) << outcome.Summary();
        }
    }
    EXPECT_GE(files, 14);
}

}  // namespace
