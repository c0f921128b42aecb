#include "StoreFixture.h"

#include "kfstore/KfsModes.h"
#include "support/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

// Opens args[0], locks args[1], says so and holds the lock until killed.
ORBEKO_CHILD_ROLE(HoldLock)
{
    TXIsamFile file;
    if (!file.Open(args[0], 3) || !file.LockRecord(args[1])) {
        std::printf("refused %d\n", file.Status());
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    pause();
    return 0;
}

// Opens args[0] and tells what locking, rewriting and deleting args[1] give.
ORBEKO_CHILD_ROLE(TryLock)
{
    TXIsamFile file;
    TDayEntryRec entry;
    if (!file.Open(args[0], 3) || !file.GetEqual(entry, 0, args[1]))
        return 1;
    const bool rewrite = file.Rewrite(entry, args[1]);
    const int rewriteStatus = file.Status();
    const bool lock = file.LockRecord(args[1]);
    std::printf("lock %d %d rewrite %d %d\n", lock, file.Status(), rewrite, rewriteStatus);
    return 0;
}

// Locks a record whose holder has died. A folder's locks go with the
// process; a server drops them once it sees the connection end, a moment
// later, so the lock is asked for again for up to ten seconds.
bool LockedOnceFreed(TXIsamFile& file, const std::string& key)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!file.LockRecord(key)) {
        if (file.Status() != 19 || std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class XIsamFileLock : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        OpenFile(First, kDayEntryFormat);
        OpenFile(Second, kDayEntryFormat);
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(First.Add(MakeEntry("0000000100", "entry " + std::to_string(i + 1)), ""));
    }

    TXIsamFile First;
    TXIsamFile Second;
};

TEST_P(XIsamFileLock, TwoHandlesOfOneProcessExcludeEachOther)
{
    ASSERT_TRUE(First.LockRecord("0000000002"));
    EXPECT_FALSE(Second.LockRecord("0000000002"));
    EXPECT_EQ(Second.Status(), 19);
    EXPECT_EQ(Second.StatusText(), "Multi-user locks encountered");
    EXPECT_TRUE(Second.LockRecord("0000000003"));
    EXPECT_FALSE(First.LockRecord("0000000003"));
    EXPECT_TRUE(First.LockRecord("0000000002"));  // its own lock again
    ASSERT_TRUE(First.UnlockRecord("0000000002"));
    EXPECT_TRUE(Second.LockRecord("0000000002"));
}

TEST_P(XIsamFileLock, ALockedRecordIsReadByEveryone)
{
    ASSERT_TRUE(First.LockRecord("0000000002"));
    TDayEntryRec entry;
    ASSERT_TRUE(Second.GetEqual(entry, 0, "0000000002"));
    EXPECT_STREQ(entry.Description, "entry 2");
    EXPECT_EQ(ScanKeys<TDayEntryRec>(Second, 3).size(), 5u);
    EXPECT_EQ(Second.RecordCount(), 5);
    EXPECT_TRUE(Second.Add(MakeEntry("0000000100", "added"), ""));
}

TEST_P(XIsamFileLock, OnlyTheHolderRewritesOrDeletesALockedRecord)
{
    ASSERT_TRUE(First.LockRecord("0000000002"));
    TDayEntryRec changed = MakeEntry("0000000200", "changed");
    EXPECT_FALSE(Second.Rewrite(changed, "0000000002"));
    EXPECT_EQ(Second.Status(), 19);
    EXPECT_FALSE(Second.Delete("0000000002"));
    EXPECT_EQ(Second.Status(), 19);
    TDayEntryRec entry;
    ASSERT_TRUE(Second.GetEqual(entry, 0, "0000000002"));
    EXPECT_STREQ(entry.Description, "entry 2");

    ASSERT_TRUE(First.Rewrite(changed, "0000000002"));
    ASSERT_TRUE(Second.GetEqual(entry, 0, "0000000002"));
    EXPECT_STREQ(entry.Description, "changed");
    ASSERT_TRUE(First.Delete("0000000002"));
    ASSERT_TRUE(First.UnlockRecord("0000000002"));
    EXPECT_FALSE(Second.GetEqual(entry, 0, "0000000002"));
    // Unlocked records are written by anyone, as user records are.
    EXPECT_TRUE(Second.Rewrite(changed, "0000000003"));
}

TEST_P(XIsamFileLock, ClosingAHandleEndsItsLocks)
{
    ASSERT_TRUE(First.LockRecord("0000000002"));
    ASSERT_TRUE(First.LockRecord("0000000004"));
    ASSERT_TRUE(First.Close());
    EXPECT_TRUE(Second.LockRecord("0000000002"));
    EXPECT_TRUE(Second.LockRecord("0000000004"));
}

TEST_P(XIsamFileLock, TextKeysLockRegardlessOfCase)
{
    TXIsamFile a;
    TXIsamFile b;
    OpenFile(a, kCategoryFormat, "OBCat.Ism");
    OpenFile(b, kCategoryFormat, "OBCat.Ism");
    ASSERT_TRUE(a.Add(MakeCategory("Meeting"), "Meeting"));
    ASSERT_TRUE(a.LockRecord("Meeting"));
    EXPECT_FALSE(b.LockRecord("MEETING"));
    EXPECT_FALSE(b.Rewrite(MakeCategory("x"), "meeting"));
    EXPECT_EQ(b.Status(), 19);
}

TEST_P(XIsamFileLock, AnotherProcessIsRefusedAndReadsStillWork)
{
    ASSERT_TRUE(First.LockRecord("0000000002"));
    TChildProcess child("TryLock", {Path(), "0000000002"});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    EXPECT_EQ(line, "lock 0 19 rewrite 0 19");
    EXPECT_EQ(child.Wait(), 0);

    ASSERT_TRUE(First.UnlockRecord("0000000002"));
    TChildProcess again("TryLock", {Path(), "0000000002"});
    ASSERT_TRUE(again.ReadLine(line));
    EXPECT_EQ(line, "lock 1 0 rewrite 1 0");
    EXPECT_EQ(again.Wait(), 0);
}

TEST_P(XIsamFileLock, ALockOfAKilledProcessIsFreedByTheSystem)
{
    TChildProcess holder("HoldLock", {Path(), "0000000003"});
    std::string line;
    ASSERT_TRUE(holder.ReadLine(line));
    ASSERT_EQ(line, "locked");
    EXPECT_FALSE(First.LockRecord("0000000003"));
    EXPECT_EQ(First.Status(), 19);
    EXPECT_FALSE(First.Delete("0000000003"));
    EXPECT_EQ(First.Status(), 19);
    TDayEntryRec entry;
    EXPECT_TRUE(First.GetEqual(entry, 0, "0000000003"));
    EXPECT_TRUE(First.LockRecord("0000000004"));

    holder.Kill(SIGKILL);
    EXPECT_EQ(holder.Wait(), 128 + SIGKILL);
    EXPECT_TRUE(LockedOnceFreed(First, "0000000003"));
    EXPECT_TRUE(First.Delete("0000000003"));
}

// The administrator's tool opens a file alone: refused while any other
// handle has it open, and keeping every other handle out while it has.
TEST_P(XIsamFileLock, AFileOpenedAloneKeepsEveryOtherHandleOut)
{
    TXIsamFile alone;
    EXPECT_FALSE(alone.Open(Path(), koExclusive));
    EXPECT_EQ(alone.Status(), 9);
    ASSERT_TRUE(First.Close());
    ASSERT_TRUE(Second.Close());
    ASSERT_TRUE(alone.Open(Path(), koExclusive)) << alone.StatusText();
    EXPECT_FALSE(First.Open(Path(), 3));
    EXPECT_EQ(First.Status(), 9);
    EXPECT_TRUE(alone.Add(MakeEntry("0000000100", "while alone"), ""));
    EXPECT_EQ(alone.RecordCount(), 6);
    ASSERT_TRUE(alone.Close());
    EXPECT_TRUE(First.Open(Path(), 3)) << First.StatusText();
}

INSTANTIATE_STORE_HOMES(XIsamFileLock);

}  // namespace
