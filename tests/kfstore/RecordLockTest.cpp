#include "StoreFixture.h"

#include "kfstore/RecordLock.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

class RecordLock : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        OpenFile(First, kDayEntryFormat);
        OpenFile(Second, kDayEntryFormat);
        ASSERT_TRUE(First.Add(MakeEntry("0000000100", "entry"), ""));
    }

    // Whether the second handle could take the lock, given back at once.
    bool FreeForOthers(const std::string& key)
    {
        if (!Second.LockRecord(key))
            return false;
        EXPECT_TRUE(Second.UnlockRecord(key));
        return true;
    }

    TXIsamFile First;
    TXIsamFile Second;
};

TEST_P(RecordLock, HeldForTheScopeAndReleasedAfterIt)
{
    {
        const TRecordLock lock(First, "0000000001");
        EXPECT_TRUE(lock.Held());
        EXPECT_EQ(lock.Key(), "0000000001");
        EXPECT_FALSE(FreeForOthers("0000000001"));
    }
    EXPECT_TRUE(FreeForOthers("0000000001"));
}

TEST_P(RecordLock, ReleasedWhenAnExceptionPasses)
{
    try {
        const TRecordLock lock(First, "0000000001");
        ASSERT_TRUE(lock.Held());
        throw std::runtime_error("write failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(FreeForOthers("0000000001"));
}

TEST_P(RecordLock, NotHeldWhenAnotherHandleHasItAndThenReleasesNothing)
{
    ASSERT_TRUE(Second.LockRecord("0000000001"));
    {
        const TRecordLock lock(First, "0000000001");
        EXPECT_FALSE(lock.Held());
        EXPECT_EQ(First.Status(), 19);
    }
    // The other handle still holds its lock: the refused guard gave back
    // nothing that was not its own.
    TXIsamFile third;
    ASSERT_TRUE(third.Open(Path(), 3));
    EXPECT_FALSE(third.LockRecord("0000000001"));
    EXPECT_TRUE(Second.UnlockRecord("0000000001"));
}

TEST_P(RecordLock, AMovedLockIsReleasedOnceByItsNewOwner)
{
    std::vector<TRecordLock> locks;
    {
        TRecordLock lock(First, "0000000001");
        locks.push_back(std::move(lock));
    }
    EXPECT_TRUE(locks.front().Held());
    EXPECT_FALSE(FreeForOthers("0000000001"));
    locks.clear();
    EXPECT_TRUE(FreeForOthers("0000000001"));
}

TEST_P(RecordLock, AClosedFileIsNotLocked)
{
    TXIsamFile closed;
    const TRecordLock lock(closed, "0000000001");
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(closed.Status(), 4);
}

INSTANTIATE_STORE_HOMES(RecordLock);

}  // namespace
