#include "storage/OrbekoCache.h"
#include "storage/OrbekoDB.h"
#include "support/ChildProcess.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

ORBEKO_CHILD_ROLE(AddCategory)
{
    TXIsamFile file;
    TCategoryRec category{};
    SetField(category.Description, args.at(1));
    return file.Open(args.at(0), 3) && file.Add(category, "") ? 0 : 1;
}

class OrbekoCacheTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db_ = Connect();
        Cache_ = std::make_unique<TCategoryCache>(Db_->CategoryFile.FileName());
        Cache_->OnUpdate = [this](TOrbekoCache& cache) {
            ++Updates_;
            cache.InsertAll(Db_->CategoryFile);
        };
    }

    std::string Describe(const std::string& id)
    {
        TCategoryRec category{};
        Cache_->Lookup(id, category);
        return category.Description;
    }

    std::unique_ptr<TOrbekoDB> Db_;
    std::unique_ptr<TCategoryCache> Cache_;
    int Updates_ = 0;
};

std::string CacheMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EOrbekoCache& error) {
        return error.what();
    }
    return "<no exception>";
}

TEST_F(OrbekoCacheTest, FillsOnceUntilTheFileIsWritten)
{
    const std::string meeting = TDiaryRecords(*Db_).Category("Meeting");
    EXPECT_EQ(Describe(meeting), "Meeting");
    EXPECT_EQ(Describe(meeting), "Meeting");
    EXPECT_EQ(Updates_, 1);

    TCategoryRec read{};
    ASSERT_TRUE(Db_->CategoryFile.GetEqual(read, 0, meeting));
    EXPECT_EQ(Describe(meeting), "Meeting");
    EXPECT_EQ(Updates_, 1) << "reading the file is no change";

    const std::string travel = TDiaryRecords(*Db_).Category("Travel");
    EXPECT_EQ(Describe(travel), "Travel");
    EXPECT_EQ(Updates_, 2);
    EXPECT_EQ(Cache_->Count(), 2);
}

TEST_F(OrbekoCacheTest, SeesAnotherProcessesWriteWithinTheSameSecond)
{
    EXPECT_EQ(CacheMessage([&] { Describe("0000000001"); }),
              "Unable to locate key (0000000001) in category cache");
    TChildProcess child("AddCategory", {Db_->CategoryFile.FileName(), "Lunch"});
    ASSERT_EQ(child.Wait(), 0);
    EXPECT_EQ(Describe("0000000001"), "Lunch");
    EXPECT_EQ(Updates_, 2);
}

TEST_F(OrbekoCacheTest, Messages)
{
    TUserCache users(Db_->UserFile.FileName());
    TUserRec user{};
    EXPECT_EQ(CacheMessage([&] { users.Lookup("0000000001", user); }), "No event handler to update cache");

    users.OnUpdate = [](TOrbekoCache&) {};
    EXPECT_EQ(CacheMessage([&] { users.Lookup("0000000099", user); }),
              "Unable to locate key (0000000099) in user cache");

    users.Insert("0000000001", user);
    EXPECT_EQ(CacheMessage([&] { users.Insert("0000000001", user); }),
              "Unable to add cache entry, possible duplicate key");
    EXPECT_EQ(users.Count(), 1) << "a refused insert keeps what was there";
}

TEST_F(OrbekoCacheTest, MissingFileRetriesThenRefillsEveryTime)
{
    const std::string meeting = TDiaryRecords(*Db_).Category("Meeting");
    TCategoryCache cache(DataFile("Nowhere.Ism"));
    cache.OnUpdate = [this](TOrbekoCache& c) {
        ++Updates_;
        c.InsertAll(Db_->CategoryFile);
    };
    const auto start = std::chrono::steady_clock::now();
    TCategoryRec read{};
    cache.Lookup(meeting, read);
    // It looked again between its attempts before counting the file as changed.
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds((TOrbekoCache::SearchAttempts - 1) * TOrbekoCache::SearchPauseMs));
    cache.Lookup(meeting, read);
    EXPECT_EQ(Updates_, 2);
}

TEST_F(OrbekoCacheTest, FailedRefillIsRepeatedOnTheNextLookup)
{
    const std::string meeting = TDiaryRecords(*Db_).Category("Meeting");
    bool fail = true;
    Cache_->OnUpdate = [&](TOrbekoCache& cache) {
        ++Updates_;
        cache.InsertAll(Db_->CategoryFile);
        if (fail)
            throw EOrbekoCache("File is locked");
    };
    EXPECT_EQ(CacheMessage([&] { Describe(meeting); }), "File is locked");
    fail = false;
    EXPECT_EQ(Describe(meeting), "Meeting");
    EXPECT_EQ(Updates_, 2);
}

TEST_F(OrbekoCacheTest, ReplacedFileCountsAsChanged)
{
    const std::string meeting = TDiaryRecords(*Db_).Category("Meeting");
    Cache_->Watch.IdentityInterval = std::chrono::hours(1);
    EXPECT_EQ(Describe(meeting), "Meeting");
    const auto before = TFileVersion::Of(Cache_->FileName);
    ASSERT_TRUE(before.has_value());
    const std::string copy = DataFile("copy.Ism");
    std::filesystem::copy_file(Cache_->FileName, copy);
    std::filesystem::rename(copy, Cache_->FileName);
    EXPECT_FALSE(Cache_->FileChanged()) << "the path is looked at again only now and then";
    Cache_->Watch.IdentityInterval = {};
    EXPECT_TRUE(Cache_->FileChanged()) << "same counter, but another file";
    EXPECT_FALSE(Cache_->FileChanged());
}

}  // namespace
