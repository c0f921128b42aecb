#include "StoreFixture.h"

#include "kfstore/KfsStatus.h"
#include "support/ChildProcess.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using XIsamFileReadOnly = TStoreTest;

constexpr uid_t kNobody = 65534;

// Opens a keyed file in the folder args[0] with two records, changes the
// folder as args[1] names and prints the status of an add, a rewrite and a
// delete, one a line, after the status of that open ("open 0" when it
// opened or none was needed); "skip" where the change cannot be made here. The
// changes: "mode-folder" the folder's mode read-only, "mode-file" the
// file's (both as an account that is not root, which may write where the
// modes forbid it); "mount-folder" and "mount-file" a read-only mount over
// the folder or the file, in a mount namespace of the child's own; "gone"
// the folder renamed to args[2]. A folder changed is met by the handle
// already open; a file changed, by a handle opened after.
ORBEKO_CHILD_ROLE(WriteIntoChangedFolder)
{
    const std::string& folder = args[0];
    const std::string& change = args[1];
    const bool byMode = change.rfind("mode-", 0) == 0;
    const bool byMount = change.rfind("mount-", 0) == 0;
    if ((byMode && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
        || (byMount && (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0))) {
        std::printf("skip\n");
        return 0;
    }
    const std::string path = folder + "/OBDayEnt.Ism";
    TXIsamFile opened;
    if (!opened.CreateFile(path, 10, kDayEntryFormat) || !opened.Open(path, 3))
        return 1;
    if (!opened.Add(MakeEntry("0000000100", "kept"), "") || !opened.Add(MakeEntry("0000000200", "kept"), ""))
        return 2;
    const bool ofFile = change.size() > 5 && change.compare(change.size() - 5, 5, "-file") == 0;
    const std::string& changed = ofFile ? path : folder;
    if (byMode && chmod(changed.c_str(), ofFile ? 0444 : 0555) != 0)
        return 3;
    if (byMount
        && (mount(changed.c_str(), changed.c_str(), nullptr, MS_BIND, nullptr) != 0
            || mount(nullptr, changed.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)) {
        std::printf("skip\n");
        return 0;
    }
    if (change == "gone" && std::rename(folder.c_str(), args[2].c_str()) != 0)
        return 3;
    TXIsamFile later;
    std::printf("open %d\n", ofFile && !later.Open(path, 3) ? later.Status() : 0);
    if (ofFile && !later.IsOpen())
        return 0;
    TXIsamFile& file = ofFile ? later : opened;
    file.Add(MakeEntry("0000000300", "new"), "");
    std::printf("%d\n", file.Status());
    file.Rewrite(MakeEntry("0000000100", "changed"), "0000000001");
    std::printf("%d\n", file.Status());
    file.Delete("0000000002");
    std::printf("%d\n", file.Status());
    return 0;
}

TEST_F(XIsamFileReadOnly, AWriteSaysWhetherTheFolderIsReadOnlyOrGone)
{
    struct TCase
    {
        const char* Change;
        int16_t Opened;  // of the open after the change
        int16_t Status;  // of every write, when it opened
    };
    const TCase cases[] = {
        {"mode-folder", ksOk, ksUpdateMode},        {"mode-file", ksUpdateMode, ksUpdateMode},
        {"mount-folder", ksOk, ksUpdateMode},       {"mount-file", ksUpdateMode, ksUpdateMode},
        {"gone", ksOk, ksNotFound},
    };
    // The account the child becomes must reach the test's folders.
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::all);
    std::vector<std::string> skipped;
    for (const TCase& c : cases) {
        const std::string folder = Path(std::string("db-") + c.Change);
        std::filesystem::create_directory(folder);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
        }
        TChildProcess child("WriteIntoChangedFolder", {folder, c.Change, folder + "-moved"});
        std::string line;
        ASSERT_TRUE(child.ReadLine(line)) << c.Change;
        if (line == "skip") {
            skipped.push_back(c.Change);
            continue;
        }
        EXPECT_EQ(line, "open " + std::to_string(c.Opened)) << c.Change;
        if (c.Opened == ksOk) {
            for (const char* write : {"add", "rewrite", "delete"}) {
                ASSERT_TRUE(child.ReadLine(line)) << c.Change;
                EXPECT_EQ(line, std::to_string(c.Status)) << c.Change << " " << write;
            }
        }
        EXPECT_EQ(child.Wait(), 0) << c.Change;
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped.size() << " changes cannot be made here, " << skipped.front() << " the first";
}

}  // namespace
