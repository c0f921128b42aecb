#include "StoreFixture.h"

#include "storage/RecordLock.h"

#include <stdexcept>

namespace {

using RecordLockTest = TStoreTest;

TEST_F(RecordLockTest, HoldsTheRecordForItsLifetime)
{
    TXIsamFile mine;
    TXIsamFile theirs;
    OpenFile(mine, kDayEntryFormat);
    OpenFile(theirs, kDayEntryFormat);
    {
        const TRecordLock lock(mine, "0000000007");
        ASSERT_TRUE(lock.Held());
        EXPECT_FALSE(theirs.LockRecord("0000000007"));
        EXPECT_EQ(theirs.Status(), 19);
        EXPECT_TRUE(theirs.LockRecord("0000000008")) << "only that record";
        theirs.UnlockRecord("0000000008");
    }
    EXPECT_TRUE(theirs.LockRecord("0000000007"));
    EXPECT_TRUE(theirs.UnlockRecord("0000000007"));
}

TEST_F(RecordLockTest, ARefusedLockIsNotHeldAndNotReleased)
{
    TXIsamFile mine;
    TXIsamFile theirs;
    OpenFile(mine, kDayEntryFormat);
    OpenFile(theirs, kDayEntryFormat);
    ASSERT_TRUE(theirs.LockRecord("0000000003"));
    {
        const TRecordLock lock(mine, "0000000003");
        EXPECT_FALSE(lock.Held());
        EXPECT_EQ(mine.Status(), 19);
    }
    TXIsamFile third;
    OpenFile(third, kDayEntryFormat);
    EXPECT_FALSE(third.LockRecord("0000000003")) << "the other handle still holds its lock";
}

TEST_F(RecordLockTest, IsReleasedWhenAnExceptionPasses)
{
    TXIsamFile mine;
    TXIsamFile theirs;
    OpenFile(mine, kDayEntryFormat);
    OpenFile(theirs, kDayEntryFormat);
    try {
        const TRecordLock lock(mine, "0000000001");
        ASSERT_TRUE(lock.Held());
        throw std::runtime_error("failed write");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(theirs.LockRecord("0000000001"));
}

TEST_F(RecordLockTest, OnAClosedFileNothingIsHeld)
{
    TXIsamFile closed;
    const TRecordLock lock(closed, "0000000001");
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(closed.Status(), 4);
}

}  // namespace
