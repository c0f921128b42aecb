#include "AdminFixture.h"

#include "storage/DatabaseCheck.h"
#include "storage/DetailFile.h"
#include "kfstore/XIsamFile.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <fstream>
#include <functional>
#include <iterator>

namespace {

class CheckTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        PointRegistryAtDatabase();
        Db_ = Connect();
        TDiaryRecords write(*Db_);
        Ann_ = write.User("ANN", "", "ANN");
        Bob_ = write.User("BOB", "", "BOB");
        Category_ = write.Category("Work");
        Event_ = write.Event("", Ann_, {Ann_, Bob_}, "Meeting", 0, Category_);
        write.Alarm(Event_, Bob_);
    }

    std::vector<TProblem> Check()
    {
        std::vector<TProblem> found;
        TDatabaseCheck([&found](const TProblem& problem) { found.push_back(problem); }).CheckLive(DataPath());
        return found;
    }

    std::unique_ptr<TOrbekoDB> Db_;
    std::string Ann_;
    std::string Bob_;
    std::string Category_;
    std::string Event_;
};

TEST_F(CheckTest, HealthyDatabaseIsCleanWhileOpen)
{
    EXPECT_TRUE(Check().empty());
    const TAdminRun run = RunAdmin({"check", DataPath()});
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    EXPECT_NE(run.Out.find("no problems found"), std::string::npos);
}

TEST_F(CheckTest, EachDanglingReferenceIsNamedWithFileAndRecord)
{
    TDiaryRecords write(*Db_);
    const std::string carl = write.User("CARL", "", "CARL");
    struct TCase
    {
        TXIsamFile& File;
        std::function<std::string()> Add;
        std::string Expected;
    };
    const TCase cases[] = {
        {Db_->DayEntryFile, [&] { return write.Event("", "0000000099", {Ann_}, "Meeting"); },
         "its owner 0000000099 is not in"},
        {Db_->DayEntryFile,
         [&] {
             return write.Event("", Ann_, {Ann_, "0000000098"}, "Meeting");
         },
         "its assignee 0000000098"},
        {Db_->DayEntryFile, [&] { return write.Event("", Ann_, {Ann_}, "Meeting", 0, "0000000097"); },
         "its category 0000000097"},
        {Db_->AlarmFile, [&] { return write.Alarm("0000000096", Ann_); }, "its event 0000000096 is not in"},
        {Db_->AlarmFile, [&] { return write.Alarm(Event_, "0000000095"); }, "its user 0000000095 is not in"},
        {Db_->AlarmFile, [&] { return write.Alarm(Event_, carl); }, "is not among the assignees of event " + Event_},
    };
    for (const TCase& broken : cases) {
        const std::string id = broken.Add();
        bool named = false;
        for (const TProblem& problem : Check())
            named = named
                 || (problem.Record == id && problem.Text.find(broken.Expected) != std::string::npos
                     && broken.File.FileName().find(problem.File) != std::string::npos);
        EXPECT_TRUE(named) << broken.Expected;
        EXPECT_EQ(RunAdmin({"check", DataPath()}).Exit, 1);
        ASSERT_TRUE(broken.File.Delete(id));
    }
    EXPECT_TRUE(Check().empty());
}

TEST_F(CheckTest, TheDetailsFileIsCheckedWhereThereIsOne)
{
    struct TCase
    {
        const char* Name;
        std::function<void()> Change;
        int Exit;
        std::string Expected;  // a line of the report
    };
    const std::string details = DataFile(TDetailFile::FileName);
    const TCase cases[] = {
        {"no details file", [] {}, 0, ": no problems found"},
        {"the event's own details",
         [&] {
             TDayEntryRec entry{};
             ASSERT_TRUE(Db_->DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, Event_));
             TEventDetails place;
             place.Place = QStringLiteral("Room 4");
             Db_->Details.WriteEvent(Event_, entry, place, nullptr);
             Db_->Details.SetCategoryColour(Category_, 0x00AA00);
             Db_->Details.SetUserEmail(Bob_, QStringLiteral("bob@example.org"));
         },
         0, ": no problems found"},
        {"details of an event another workstation deleted",
         [&] {
             TDiaryRecords write(*Db_);
             const std::string gone = write.Event("", Ann_, {Ann_}, "Lunch");
             TDayEntryRec entry{};
             ASSERT_TRUE(Db_->DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, gone));
             TEventDetails place;
             place.Place = QStringLiteral("Canteen");
             Db_->Details.WriteEvent(gone, entry, place, nullptr);
             ASSERT_TRUE(Db_->DayEntryFile.Delete(gone));
         },
         1, "OBDetail.Ism 0000000004: its event 0000000002 is not in OBDayEnt.Ism"},
        {"a details file that is no keyed file",
         [&] {
             Db_.reset();
             std::ofstream(details, std::ios::binary | std::ios::trunc) << std::string(4096, 'x');
         },
         1, "OBDetail.Ism: "},
    };
    for (const TCase& c : cases) {
        c.Change();
        const TAdminRun run = RunAdmin({"check", DataPath()});
        EXPECT_EQ(run.Exit, c.Exit) << c.Name << ": " << run.Out << run.Err;
        EXPECT_NE(run.Out.find(c.Expected), std::string::npos) << c.Name << ": " << run.Out;
        EXPECT_EQ(RunAdmin({"check", "--json", DataPath()}).Exit, c.Exit) << c.Name;
    }
}

TEST_F(CheckTest, AFolderHoldingOnlyADetailsFileHoldsNoDatabase)
{
    const TTempDir other;
    TXIsamFile details;
    ASSERT_TRUE(details.CreateFile(other.File(TDetailFile::FileName), 10, TDetailFile::KeyFormat))
        << details.StatusText();
    for (const char* verb : {"check", "stats"}) {
        const TAdminRun run = RunAdmin({verb, other.Path()});
        EXPECT_EQ(run.Exit, 2) << verb << ": " << run.Out;
        EXPECT_NE(run.Err.find("holds no Orbeko database"), std::string::npos) << verb << ": " << run.Err;
    }
}

TEST_F(CheckTest, FlippedByteTheStoreStillReadsIsFound)
{
    TDiaryRecords write(*Db_);
    write.Event("", Ann_, {Ann_}, "Meeting");
    const std::string flipped = write.Event("", Ann_, {Ann_}, "Quarterly figures");
    write.Alarm(write.Event("", Ann_, {Ann_}, "Meeting"), Ann_);
    Db_.reset();
    const std::string path = DataFile(TOrbekoDB::DayEntryFileName);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t at = bytes.find("Quarterly figures");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'K';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

    Db_ = Connect();
    TDayEntryRec entry{};
    ASSERT_TRUE(Db_->DayEntryFile.GetEqual(entry, 0, flipped));

    const TAdminRun run = RunAdmin({"check", "--json", DataPath()});
    EXPECT_EQ(run.Exit, 1);
    const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(run.Out)).object();
    const QJsonArray problems = report["problems"].toArray();
    EXPECT_EQ(report["count"].toInt(), problems.size());
    bool named = false;
    for (const QJsonValue& problem : problems)
        named = named
             || (problem["file"].toString() == TOrbekoDB::DayEntryFileName
                 && problem["record"].toString() == QString::fromStdString(flipped));
    EXPECT_TRUE(named) << run.Out;
}

// Damage the store refuses the file for, though the engine still reads it,
// or that cuts it short: check names the cause, as one problem.
TEST_F(CheckTest, AHeaderTheStoreRefusesOrAFileCutShortIsNamed)
{
    struct TCase
    {
        const char* Name;
        const char* File;
        std::function<void(std::string& bytes)> Damage;
        bool StoreRefuses;
        std::string Expected;
    };
    const TCase cases[] = {
        {"write version raised", TOrbekoDB::DayEntryFileName, [](std::string& bytes) { bytes[18] = 3; }, true,
         "OBDayEnt.Ism: its header's write version is 3, so the engine would only read the file and the store "
         "refuses it (\"Update mode violation\")\n"},
        {"cut within the header", TOrbekoDB::DayEntryFileName, [](std::string& bytes) { bytes.resize(50); }, true,
         "OBDayEnt.Ism: cannot be read: the file was cut short: it has 50 bytes, less than the engine's header\n"},
        {"cut after the first page", TOrbekoDB::AlarmFileName, [](std::string& bytes) { bytes.resize(8000); }, true,
         "OBAlarms.Ism: cannot be read: the file was cut short: it has 8000 bytes, but its header counts "},
        {"cut within the last page", TOrbekoDB::UserFileName,
         [](std::string& bytes) { bytes.resize(bytes.size() - 1024); }, false,
         "OBUsers.Ism: the file was cut short: it has "},
    };
    Db_.reset();
    for (const TCase& c : cases) {
        const std::string path = DataFile(c.File);
        std::string kept;
        {
            std::ifstream in(path, std::ios::binary);
            kept.assign(std::istreambuf_iterator<char>(in), {});
        }
        std::string bytes = kept;
        c.Damage(bytes);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        TXIsamFile store;
        EXPECT_EQ(!store.Open(path, 3), c.StoreRefuses) << c.Name << ": " << store.StatusText();
        store.Close();
        const TAdminRun run = RunAdmin({"check", DataPath()});
        EXPECT_EQ(run.Exit, 1) << c.Name << ": " << run.Out << run.Err;
        EXPECT_NE(run.Out.find(c.Expected), std::string::npos) << c.Name << ": " << run.Out;
        EXPECT_NE(run.Out.find(": 1 problem found\n"), std::string::npos) << c.Name << ": " << run.Out;
        EXPECT_EQ(run.Out.find("not an error"), std::string::npos) << c.Name << ": " << run.Out;
        // The store's refusal, met by a verb that opens the database,
        // comes as lines, not as a message box's carriage returns.
        const TAdminRun exported = RunAdmin({"export-ics", DataPath()});
        EXPECT_EQ(exported.Exit, c.StoreRefuses ? 2 : 0) << c.Name;
        EXPECT_EQ(exported.Err.find('\r'), std::string::npos) << c.Name << ": " << exported.Err;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << kept;
    }
    EXPECT_EQ(RunAdmin({"check", DataPath()}).Exit, 0);
}

TEST_F(CheckTest, CommandLineAnswersEveryVerb)
{
    for (const char* verb : {"check", "backup", "restore", "locktest", "stats", "create"}) {
        const TAdminRun help = RunAdmin({verb, "--help"});
        EXPECT_EQ(help.Exit, 0);
        EXPECT_EQ(help.Out.rfind(std::string("Usage: orbeko-admin ") + verb, 0), 0u) << help.Out;
    }
    EXPECT_EQ(RunAdmin({"--version"}).Out, "orbeko-admin " ORBEKO_VERSION_TEXT "\n");
    EXPECT_EQ(RunAdmin({"check", DataFile("missing")}).Exit, 2);
    EXPECT_EQ(RunAdmin({"frobnicate"}).Exit, 2);

    const TAdminRun stats = RunAdmin({"stats", DataPath()});
    EXPECT_EQ(stats.Exit, 0);
    for (const char* line : {"OBDayEnt.Ism           1 records", "ANN", "1 events", "Events: from 1700000000"})
        EXPECT_NE(stats.Out.find(line), std::string::npos) << line << "\n" << stats.Out;
}

}  // namespace

namespace {

// Every verb that reads a server names the module it could not load and
// where it looked, rather than the store's bare "Function no available".
TEST(AdminToolWithoutServerSupport, SaysWhatIsMissingAndWhereItLooked)
{
    for (const char* verb : {"check", "stats"}) {
        QProcess admin;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ORBEKO_SERVER_HOME"), QStringLiteral("/nonexistent/orbeko-server-home.so"));
        admin.setProcessEnvironment(environment);
        admin.start(ORBEKO_ADMIN, {verb, QStringLiteral("postgresql://localhost/orbeko")});
        ASSERT_TRUE(admin.waitForFinished(60000));
        const std::string err = admin.readAllStandardError().toStdString();
        EXPECT_EQ(admin.exitCode(), 2) << verb << ": " << err;
        EXPECT_NE(err.find("lacks the server support"), std::string::npos) << verb << ": " << err;
        EXPECT_NE(err.find("/nonexistent/orbeko-server-home.so: cannot open shared object file"), std::string::npos)
            << verb << ": " << err;
    }
}

}  // namespace
