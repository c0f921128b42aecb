#include "AdminFixture.h"

#include "kfstore/folder/MountTable.h"
#include "kfstore/folder/Presence.h"
#include "storage/DatabaseFiles.h"
#include "storage/OrbekoDB.h"
#include "support/ChildProcess.h"
#include "support/NoLocksPreload.h"
#include "support/TempDir.h"

#include <QProcess>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include <sys/stat.h>

namespace {

// A workstation that beats every 50 ms in the folder given, until killed.
ORBEKO_CHILD_ROLE(Beat)
{
    TPresence presence(args.at(0), kDatabaseFiles, std::chrono::milliseconds(50));
    std::printf("beating\n");
    std::fflush(stdout);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        presence.Beat();
    }
}

TEST(LockTestTest, LocalFolderPassesAndFailsWhereLocksDoNotExclude)
{
    const TTempDir folder;
    const TAdminRun local = RunAdmin({"locktest", folder.Path()});
    EXPECT_EQ(local.Exit, 0) << local.Out << local.Err;
    EXPECT_NE(local.Out.find("a locked record is refused to the other"), std::string::npos) << local.Out;

    QProcess admin;
    {
        const TNoLocksPreload preload;
        admin.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    }
    admin.start(ORBEKO_ADMIN, {"locktest", QString::fromStdString(folder.Path())});
    ASSERT_TRUE(admin.waitForFinished(60000));
    const QString out = admin.readAllStandardOutput();
    EXPECT_EQ(admin.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains("locks in this folder do not exclude")) << out.toStdString();
    EXPECT_TRUE(out.contains("Sharing this folder would lose data")) << out.toStdString();
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        EXPECT_NE(entry.path().filename().string().rfind("OBLockTest", 0), 0u) << "scratch file left behind";
}

TEST(LockTestTest, PresenceCatchesAWorkstationWhoseLocksCannotBeSeen)
{
    struct TCase
    {
        bool Preloaded;
        bool Killed;
        bool Caught;
    };
    for (const TCase& c : {TCase{true, false, true}, TCase{false, false, false}, TCase{true, true, false}}) {
        const TTempDir folder;
        const TPresence own(folder.Path(), kDatabaseFiles, std::chrono::milliseconds(50));
        std::optional<TNoLocksPreload> preload;
        if (c.Preloaded)
            preload.emplace();
        TChildProcess other("Beat", {folder.Path()});
        preload.reset();
        std::string line;
        ASSERT_TRUE(other.ReadLine(line));
        if (c.Killed) {
            other.Kill(SIGKILL);
            other.Wait();
        }
        const std::vector<TPresence::TUnseen> unseen = TPresence::FindUnseen(folder.Path(), kDatabaseFiles, own.Slot());
        ASSERT_EQ(unseen.size(), c.Caught ? 1u : 0u) << c.Preloaded << c.Killed;
        if (c.Caught) {
            EXPECT_EQ(unseen[0].Pid, other.Pid());
        }
    }
}

// The presence file is written by every workstation of the office: it is
// as shared as the database's files, and no more.
TEST(LockTestTest, PresenceFileTakesTheDatabasesPermissions)
{
    const TTempDir folder;
    for (const mode_t mode : {0660, 0664}) {
        std::filesystem::remove(folder.File(TPresence::FileName));
        std::ofstream(folder.File(TOrbekoDB::UserFileName)).put('x');
        ASSERT_EQ(::chmod(folder.File(TOrbekoDB::UserFileName).c_str(), mode), 0);
        const TPresence own(folder.Path(), kDatabaseFiles, std::chrono::milliseconds(50));
        struct stat presence {};
        ASSERT_EQ(::stat(folder.File(TPresence::FileName).c_str(), &presence), 0);
        EXPECT_EQ(presence.st_mode & 0777, mode);
    }
}

TEST(LockTestTest, MountOptionsThatLoseLocks)
{
    struct TCase
    {
        const char* Line;
        int Risks;
        bool Refuse;
        const char* Names;
    };
    const TCase cases[] = {
        {"/dev/sda1 /srv/diary ext4 rw,relatime 0 0", 0, false, ""},
        {"server:/export /srv/diary nfs rw,vers=3,nolock,addr=10.0.0.1 0 0", 1, true, "nolock"},
        {"server:/export /srv/diary nfs4 rw,vers=4.2,local_lock=posix 0 0", 1, true, "local_lock=posix"},
        {"server:/export /srv/diary nfs4 rw,vers=4.2,local_lock=none 0 0", 1, false, "lease"},
        {"//nas/diary /srv/diary cifs rw,vers=3.0,nobrl,cache=strict 0 0", 1, true, "nobrl"},
        {"//nas/diary /srv/diary cifs rw,vers=3.0,cache=loose 0 0", 1, true, "cache=loose"},
        {"//nas/diary /srv/diary cifs rw,vers=3.0,cache=strict 0 0", 0, false, ""},
        {"user@host:/d /srv/diary fuse.sshfs rw,user_id=1000 0 0", 1, false, "FUSE"},
    };
    for (const TCase& c : cases) {
        std::istringstream line(std::string("/dev/vda / ext4 rw 0 0\n") + c.Line + "\n");
        const auto mount = TMountTable::Find(TMountTable::Parse(line), "/srv/diary/office");
        ASSERT_TRUE(mount);
        EXPECT_EQ(mount->MountPoint, "/srv/diary");
        const std::vector<TMountRisk> risks = TMountTable::Risks(*mount);
        ASSERT_EQ(static_cast<int>(risks.size()), c.Risks) << c.Line;
        if (c.Risks) {
            EXPECT_EQ(risks[0].Refuse, c.Refuse) << c.Line;
            EXPECT_NE(risks[0].Reason.find(c.Names), std::string::npos) << risks[0].Reason;
        }
    }
    std::istringstream escaped("//nas/my\\040diary /mnt/my\\040diary cifs rw 0 0\n");
    EXPECT_EQ(TMountTable::Find(TMountTable::Parse(escaped), "/mnt/my diary/x")->Device, "//nas/my diary");
}

}  // namespace
