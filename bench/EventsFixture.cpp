#include "EventsFixture.h"

#include "kfstore/KfStore.h"
#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "kfstore/XIsamFile.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kDayEntryFormat = "&,%,X$*11,$*11,$*11,$*255,R20$*11";
const std::string kAlarmFormat = "&,X$*11,X$*11,$*11,X$*21";
const std::string kFixtureNote = "bench fixture 2";

// Binds one record's primary key, data and indexed columns to the insert.
using TBindRecord = std::function<void(sqlite3_stmt* insert, int number, std::mt19937& random)>;

// Fills a freshly created keyed file with count records in one transaction.
bool FillFixture(const std::string& path, int count, const char* insertSql, const TBindRecord& bind)
{
    sqlite3* db = nullptr;
    if (!Check(sqlite3_open(path.c_str(), &db), db, "open"))
        return false;
    Check(sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA cache_size=-1000000; BEGIN", nullptr, nullptr, nullptr),
          db, "begin");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db, insertSql, -1, &insert, nullptr), db, "prepare");
    std::mt19937 random(20240501);
    bool ok = true;
    for (int i = 1; ok && i <= count; ++i) {
        bind(insert, i, random);
        ok = Check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    return ok;
}

bool FixtureReady(const std::string& path)
{
    TXIsamFile file;
    if (!file.Open(path, 3))
        return false;
    const int32_t handle = file.Handle();
    std::string note;
    return KfsReadNote(&handle, &note) == ksOk && note == kFixtureNote;
}

// Builds a keyed file in a child process unless a finished one is there.
bool EnsureFile(const std::string& path, const std::string& keyFormat, int count, const char* insertSql,
                const TBindRecord& bind)
{
    if (FixtureReady(path))
        return true;
    std::fprintf(stderr, "building %s (%d records)...\n", path.c_str(), count);
    const pid_t child = fork();
    if (child == 0) {
        std::filesystem::remove(path);
        std::filesystem::remove(path + "-locks");
        TXIsamFile file;
        if (!file.CreateFile(path, 10, keyFormat) || !FillFixture(path, count, insertSql, bind) || !file.Open(path, 3))
            _exit(1);
        const int32_t handle = file.Handle();
        _exit(KfsWriteNote(&handle, kFixtureNote.c_str()) == ksOk ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    // Built without syncing: let the system write it all now, not while adds are measured.
    sync();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && FixtureReady(path);
}

}  // namespace

TDayEntryRec MakeEvent(std::mt19937& random)
{
    TDayEntryRec entry;
    std::memset(&entry, 0, sizeof(entry));
    const int day = static_cast<int>(random() % kDays);
    const bool untimed = random() % 10 == 0;
    const int time = untimed ? 0 : static_cast<int>(random() % 96) * 900;
    entry.Flags = untimed ? efUntimed : 0;
    entry.Marker = 1;
    SetField(entry.EntryStamp, IdText(kFirstDay + day * kDaySeconds + time));
    SetField(entry.OwnerId, IdText(1 + random() % 12));
    SetField(entry.CategoryId, IdText(random() % 8));
    SetField(entry.Description, "Meeting about item " + std::to_string(random() % 100000) + " with the group");
    for (auto& assignee : entry.AssigneeIds)
        SetField(assignee, "0000000000");
    SetField(entry.AssigneeIds[0], FieldText(entry.OwnerId));
    return entry;
}

std::string DayStamp(uint32_t n)
{
    return IdText(kFirstDay + static_cast<int64_t>(n % kDays) * kDaySeconds);
}

std::string BenchFolder()
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "orbeko-bench";
    std::filesystem::create_directories(folder);
    return folder.string();
}

bool Check(int rc, sqlite3* db, const char* what)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return true;
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    return false;
}

bool EnsureFixture(const std::string& path, int count)
{
    return EnsureFile(path, kDayEntryFormat, count, "INSERT INTO kfs_records(pk, data, key3) VALUES(?1, ?2, ?3)",
                      [](sqlite3_stmt* insert, int number, std::mt19937& random) {
                          const TDayEntryRec entry = MakeEvent(random);
                          sqlite3_bind_text(insert, 1, IdText(number).c_str(), -1, SQLITE_TRANSIENT);
                          sqlite3_bind_blob(insert, 2, &entry, sizeof(entry), SQLITE_TRANSIENT);
                          sqlite3_bind_text(insert, 3, entry.EntryStamp, -1, SQLITE_TRANSIENT);
                      });
}

bool EnsureAlarmFixture(const std::string& path, int count, int events, int users)
{
    return EnsureFile(
        path, kAlarmFormat, count, "INSERT INTO kfs_records(pk, data, key2, key3, key5) VALUES(?1, ?2, ?3, ?4, ?5)",
        [events, users](sqlite3_stmt* insert, int number, std::mt19937& random) {
            TAlarmRec alarm;
            std::memset(&alarm, 0, sizeof(alarm));
            alarm.Flags = afAlarmed;
            SetField(alarm.EntryId, IdText(1 + random() % static_cast<unsigned>(events)));
            SetAlarmUser(alarm, IdText(1 + random() % static_cast<unsigned>(users)));
            const int day = static_cast<int>(random() % kDays);
            SetAlarmStamp(alarm, IdText(kFirstDay + day * kDaySeconds + static_cast<int>(random() % 96) * 900));
            sqlite3_bind_text(insert, 1, IdText(number).c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_blob(insert, 2, &alarm, sizeof(alarm), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, alarm.AlarmStamp, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 4, alarm.EntryId, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 5, alarm.UserAlarmKey, -1, SQLITE_TRANSIENT);
        });
}

bool AddUsers(TOrbekoDB& db, int count)
{
    for (int i = 1; i <= count; ++i) {
        TUserRec user;
        db.InitUser(user);
        user.Flags = urAddEntries;
        const std::string number = std::to_string(i);
        SetField(user.UserName, "USER" + number);
        SetField(user.FullName, "Member of staff " + number);
        SetField(user.Abbreviation, "U" + number);
        if (!db.UserFile.Add(user, ""))
            return false;
    }
    return true;
}

bool AddCategories(TOrbekoDB& db, int count)
{
    for (int i = 1; i <= count; ++i) {
        TCategoryRec category{};
        SetField(category.Description, "Category " + std::to_string(i));
        if (!db.CategoryFile.Add(category, ""))
            return false;
    }
    return true;
}

bool UseDatabaseFolder(const std::string& folder)
{
    for (const auto& [name, format] : {std::pair{TOrbekoDB::UserFileName, TOrbekoDB::UserKeyFormat},
                                       std::pair{TOrbekoDB::AlarmFileName, TOrbekoDB::AlarmKeyFormat},
                                       std::pair{TOrbekoDB::CategoryFileName, TOrbekoDB::CategoryKeyFormat},
                                       std::pair{TOrbekoDB::DayEntryFileName, TOrbekoDB::DayEntryKeyFormat}}) {
        TXIsamFile file;
        if (!std::filesystem::exists(folder + "/" + name) && !file.CreateFile(folder + "/" + name, 10, format))
            return false;
    }
    auto key = TRegistryKey::Open(true);
    return key && key->WriteText("RootPath", QString::fromStdString(folder));
}
