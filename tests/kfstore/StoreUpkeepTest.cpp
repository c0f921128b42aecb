// The keeper's work on a database's files, alike in both homes: figures,
// records in the order of a key, each file's own check, and a copy at one
// moment where the home can take one.
#include "StoreFixture.h"

#include "kfstore/StoreHome.h"
#include "kfstore/StoreUpkeep.h"
#include "storage/OrbekoDB.h"

#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {

class StoreUpkeep : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        TXIsamFile file;
        OpenFile(file, kDayEntryFormat);
        // Added out of their time order, so that the orders of the keys differ.
        for (const char* stamp : {"1800000300", "1800000100", "1800000200"})
            ASSERT_TRUE(file.Add(MakeEntry(stamp, "event"), "")) << file.StatusText();
    }

    std::unique_ptr<TStoreUpkeep> Upkeep()
    {
        return StoreHomes::OfLocation(Location())->Upkeep(Location(), Files);
    }

    const TKeptFile Events{"OBDayEnt.Ism", kDayEntryFormat.c_str(), 10};
    const TKeptFile Missing{"OBCategory.Ism", kCategoryFormat.c_str(), 10};
    const TKeptFile Files[2] = {Events, Missing};
};

std::vector<std::string> Read(TKeyedRows& rows, bool keys)
{
    std::vector<std::string> read;
    while (rows.Next()) {
        EXPECT_NE(rows.Data(), nullptr);
        read.emplace_back(keys ? rows.Key() : rows.Pk());
    }
    return read;
}

}  // namespace

TEST_P(StoreUpkeep, FiguresCountTheRecordsOfTheFilesThatAreThere)
{
    const std::unique_ptr<TStoreUpkeep> upkeep = Upkeep();
    const TStoreUpkeep::TFigures events = upkeep->Figures(Events);
    EXPECT_TRUE(events.Present);
    EXPECT_EQ(events.Records, 3);
    EXPECT_EQ(events.Bytes > 0, !OnServer()) << "a folder's file has bytes, a server keeps its own";
    EXPECT_FALSE(upkeep->Figures(Missing).Present);
}

TEST_P(StoreUpkeep, RowsAndCheckedFilesReadInTheOrderOfTheKeyAsked)
{
    const std::vector<std::string> ids{"0000000001", "0000000002", "0000000003"};
    const std::vector<std::string> stamps{"1800000100", "1800000200", "1800000300"};
    const std::unique_ptr<TStoreUpkeep> upkeep = Upkeep();
    EXPECT_EQ(Read(*upkeep->Rows(Events, TOrbekoDB::DayEntryIdKey), false), ids);
    EXPECT_EQ(Read(*upkeep->Rows(Events, TOrbekoDB::DayEntryStampKey), true), stamps);
    EXPECT_EQ(Read(*upkeep->Rows(Events, TOrbekoDB::DayEntryStampKey), false),
              (std::vector<std::string>{"0000000002", "0000000003", "0000000001"}));

    std::vector<TProblem> problems;
    const std::unique_ptr<TCheckedFile> checked =
        upkeep->Check(Events, [&problems](const TProblem& problem) { problems.push_back(problem); });
    ASSERT_TRUE(checked->Usable());
    EXPECT_TRUE(problems.empty()) << problems.front().Text;
    std::vector<std::string> scanned;
    EXPECT_TRUE(checked->ScanRecords([&scanned](std::string_view pk, const char*) { scanned.emplace_back(pk); }));
    EXPECT_EQ(scanned, ids);
    EXPECT_EQ(Read(*checked->ByKey(TOrbekoDB::DayEntryStampKey), true), stamps);
}

TEST_P(StoreUpkeep, AMissingFileIsReportedAndNotUsable)
{
    std::vector<TProblem> problems;
    const std::unique_ptr<TCheckedFile> checked =
        Upkeep()->Check(Missing, [&problems](const TProblem& problem) { problems.push_back(problem); });
    EXPECT_FALSE(checked->Usable());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].File, Missing.Name);
    EXPECT_NE(problems[0].Text.find("missing"), std::string::npos) << problems[0].Text;
}

TEST_P(StoreUpkeep, AnOptionalFileMissingIsNoProblemAndNotUsable)
{
    struct TCase
    {
        TKeptFile File;
        bool Usable;
        std::size_t Problems;
    };
    const TCase cases[] = {
        {Missing, false, 1},
        {{Missing.Name, Missing.KeyFormat, Missing.KeyLength, true}, false, 0},
        {{Events.Name, Events.KeyFormat, Events.KeyLength, true}, true, 0},
    };
    for (const TCase& c : cases) {
        std::vector<TProblem> problems;
        const std::unique_ptr<TCheckedFile> checked =
            Upkeep()->Check(c.File, [&problems](const TProblem& problem) { problems.push_back(problem); });
        EXPECT_EQ(checked->Usable(), c.Usable) << c.File.Name << (c.File.Optional ? ", optional" : "");
        EXPECT_EQ(problems.size(), c.Problems) << c.File.Name << (c.File.Optional ? ", optional" : "");
        EXPECT_EQ(Upkeep()->Figures(c.File).Present, c.Usable) << c.File.Name;
    }
}

TEST_P(StoreUpkeep, ASnapshotIsTakenOfAFolderOnly)
{
    const std::string copy = Dir.File("copy");
    std::filesystem::create_directory(copy);
    if (OnServer()) {
        EXPECT_THROW(Upkeep()->Snapshot(copy, false), std::runtime_error);
        return;
    }
    EXPECT_TRUE(Upkeep()->Snapshot(copy, true).empty());
    EXPECT_TRUE(std::filesystem::exists(copy + "/" + Events.Name));
    EXPECT_FALSE(std::filesystem::exists(copy + "/" + Missing.Name)) << "a missing file is left out";
    const std::vector<TStoreUpkeep::TFailure> again = Upkeep()->Snapshot(copy, false);
    ASSERT_EQ(again.size(), 1u) << "a copy never overwrites one that is there";
    EXPECT_EQ(again[0].File, Events.Name);
}

TEST_P(StoreUpkeep, NotesAndRemovalGoThroughTheFile)
{
    TXIsamFile writer;
    OpenFile(writer, kDayEntryFormat);
    ASSERT_TRUE(writer.WriteNote("the database's own words")) << writer.StatusText();
    TXIsamFile reader;
    OpenFile(reader, kDayEntryFormat);
    std::string note;
    ASSERT_TRUE(reader.ReadNote(note)) << reader.StatusText();
    EXPECT_EQ(note, "the database's own words");

    EXPECT_FALSE(writer.RemoveFile(Path())) << "an open handle removes no file";
    reader.Close();
    EXPECT_FALSE(TXIsamFile().RemoveFile(Path())) << "refused while another handle has it open";
    EXPECT_TRUE(Exists("OBDayEnt.Ism"));
    writer.Close();
    EXPECT_TRUE(TXIsamFile().RemoveFile(Path()));
    EXPECT_FALSE(Exists("OBDayEnt.Ism"));
}

INSTANTIATE_STORE_HOMES(StoreUpkeep);
