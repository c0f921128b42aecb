#include "kfstore/folder/ChangeCounter.h"
#include "kfstore/ReadAhead.h"

#include "StoreFixture.h"

#include <sqlite3.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ReadAhead, WalksAskForGrowingBatchesAndBoundedOnesForAllAtOnce)
{
    TReadAhead readAhead(4);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bNone, true), 16);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bNone, true), 64);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bNone, true), 256);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bNone, true), 1024);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bNone, true), 1024);
    readAhead.Restart();
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bNone, true), 16);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bBelow, true), 1024);
}

TEST(ReadAhead, WithoutACounterEveryReadAsksForOneRecord)
{
    TReadAhead readAhead(4);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bNone, false), 1);
    EXPECT_EQ(readAhead.NextLimit(TReadAhead::bUpTo, false), 1);
    EXPECT_EQ(TReadAhead::EqualLimit(300, TReadAhead::bNone, false), 1);
    EXPECT_EQ(TReadAhead::EqualLimit(300, TReadAhead::bBelow, false), 1);
    readAhead.BeginFill();
    readAhead.Append("0000000001", "abcd");
    readAhead.EndFill(std::nullopt, false, TReadAhead::bNone, "");
    EXPECT_FALSE(readAhead.Fresh(std::nullopt));
    EXPECT_FALSE(readAhead.Fresh(7u));
}

struct TEqualLimitCase
{
    const char* Name;
    int LastWalk;
    TReadAhead::TBound LastBound;
    int Least;  // rows asked for
    int Most;
};

class EqualLimit : public ::testing::TestWithParam<TEqualLimitCase>
{
};

TEST_P(EqualLimit, ReadsAheadAsFarAsTheLastWalkWentAndPastItsEnd)
{
    const TEqualLimitCase& c = GetParam();
    const int limit = TReadAhead::EqualLimit(c.LastWalk, c.LastBound, true);
    EXPECT_GE(limit, c.Least);
    EXPECT_LE(limit, c.Most);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EqualLimit,
    ::testing::Values(TEqualLimitCase{"Lookup", 0, TReadAhead::bNone, 1, 1},
                      TEqualLimitCase{"LookupAfterNothingBelow", 0, TReadAhead::bBelow, 1, 1},
                      TEqualLimitCase{"WalkToTheEnd", 27, TReadAhead::bNone, 30, 1024},
                      TEqualLimitCase{"WalkBelowABound", 27, TReadAhead::bBelow, 29, 29},
                      TEqualLimitCase{"WalkUpToABound", 274, TReadAhead::bUpTo, 276, 276},
                      TEqualLimitCase{"OneRecordBelowABound", 1, TReadAhead::bBelow, 3, 3},
                      TEqualLimitCase{"LongWalkToTheEnd", 100000, TReadAhead::bNone, 1024, 1024},
                      TEqualLimitCase{"LongWalkBelowABound", 100000, TReadAhead::bBelow, 1024, 1024}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ReadAhead, RowsServeOnlyWhileTheCounterIsUnchanged)
{
    TReadAhead readAhead(4);
    readAhead.BeginFill();
    readAhead.Append("0000000001", "abcd");
    readAhead.Append("0000000002", "efgh");
    readAhead.EndFill(41u, true, TReadAhead::bBelow, "z");
    EXPECT_TRUE(readAhead.Fresh(41u));
    EXPECT_FALSE(readAhead.Fresh(42u));
    EXPECT_FALSE(readAhead.Fresh(std::nullopt));
    ASSERT_FALSE(readAhead.Empty());
    EXPECT_EQ(readAhead.Front().Pk, "0000000001");
    readAhead.Pop();
    EXPECT_EQ(readAhead.Last().Pk, "0000000001");
    EXPECT_EQ(readAhead.Front().Pk, "0000000002");
    EXPECT_EQ(std::string(readAhead.Front().Record, 4), "efgh");
    readAhead.Pop();
    EXPECT_TRUE(readAhead.Empty());
    EXPECT_TRUE(readAhead.ExhaustedUnder(TReadAhead::bBelow, "z"));
    EXPECT_FALSE(readAhead.ExhaustedUnder(TReadAhead::bBelow, "zz"));
    EXPECT_FALSE(readAhead.ExhaustedUnder(TReadAhead::bUpTo, "z"));
}

TEST(ReadAhead, AnUnboundedBatchThatEndedEarlyEndsEveryWalk)
{
    TReadAhead readAhead(4);
    readAhead.BeginFill();
    readAhead.EndFill(1u, true, TReadAhead::bNone, "");
    EXPECT_TRUE(readAhead.ExhaustedUnder(TReadAhead::bUpTo, "q"));
    readAhead.BeginFill();
    readAhead.EndFill(1u, false, TReadAhead::bNone, "");
    EXPECT_FALSE(readAhead.ExhaustedUnder(TReadAhead::bNone, ""));
}

using ChangeCounterTest = TStoreTest;

TEST_F(ChangeCounterTest, EveryCommitOfAnyConnectionRaisesIt)
{
    {
        TXIsamFile file;
        OpenFile(file, kCategoryFormat, "OBCat.Ism");
    }
    TChangeCounter counter;
    counter.Open(Path("OBCat.Ism"));
    ASSERT_TRUE(counter.Available());  // the tests' folder is on a local file system
    const auto before = counter.Read();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path("OBCat.Ism").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE kfs_file SET note = 'x'", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto after = counter.Read();
    ASSERT_EQ(sqlite3_exec(db, "UPDATE kfs_file SET note = 'y'", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    ASSERT_TRUE(before && after);
    EXPECT_NE(*before, *after);
    EXPECT_NE(*after, *counter.Read());
}

TEST_F(ChangeCounterTest, ReadsNothingFromAFileTooShortToHoldIt)
{
    std::ofstream(Path("short")) << "short";
    TChangeCounter counter;
    counter.Open(Path("short"));
    EXPECT_FALSE(counter.Read());
    TChangeCounter missing;
    missing.Open(Path("missing"));
    EXPECT_FALSE(missing.Available());
}

// A counter read from the mapped page of a file cut to nothing and written
// again: nothing while it is empty, the file's counter once it is back.
TEST_F(ChangeCounterTest, AFileCutToNothingReadsNothingThenItsCounterAgain)
{
    {
        TXIsamFile file;
        OpenFile(file, kCategoryFormat, "OBCat.Ism");
    }
    const std::string path = Path("OBCat.Ism");
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    TChangeCounter counter;
    counter.Open(path);
    const auto before = counter.Read();
    ASSERT_TRUE(before);
    std::filesystem::resize_file(path, 0);
    EXPECT_FALSE(counter.Read());
    EXPECT_FALSE(counter.Read());
    std::ofstream(path, std::ios::binary | std::ios::in) << bytes;
    EXPECT_EQ(counter.Read(), before);
}

struct TForeignBusCase
{
    const char* Name;
    std::function<void(const std::string& emptyFile)> Raise;
};

class ForeignBusError : public TStoreTest, public ::testing::WithParamInterface<TForeignBusCase>
{
};

// The counters' handler of SIGBUS takes only faults on their own pages.
TEST_P(ForeignBusError, StillEndsTheProcess)
{
    {
        TXIsamFile file;
        OpenFile(file, kCategoryFormat, "OBCat.Ism");
    }
    TChangeCounter counter;
    counter.Open(Path("OBCat.Ism"));
    ASSERT_TRUE(counter.Read());
    const std::string empty = Path("empty");
    std::ofstream{empty};
    // Ended by the signal, or, under a sanitizer whose handler came first,
    // by the abort that handler makes of it; never carried on past it.
    EXPECT_EXIT(GetParam().Raise(empty), [](int status) { return WIFSIGNALED(status); }, "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, ForeignBusError,
    ::testing::Values(TForeignBusCase{"Sent", [](const std::string&) { raise(SIGBUS); }},
                      TForeignBusCase{"FaultOnAnotherMapping",
                                      [](const std::string& emptyFile) {
                                          const int fd = open(emptyFile.c_str(), O_RDONLY);
                                          auto* page = static_cast<volatile char*>(
                                              mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0));
                                          (void)page[0];
                                      }}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
