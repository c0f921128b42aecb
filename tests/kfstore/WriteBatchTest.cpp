#include "StoreFixture.h"

#include "kfstore/folder/KeyedFile.h"
#include "kfstore/RecordLock.h"
#include "kfstore/WriteBatch.h"
#include "support/ChildProcess.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace {

// Opens args[0] and does one thing beside a batch of another process:
// "add" a record, "change" (lock and rewrite) record args[1], or "read" it.
// Prints the status and how long it took in milliseconds.
ORBEKO_CHILD_ROLE(WriteBesideBatch)
{
    TXIsamFile file;
    if (!file.Open(args[0], 3))
        return 100;
    const std::string what = args[1];
    const std::string key = args.size() > 2 ? args[2] : "";
    const auto start = std::chrono::steady_clock::now();
    TDayEntryRec entry;
    if (what == "add")
        file.Add(MakeEntry("0000000100", "beside"), "");
    else if (what == "change") {
        if (file.LockRecord(key) && file.GetEqual(entry, 0, key))
            file.Rewrite(entry, key);
    } else
        file.GetEqual(entry, 0, key);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("%d %lld\n", file.Status(), static_cast<long long>(took.count()));
    return 0;
}

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

// A batch that stops writing gives the writer's turn back soon, although
// its caller makes no store call meanwhile: others write beside it at once,
// and see what it wrote.
TEST_P(WriteBatch, ABatchThatStopsWritingSoonLetsOthersIn)
{
    enum TBatchDoes { kAdds, kChangesAndUnlocks, kDeletes };
    struct TCase
    {
        const char* Name;
        TBatchDoes Does;
        bool Later;  // the other process starts once the caller has computed a while, else at once
        std::vector<std::string> Beside;  // what it does
        int Status;
    };
    const TCase cases[] = {
        {"an add waiting beside an add", kAdds, false, {"add"}, 0},
        {"an add after an add", kAdds, true, {"add"}, 0},
        {"a change of a record the batch unlocked", kChangesAndUnlocks, true, {"change", "0000000002"}, 0},
        {"a read of a record the batch deleted", kDeletes, true, {"read", "0000000003"}, 1},
    };
    for (const TCase& c : cases) {
        TWriteBatch batch(Writer);
        ASSERT_TRUE(batch.Active());
        switch (c.Does) {
        case kAdds:
            ASSERT_TRUE(Writer.Add(MakeEntry("0000000100", "in the batch"), ""));
            break;
        case kChangesAndUnlocks:
            Change("0000000002", "in the batch");
            break;
        case kDeletes:
            ASSERT_TRUE(Writer.Delete("0000000003"));
            break;
        }
        // The batch's caller computes from here on, and calls nothing.
        if (c.Later)
            std::this_thread::sleep_for(2 * TKeyedFile::kBatchTurn);
        std::vector<std::string> args{Path()};
        args.insert(args.end(), c.Beside.begin(), c.Beside.end());
        TChildProcess other("WriteBesideBatch", args);
        std::string line;
        ASSERT_TRUE(other.ReadLine(line, 20000)) << c.Name;
        int status = -1;
        long long took = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %lld", &status, &took), 2) << line;
        EXPECT_EQ(status, c.Status) << c.Name;
        EXPECT_LT(took, 1000) << c.Name << ": the other process waited";
        EXPECT_EQ(other.Wait(), 0) << c.Name;
        EXPECT_TRUE(batch.Commit()) << c.Name << ": " << Writer.StatusText();
    }
}

INSTANTIATE_STORE_HOMES(WriteBatch);

}  // namespace
