#include "StoreFixture.h"

#include "kfstore/folder/KeyedFile.h"
#include "kfstore/RecordLock.h"
#include "kfstore/WriteBatch.h"

#include <stdexcept>
#include <thread>

namespace {

class WriteBatch : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        OpenFile(Writer, kDayEntryFormat);
        OpenFile(Other, kDayEntryFormat);
        for (int i = 1; i <= 4; ++i)
            ASSERT_TRUE(Writer.Add(MakeEntry("0000000100", "entry " + std::to_string(i)), ""));
    }

    static std::string Description(TXIsamFile& file, const std::string& id)
    {
        TDayEntryRec entry;
        return file.GetEqual(entry, 0, id) ? FieldText(entry.Description) : "(" + file.StatusText() + ")";
    }

    void Change(const std::string& id, const std::string& description)
    {
        const TRecordLock lock(Writer, id);
        ASSERT_TRUE(lock.Held()) << Writer.StatusText();
        TDayEntryRec entry;
        ASSERT_TRUE(Writer.GetEqual(entry, 0, id));
        SetField(entry.Description, description);
        ASSERT_TRUE(Writer.Rewrite(entry, id)) << Writer.StatusText();
    }

    TXIsamFile Writer;
    TXIsamFile Other;
};

// Inside the batch the writer reads its own changes, walks included, while
// other handles read what is committed and cannot lock what it changed.
TEST_P(WriteBatch, ChangesReachOthersAtTheCommitAndTheirRecordsStayLockedUntilThen)
{
    TWriteBatch batch(Writer);
    ASSERT_TRUE(batch.Active());
    Change("0000000002", "changed");
    ASSERT_TRUE(Writer.Delete("0000000003"));

    EXPECT_EQ(Description(Writer, "0000000002"), "changed");
    EXPECT_EQ(ScanKeys<TDayEntryRec>(Writer, 0), (std::vector<std::string>{"0000000001", "0000000002", "0000000004"}));
    EXPECT_EQ(Description(Other, "0000000002"), "entry 2");
    EXPECT_EQ(Description(Other, "0000000003"), "entry 3");
    EXPECT_FALSE(Other.LockRecord("0000000002"));
    EXPECT_EQ(Other.Status(), 19);
    EXPECT_TRUE(Writer.LockRecord("0000000002")) << "the writer takes back a lock it still keeps";
    EXPECT_TRUE(Writer.UnlockRecord("0000000002"));

    ASSERT_TRUE(batch.Commit()) << Writer.StatusText();
    EXPECT_EQ(Description(Other, "0000000002"), "changed");
    EXPECT_EQ(Description(Other, "0000000003"), "(Object not found)");
    EXPECT_TRUE(Other.LockRecord("0000000002"));
}

// Others' writers wait for the turn only so long: a batch that held it for
// its share commits before the next write.
TEST_P(WriteBatch, ALongBatchCommitsWhatItHasBeforeItsNextWrite)
{
    TWriteBatch batch(Writer);
    Change("0000000001", "first");
    std::this_thread::sleep_for(TKeyedFile::kBatchTurn + std::chrono::milliseconds(50));
    Change("0000000002", "second");
    EXPECT_EQ(Description(Other, "0000000001"), "first");
    EXPECT_TRUE(Other.LockRecord("0000000001"));
    EXPECT_EQ(Description(Other, "0000000002"), "entry 2");
}

// Whichever way the batch ends, what was reported written is stored.
TEST_P(WriteBatch, EndsByCommittingOnEveryWayOut)
{
    EXPECT_THROW(
        {
            TWriteBatch batch(Writer);
            Change("0000000001", "before the throw");
            throw std::runtime_error("run stopped");
        },
        std::runtime_error);
    EXPECT_EQ(Description(Other, "0000000001"), "before the throw");

    ASSERT_TRUE(Writer.BeginBatch());
    EXPECT_FALSE(Writer.BeginBatch()) << "batches do not nest";
    ASSERT_TRUE(Writer.Add(MakeEntry("0000000200", "added"), ""));
    ASSERT_TRUE(Writer.Close());
    EXPECT_EQ(Description(Other, "0000000005"), "added");
    EXPECT_FALSE(Other.EndBatch()) << "no batch was begun on this handle";
}

INSTANTIATE_STORE_HOMES(WriteBatch);

}  // namespace
