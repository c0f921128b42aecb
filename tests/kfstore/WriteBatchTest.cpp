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

// What a lock call gives is the same inside a batch as outside it: an
// unlock of a record the handle does not hold changes nothing, and a lock
// is granted only when the handle holds the record afterwards.
TEST_P(WriteBatch, LocksMeanTheSameInsideABatch)
{
    enum TWho { kWriter, kOther };
    enum TDo { kLock, kUnlock, kWrite, kCommit };
    struct TStep
    {
        TWho Who;
        TDo Do;
        const char* Key;
        int Status;
    };
    struct TCase
    {
        const char* Name;
        std::vector<TStep> Steps;
    };
    const TCase cases[] = {
        {"an unlock of a record another holds leaves the lock refused",
         {{kOther, kLock, "0000000003", 0}, {kWriter, kWrite, "", 0}, {kWriter, kUnlock, "0000000003", 0},
          {kWriter, kLock, "0000000003", 19}, {kWriter, kCommit, "", 0}, {kWriter, kLock, "0000000003", 19}}},
        {"an unlock of a record nobody holds leaves the next lock real",
         {{kWriter, kWrite, "", 0}, {kWriter, kUnlock, "0000000004", 0}, {kWriter, kLock, "0000000004", 0},
          {kOther, kLock, "0000000004", 19}, {kWriter, kCommit, "", 0}, {kOther, kLock, "0000000004", 19}}},
        {"a double unlock and a lock again keep the record past the commit",
         {{kWriter, kLock, "0000000002", 0}, {kWriter, kWrite, "", 0}, {kWriter, kUnlock, "0000000002", 0},
          {kWriter, kUnlock, "0000000002", 0}, {kWriter, kLock, "0000000002", 0}, {kWriter, kCommit, "", 0},
          {kOther, kLock, "0000000002", 19}}},
        {"an unlocked record stays locked until the commit, then is free",
         {{kWriter, kLock, "0000000002", 0}, {kWriter, kWrite, "", 0}, {kWriter, kUnlock, "0000000002", 0},
          {kOther, kLock, "0000000002", 19}, {kWriter, kCommit, "", 0}, {kOther, kLock, "0000000002", 0}}},
    };
    for (const TCase& c : cases) {
        TXIsamFile writer;
        TXIsamFile other;
        OpenFile(writer, kDayEntryFormat);
        OpenFile(other, kDayEntryFormat);
        ASSERT_TRUE(writer.BeginBatch());
        int n = 0;
        for (const TStep& step : c.Steps) {
            TXIsamFile& file = step.Who == kWriter ? writer : other;
            switch (step.Do) {
            case kLock:
                file.LockRecord(step.Key);
                break;
            case kUnlock:
                file.UnlockRecord(step.Key);
                break;
            case kWrite:
                file.Add(MakeEntry("0000000100", "added"), "");
                break;
            case kCommit:
                file.EndBatch();
                break;
            }
            EXPECT_EQ(file.Status(), step.Status) << c.Name << ", step " << n;
            ++n;
        }
        writer.EndBatch();
    }
}

INSTANTIATE_STORE_HOMES(WriteBatch);

}  // namespace
