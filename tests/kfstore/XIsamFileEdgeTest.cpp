#include "StoreFixture.h"

#include "kfstore/KfStore.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/folder/SqliteStatus.h"
#include "storage/Stamp.h"
#include "support/ChildProcess.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using XIsamFileEdge = TStoreTest;
using XIsamFileKeys = TStoreHomesTest;

// The engine's default file system, wrapped to record every file it
// deletes and whether it asked for the folder to be synced after.
class TDeleteLog
{
public:
    TDeleteLog() : Base_(sqlite3_vfs_find(nullptr)), Vfs_(*Base_)
    {
        Vfs_.zName = "orbeko-delete-log";
        Vfs_.pAppData = Base_->pAppData;
        Vfs_.xDelete = &TDeleteLog::Delete;
        Current_ = this;
        sqlite3_vfs_register(&Vfs_, 1);
    }
    ~TDeleteLog()
    {
        sqlite3_vfs_unregister(&Vfs_);
        sqlite3_vfs_register(Base_, 1);
        Current_ = nullptr;
    }
    TDeleteLog(const TDeleteLog&) = delete;
    TDeleteLog& operator=(const TDeleteLog&) = delete;

    std::map<std::string, int> Deleted;  // file name, folder synced

private:
    static int Delete(sqlite3_vfs*, const char* name, int syncFolder)
    {
        Current_->Deleted[name] = syncFolder;
        return Current_->Base_->xDelete(Current_->Base_, name, syncFolder);
    }

    static inline TDeleteLog* Current_ = nullptr;
    sqlite3_vfs* Base_;
    sqlite3_vfs Vfs_;
};

TEST_F(XIsamFileEdge, ACommitReturnsOnlyOnceTheJournalsRemovalIsOnDisk)
{
    TDeleteLog log;
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    ASSERT_TRUE(file.Add(MakeEntry("0000000100", "kept through a power cut"), ""));
    ASSERT_TRUE(file.Rewrite(MakeEntry("0000000200", "changed"), file.LastKey()));
    ASSERT_EQ(log.Deleted.count(Path() + "-journal"), 1u);
    EXPECT_EQ(log.Deleted[Path() + "-journal"], 1);
}

// Puts a key format and record size into a file's own description.
void EditDescription(const std::string& path, const std::string& format, int64_t recordSize)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string sql = "UPDATE kfs_file SET key_format = '" + format + "', record_size = "
                            + std::to_string(recordSize);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

TEST_F(XIsamFileEdge, AbsurdKeyFormatsAreRefusedFromTheCallerAndFromTheFile)
{
    struct TCase
    {
        const char* Format;
        int64_t RecordSize;  // as a 32-bit sum that overflows would make it
    };
    const TCase cases[] = {
        {"R65535$*65535,X$*11", int32_t(uint32_t(65535) * 65535) + 11},
        {"R65536$*65536", 0},
        {"X$*40000,X$*40000", int32_t(80000)},
        {"not a format", 0},
    };
    for (const auto& c : cases) {
        TXIsamFile file;
        EXPECT_FALSE(file.CreateFile(Path("new.Ism"), 10, c.Format)) << c.Format;
        EXPECT_EQ(file.Status(), 5) << c.Format;

        const std::string path = Path("stored.Ism");
        std::filesystem::remove(path);
        ASSERT_TRUE(file.CreateFile(path, 10, kCategoryFormat));
        EditDescription(path, c.Format, c.RecordSize);
        EXPECT_FALSE(file.Open(path, 3)) << c.Format;
        EXPECT_EQ(file.Status(), 8) << c.Format;
    }
}

TEST_F(XIsamFileEdge, AFileCutShortWhileOpenGivesAStatusNotACrash)
{
    // Too short to hold the change counter the handle goes by.
    for (const off_t size : {0, 20}) {
        const std::string name = "cut" + std::to_string(size) + ".Ism";
        TXIsamFile file;
        OpenFile(file, kDayEntryFormat, name);
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE(file.Add(MakeEntry("0000000100", "entry"), ""));
        TDayEntryRec entry;
        ASSERT_TRUE(file.GoTop(3));
        ASSERT_TRUE(file.GetNext(entry, 3, "", gcAny));
        ASSERT_EQ(truncate(Path(name).c_str(), size), 0);
        EXPECT_FALSE(file.GetNext(entry, 3, "", gcAny)) << size;
        EXPECT_NE(file.Status(), 0) << size;
        EXPECT_EQ(file.RecordCount(), -1) << size;
        EXPECT_NE(file.Status(), 0) << size;
    }
}

TEST_F(XIsamFileEdge, ALockFileGoneUnderOpenHandlesIsNeverLockedAlone)
{
    struct TCase
    {
        std::function<void(const std::string&)> Replace;
        int16_t FreshOpen;  // status of a handle opened afterwards
    };
    const std::map<std::string, TCase> cases = {
        // No new lock file is made while handles that used the old one live.
        {"deleted", {[](const std::string& lockPath) { unlink(lockPath.c_str()); }, 24}},
        // A file put in its place is opened, but the old handles stop writing.
        {"replaced",
         {[](const std::string& lockPath) {
              std::FILE* other = std::fopen((lockPath + ".other").c_str(), "w");
              std::fclose(other);
              std::rename((lockPath + ".other").c_str(), lockPath.c_str());
          },
          0}},
    };
    for (const auto& [name, c] : cases) {
        const std::string fileName = name + ".Ism";
        TXIsamFile old;
        TXIsamFile oldPeer;
        OpenFile(old, kDayEntryFormat, fileName);
        ASSERT_TRUE(oldPeer.Open(Path(fileName), 3));
        ASSERT_TRUE(old.Add(MakeEntry("0000000100", "x"), "0000000001"));
        c.Replace(Path(fileName) + "-locks");

        // The old handles still see each other's locks but change nothing.
        ASSERT_TRUE(old.LockRecord("0000000001")) << name;
        EXPECT_FALSE(oldPeer.LockRecord("0000000001")) << name;
        EXPECT_EQ(oldPeer.Status(), 19) << name;
        EXPECT_FALSE(old.Rewrite(MakeEntry("0000000100", "y"), "0000000001")) << name;
        EXPECT_EQ(old.Status(), 4) << name;
        EXPECT_FALSE(old.Add(MakeEntry("0000000100", "z"), "")) << name;
        EXPECT_EQ(old.Status(), 4) << name;
        {
            TXIsamFile fresh;
            EXPECT_EQ(fresh.Open(Path(fileName), 3), c.FreshOpen == 0) << name;
            EXPECT_EQ(fresh.Status(), c.FreshOpen) << name;
            if (c.FreshOpen != 0) {
                EXPECT_NE(fresh.StatusText().find("every workstation must close"), std::string::npos) << name;
            }
        }
        EXPECT_EQ(KfsKill(Path(fileName).c_str()), 9) << name;
        TDayEntryRec entry;
        EXPECT_TRUE(old.GetEqual(entry, 0, "0000000001")) << name;
        EXPECT_STREQ(entry.Description, "x") << name;
        ASSERT_TRUE(old.Close());
        ASSERT_TRUE(oldPeer.Close());

        // Once every handle has closed, the next makes a lock file again.
        TXIsamFile later;
        ASSERT_TRUE(later.Open(Path(fileName), 3)) << name;
        EXPECT_TRUE(later.Rewrite(MakeEntry("0000000100", "y"), "0000000001")) << name;
        ASSERT_TRUE(later.Close());
        EXPECT_EQ(KfsKill(Path(fileName).c_str()), 0) << name;
    }
}

TEST_P(XIsamFileKeys, KeysWithANulAreRefusedWith6)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    ASSERT_TRUE(file.Add(MakeEntry("0000000100", "x"), "00000"));
    const std::string key("00000\0" "0001", 10);
    const TDayEntryRec entry = MakeEntry("0000000100", "y");
    const std::map<std::string, std::function<bool()>> operations = {
        {"Add", [&] { return file.Add(entry, key); }},
        {"Rewrite", [&] { return file.Rewrite(entry, key); }},
        {"Delete", [&] { return file.Delete(key); }},
        {"LockRecord", [&] { return file.LockRecord(key); }},
        {"UnlockRecord", [&] { return file.UnlockRecord(key); }},
    };
    for (const auto& [name, operation] : operations) {
        EXPECT_FALSE(operation()) << name;
        EXPECT_EQ(file.Status(), 6) << name;
        EXPECT_EQ(file.StatusText(), "Illegal character in key");
    }
    TDayEntryRec stored;
    ASSERT_TRUE(file.GetEqual(stored, 0, "00000"));
    EXPECT_STREQ(stored.Description, "x");
    EXPECT_EQ(file.RecordCount(), 1);
}

TEST_P(XIsamFileKeys, KeysThatAreNotNumbersDoNotStopNewKeys)
{
    struct TCase
    {
        std::vector<std::string> Keys;
        const char* Added;  // by the empty-key add
    };
    const TCase cases[] = {
        {{"ABC"}, "0000000001"},
        {{"0000000041", "ZZZZZZZZZZ", "abc"}, "0000000042"},
        {{"0000000007", "00000000A1", "0000000-01"}, "0000000008"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "keys" + std::to_string(n++) + ".Ism";
        TXIsamFile file;
        OpenFile(file, kDayEntryFormat, name);
        for (const std::string& key : c.Keys)
            ASSERT_TRUE(file.Add(MakeEntry("0000000100", key), key)) << key;
        ASSERT_TRUE(file.Add(MakeEntry("0000000100", "new"), "")) << name << ": " << file.StatusText();
        EXPECT_EQ(file.LastKey(), c.Added) << name;
        const std::string next = file.NextKey();
        EXPECT_EQ(file.Status(), 0) << name;
        EXPECT_EQ(next, IdText(std::stoll(c.Added) + 1)) << name;
    }
}

// An empty-key add counts only keys of the file's full length of digits:
// a shorter key of digits is another key, not a number in the sequence.
// Past the highest possible key it takes the lowest free one, and only a
// file with every key in use refuses, with a status of its own.
TEST_P(XIsamFileKeys, OddKeysNeverStopNewKeys)
{
    struct TCase
    {
        int KeyLength;
        std::vector<std::string> Keys;
        const char* Added;  // by the empty-key add, or empty when refused
        int Status;
    };
    const TCase cases[] = {
        {10, {"9", "0000000010"}, "0000000011", 0},
        {10, {"0000000010", "99", "123456789"}, "0000000011", 0},
        {10, {"12345"}, "0000000001", 0},
        {10, {"9999999999"}, "0000000001", 0},
        {10, {"9999999999", "0000000001", "0000000002", "0000000004"}, "0000000003", 0},
        {10, {"0000000000", "9999999999"}, "0000000001", 0},
        {1, {"1", "2", "3", "5", "6", "7", "8", "9"}, "4", 0},
        {1, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, "", 25},
        {2, {"99", "01", "1", "A"}, "02", 0},
    };
    int n = 0;
    for (const TCase& c : cases) {
        const std::string name = "odd" + std::to_string(n++) + ".Ism";
        TXIsamFile file;
        ASSERT_TRUE(file.CreateFile(Path(name), static_cast<int16_t>(c.KeyLength), kCategoryFormat)) << file.StatusText();
        ASSERT_TRUE(file.Open(Path(name), 3)) << file.StatusText();
        for (const std::string& key : c.Keys)
            ASSERT_TRUE(file.Add(MakeCategory(key), key)) << name << " " << key << ": " << file.StatusText();
        // The key the event commands lock before they add is the one the store would choose.
        EXPECT_EQ(file.NextKey(), c.Added) << name;
        EXPECT_EQ(file.Status(), c.Status) << name << ": " << file.StatusText();
        const bool added = file.Add(MakeCategory("new"), "");
        EXPECT_EQ(file.Status(), c.Status) << name << ": " << file.StatusText();
        EXPECT_EQ(added, c.Status == 0) << name;
        if (added) {
            EXPECT_EQ(file.LastKey(), c.Added) << name;
        } else {
            EXPECT_EQ(file.StatusText(), "No free key: every key of the file's length is in use") << name;
        }
        EXPECT_EQ(file.RecordCount(), static_cast<int32_t>(c.Keys.size()) + (added ? 1 : 0)) << name;
    }
}

TEST(KfsStatus, EngineResultsGiveTheNearestStatus)
{
    struct TCase
    {
        int Result;
        int Error;
        int16_t Status;
    };
    const TCase cases[] = {
        {SQLITE_CANTOPEN, ENOENT, ksNotFound},      {SQLITE_CANTOPEN, ENOTDIR, ksNotFound},
        {SQLITE_CANTOPEN, ENOSPC, ksDiskFull},      {SQLITE_CANTOPEN, EACCES, ksUpdateMode},
        {SQLITE_CANTOPEN, EMFILE, ksNoHandles},     {SQLITE_CANTOPEN_ISDIR, 0, ksNotIsam},
        {SQLITE_CANTOPEN_FULLPATH, 0, ksNotFound},  {SQLITE_IOERR_WRITE, ENOSPC, ksDiskFull},
        {SQLITE_IOERR_READ, EIO, ksIoError},        {SQLITE_IOERR_NOMEM, 0, ksNoMemory},
        {SQLITE_PROTOCOL, 0, ksBusy},               {SQLITE_BUSY_TIMEOUT, 0, ksBusy},
        {SQLITE_INTERNAL, 0, ksCorrupt},            {SQLITE_EMPTY, 0, ksCorrupt},
        {SQLITE_NOTFOUND, 0, ksNoFunction},         {SQLITE_NOLFS, 0, ksNoFunction},
        {SQLITE_MISUSE, 0, ksBadParameter},         {SQLITE_READONLY_DBMOVED, 0, ksNotFound},
        {SQLITE_READONLY, 0, ksUpdateMode},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusFromSqlite(c.Result, c.Error), c.Status) << c.Result << " " << c.Error;
}

// In a mount namespace of its own, puts a file system with few inodes on
// the folder args[0], makes a keyed file there, uses up the inodes and
// prints the status of an add, whose journal finds none; "skip" where the
// system does not let it mount.
ORBEKO_CHILD_ROLE(AddWithoutInodes)
{
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount("tmpfs", args[0].c_str(), "tmpfs", 0, "size=4m,nr_inodes=8") != 0) {
        std::printf("skip\n");
        return 0;
    }
    const std::string path = args[0] + "/OBDayEnt.Ism";
    TXIsamFile file;
    if (!file.CreateFile(path, 10, kDayEntryFormat) || !file.Open(path, 3))
        return 1;
    for (int i = 0; std::FILE* filler = std::fopen((args[0] + "/" + std::to_string(i)).c_str(), "w"); ++i)
        std::fclose(filler);
    file.Add(MakeEntry("0000000100", "x"), "");
    std::printf("%d\n", file.Status());
    return 0;
}

TEST_F(XIsamFileEdge, AFolderWithoutFreeInodesIsFullRatherThanAnOsFailure)
{
    std::filesystem::create_directory(Path("small"));
    TChildProcess child("AddWithoutInodes", {Path("small")});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    EXPECT_EQ(child.Wait(), 0);
    if (line == "skip")
        GTEST_SKIP() << "no file system of our own to fill";
    EXPECT_EQ(line, "11");
}

TEST_F(XIsamFileEdge, AFolderGoneWhileOpenIsNotFoundRatherThanAnOsFailure)
{
    std::filesystem::create_directory(Path("db"));
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat, "db/OBDayEnt.Ism");
    std::filesystem::rename(Path("db"), Path("moved"));
    EXPECT_FALSE(file.Add(MakeEntry("0000000100", "x"), ""));
    EXPECT_EQ(file.Status(), 1) << file.StatusText();
}

INSTANTIATE_STORE_HOMES(XIsamFileKeys);

}  // namespace
