#include "cli/AdminCommand.h"

#include "storage/DatabaseCheck.h"
#include "storage/DatabaseCopy.h"
#include "storage/DatabaseFiles.h"
#include "storage/FirstAdministrator.h"
#include "kfstore/folder/FolderSelfTest.h"
#include "storage/FolderStats.h"
#include "kfstore/folder/LockFile.h"
#include "kfstore/folder/Presence.h"
#include "kfstore/folder/Restore.h"
#include "storage/DatabaseRestore.h"
#include "kfstore/StoreUpkeep.h"
#include "ical/ICalExport.h"
#include "ical/ICalImport.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/ScratchFolder.h"

#include <QDate>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace {

struct TVerb
{
    const char* Synopsis;
    const char* Help;
};

const std::map<std::string, TVerb> kVerbs = {
    {"check",
     {"check [--json] FOLDER",
      "Checks the database in FOLDER while workstations keep working: the engine's integrity\n"
      "check of each of the four files and of the details file OBDetail.Ism where there is one,\n"
      "each file's header and description read as Orbeko reads them when it opens the file (a\n"
      "file it would refuse, or one cut short, is named with the cause), their key formats,\n"
      "every record's key and size, the agreement of each file's table with its indexes, and\n"
      "every reference between the files (an event's owner, assignees and category; an alarm's\n"
      "event and user, and that the user is among the event's assignees; that each detail's\n"
      "event, category or user is there, and an event's detail is that event's own rather than\n"
      "a deleted one's). The files are first copied as they stand at one moment into a scratch\n"
      "folder under $TMPDIR (workstations wait only while the copy is taken, as for backup),\n"
      "and the copy is checked.\n"
      "Each problem is one line: file, record identifier, what is wrong.\n"
      "  --json  one JSON object: {\"folder\", \"problems\": [{\"file\", \"record\", \"problem\"}],\n"
      "          \"count\"}\n"
      "FOLDER may be a PostgreSQL connection string: the server checks its own pages, and the\n"
      "files are read through the store one after another (a change made meanwhile may show\n"
      "as a passing problem: check again).\n"
      "Exit status: 0 no problems, 1 problems found, 2 the folder cannot be read.\n"}},
    {"create",
     {"create LOCATION --admin NAME",
      "Makes a new, empty database at LOCATION, a folder (made if missing) or the connection\n"
      "string of a PostgreSQL server, with its first administrator NAME, as Orbeko's first\n"
      "start makes him: user name, full name and abbreviation NAME in upper case (cut to 10\n"
      "characters), the rights to add entries, to administer and to change other users'\n"
      "entries, and a blank password. Refused when LOCATION holds anything of a database\n"
      "already: one of its files, their journals or lock files, a restore's staging folder.\n"
      "Exit status: 0 made, 1 refused, 2 failed or the arguments are wrong.\n"}},
    {"copy",
     {"copy SOURCE DEST",
      "Copies the database at SOURCE to DEST, each a folder or the connection string of a\n"
      "PostgreSQL server (postgresql://host/dbname, or host=... dbname=...; passwords from\n"
      "~/.pgpass or libpq's environment), in either direction: the four files, and the details\n"
      "file where there is one, with every record under its own identifier, and each file's\n"
      "note. Refused while any workstation has SOURCE open, and when DEST already holds a\n"
      "database; no workstation can open either until the copy is done. A copy that fails\n"
      "removes what it made.\n"
      "Exit status: 0 copied, 1 refused, 2 failed (also when a server cannot be reached).\n"}},
    {"backup",
     {"backup FOLDER DEST",
      "Copies the four files of FOLDER, and the details file where there is one, into the\n"
      "folder DEST (made if missing; it must not hold a database already) while workstations\n"
      "keep working. Each file is copied whole inside one read transaction of the engine, and\n"
      "all are held at the same moment, so no alarm or detail in the copy points past its\n"
      "events. Workstations that save meanwhile wait for the copy (about a second per\n"
      "gigabyte). The copy is written to the disk and then checked as by check.\n"
      "A database on a PostgreSQL server is backed up with the server's own tools: pg_dump\n"
      "(for example pg_dump -Fc -n orbeko -f diary.dump postgresql://host/dbname) while\n"
      "workstations keep working, and pg_restore to put it back; or copied into a folder with\n"
      "\"orbeko-admin copy\" while no workstation has it open.\n"
      "Exit status: 0 copied and checked, 1 the copy has problems, 2 no copy was made.\n"}},
    {"restore",
     {"restore BACKUP FOLDER | restore --finish FOLDER",
      "Puts the four files of the backup in BACKUP, and its details file, in place of those of\n"
      "FOLDER; a backup without a details file removes the folder's. Refused while any\n"
      "workstation has the folder open, or when the backup has problems. The backup is\n"
      "copied into a staging folder inside FOLDER first and then moved into place file by\n"
      "file, so that a crash leaves either the old or the restored set: a restore cut short\n"
      "after its copy was complete is finished by \"restore --finish FOLDER\"; until then Orbeko\n"
      "and every other verb refuse the folder.\n"
      "Exit status: 0 restored, 1 refused (the folder is unchanged), 2 failed.\n"}},
    {"locktest",
     {"locktest FOLDER",
      "Proves that record locks in FOLDER exclude: two processes lock records of a scratch\n"
      "file in the folder; each must be refused the other's record, and a killed holder's\n"
      "lock must be freed. Names the file system (local, NFS, SMB/CIFS, FUSE) and reads the\n"
      "mount's options for the known ways to lose locks between machines (NFS nolock or\n"
      "local_lock, CIFS nobrl or cache=loose; the NFS lock lease is a warning). Then watches\n"
      "the presence file for workstations that keep beating while their locks cannot be seen\n"
      "from this machine: proof that locks are not shared between machines.\n"
      "Exit status: 0 locks exclude (warnings may be shown), 1 sharing the folder would lose\n"
      "data, 2 the test could not run.\n"}},
    {"export-ics",
     {"export-ics FOLDER [--user NAME] [--from DATE --to DATE] [--output FILE]",
      "Writes the events of FOLDER as an iCalendar (RFC 5545) file, to standard output or FILE:\n"
      "one VEVENT per event with a UID that stays the same on every export, its time and end\n"
      "in the system's time zone (untimed events as all-day dates over their days), summary,\n"
      "place, notes, category, CLASS:PRIVATE for private events, and the owner and assignees\n"
      "who have an e-mail address as organizer and attendees. The events are read from a copy\n"
      "of the files taken at one moment, as check takes it, so FOLDER may be read-only (a\n"
      "backup on read-only media, an account that may not write): nothing is written there.\n"
      "The UIDs are the same for a database, its backups and its copies.\n"
      "  --user NAME          only the events assigned to that user, with a VALARM where he has\n"
      "                       an alarm\n"
      "  --from/--to DATE     the days to export (YYYY-MM-DD, both included); all by default\n"
      "Exit status: 0 written, 2 the folder cannot be read or the arguments are wrong.\n"}},
    {"import-ics",
     {"import-ics FOLDER FILE --user NAME [--from DATE --to DATE]",
      "Reads the VEVENTs of an iCalendar file into FOLDER as events owned by and assigned to\n"
      "the user NAME; attendees whose e-mail address or full name is a user's are assigned\n"
      "too. The end (DTEND or DURATION), place and notes are kept. Recurring events become\n"
      "one event per occurrence between --from and --to (YYYY-MM-DD; by default from a year\n"
      "ago to two years ahead). Events already there (same UID from this database, or the\n"
      "same start and description) are skipped. Events that cannot be read, end before they\n"
      "start, lie outside 1970..2037, name a day that does not exist, name an unknown time\n"
      "zone or take too long to work out are reported and the rest go on. Cancelled events\n"
      "are passed over; a cancelled occurrence of a series takes that day out of it.\n"
      "Exit status: 0 all imported, 1 some refused, 2 nothing could be read.\n"}},
    {"stats",
     {"stats FOLDER",
      "Shows the record count and size of each file (the details file only where there is\n"
      "one), the first and last event, and every user with the number of events he owns.\n"
      "FOLDER may be a PostgreSQL connection string; the server's files show their record\n"
      "counts.\n"
      "Exit status: 0, or 2 when the folder cannot be read.\n"}},
};

constexpr const char* kVersion = "orbeko-admin " ORBEKO_VERSION;

constexpr const char* kServerBackup =
    "back it up with pg_dump and put it back with pg_restore, or copy it into a folder with \"orbeko-admin copy\"";

bool WantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h")
            return true;
    return false;
}

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", u);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

// The tool never asks anybody anything, and makes a database only when
// told to create one.
class TNoQuestions : public TOrbekoDBShell
{
public:
    explicit TNoQuestions(bool create = false) : Create_(create) {}
    void Warn(const std::string&) override {}
    bool AskFolder(const std::string&, std::string&) override { return false; }
    bool Confirm(const std::string&) override { return Create_; }

private:
    bool Create_;
};

// A message box's text on a terminal: each of its carriage returns starts
// a line, where on the terminal it would overwrite the one before.
std::string Lines(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

// "1 problem", "2 problems".
std::string Counted(int64_t count, const std::string& noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// "--name value" options after the positional arguments; false when one is
// unknown or has no value.
bool ReadOptions(const std::vector<std::string>& args, std::size_t from, std::map<std::string, std::string>& options,
                 std::initializer_list<const char*> known)
{
    for (std::size_t i = from; i < args.size(); i += 2) {
        if (i + 1 >= args.size() ||
            std::none_of(known.begin(), known.end(), [&](const char* name) { return args[i] == name; }))
            return false;
        options[args[i]] = args[i + 1];
    }
    return true;
}

// The range of --from and --to, or fallback for each that is not given.
bool ReadRange(const std::map<std::string, std::string>& options, QDate& from, QDate& to)
{
    for (const auto& [name, date] : {std::pair{"--from", &from}, std::pair{"--to", &to}}) {
        const auto given = options.find(name);
        if (given == options.end())
            continue;
        *date = QDate::fromString(QString::fromStdString(given->second), Qt::ISODate);
        if (!date->isValid())
            return false;
    }
    return from <= to;
}

std::string UserIdOf(TOrbekoDB& db, const std::string& name)
{
    TUserRec user;
    if (!FindRecord(db.UserFile, user, TOrbekoDB::UserNameKey, EncodeText(QString::fromStdString(name).toUpper())))
        throw std::runtime_error("no user named " + name);
    return db.UserFile.LastKey();
}

// A verb that cannot be done on the location as it stands; nothing was changed.
class EVerbRefused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A folder whose restore was cut short holds part of the old set and part
// of the backup's: reading it would mislead, and what is written there is
// lost when the restore is finished.
void RefuseUnfinishedRestore(const std::string& location)
{
    if (StoreLocation::IsServer(location) || !TRestore::Unfinished(location))
        return;
    throw EVerbRefused("a restore of " + location + " was interrupted, so the folder holds old and restored "
                       "files side by side; finish it first with \"orbeko-admin restore --finish " + location + "\"");
}

void PrintProblem(std::ostream& out, const TProblem& problem)
{
    out << problem.File;
    if (!problem.Record.empty())
        out << " " << problem.Record;
    out << ": " << problem.Text << "\n";
}

}  // namespace

int TAdminCommand::Run(const std::vector<std::string>& args)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Out_ << "Usage: orbeko-admin VERB ARGUMENTS...\n"
                "       orbeko-admin --version\n"
                "Looks after the database of Orbeko, in a folder or on a PostgreSQL server.\n\nVerbs:\n";
        for (const auto& [name, verb] : kVerbs)
            Out_ << "  " << verb.Synopsis << "\n";
        Out_ << "\nRun \"orbeko-admin VERB --help\" for what a verb does.\n";
        return args.empty() ? kFailed : kOk;
    }
    if (args[0] == "--version") {
        Out_ << kVersion << "\n";
        return kOk;
    }
    const auto verb = kVerbs.find(args[0]);
    if (verb == kVerbs.end()) {
        Err_ << "orbeko-admin: unknown verb \"" << args[0] << "\"; see orbeko-admin --help\n";
        return kFailed;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (WantsHelp(rest)) {
        Out_ << "Usage: orbeko-admin " << verb->second.Synopsis << "\n\n" << verb->second.Help;
        return kOk;
    }
    try {
        if (args[0] == "check")
            return Check(rest);
        if (args[0] == "backup")
            return Backup(rest);
        if (args[0] == "restore")
            return Restore(rest);
        if (args[0] == "locktest")
            return LockTest(rest);
        if (args[0] == "export-ics")
            return ExportIcs(rest);
        if (args[0] == "import-ics")
            return ImportIcs(rest);
        if (args[0] == "copy")
            return Copy(rest);
        if (args[0] == "create")
            return Create(rest);
        return Stats(rest);
    } catch (const ECopyRefused& refused) {
        Err_ << "orbeko-admin " << args[0] << ": refused: " << Lines(refused.what()) << "\n";
        return kProblems;
    } catch (const EVerbRefused& refused) {
        Err_ << "orbeko-admin " << args[0] << ": refused: " << Lines(refused.what()) << "\n";
        return kProblems;
    } catch (const std::exception& error) {
        Err_ << "orbeko-admin " << args[0] << ": " << Lines(error.what()) << "\n";
        return kFailed;
    }
}

int TAdminCommand::Usage(const std::string& verb)
{
    Err_ << "Usage: orbeko-admin " << kVerbs.at(verb).Synopsis << "\n";
    return kFailed;
}

bool TAdminCommand::ReadableDatabase(const std::string& folder)
{
    if (StoreLocation::IsServer(folder)) {
        if (!StoreHomes::Server()) {
            Err_ << "orbeko-admin: cannot read a PostgreSQL server: this installation lacks the server support; it "
                    "was looked for here:\n"
                 << StoreHomes::ServerMissing();
            return false;
        }
        for (const TDatabaseFile& file : kDatabaseFiles) {
            if (file.Optional)
                continue;
            TXIsamFile probe;
            if (probe.Open(StoreLocation::FileName(StoreLocation::Normalized(folder), file.Name), koShared))
                return true;
            if (probe.Status() != ksNotFound) {
                Err_ << "orbeko-admin: cannot read " << StoreHomes::Shown(folder) << ": " << Lines(probe.StatusText())
                     << "\n";
                return false;
            }
        }
        Err_ << "orbeko-admin: " << StoreHomes::Shown(folder) << " holds no Orbeko database\n";
        return false;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error) || access(folder.c_str(), R_OK | X_OK) != 0) {
        Err_ << "orbeko-admin: cannot read the folder " << folder << "\n";
        return false;
    }
    RefuseUnfinishedRestore(folder);
    // The optional details file alone is no database.
    for (const TDatabaseFile& file : kDatabaseFiles)
        if (!file.Optional && std::filesystem::exists(FolderFile(folder, file.Name), error))
            return true;
    Err_ << "orbeko-admin: " << folder << " holds no Orbeko database\n";
    return false;
}

int TAdminCommand::Check(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> folders;
    for (const std::string& arg : args) {
        if (arg == "--json")
            json = true;
        else
            folders.push_back(arg);
    }
    if (folders.size() != 1)
        return Usage("check");
    const std::string& folder = folders[0];
    if (!ReadableDatabase(folder))
        return kFailed;
    bool first = true;
    if (json)
        Out_ << "{\"folder\":" << JsonString(StoreHomes::Shown(folder)) << ",\"problems\":[";
    const TProblemSink sink = [&](const TProblem& problem) {
        if (!json) {
            PrintProblem(Out_, problem);
            return;
        }
        Out_ << (first ? "" : ",") << "\n{\"file\":" << JsonString(problem.File)
             << ",\"record\":" << JsonString(problem.Record) << ",\"problem\":" << JsonString(problem.Text) << "}";
        first = false;
    };
    const int64_t problems = TDatabaseCheck(sink).CheckLive(folder);
    if (json)
        Out_ << "],\"count\":" << problems << "}\n";
    else
        Out_ << StoreHomes::Shown(folder) << ": " << (problems == 0 ? "no problems" : Counted(problems, "problem"))
             << " found\n";
    return problems == 0 ? kOk : kProblems;
}

int TAdminCommand::Copy(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Usage("copy");
    if (!ReadableDatabase(args[0]))
        return kFailed;
    RefuseUnfinishedRestore(args[1]);
    const int64_t records = TDatabaseCopy::Run(args[0], args[1]);
    Out_ << "Copied " << records << " records of " << StoreHomes::Shown(args[0]) << " to "
         << StoreHomes::Shown(args[1]) << "\n";
    return kOk;
}

bool TAdminCommand::FolderOnly(const std::string& verb, const std::string& location, const char* instead)
{
    if (!StoreLocation::IsServer(location))
        return true;
    Err_ << "orbeko-admin " << verb << ": " << StoreHomes::Shown(location) << " is a PostgreSQL server; "
         << instead << "\n";
    return false;
}

int TAdminCommand::Backup(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Usage("backup");
    const std::string& folder = args[0];
    const std::string& destination = args[1];
    if (!FolderOnly("backup", folder, kServerBackup) || !FolderOnly("backup", destination, kServerBackup))
        return kFailed;
    RefuseUnfinishedRestore(destination);
    if (!ReadableDatabase(folder))
        return kFailed;
    std::error_code error;
    std::filesystem::create_directories(destination, error);
    if (error) {
        Err_ << "orbeko-admin backup: cannot make " << destination << ": " << error.message() << "\n";
        return kFailed;
    }
    const std::vector<TStoreUpkeep::TFailure> failures = DatabaseUpkeep(folder)->Snapshot(destination, true);
    for (const TStoreUpkeep::TFailure& failure : failures)
        Err_ << "orbeko-admin backup: " << failure.File << " " << Lines(failure.Error) << "\n";
    if (!failures.empty())
        return kFailed;
    const int64_t problems = TDatabaseCheck([this](const TProblem& problem) { PrintProblem(Out_, problem); })
                                 .CheckQuiet(destination);
    if (problems != 0) {
        Out_ << destination << ": the copy has " << Counted(problems, "problem") << "\n";
        return kProblems;
    }
    Out_ << "Backup of " << folder << " in " << destination << ": checked, no problems found\n";
    return kOk;
}

int TAdminCommand::Restore(const std::vector<std::string>& args)
{
    const bool finish = !args.empty() && args[0] == "--finish";
    if (args.size() != 2)
        return Usage("restore");
    const std::string& folder = args[1];
    if (!FolderOnly("restore", folder, kServerBackup))
        return kFailed;
    try {
        if (finish) {
            Out_ << (DatabaseRestore::Finish(folder) ? "The interrupted restore of " + folder + " is finished\n"
                                              : folder + " has no interrupted restore\n");
            return kOk;
        }
        RefuseUnfinishedRestore(folder);
        if (!ReadableDatabase(args[0]))
            return kFailed;
        DatabaseRestore::Run(args[0], folder);
    } catch (const ERestoreRefused& refused) {
        Err_ << "orbeko-admin restore: refused: " << Lines(refused.what()) << "\n";
        return kProblems;
    }
    Out_ << "Restored " << folder << " from " << args[0] << "\n";
    return kOk;
}

int TAdminCommand::LockTest(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Usage("locktest");
    const std::string& folder = args[0];
    if (!FolderOnly("locktest", folder, "its record locks are the server's own advisory locks, which always exclude"))
        return kFailed;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        Err_ << "orbeko-admin: cannot read the folder " << folder << "\n";
        return kFailed;
    }
    RefuseUnfinishedRestore(folder);
    TFolderSelfTest test(folder, kDatabaseFiles);
    Out_ << "File system: " << test.FileSystem();
    if (test.Mount())
        Out_ << " (" << test.Mount()->Type << " on " << test.Mount()->MountPoint << ", options "
             << test.Mount()->Options << ")";
    Out_ << "\n";
    if (!test.Locks().Ran) {
        Err_ << "orbeko-admin locktest: " << test.Locks().Error << "\n";
        return kFailed;
    }
    Out_ << "Two processes: a locked record is " << (test.Locks().Excludes ? "refused" : "NOT refused")
         << " to the other; a killed holder's lock is " << (test.Locks().FreedOnDeath ? "freed" : "NOT freed")
         << "\n";
    test.CheckPresence(-1);
    for (const TFolderSelfTest::TFinding& finding : test.Findings())
        Out_ << (finding.Refuse ? "Unsafe: " : "Warning: ") << Lines(finding.Text) << "\n";
    Out_ << (test.Refused() ? "Sharing this folder would lose data\n" : "Locks in this folder exclude\n");
    return test.Refused() ? kProblems : kOk;
}

int TAdminCommand::ExportIcs(const std::vector<std::string>& args)
{
    std::map<std::string, std::string> options;
    QDate from(1970, 1, 1);
    QDate to(2037, 12, 31);
    if (args.empty() || !ReadOptions(args, 1, options, {"--user", "--from", "--to", "--output"}) ||
        !ReadRange(options, from, to))
        return Usage("export-ics");
    if (!ReadableDatabase(args[0]))
        return kFailed;
    // A folder is read from a copy of one moment, which needs no right to
    // write where the folder is.
    std::optional<TScratchFolder> scratch;
    if (!StoreLocation::IsServer(args[0])) {
        scratch.emplace(std::filesystem::temp_directory_path().string(), "orbeko-export-");
        for (const TStoreUpkeep::TFailure& failure : DatabaseUpkeep(args[0])->Snapshot(scratch->Path(), false))
            throw std::runtime_error(failure.File + " cannot be read: " + failure.Error);
        // The copy keeps the files' modes; it is this process's to open.
        for (const auto& entry : std::filesystem::directory_iterator(scratch->Path()))
            std::filesystem::permissions(entry.path(),
                                         std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
    }
    TNoQuestions shell;
    std::unique_ptr<TOrbekoDB> opened;
    try {
        opened = std::make_unique<TOrbekoDB>(shell, scratch ? scratch->Path() : args[0]);
    } catch (const EOrbekoDB& error) {
        // Told of the folder, not of the copy.
        std::string text = error.what();
        if (scratch)
            for (std::size_t at; (at = text.find(scratch->Path())) != std::string::npos;)
                text.replace(at, scratch->Path().size(), args[0]);
        throw EOrbekoDB(text);
    }
    TOrbekoDB& db = *opened;
    TICalExport::TOptions what{from, to, {}, {}};
    if (const auto user = options.find("--user"); user != options.end()) {
        what.AlarmUserId = UserIdOf(db, user->second);
        what.Visible = [id = what.AlarmUserId](const TDayEntryRec& entry) {
            return std::any_of(std::begin(entry.AssigneeIds), std::end(entry.AssigneeIds),
                               [&](const auto& slot) { return FieldText(slot) == id; });
        };
    }
    TICalExport exporter(db);
    const std::string text = exporter.Export(what);
    if (const auto output = options.find("--output"); output != options.end()) {
        std::ofstream file(output->second, std::ios::binary | std::ios::trunc);
        if (!(file << text) || !file.flush())
            throw std::runtime_error("cannot write " + output->second);
        Out_ << "Exported " << exporter.Count() << " events to " << output->second << "\n";
    } else {
        Out_ << text;
    }
    return kOk;
}

int TAdminCommand::ImportIcs(const std::vector<std::string>& args)
{
    std::map<std::string, std::string> options;
    const QDate today = QDate::currentDate();
    QDate from = today.addYears(-1);
    QDate to = today.addYears(2);
    if (args.size() < 2 || !ReadOptions(args, 2, options, {"--user", "--from", "--to"}) || !options.count("--user") ||
        !ReadRange(options, from, to))
        return Usage("import-ics");
    if (!ReadableDatabase(args[0]))
        return kFailed;
    // A folder opens as a file and reads as nothing: it is no file to read.
    std::ifstream file(args[1], std::ios::binary);
    std::error_code folder;
    if (!file || std::filesystem::is_directory(args[1], folder)) {
        Err_ << "orbeko-admin import-ics: cannot read " << args[1] << "\n";
        return kFailed;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        Err_ << "orbeko-admin import-ics: cannot read " << args[1] << "\n";
        return kFailed;
    }
    TNoQuestions shell;
    TOrbekoDB db(shell, args[0]);
    const TICalImport::TOutcome outcome = TICalImport(db, UserIdOf(db, options["--user"])).Import(text, from, to);
    Out_ << Lines(outcome.Summary()) << "\n";
    if (outcome.NoCalendar)
        return kFailed;
    return outcome.Refused > 0 ? kProblems : kOk;
}

int TAdminCommand::Stats(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Usage("stats");
    if (!ReadableDatabase(args[0]))
        return kFailed;
    TFolderStats(args[0]).Print(Out_);
    return kOk;
}

std::string TAdminCommand::DiaryThing(const std::string& location)
{
    if (StoreLocation::IsServer(location)) {
        for (const TDatabaseFile& file : kDatabaseFiles) {
            TXIsamFile probe;
            if (probe.Open(StoreLocation::FileName(StoreLocation::Normalized(location), file.Name), koShared))
                return file.Name;
            if (probe.Status() != ksNotFound)
                throw std::runtime_error(StoreHomes::Shown(location) + " cannot be reached: "
                                         + Lines(probe.StatusText()));
        }
        return {};
    }
    std::vector<std::string> names = {TRestore::StagingName, TPresence::FileName};
    for (const TDatabaseFile& file : kDatabaseFiles) {
        const std::string path = FolderFile(location, file.Name);
        names.push_back(file.Name);
        names.push_back(std::string(file.Name) + "-journal");
        names.push_back(std::filesystem::path(TLockFile::PathFor(path)).filename().string());
    }
    std::error_code error;
    for (const std::string& name : names)
        if (std::filesystem::exists(FolderFile(location, name), error))
            return name;
    return {};
}

int TAdminCommand::Create(const std::vector<std::string>& args)
{
    std::map<std::string, std::string> options;
    if (args.empty() || !ReadOptions(args, 1, options, {"--admin"}) || !options.count("--admin")
        || options["--admin"].empty())
        return Usage("create");
    const std::string& location = args[0];
    const std::string shown = StoreHomes::Shown(location);
    if (StoreLocation::IsServer(location)) {
        if (!StoreHomes::Server()) {
            Err_ << "orbeko-admin: cannot reach a PostgreSQL server: this installation lacks the server support; it "
                    "was looked for here:\n"
                 << StoreHomes::ServerMissing();
            return kFailed;
        }
    } else {
        std::error_code error;
        std::filesystem::create_directories(location, error);
        if (error) {
            Err_ << "orbeko-admin create: cannot make " << location << ": " << error.message() << "\n";
            return kFailed;
        }
    }
    if (const std::string held = DiaryThing(location); !held.empty())
        throw EVerbRefused(shown + " already holds " + held + " of a database; a new one is made only where there is "
                           "nothing of one");
    TNoQuestions shell(true);
    TOrbekoDB db(shell, location);
    // Another creator may have got there first.
    if (db.UserFile.RecordCount() != 0)
        throw EVerbRefused(shown + " was given a database by someone else meanwhile");
    TUserRec user;
    TFirstAdministrator::Make(db, options["--admin"], user);
    Out_ << "Made a new Orbeko database in " << shown << "\n"
         << "Its administrator's user name is \"" << FieldText(user.UserName)
         << "\" and his password is \"<blank>\": log in as him and give him a password\n";
    return kOk;
}
