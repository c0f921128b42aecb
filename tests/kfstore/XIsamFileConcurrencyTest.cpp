#include "StoreFixture.h"

#include "kfstore/WriteBatch.h"
#include "storage/Stamp.h"
#include "support/ChildProcess.h"
#include "support/IntegrityCheck.h"

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <set>

namespace {

// Opens args[0], says "ready", waits for SIGUSR1 and then adds args[1]
// records with empty keys, printing each key the file gave. Exits with the
// number of adds that failed.
ORBEKO_CHILD_ROLE(AddMany)
{
    sigset_t go;
    sigemptyset(&go);
    sigaddset(&go, SIGUSR1);
    sigprocmask(SIG_BLOCK, &go, nullptr);
    TXIsamFile file;
    if (!file.Open(args[0], 3))
        return 100;
    std::printf("ready\n");
    std::fflush(stdout);
    int signal = 0;
    sigwait(&go, &signal);
    const int count = std::stoi(args[1]);
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (file.Add(MakeEntry("0000000100", "from " + std::to_string(getpid())), ""))
            std::printf("%s\n", file.LastKey().c_str());
        else
            std::printf("failed %d %d\n", ++failed, file.Status());
    }
    return failed;
}

// Adds records to args[0] until killed, printing each key once its add
// has returned true.
ORBEKO_CHILD_ROLE(AddUntilKilled)
{
    TXIsamFile file;
    if (!file.Open(args[0], 3))
        return 100;
    for (int i = 0;; ++i) {
        if (file.Add(MakeEntry("0000000100", "entry " + std::to_string(i)), "")) {
            std::printf("%s\n", file.LastKey().c_str());
            std::fflush(stdout);
        }
    }
}

using XIsamFileConcurrency = TStoreHomesTest;
using XIsamFileWriteLock = TStoreTest;

TEST_P(XIsamFileConcurrency, FourProcessesAddingAtOnceLoseNothing)
{
    constexpr int kProcesses = 4;
    constexpr int kEach = 500;
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    std::vector<std::unique_ptr<TChildProcess>> children;
    std::string line;
    for (int i = 0; i < kProcesses; ++i) {
        children.push_back(std::make_unique<TChildProcess>("AddMany", std::vector<std::string>{Path(), std::to_string(kEach)}));
        ASSERT_TRUE(children.back()->ReadLine(line));
        ASSERT_EQ(line, "ready");
    }
    for (auto& child : children)
        child->Kill(SIGUSR1);
    std::set<std::string> keys;
    for (auto& child : children) {
        int lines = 0;
        while (child->ReadLine(line, 60000)) {
            EXPECT_EQ(line.size(), 10u) << line;
            keys.insert(line);
            ++lines;
        }
        EXPECT_EQ(lines, kEach);
        EXPECT_EQ(child->Wait(), 0);
    }
    EXPECT_EQ(keys.size(), static_cast<std::size_t>(kProcesses * kEach));
    EXPECT_EQ(*keys.begin(), "0000000001");
    EXPECT_EQ(*keys.rbegin(), "0000002000");
    EXPECT_EQ(file.RecordCount(), kProcesses * kEach);
    const std::vector<std::string> scanned = ScanKeys<TDayEntryRec>(file, 0);
    EXPECT_EQ(std::set<std::string>(scanned.begin(), scanned.end()), keys);
}

TEST_P(XIsamFileConcurrency, AWriterKilledMidAddLeavesASoundFileWithEveryConfirmedRecord)
{
    {
        TXIsamFile file;
        OpenFile(file, kDayEntryFormat);
    }
    std::set<std::string> confirmed;
    for (int round = 0; round < 3; ++round) {
        TChildProcess writer("AddUntilKilled", {Path()});
        std::string line;
        const std::size_t target = confirmed.size() + 40 + 13 * static_cast<std::size_t>(round);
        while (confirmed.size() < target && writer.ReadLine(line))
            confirmed.insert(line);
        writer.Kill(SIGKILL);
        EXPECT_EQ(writer.Wait(), 128 + SIGKILL);
        while (writer.ReadLine(line, 1000))
            confirmed.insert(line);
        ASSERT_GE(confirmed.size(), target);

        if (!OnServer()) {
            EXPECT_EQ(IntegrityCheck(Path()), "ok");
        }
        TXIsamFile file;
        ASSERT_TRUE(file.Open(Path(), 3)) << file.StatusText();
        TDayEntryRec entry;
        for (const auto& key : confirmed)
            EXPECT_TRUE(file.GetEqual(entry, 0, key)) << key;
        EXPECT_GE(file.RecordCount(), static_cast<int32_t>(confirmed.size()));
    }
}

TEST_F(XIsamFileWriteLock, AWriteLockHeldTooLongGivesStatus3AndReadsGoOn)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    ASSERT_TRUE(file.Add(MakeEntry("0000000100", "first"), ""));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
    // Another workstation in the middle of a write transaction: reads go on.
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    TDayEntryRec entry;
    EXPECT_TRUE(file.GetEqual(entry, 0, "0000000001"));
    // One that keeps the file to itself: the add gives up after a few seconds.
    ASSERT_EQ(sqlite3_exec(other, "UPDATE kfs_records SET data = data; COMMIT; BEGIN EXCLUSIVE", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    EXPECT_FALSE(file.Add(MakeEntry("0000000100", "second"), ""));
    EXPECT_EQ(file.Status(), 3);
    EXPECT_EQ(file.StatusText(), "Multi-user access");
    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_TRUE(file.Add(MakeEntry("0000000100", "second"), ""));
    EXPECT_EQ(file.RecordCount(), 2);
}

// A batch never grows past what the engine keeps in its cache: spilling
// it would take the file from every reader until the commit.
TEST_F(XIsamFileWriteLock, ReadsBesideABigBatchNeverWait)
{
    struct TCase
    {
        const char* Name;
        const std::string& Format;
        bool Rewrites;  // of records made before, else adds
        int Count;
    };
    const TCase cases[] = {
        {"day entries added", kDayEntryFormat, false, 20000},
        {"categories added", kCategoryFormat, false, 20000},
        {"day entries rewritten at scattered stamps", kDayEntryFormat, true, 5000},
    };
    int n = 0;
    for (const TCase& c : cases) {
        const std::string name = "big" + std::to_string(n++) + ".Ism";
        TXIsamFile file;
        OpenFile(file, c.Format, name);
        TDayEntryRec entry = MakeEntry("0000000100", "first");
        const TCategoryRec category = MakeCategory("first");
        const auto add = [&] { return c.Format == kCategoryFormat ? file.Add(category, "") : file.Add(entry, ""); };
        ASSERT_TRUE(add());
        if (c.Rewrites) {
            TWriteBatch fill(file);
            for (int i = 1; i < c.Count; ++i)
                ASSERT_TRUE(add());
        }
        // Between the batch's writes a reader that does not wait at all
        // finds the file open to it, every time.
        sqlite3* opened = nullptr;
        ASSERT_EQ(sqlite3_open_v2(Path(name).c_str(), &opened, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        const std::unique_ptr<sqlite3, int (*)(sqlite3*)> probe(opened, sqlite3_close);
        int shutOut = 0;
        {
            TWriteBatch batch(file);
            uint32_t scatter = 12345;
            for (int i = 0; i < c.Count; ++i) {
                if (i % 50 == 49
                    && sqlite3_exec(probe.get(), "SELECT count(*) FROM kfs_file", nullptr, nullptr, nullptr) != SQLITE_OK)
                    ++shutOut;
                if (!c.Rewrites) {
                    ASSERT_TRUE(add()) << c.Name << ": " << file.StatusText();
                    continue;
                }
                scatter = scatter * 1103515245u + 12345u;
                SetField(entry.EntryStamp, std::to_string(1000000000u + scatter % 1000000000u));
                ASSERT_TRUE(file.Rewrite(entry, IdText(i + 1))) << c.Name << ": " << file.StatusText();
            }
            ASSERT_TRUE(batch.Commit()) << file.StatusText();
        }
        EXPECT_EQ(shutOut, 0) << c.Name << ": readers were shut out";
    }
}

INSTANTIATE_STORE_HOMES(XIsamFileConcurrency);

}  // namespace
