#include "AdminFixture.h"
#include "kfstore/KfStore.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

// Exports the database in args[0] as an account that may not write there,
// and prints the exit status, then the calendar; "skip" where this process
// cannot become such an account.
ORBEKO_CHILD_ROLE(ExportAsAnotherAccount)
{
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) {
        std::printf("skip\n");
        return 0;
    }
    setenv("TMPDIR", "/tmp", 1);
    const TAdminRun run = RunAdmin({"export-ics", args[0]});
    std::printf("%d\n%s%s", run.Exit, run.Out.c_str(), run.Err.c_str());
    return 0;
}

// The UIDs of a calendar.
std::set<std::string> Uids(const std::string& calendar)
{
    std::set<std::string> uids;
    std::istringstream lines(calendar);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("UID:", 0) == 0)
            uids.insert(line.substr(4, line.find_last_not_of("\r") - 3));
    return uids;
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> FolderBytes(const std::string& folder)
{
    std::map<std::string, std::string> bytes;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        bytes[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(in), {});
    }
    return bytes;
}

// export-ics and import-ics on folders named on the command line: what one
// user's events export as, and the same events read into another database.
class ICalVerbsTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        auto db = Connect();
        TDiaryRecords write(*db);
        Anna_ = write.User("ANNA", "", "ANNA");
        Bert_ = write.User("BERT", "", "BERT");
        write.Event("", Anna_, {Anna_}, "Anna's own");
        write.Event("", Bert_, {Bert_}, "Bert's own");
        write.Event("", Anna_, {Bert_, Anna_}, "Both", 0, write.Category("Meeting"));
    }

    std::string Anna_;
    std::string Bert_;
};

TEST_F(ICalVerbsTest, OneUsersEventsGoOutAndComeBackIntoAnotherDatabase)
{
    TTempDir out;
    const std::string file = out.File("anna.ics");
    const TAdminRun exported = RunAdmin({"export-ics", DataPath(), "--user", "anna", "--output", file});
    ASSERT_EQ(exported.Exit, 0) << exported.Err;
    EXPECT_EQ(exported.Out, "Exported 2 events to " + file + "\n");

    // An empty database of the same users elsewhere.
    TTempDir other;
    {
        TScriptedDBShell shell;
        TOrbekoDB target(shell, other.Path());
        TDiaryRecords write(target);
        write.User("ANNA", "", "ANNA");
        write.User("BERT", "", "BERT");
    }
    const TAdminRun imported = RunAdmin({"import-ics", other.Path(), file, "--user", "ANNA", "--from", "2023-01-01",
                                         "--to", "2023-12-31"});
    EXPECT_EQ(imported.Exit, 0) << imported.Err;
    EXPECT_EQ(imported.Out, "Added 2 events, skipped 0 already in the diary, refused 0.\n");
    EXPECT_EQ(RunAdmin({"import-ics", other.Path(), file, "--user", "ANNA"}).Out,
              "Added 0 events, skipped 2 already in the diary, refused 0.\n");
}

TEST_F(ICalVerbsTest, WrongArgumentsAreRefusedWithTheVerbsUsage)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"import-ics", DataPath(), "missing.ics"},
          std::vector<std::string>{"export-ics", DataPath(), "--from", "2025-02-30"},
          std::vector<std::string>{"export-ics", DataPath(), "--from", "2025-03-01", "--to", "2025-02-01"},
          std::vector<std::string>{"export-ics", DataPath(), "--colour", "red"}}) {
        const TAdminRun run = RunAdmin(args);
        EXPECT_EQ(run.Exit, 2) << args[2];
        EXPECT_EQ(run.Err.rfind("Usage: orbeko-admin " + args[0], 0), 0u) << run.Err;
    }
    const TAdminRun unknown = RunAdmin({"export-ics", DataPath(), "--user", "NOBODY"});
    EXPECT_EQ(unknown.Exit, 2);
    EXPECT_NE(unknown.Err.find("no user named NOBODY"), std::string::npos);
}

// The same database read in each of its places exports the same UIDs,
// and the export writes nothing where it reads.
TEST_F(ICalVerbsTest, ExportWritesNothingAndItsUidsAreTheSameInBackupsAndCopies)
{
    TTempDir places;
    const std::string backup = places.File("backup");
    const std::string copy = places.File("copy");
    ASSERT_EQ(RunAdmin({"backup", DataPath(), backup}).Exit, 0);
    ASSERT_EQ(RunAdmin({"copy", DataPath(), copy}).Exit, 0);
    const auto before = FolderBytes(DataPath());
    const TAdminRun original = RunAdmin({"export-ics", DataPath()});
    ASSERT_EQ(original.Exit, 0) << original.Err;
    const std::set<std::string> uids = Uids(original.Out);
    ASSERT_EQ(uids.size(), 3u) << original.Out;
    EXPECT_EQ(FolderBytes(DataPath()), before);

    struct TCase
    {
        const char* Name;
        std::function<std::string()> Export;  // the calendar, empty when refused
    };
    const TCase cases[] = {
        {"the folder again", [&] { return RunAdmin({"export-ics", DataPath()}).Out; }},
        {"its backup", [&] { return RunAdmin({"export-ics", backup}).Out; }},
        {"its copy", [&] { return RunAdmin({"export-ics", copy}).Out; }},
        {"an account that may not write",
         [&] {
             std::filesystem::permissions(places.Path(), std::filesystem::perms(0755));
             std::filesystem::permissions(backup, std::filesystem::perms(0555));
             for (const auto& entry : std::filesystem::directory_iterator(backup))
                 std::filesystem::permissions(entry.path(), std::filesystem::perms(0444));
             TChildProcess child("ExportAsAnotherAccount", {backup});
             std::string line;
             std::string calendar;
             if (!child.ReadLine(line, 60000) || line == "skip")
                 return std::string("skip");
             EXPECT_EQ(line, "0");
             while (child.ReadLine(line, 60000))
                 calendar += line + "\n";
             return calendar;
         }},
    };
    for (const TCase& c : cases) {
        const std::string calendar = c.Export();
        if (calendar == "skip")
            continue;
        EXPECT_EQ(Uids(calendar), uids) << c.Name << ": " << calendar;
    }
    EXPECT_EQ(FolderBytes(DataPath()), before);
}

// A database copied to a server exports the UIDs of its folder, whichever
// is exported first.
TEST(ServerICalVerbs, ADatabaseCopiedToAServerKeepsItsUids)
{
    if (TTestDatabase::Server().empty())
        GTEST_SKIP() << TTestDatabase::Missing();
    const TTestDatabase server;
    const TTempDir folder;
    {
        TScriptedDBShell shell;
        TOrbekoDB db(shell, folder.Path());
        TDiaryRecords write(db);
        const std::string anna = write.User("ANNA", "", "ANNA");
        write.Event("", anna, {anna}, "Anna's own");
    }
    // Copied before either is exported: neither has been named by an export.
    ASSERT_EQ(RunAdmin({"copy", folder.Path(), server.Location()}).Exit, 0);
    const TAdminRun copied = RunAdmin({"export-ics", server.Location()});
    const TAdminRun there = RunAdmin({"export-ics", folder.Path()});
    EXPECT_EQ(copied.Exit, 0) << copied.Err;
    EXPECT_EQ(Uids(copied.Out), Uids(there.Out));
    EXPECT_EQ(Uids(there.Out).size(), 1u);
}

}  // namespace

namespace {

// import-ics exits 0 when all is read, 1 when events were refused, and 2
// for a file it cannot read at all, whatever it holds.
TEST_F(ICalVerbsTest, ImportExitsByWhatItCouldRead)
{
    TTempDir files;
    const auto write = [&files](const std::string& name, const std::string& text) {
        std::ofstream(files.File(name), std::ios::binary) << text;
        return files.File(name);
    };
    const std::string good = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:g@test\r\nSUMMARY:Good\r\n"
                             "DTSTART:20250306T100000\r\nEND:VEVENT\r\n";
    std::filesystem::create_directory(files.File("folder.ics"));
    struct TCase
    {
        std::string File;
        int Exit;
        const char* Says;  // in what it writes
    };
    const std::vector<TCase> cases = {
        {write("good.ics", good + "END:VCALENDAR\r\n"), 0, "Added 1 event"},
        {write("bad.ics", good + "BEGIN:VEVENT\r\nUID:b@test\r\nDTSTART:20250230T100000\r\nEND:VEVENT\r\n"
                                 "END:VCALENDAR\r\n"),
         1, "does not exist"},
        {write("nul.ics", good + std::string("X-NOTE:a\0b\r\n", 12) + "END:VCALENDAR\r\n"), 0, "NUL byte"},
        {write("empty.ics", ""), 2, "holds no iCalendar data"},
        {write("text.ics", "this is not a calendar"), 2, "holds no iCalendar data"},
        {files.File("missing.ics"), 2, "cannot read"},
        {files.File("folder.ics"), 2, "cannot read"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const TAdminRun run = RunAdmin({"import-ics", DataPath(), c.File, "--user", "ANNA", "--from", "2025-03-01",
                                        "--to", "2025-03-31"});
        EXPECT_EQ(run.Exit, c.Exit) << run.Out << run.Err;
        EXPECT_NE((run.Out + run.Err).find(c.Says), std::string::npos) << run.Out << run.Err;
    }
}

}  // namespace
