#include "StoreFixture.h"

#include "kfstore/KfStore.h"
#include "support/ChildProcess.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using XIsamFileBadInput = TStoreTest;
using XIsamFileBadCalls = TStoreHomesTest;

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// Runs as an ordinary user even when the tests run as root, to whom file
// permissions mean nothing; prints the status of opening args[0] and of
// creating args[1].
ORBEKO_CHILD_ROLE(OpenAsUser)
{
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        return 100;
    TXIsamFile file;
    file.Open(args[0], 3);
    const int open = file.Status();
    file.Close();
    TXIsamFile other;
    other.CreateFile(args[1], 10, kCategoryFormat);
    std::printf("%d %d\n", open, other.Status());
    return 0;
}

TEST_F(XIsamFileBadInput, FilesThatAreNotKeyedFilesGiveStatus8)
{
    WriteFile(Path("text.Ism"), std::string(5000, 'x'));
    WriteFile(Path("empty.Ism"), "");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path("other.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    std::filesystem::create_directory(Path("folder.Ism"));
    for (const char* name : {"text.Ism", "empty.Ism", "other.db", "folder.Ism"}) {
        TXIsamFile file;
        EXPECT_FALSE(file.Open(Path(name), 3)) << name;
        EXPECT_EQ(file.Status(), 8) << name;
        EXPECT_EQ(file.StatusText(), "File is not isam format");
        EXPECT_FALSE(file.IsOpen());
    }
}

// Writes garbage over the file from offset on, or cuts it there.
struct TDamage
{
    const char* Name;
    std::function<void(const std::string&)> Apply;
};

TEST_F(XIsamFileBadInput, ADamagedFileGivesStatus15)
{
    const std::vector<TDamage> damages = {
        {"garbage after the first page",
         [](const std::string& path) {
             const auto size = std::filesystem::file_size(path);
             std::fstream stream(path, std::ios::in | std::ios::out | std::ios::binary);
             stream.seekp(4096);
             stream << std::string(size - 4096, '\xab');
         }},
        {"cut after two pages", [](const std::string& path) { std::filesystem::resize_file(path, 8192); }},
        {"garbage in the last pages",
         [](const std::string& path) {
             const auto size = std::filesystem::file_size(path);
             std::fstream stream(path, std::ios::in | std::ios::out | std::ios::binary);
             stream.seekp(static_cast<std::streamoff>(size - 3 * 4096));
             stream << std::string(3 * 4096, '\x5a');
         }},
    };
    for (const auto& damage : damages) {
        const std::string path = Path(std::string(damage.Name) + ".Ism");
        {
            TXIsamFile file;
            ASSERT_TRUE(file.CreateFile(path, 10, kDayEntryFormat));
            ASSERT_TRUE(file.Open(path, 3));
            for (int i = 0; i < 200; ++i)
                ASSERT_TRUE(file.Add(MakeEntry(std::to_string(1000000000 + i * 7919 % 1000), "entry"), ""));
        }
        damage.Apply(path);
        TXIsamFile file;
        if (file.Open(path, 3)) {
            // The damage may lie where opening does not look; reading everything finds it.
            TDayEntryRec entry;
            bool failed = false;
            for (int16_t key : {0, 3}) {
                file.GoTop(key);
                while (file.GetNext(entry, key, "", gcAny)) {
                }
                failed = failed || file.Status() != 1;
                if (failed)
                    break;
            }
            ASSERT_TRUE(failed) << damage.Name;
        }
        EXPECT_EQ(file.Status(), 15) << damage.Name << ": " << file.StatusText();
    }
}

TEST_F(XIsamFileBadInput, MissingFoldersAndFilesGiveStatus1)
{
    TXIsamFile file;
    EXPECT_FALSE(file.CreateFile(Path("missing/OBCat.Ism"), 10, kCategoryFormat));
    EXPECT_EQ(file.Status(), 1);
    EXPECT_FALSE(file.Open(Path("missing/OBCat.Ism"), 3));
    EXPECT_EQ(file.Status(), 1);
    EXPECT_FALSE(file.Open(Path("OBCat.Ism"), 3));
    EXPECT_EQ(file.Status(), 1);
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}

TEST_F(XIsamFileBadInput, ReadOnlyFilesAndFoldersGiveStatus2)
{
    struct TCase
    {
        const char* Folder;
        std::filesystem::perms FolderPerms;
        std::filesystem::perms FilePerms;
        const char* Expected;  // open, create
    };
    using std::filesystem::perms;
    const TCase cases[] = {
        {"writable", perms::all, perms::owner_read | perms::owner_write | perms::group_read | perms::group_write
                                     | perms::others_read | perms::others_write,
         "0 0"},
        {"readonly-file", perms::all, perms::owner_read | perms::group_read | perms::others_read, "2 0"},
        {"readonly-folder", perms::owner_read | perms::owner_exec | perms::group_read | perms::group_exec
                                | perms::others_read | perms::others_exec,
         perms::owner_read | perms::owner_write | perms::group_read | perms::group_write | perms::others_read
             | perms::others_write,
         "2 2"},
    };
    std::filesystem::permissions(Dir.Path(), perms::all);
    for (const auto& c : cases) {
        const std::string folder = Path(c.Folder);
        std::filesystem::create_directory(folder);
        const std::string path = folder + "/OBCat.Ism";
        {
            TXIsamFile file;
            ASSERT_TRUE(file.CreateFile(path, 10, kCategoryFormat));
        }
        std::filesystem::permissions(path, c.FilePerms);
        std::filesystem::permissions(folder, c.FolderPerms);
        TChildProcess child("OpenAsUser", {path, folder + "/New.Ism"});
        std::string line;
        ASSERT_TRUE(child.ReadLine(line)) << c.Folder;
        EXPECT_EQ(line, c.Expected) << c.Folder;
        EXPECT_EQ(child.Wait(), 0);
        std::filesystem::permissions(folder, perms::all);
    }
}

TEST_P(XIsamFileBadCalls, InvalidKeyFormatGivesStatus5AndMakesNoFile)
{
    TXIsamFile file;
    EXPECT_FALSE(file.CreateFile(Path(), 10, "&,X&,$*11"));
    EXPECT_EQ(file.Status(), 5);
    EXPECT_EQ(file.StatusText(), "Invalid format string");
    EXPECT_FALSE(Exists("OBDayEnt.Ism"));
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path()));
}

TEST_P(XIsamFileBadCalls, CreatingOverAnExistingFileGivesStatus9AndKeepsIt)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    ASSERT_TRUE(file.Add(MakeEntry("0000000001", "kept"), ""));
    TXIsamFile other;
    EXPECT_FALSE(other.CreateFile(Path(), 10, kDayEntryFormat));
    EXPECT_EQ(other.Status(), 9);
    EXPECT_EQ(file.RecordCount(), 1);
    EXPECT_FALSE(other.CreateFile(Path("Zero.Ism"), 0, kDayEntryFormat));
    EXPECT_EQ(other.Status(), 7);
}

TEST_P(XIsamFileBadCalls, WrongRecordSizesGiveStatus7AndWriteNothing)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    ASSERT_TRUE(file.Add(MakeEntry("0000000001", "one"), ""));
    TAlarmRec alarm{};
    const std::map<std::string, std::function<bool()>> operations = {
        {"Add", [&] { return file.Add(alarm, ""); }},
        {"Rewrite", [&] { return file.Rewrite(alarm, "0000000001"); }},
        {"GetEqual", [&] { return file.GetEqual(alarm, 0, "0000000001"); }},
        {"GetNext", [&] {
             file.GoTop(0);
             return file.GetNext(alarm, 0, "", gcAny);
         }},
    };
    for (const auto& [name, operation] : operations) {
        EXPECT_FALSE(operation()) << name;
        EXPECT_EQ(file.Status(), 7) << name;
    }
    EXPECT_EQ(file.RecordCount(), 1);
    TDayEntryRec entry;
    ASSERT_TRUE(file.GetEqual(entry, 0, "0000000001"));
    EXPECT_STREQ(entry.Description, "one");
}

TEST_P(XIsamFileBadCalls, KeysLongerThanTheKeyLengthOrEmptyGiveStatus7)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    const TDayEntryRec entry = MakeEntry("0000000001", "x");
    const std::map<std::string, std::function<bool(const std::string&)>> operations = {
        {"Add", [&](const std::string& key) { return file.Add(entry, key); }},
        {"Rewrite", [&](const std::string& key) { return file.Rewrite(entry, key); }},
        {"Delete", [&](const std::string& key) { return file.Delete(key); }},
        {"LockRecord", [&](const std::string& key) { return file.LockRecord(key); }},
        {"UnlockRecord", [&](const std::string& key) { return file.UnlockRecord(key); }},
    };
    for (const auto& [name, operation] : operations) {
        EXPECT_FALSE(operation("00000000001")) << name;
        EXPECT_EQ(file.Status(), 7) << name;
        if (name != "Add") {
            EXPECT_FALSE(operation("")) << name;
            EXPECT_EQ(file.Status(), 7) << name;
        }
    }
    EXPECT_EQ(file.RecordCount(), 0);
}

TEST_P(XIsamFileBadCalls, KeysThatAreNotIndexedAndUnknownModesGiveStatus7)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    TDayEntryRec entry;
    EXPECT_FALSE(file.GetEqual(entry, 2, "x"));
    EXPECT_EQ(file.Status(), 7);
    EXPECT_FALSE(file.GetNext(entry, 8, "", gcAny));
    EXPECT_EQ(file.Status(), 7);
    EXPECT_FALSE(file.GoTop(-1));
    EXPECT_EQ(file.Status(), 7);
    EXPECT_FALSE(file.GetNext(entry, 0, "", static_cast<TGetCondition>(32)));
    EXPECT_EQ(file.Status(), 7);

    TXIsamFile other;
    EXPECT_FALSE(other.Open(Path(), 2));
    EXPECT_EQ(other.Status(), 7);
    EXPECT_FALSE(other.IsOpen());

    const int32_t handle = file.Handle();
    const int32_t size = sizeof(entry);
    std::string key = "0000000001";
    const int16_t putMode = 3;
    EXPECT_EQ(KfsPut(&handle, &key, &entry, &size, &putMode), 7);
}

TEST_P(XIsamFileBadCalls, AHandleNoLongerOpenGivesStatus4)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    const int32_t handle = file.Handle();
    ASSERT_TRUE(file.Close());
    TIsamInfoRec info;
    EXPECT_EQ(KfsInfo(&handle, &info), 4);
    EXPECT_EQ(KfsClose(&handle), 4);
    const int16_t key = 0;
    EXPECT_EQ(KfsBOF(&handle, &key), 4);
    // The object's own handle is 0 once closed; the store knows no such handle.
    EXPECT_EQ(file.RecordCount(), -1);
    EXPECT_EQ(file.Status(), 4);
    EXPECT_EQ(file.NextKey(), "");
    EXPECT_EQ(file.Status(), 4);
}

TEST_P(XIsamFileBadCalls, AFileIsRemovedOnlyWhenNoHandleHasItOpen)
{
    TXIsamFile file;
    OpenFile(file, kDayEntryFormat);
    EXPECT_EQ(KfsKill(Path().c_str()), 9);
    EXPECT_TRUE(Exists("OBDayEnt.Ism"));
    EXPECT_TRUE(file.Add(MakeEntry("0000000001", "x"), ""));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(KfsKill(Path().c_str()), 0);
    EXPECT_FALSE(Exists("OBDayEnt.Ism"));
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path()));
    EXPECT_EQ(KfsKill(Path().c_str()), 1);
    if (OnServer())
        return;  // what follows are files of a folder that are not keyed files

    WriteFile(Path("text.Ism"), std::string(5000, 'x'));
    EXPECT_EQ(KfsKill(Path("text.Ism").c_str()), 8);
    EXPECT_TRUE(std::filesystem::exists(Path("text.Ism")));
    EXPECT_FALSE(std::filesystem::exists(Path("text.Ism-locks")));
    EXPECT_EQ(KfsKill(Dir.Path().c_str()), 8);
}

TEST_P(XIsamFileBadCalls, NotesAreKeptInTheFileUpToTheirSpace)
{
    {
        TXIsamFile file;
        OpenFile(file, kDayEntryFormat);
        const int32_t handle = file.Handle();
        EXPECT_EQ(KfsWriteNote(&handle, "built by the tests"), 0);
        EXPECT_EQ(KfsWriteNote(&handle, std::string(5000, 'n').c_str()), 10);
    }
    TXIsamFile file;
    ASSERT_TRUE(file.Open(Path(), 3));
    const int32_t handle = file.Handle();
    std::string note;
    EXPECT_EQ(KfsReadNote(&handle, &note), 0);
    EXPECT_EQ(note, "built by the tests");
}

INSTANTIATE_STORE_HOMES(XIsamFileBadCalls);

}  // namespace
