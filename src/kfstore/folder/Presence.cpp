#include "kfstore/folder/Presence.h"

#include "kfstore/KeptFile.h"
#include "kfstore/KfsStatus.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

constexpr uint32_t kMagic = 0x4F424842;  // "OBHB"
constexpr uint32_t kVersion = 1;
// Clocks of two machines may differ by this much and still count as fresh.
constexpr std::chrono::seconds kClockSlack{30};
constexpr std::chrono::milliseconds kPoll{50};
// A beat may come late on a busy machine or network.
constexpr std::chrono::milliseconds kWatchSlack{1000};

// One slot of the file, native byte order as all workstations run on the
// same kind of machine.
struct TBeatRecord
{
    uint32_t Magic;
    uint32_t Version;
    int32_t Pid;
    int32_t IntervalMs;
    uint64_t Sequence;
    int64_t TimeMs;
    char Host[32];
};
static_assert(sizeof(TBeatRecord) == 64);

constexpr uint32_t kUserMagic = 0x4F424855;  // "OBHU"
constexpr uint32_t kUserVersion = 1;

// Who is logged in at a slot's workstation. The table of these starts after
// the last beat slot, where workstations that know only the beats never
// read or write; Pid and Host tie an entry to the beat of its slot.
struct TUserRecord
{
    uint32_t Magic;
    uint32_t Version;
    int32_t Pid;
    int32_t Reserved;
    char Host[32];
    char UserId[16];
    char UserName[16];
};
static_assert(sizeof(TUserRecord) == 80);

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string HostName()
{
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    return host;
}

std::string SlotKey(int slot)
{
    return std::to_string(slot);
}

off_t SlotOffset(int slot)
{
    return static_cast<off_t>(slot) * static_cast<off_t>(sizeof(TBeatRecord));
}

off_t UserOffset(int slot)
{
    return SlotOffset(TPresence::kSlots) + static_cast<off_t>(slot) * static_cast<off_t>(sizeof(TUserRecord));
}

std::string Text(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

template <std::size_t N> void SetText(char (&field)[N], const std::string& text)
{
    std::strncpy(field, text.c_str(), N - 1);
}

// Every workstation of the office writes the presence file, so it takes the
// permissions of the database's own files rather than being open to all.
unsigned SharedMode(const std::string& folder, TKeptFiles files)
{
    for (const TKeptFile& file : files)
        if (struct stat info {}; stat(FolderFile(folder, file.Name).c_str(), &info) == 0)
            return info.st_mode & 0666;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Opens the presence file for its locks and for reading and writing slots.
void OpenPresenceFile(const std::string& folder, TKeptFiles files, int& fd, TLockFile& locks)
{
    const std::string path = FolderFile(folder, TPresence::FileName);
    if (locks.Open(path, SharedMode(folder, files), false) != ksOk)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
}

bool ReadSlot(int fd, int slot, TBeatRecord& beat)
{
    return pread(fd, &beat, sizeof(beat), SlotOffset(slot)) == static_cast<ssize_t>(sizeof(beat))
        && beat.Magic == kMagic && beat.Version == kVersion;
}

bool Fresh(const TBeatRecord& beat)
{
    const int64_t window = 3 * int64_t{beat.IntervalMs} + kClockSlack.count() * 1000;
    const int64_t age = NowMs() - beat.TimeMs;
    return age < window && age > -window;
}

// A workstation on this machine whose process is gone has only left a beat.
bool DeadHere(const TBeatRecord& beat, const std::string& host)
{
    return std::string(beat.Host, strnlen(beat.Host, sizeof(beat.Host))) == host && kill(beat.Pid, 0) != 0
        && errno == ESRCH;
}

class TDescriptor
{
public:
    ~TDescriptor()
    {
        if (Fd >= 0)
            close(Fd);
    }
    int Fd = -1;
};

}  // namespace

TPresence::TPresence(const std::string& folder, TKeptFiles files, std::chrono::milliseconds interval)
    : Interval_(interval)
{
    OpenPresenceFile(folder, files, Fd_, Locks_);
    for (int slot = 0; slot < kSlots && Slot_ < 0; ++slot) {
        TBeatRecord beat{};
        if (Locks_.LockRecord(SlotKey(slot)) != ksOk)
            continue;
        if (ReadSlot(Fd_, slot, beat) && Fresh(beat) && !DeadHere(beat, HostName()))
            Locks_.UnlockRecord(SlotKey(slot));
        else
            Slot_ = slot;
    }
    if (Slot_ < 0) {
        close(Fd_);
        throw std::runtime_error(std::string("every slot of the presence file ") + FileName + " is taken");
    }
    Beat();
}

TPresence::~TPresence()
{
    const TBeatRecord cleared{};
    if (pwrite(Fd_, &cleared, sizeof(cleared), SlotOffset(Slot_)) != static_cast<ssize_t>(sizeof(cleared))) {
        // The beat will simply go stale.
    }
    const TUserRecord nobody{};
    if (pwrite(Fd_, &nobody, sizeof(nobody), UserOffset(Slot_)) != static_cast<ssize_t>(sizeof(nobody))) {
        // Without a fresh beat of the same process it counts for nothing.
    }
    close(Fd_);
}

void TPresence::SetUser(const std::string& userId, const std::string& userName)
{
    UserId_ = userId;
    UserName_ = userName;
    WriteUser();
}

void TPresence::WriteUser()
{
    TUserRecord user{};
    user.Magic = kUserMagic;
    user.Version = kUserVersion;
    user.Pid = getpid();
    SetText(user.Host, HostName());
    SetText(user.UserId, UserId_);
    SetText(user.UserName, UserName_);
    if (pwrite(Fd_, &user, sizeof(user), UserOffset(Slot_)) != static_cast<ssize_t>(sizeof(user)))
        throw std::runtime_error(std::string("cannot write to the presence file ") + FileName + ": "
                                 + std::strerror(errno));
}

void TPresence::Beat()
{
    TBeatRecord beat{};
    beat.Magic = kMagic;
    beat.Version = kVersion;
    beat.Pid = getpid();
    beat.IntervalMs = static_cast<int32_t>(Interval_.count());
    beat.Sequence = ++Sequence_;
    beat.TimeMs = NowMs();
    std::strncpy(beat.Host, HostName().c_str(), sizeof(beat.Host) - 1);
    if (pwrite(Fd_, &beat, sizeof(beat), SlotOffset(Slot_)) != static_cast<ssize_t>(sizeof(beat)))
        throw std::runtime_error(std::string("cannot write to the presence file ") + FileName + ": "
                                 + std::strerror(errno));
    // Written again with every beat: a slot taken over from a workstation
    // that died gets its own entry back even if one was left there.
    WriteUser();
}

std::vector<TPresence::TOccupant> TPresence::Occupants(const std::string& folder, TKeptFiles files)
{
    // No workstation has run there yet; looking does not make the file.
    if (struct stat info {}; stat(FolderFile(folder, FileName).c_str(), &info) != 0 && errno == ENOENT)
        return {};
    TDescriptor fd;
    TLockFile locks;
    OpenPresenceFile(folder, files, fd.Fd, locks);
    const std::string host = HostName();
    std::vector<TOccupant> occupants;
    for (int slot = 0; slot < kSlots; ++slot) {
        TBeatRecord beat{};
        if (!ReadSlot(fd.Fd, slot, beat) || !Fresh(beat) || DeadHere(beat, host))
            continue;
        TOccupant occupant{Text(beat.Host, sizeof(beat.Host)), beat.Pid, {}, {}};
        TUserRecord user{};
        if (pread(fd.Fd, &user, sizeof(user), UserOffset(slot)) == static_cast<ssize_t>(sizeof(user))
            && user.Magic == kUserMagic && user.Version == kUserVersion && user.Pid == beat.Pid
            && std::memcmp(user.Host, beat.Host, sizeof(user.Host)) == 0) {
            occupant.UserId = Text(user.UserId, sizeof(user.UserId));
            occupant.UserName = Text(user.UserName, sizeof(user.UserName));
        }
        occupants.push_back(std::move(occupant));
    }
    return occupants;
}

std::vector<TPresence::TUnseen> TPresence::FindUnseen(const std::string& folder, TKeptFiles files, int ownSlot)
{
    TDescriptor fd;
    TLockFile locks;
    OpenPresenceFile(folder, files, fd.Fd, locks);
    const std::string host = HostName();
    // Slot -> the beat seen first.
    std::map<int, TBeatRecord> suspects;
    int64_t watchMs = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        TBeatRecord beat{};
        if (slot == ownSlot || !ReadSlot(fd.Fd, slot, beat) || !Fresh(beat) || DeadHere(beat, host)
            || locks.CheckRecord(SlotKey(slot)) != ksOk)
            continue;
        suspects[slot] = beat;
        watchMs = std::max<int64_t>(watchMs, int64_t{beat.IntervalMs} * 3 / 2 + kWatchSlack.count());
    }
    std::vector<TUnseen> unseen;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(watchMs);
    while (!suspects.empty()) {
        for (auto it = suspects.begin(); it != suspects.end();) {
            TBeatRecord beat{};
            const bool same = ReadSlot(fd.Fd, it->first, beat) && beat.Pid == it->second.Pid
                           && std::memcmp(beat.Host, it->second.Host, sizeof(beat.Host)) == 0;
            if (!same || locks.CheckRecord(SlotKey(it->first)) != ksOk) {
                it = suspects.erase(it);
            } else if (beat.Sequence != it->second.Sequence) {
                unseen.push_back({std::string(beat.Host, strnlen(beat.Host, sizeof(beat.Host))), beat.Pid});
                it = suspects.erase(it);
            } else {
                ++it;
            }
        }
        if (suspects.empty() || std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(kPoll);
    }
    return unseen;
}
