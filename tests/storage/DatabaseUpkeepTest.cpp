// The keeper's work on a database with and without its details file, alike
// in both homes: the figures show the file where it is there, and the check
// reads it and names the details whose record is gone.
#include "kfstore/StoreFixture.h"
#include "storage/DatabaseCheck.h"
#include "storage/DetailFile.h"
#include "storage/FolderStats.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

class DatabaseUpkeep : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        Db = std::make_unique<TOrbekoDB>(Shell, Location());
        Records.emplace(*Db);
        Ann = Records->User("ann", "Ann Smith", "AS", urAddEntries);
    }

    std::vector<TProblem> Check()
    {
        std::vector<TProblem> found;
        TDatabaseCheck([&found](const TProblem& problem) { found.push_back(problem); }).CheckQuiet(Location());
        return found;
    }

    // An event of Ann's with a place and notes.
    std::string EventWithDetails(const std::string& stamp)
    {
        const std::string id = Records->Event(stamp, Ann, {Ann}, "Meeting");
        TEventDetails details;
        details.Place = QStringLiteral("Room 4");
        details.Notes = QStringLiteral("The agenda");
        Db->Details.WriteEvent(id, Stored(id), details, nullptr);
        return id;
    }

    TDayEntryRec Stored(const std::string& id)
    {
        TDayEntryRec entry{};
        EXPECT_TRUE(Db->DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, id));
        return entry;
    }

    // The identifiers of the pieces whose subject begins with prefix.
    std::vector<std::string> Pieces(const std::string& prefix)
    {
        std::vector<std::string> ids;
        TDetailRec piece;
        TKeyWalk walk = TKeyWalk::Prefix(Db->Details.File(), TDetailFile::SubjectKey, prefix);
        while (walk.Next(piece))
            ids.push_back(walk.Id());
        return ids;
    }

    TScriptedDBShell Shell;
    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Ann;
};

TEST_P(DatabaseUpkeep, FiguresShowTheDetailsFileOnlyWhereItIsThereAndItsPiecesCheckClean)
{
    struct TCase
    {
        const char* Name;
        std::function<void()> Write;
        int64_t Pieces;  // in the details file afterwards; -1: no file
    };
    std::string work;
    const TCase cases[] = {
        {"no details yet", [] {}, -1},
        {"an event's place and notes", [&] { EventWithDetails("1796900400"); }, 2},
        {"a category's colour",
         [&] {
             work = Records->Category("Work");
             Db->Details.SetCategoryColour(work, 0x336699);
         },
         3},
        {"a user's e-mail address", [&] { Db->Details.SetUserEmail(Ann, QStringLiteral("ann@example.org")); }, 4},
        {"an event in that category", [&] {
             const std::string id = Records->Event("1796904000", Ann, {Ann}, "Review", 0, work);
             TEventDetails details;
             details.EndStamp = "1796907600";
             Db->Details.WriteEvent(id, Stored(id), details, nullptr);
         }, 5},
    };
    for (const TCase& c : cases) {
        c.Write();
        const TFolderStats stats(Location());
        const auto details = stats.Files.find(TDetailFile::FileName);
        if (c.Pieces < 0) {
            EXPECT_EQ(details, stats.Files.end()) << c.Name << ": a database without it shows no such file";
            EXPECT_EQ(stats.Files.size(), 4u) << c.Name;
        } else {
            ASSERT_NE(details, stats.Files.end()) << c.Name;
            EXPECT_TRUE(details->second.Present) << c.Name;
            EXPECT_EQ(details->second.Records, c.Pieces) << c.Name;
        }
        for (const TProblem& problem : Check())
            ADD_FAILURE() << c.Name << ": " << problem.File << " " << problem.Record << ": " << problem.Text;
    }
}

TEST_P(DatabaseUpkeep, DetailsWhoseRecordIsGoneAreNamed)
{
    // One event that stays, with details, on each side of every broken one.
    EventWithDetails("1796896800");
    // Made with its details, then broken once a later event is there, so
    // that no identifier is given again by accident.
    struct TBroken
    {
        std::string Prefix;    // the subjects of the pieces the check must name
        std::string Expected;  // in each of their problems
        std::function<void()> Break;
        std::function<void()> Mend;
    };
    struct TCase
    {
        const char* Name;
        std::function<TBroken()> Make;
    };
    const TCase cases[] = {
        {"an event deleted without its details",
         [&]() -> TBroken {
             const std::string id = EventWithDetails("1796900400");
             return {"E" + id, "its event " + id + " is not in OBDayEnt.Ism",
                     [&, id] { EXPECT_TRUE(Db->DayEntryFile.Delete(id)); }, [&, id] { Db->Details.RemoveEvent(id); }};
         }},
        {"a deleted event's identifier given to another event",
         [&]() -> TBroken {
             const std::string id = EventWithDetails("1796904000");
             return {"E" + id, "its event " + id + " is not the one it was made for",
                     [&, id] {
                         TDayEntryRec other = Stored(id);
                         EXPECT_TRUE(Db->DayEntryFile.Delete(id));
                         SetField(other.EntryStamp, "1796990400");
                         EXPECT_TRUE(Db->DayEntryFile.Add(other, id)) << Db->DayEntryFile.StatusText();
                     },
                     [&, id] {
                         Db->Details.RemoveEvent(id);
                         EXPECT_TRUE(Db->DayEntryFile.Delete(id));
                     }};
         }},
        {"a category deleted without its colour",
         [&]() -> TBroken {
             const std::string id = Records->Category("Gone");
             Db->Details.SetCategoryColour(id, 0xFF0000);
             return {"C" + id, "its category " + id + " is not in OBCat.Ism",
                     [&, id] { EXPECT_TRUE(Db->CategoryFile.Delete(id)); },
                     [&, id] { Db->Details.RemoveCategory(id); }};
         }},
        {"a user deleted without his e-mail address",
         [&]() -> TBroken {
             const std::string id = Records->User("bob", "Bob Jones", "BJ");
             Db->Details.SetUserEmail(id, QStringLiteral("bob@example.org"));
             return {"U" + id, "its user " + id + " is not in OBUsers.Ism",
                     [&, id] { EXPECT_TRUE(Db->UserFile.Delete(id)); }, [&, id] { Db->Details.RemoveUser(id); }};
         }},
        {"a piece of no known kind",
         [&]() -> TBroken {
             TDetailRec piece;
             std::memset(&piece, 0, sizeof piece);
             SetField(piece.Subject, "Q0000000001K000");
             EXPECT_TRUE(Db->Details.File().Add(piece, "")) << Db->Details.File().StatusText();
             const std::string pk = Db->Details.File().LastKey();
             return {"Q", "names no event, category, user or series", [] {},
                     [&, pk] { EXPECT_TRUE(Db->Details.File().Delete(pk)); }};
         }},
    };
    for (const TCase& c : cases) {
        const TBroken broken = c.Make();
        EventWithDetails("1796986800");
        broken.Break();
        const std::vector<std::string> pieces = Pieces(broken.Prefix);
        ASSERT_FALSE(pieces.empty()) << c.Name;
        const std::vector<TProblem> problems = Check();
        for (const std::string& pk : pieces) {
            bool named = false;
            for (const TProblem& problem : problems)
                named = named
                     || (problem.File == TDetailFile::FileName && problem.Record == pk
                         && problem.Text.find(broken.Expected) != std::string::npos);
            EXPECT_TRUE(named) << c.Name << ": piece " << pk << " (" << broken.Expected << ")";
        }
        EXPECT_EQ(problems.size(), pieces.size()) << c.Name << ": only the broken pieces are named";
        broken.Mend();
        for (const TProblem& problem : Check())
            ADD_FAILURE() << c.Name << ", mended: " << problem.File << " " << problem.Record << ": " << problem.Text;
    }
}

INSTANTIATE_STORE_HOMES(DatabaseUpkeep);

}  // namespace
