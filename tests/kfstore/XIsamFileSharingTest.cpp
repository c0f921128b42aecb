#include "StoreFixture.h"

#include "kfstore/folder/LockFile.h"
#include "storage/Stamp.h"
#include "support/ChildProcess.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <grp.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using XIsamFileSharing = TStoreTest;

// Opens args[0], adds one record with an empty key and prints the key.
ORBEKO_CHILD_ROLE(AddOne)
{
    TXIsamFile file;
    if (!file.Open(args[0], 3) || !file.Add(MakeEntry("0000000100", "one"), "")) {
        std::printf("failed %d\n", file.Status());
        return 1;
    }
    std::printf("%s\n", file.LastKey().c_str());
    return 0;
}

// Becomes user args[1] of group args[2] only, then opens args[0], adds a
// record and prints the two statuses.
ORBEKO_CHILD_ROLE(WriteAsGroupMember)
{
    const gid_t group = static_cast<gid_t>(std::stoul(args[2]));
    if (setgroups(1, &group) != 0 || setgid(group) != 0 || setuid(static_cast<uid_t>(std::stoul(args[1]))) != 0)
        return 100;
    TXIsamFile file;
    file.Open(args[0], 3);
    const int open = file.Status();
    file.Add(MakeEntry("0000000100", "from the second user"), "");
    std::printf("%d %d\n", open, file.Status());
    return 0;
}

// True once the condition holds; gives up after ten seconds.
bool Eventually(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Lock requests on the file with this inode that wait in the system's queue.
int WaitingLocks(ino_t inode)
{
    std::ifstream locks("/proc/locks");
    const std::string tag = ":" + std::to_string(inode) + " ";
    int waiting = 0;
    for (std::string line; std::getline(locks, line);)
        waiting += line.find("->") != std::string::npos && line.find(tag) != std::string::npos;
    return waiting;
}

TEST_F(XIsamFileSharing, WritersOfSeveralProcessesAreServedInTheirOrderOfArrival)
{
    constexpr int kWriters = 4;
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    const std::string lockPath = TLockFile::PathFor(Path());
    struct stat lockInfo {};
    ASSERT_EQ(stat(lockPath.c_str(), &lockInfo), 0);
    const int lockFd = open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(lockFd, 0);
    const auto turnTaken = [&] {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = TLockFile::kWriterTurn;
        lock.l_len = 1;
        return fcntl(lockFd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    };

    // Another workstation's write is under way: the first writer waits for
    // it with the turn, the others queue behind in the order they came.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::vector<std::unique_ptr<TChildProcess>> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.push_back(std::make_unique<TChildProcess>("AddOne", std::vector<std::string>{Path()}));
        const bool queued = i == 0 ? Eventually(turnTaken) : Eventually([&] { return WaitingLocks(lockInfo.st_ino) == i; });
        EXPECT_TRUE(queued) << "writer " << i + 1;
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    close(lockFd);
    for (int i = 0; i < kWriters; ++i) {
        std::string line;
        EXPECT_TRUE(writers[i]->ReadLine(line));
        EXPECT_EQ(line, IdText(i + 1)) << "writer " << i + 1;
        EXPECT_EQ(writers[i]->Wait(), 0);
    }
}

TEST_F(XIsamFileSharing, AWriterWhoseTurnNeverComesGivesUpWith3)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    // A writer elsewhere that keeps its turn, stuck or stopped.
    const int lockFd = open(TLockFile::PathFor(Path()).c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(lockFd, 0);
    struct flock turn {};
    turn.l_type = F_WRLCK;
    turn.l_whence = SEEK_SET;
    turn.l_start = TLockFile::kWriterTurn;
    turn.l_len = 1;
    ASSERT_EQ(fcntl(lockFd, F_OFD_SETLK, &turn), 0);
    EXPECT_FALSE(file.Add(MakeEntry("0000000100", "waits"), ""));
    EXPECT_EQ(file.Status(), 3);
    close(lockFd);
    EXPECT_TRUE(file.Add(MakeEntry("0000000100", "goes"), ""));
    EXPECT_EQ(file.RecordCount(), 1);
}

// Sets the process's umask for the scope.
class TUmask
{
public:
    explicit TUmask(mode_t mask) : Former_(umask(mask)) {}
    ~TUmask() { umask(Former_); }
    TUmask(const TUmask&) = delete;
    TUmask& operator=(const TUmask&) = delete;

private:
    mode_t Former_;
};

TEST_F(XIsamFileSharing, FilesMadeInAGroupsFolderAreTheGroupsToWrite)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "playing a second user needs root";
    constexpr gid_t kGroup = 54320;
    constexpr uid_t kUser = 54321;
    const std::string folder = Path("shared");
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chown(folder.c_str(), 0, kGroup), 0);
    ASSERT_EQ(chmod(folder.c_str(), 02770), 0);
    const std::string path = folder + "/OBDayEnt.Ism";
    {
        const TUmask mask(002);
        TXIsamFile file;
        ASSERT_TRUE(file.CreateFile(path, 10, kDayEntryFormat));
        ASSERT_TRUE(file.Open(path, 3));
        ASSERT_TRUE(file.Add(MakeEntry("0000000100", "first"), ""));
        // A write under way shows its journal.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE kfs_file SET note = 'x'", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        for (const std::string& made : {path, TLockFile::PathFor(path), path + "-journal"}) {
            struct stat info {};
            ASSERT_EQ(stat(made.c_str(), &info), 0) << made;
            EXPECT_EQ(info.st_mode & 07777, 0664u) << made;
            EXPECT_EQ(info.st_gid, kGroup) << made;
        }
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    TChildProcess member("WriteAsGroupMember", {path, std::to_string(kUser), std::to_string(kGroup)});
    std::string line;
    ASSERT_TRUE(member.ReadLine(line));
    EXPECT_EQ(line, "0 0");
    EXPECT_EQ(member.Wait(), 0);
    TXIsamFile file;
    ASSERT_TRUE(file.Open(path, 3));
    EXPECT_EQ(file.RecordCount(), 2);
}

}  // namespace

namespace {

// Rewrites record args[1] of args[0] args[2] times, its description the
// round's number, and prints each number once its commit has returned.
ORBEKO_CHILD_ROLE(CountInRecord)
{
    TXIsamFile file;
    TDayEntryRec entry;
    if (!file.Open(args[0], 3) || !file.GetEqual(entry, 0, args[1]))
        return 1;
    const int rounds = std::stoi(args[2]);
    for (int round = 1; round <= rounds; ++round) {
        SetField(entry.Description, std::to_string(round));
        if (!file.Rewrite(entry, args[1]))
            return 2;
        std::printf("%d\n", round);
        std::fflush(stdout);
    }
    return 0;
}

struct TFreshReadCase
{
    const char* Name;
    int16_t Key;
    std::string Before;  // the value of the record before the counted one
};

class XIsamFileFreshReads : public TStoreTest, public ::testing::WithParamInterface<TFreshReadCase>
{
};

// The records after a position are read ahead with it; the next read must
// still give what another process committed in between.
TEST_P(XIsamFileFreshReads, AReadBegunAfterAnotherProcessesCommitSeesIt)
{
    const TFreshReadCase& c = GetParam();
    constexpr int kRounds = 150;
    TXIsamFile reader;
    OpenFile(reader, kDayEntryFormat);
    for (int i = 1; i <= 40; ++i)
        ASSERT_TRUE(reader.Add(MakeEntry(IdText(1000000000 + i * 100), "0"), ""));
    TChildProcess counter("CountInRecord", {Path(), IdText(20), std::to_string(kRounds)});
    TDayEntryRec entry;
    int stale = 0;
    for (int round = 1; round <= kRounds; ++round) {
        ASSERT_TRUE(reader.GetEqual(entry, c.Key, c.Before)) << reader.StatusText();
        std::string line;
        ASSERT_TRUE(counter.ReadLine(line)) << round;
        ASSERT_TRUE(reader.GetNext(entry, c.Key, "", gcAny)) << reader.StatusText();
        ASSERT_EQ(reader.LastKey(), IdText(20));
        stale += std::stoi(entry.Description) < std::stoi(line);
    }
    EXPECT_EQ(stale, 0) << "of " << kRounds << " reads";
    EXPECT_EQ(counter.Wait(), 0);
}

INSTANTIATE_TEST_SUITE_P(Walks, XIsamFileFreshReads,
                         ::testing::Values(TFreshReadCase{"ByIdentifier", 0, IdText(19)},
                                           TFreshReadCase{"ByStamp", 3, IdText(1000000000 + 19 * 100)}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
