#include "kfstore/folder/Presence.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The layout as workstations of every version read it: 256 beat slots of 64
// bytes, magic "OBHB" and version 1 first; then the user entries, 80 bytes
// a slot, magic "OBHU", version, pid, a spare int, host, user id, user name.
constexpr off_t kBeatSize = 64;
constexpr off_t kUserTable = 256 * kBeatSize;
constexpr off_t kUserSize = 80;

std::string Host()
{
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    return host;
}

std::vector<char> Bytes(const std::string& path, off_t offset, std::size_t size)
{
    std::vector<char> bytes(size);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(pread(fd, bytes.data(), size, offset), static_cast<ssize_t>(size));
    close(fd);
    return bytes;
}

void Write(const std::string& path, off_t offset, const void* data, std::size_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(pwrite(fd, data, size, offset), static_cast<ssize_t>(size));
    close(fd);
}

template <class T> T At(const std::vector<char>& bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// This workstation's presence in a folder, and any others started there.
struct TWorld
{
    TPresence& Own;
    std::string Folder;
    std::string Path;
    std::vector<std::unique_ptr<TPresence>> Others;
};

struct TPresenceCase
{
    const char* Name;
    // Done to the presences and the file before the look.
    std::function<void(TWorld& world)> Act;
    bool Ended;  // the workstation's program has ended before the look
    std::vector<std::string> UserIds;  // of the occupants, one per workstation
    std::vector<std::string> UserNames;
};

class PresenceTest : public ::testing::TestWithParam<TPresenceCase>
{
protected:
    std::string Path() const { return Dir.File(TPresence::FileName); }
    TTempDir Dir;
};

TEST_P(PresenceTest, OccupantsNameTheUserOfTheirOwnBeat)
{
    const TPresenceCase& c = GetParam();
    auto presence = std::make_unique<TPresence>(Dir.Path(), TKeptFiles{}, 10000ms);
    TWorld world{*presence, Dir.Path(), Path(), {}};
    c.Act(world);
    if (c.Ended)
        presence.reset();
    const std::vector<TPresence::TOccupant> occupants = TPresence::Occupants(Dir.Path(), {});
    std::vector<std::string> ids;
    std::vector<std::string> names;
    for (const TPresence::TOccupant& occupant : occupants) {
        EXPECT_EQ(occupant.Host, Host());
        EXPECT_EQ(occupant.Pid, getpid());
        ids.push_back(occupant.UserId);
        names.push_back(occupant.UserName);
    }
    EXPECT_EQ(ids, c.UserIds);
    EXPECT_EQ(names, c.UserNames);
}

const TPresenceCase kCases[] = {
    {"BeforeALogin", [](TWorld&) {}, false, {""}, {""}},
    {"AfterALogin", [](TWorld& w) { w.Own.SetUser("0000000002", "BRUNO"); }, false, {"0000000002"}, {"BRUNO"}},
    {"AfterTheNextLogin",
     [](TWorld& w) {
         w.Own.SetUser("0000000002", "BRUNO");
         w.Own.SetUser("0000000001", "ANNA");
         w.Own.Beat();
     },
     false, {"0000000001"}, {"ANNA"}},
    // An entry left by a workstation that died, in the slot a workstation
    // of version 1 beats in now: it must not name that one's user.
    {"AnEntryOfAnotherProcessCountsForNothing",
     [](TWorld& w) {
         w.Own.SetUser("0000000002", "BRUNO");
         const off_t at = kUserTable + w.Own.Slot() * kUserSize;
         std::vector<char> entry = Bytes(w.Path, at, kUserSize);
         const int32_t other = getpid() + 1;
         std::memcpy(entry.data() + 8, &other, sizeof(other));
         Write(w.Path, at, entry.data(), entry.size());
     },
     false, {""}, {""}},
    {"TwoWorkstations",
     [](TWorld& w) {
         w.Own.SetUser("0000000002", "BRUNO");
         w.Others.push_back(std::make_unique<TPresence>(w.Folder, TKeptFiles{}, 10000ms));
         w.Others.back()->SetUser("0000000003", "CARLA");
     },
     false, {"0000000002", "0000000003"}, {"BRUNO", "CARLA"}},
    {"GoneWithItsProgram", [](TWorld& w) { w.Own.SetUser("0000000002", "BRUNO"); }, true, {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, PresenceTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Workstations of version 1 read the beats alone: each slot keeps their
// layout, and the user entries lie past the last slot.
TEST(PresenceLayoutTest, BeatsKeepTheirLayoutAndUsersLieBeyondTheSlots)
{
    TTempDir dir;
    TPresence presence(dir.Path(), {}, 10000ms);
    presence.SetUser("0000000002", "BRUNO");
    const std::string path = dir.File(TPresence::FileName);
    const std::vector<char> beat = Bytes(path, presence.Slot() * kBeatSize, kBeatSize);
    EXPECT_EQ(At<uint32_t>(beat, 0), 0x4F424842u);
    EXPECT_EQ(At<uint32_t>(beat, 4), 1u) << "the version older workstations accept";
    EXPECT_EQ(At<int32_t>(beat, 8), getpid());
    EXPECT_EQ(std::string(beat.data() + 32), Host());
    const std::vector<char> user = Bytes(path, kUserTable + presence.Slot() * kUserSize, kUserSize);
    EXPECT_EQ(At<uint32_t>(user, 0), 0x4F424855u);
    EXPECT_EQ(At<uint32_t>(user, 4), 1u);
    EXPECT_EQ(At<int32_t>(user, 8), getpid());
    EXPECT_EQ(std::string(user.data() + 16), Host());
    EXPECT_EQ(std::string(user.data() + 48), "0000000002");
    EXPECT_EQ(std::string(user.data() + 64), "BRUNO");
}

TEST(PresenceLayoutTest, LookingAtAFolderWithoutWorkstationsMakesNoFile)
{
    TTempDir dir;
    EXPECT_TRUE(TPresence::Occupants(dir.Path(), {}).empty());
    EXPECT_NE(access(dir.File(TPresence::FileName).c_str(), F_OK), 0);
}

}  // namespace
