#include "kfstore/folder/ChangeCounter.h"

#include "kfstore/folder/FileSystemKind.h"

#include <array>
#include <atomic>
#include <csignal>
#include <mutex>

#include <endian.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// Address space reserved once for the process, one page a slot, where
// counters map the first page of their files: a read of the counter is then
// a load from memory the system keeps in step with every write to the file.
// A file cut to nothing under such a mapping raises SIGBUS on the next load;
// the handler puts a page of zeros in its place and the load reads 0, which
// sends the counter back to pread. Faults anywhere else go on to the
// handler that was there before.
class THeaderPages
{
public:
    static constexpr std::size_t kSlots = 1024;

    // Kept to the process's end: counters in other static objects may
    // outlive any static object here, and so may a fault.
    static THeaderPages& Get()
    {
        static THeaderPages& pages = *new THeaderPages;
        return pages;
    }

    // A slot holding fd's first page; -1 when none is free or it cannot be mapped.
    int Map(int fd)
    {
        if (!Base_)
            return -1;
        const std::lock_guard<std::mutex> guard(Mutex_);
        for (std::size_t slot = 0; slot < kSlots; ++slot) {
            if (Used_[slot])
                continue;
            if (mmap(Page(slot), PageSize_, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0) == MAP_FAILED)
                return -1;
            Used_[slot] = true;
            return static_cast<int>(slot);
        }
        return -1;
    }

    void Release(int slot)
    {
        const std::lock_guard<std::mutex> guard(Mutex_);
        Reserve(Page(static_cast<std::size_t>(slot)), PageSize_);
        Used_[static_cast<std::size_t>(slot)] = false;
    }

    char* Page(std::size_t slot) const { return Base_ + slot * PageSize_; }

private:
    THeaderPages() : PageSize_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)))
    {
        void* base = Reserve(nullptr, kSlots * PageSize_);
        if (base == MAP_FAILED)
            return;
        Base_ = static_cast<char*>(base);
        Instance_.store(this, std::memory_order_release);
        struct sigaction action {};
        action.sa_sigaction = OnBus;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &Former_);
    }

    static void* Reserve(void* at, std::size_t size)
    {
        const int fixed = at ? MAP_FIXED : 0;
        return mmap(at, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | fixed, -1, 0);
    }

    static void OnBus(int signal, siginfo_t* info, void* context)
    {
        THeaderPages* pages = Instance_.load(std::memory_order_acquire);
        const auto* at = static_cast<const char*>(info->si_addr);
        if (info->si_code > 0 && at >= pages->Base_ && at < pages->Page(kSlots)) {
            const auto slot = static_cast<std::size_t>(at - pages->Base_) / pages->PageSize_;
            mmap(pages->Page(slot), pages->PageSize_, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            return;
        }
        const struct sigaction& former = pages->Former_;
        if ((former.sa_flags & SA_SIGINFO) != 0) {
            former.sa_sigaction(signal, info, context);
            return;
        }
        if (former.sa_handler != SIG_DFL && former.sa_handler != SIG_IGN) {
            former.sa_handler(signal);
            return;
        }
        // As if no handler had been there: the signal ends the process once
        // this handler returns and lets it through.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigaction(signal, &fallback, nullptr);
        raise(signal);
    }

    static inline std::atomic<THeaderPages*> Instance_{nullptr};

    const std::size_t PageSize_;
    char* Base_ = nullptr;
    std::mutex Mutex_;
    std::array<bool, kSlots> Used_{};
    struct sigaction Former_ {};
};

// Only there do all processes share the file's pages with the mapping; an
// overlay would keep a mapping taken before a writer copied the file up on
// the lower file.
bool Mappable(int fd)
{
    struct statfs fileSystem {};
    struct stat info {};
    return fstatfs(fd, &fileSystem) == 0 && fileSystem.f_type != OVERLAYFS_SUPER_MAGIC && fstat(fd, &info) == 0
           && info.st_size >= static_cast<off_t>(TChangeCounter::Offset + sizeof(uint32_t));
}

}  // namespace

TChangeCounter::~TChangeCounter()
{
    if (Slot_ >= 0)
        THeaderPages::Get().Release(Slot_);
    if (Fd_ >= 0)
        close(Fd_);
}

void TChangeCounter::Open(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Only a local file system shares its pages with every process and has
    // no other machine writing.
    if (FileSystemKindOf(fd) != TFileSystemKind::Local) {
        close(fd);
        return;
    }
    Fd_ = fd;
    if (Mappable(fd)) {
        Slot_ = THeaderPages::Get().Map(fd);
        if (Slot_ >= 0)
            Mapped_ = reinterpret_cast<uint32_t*>(THeaderPages::Get().Page(static_cast<std::size_t>(Slot_)) + Offset);
    }
}

std::optional<uint32_t> TChangeCounter::Read() const
{
    if (Mapped_) {
        // 0 is also what a file cut short shows there: pread tells which.
        const uint32_t counter = std::atomic_ref<uint32_t>(*Mapped_).load(std::memory_order_acquire);
        if (counter != 0)
            return be32toh(counter) + Own_;
    }
    if (Fd_ < 0)
        return std::nullopt;
    uint32_t counter = 0;
    if (pread(Fd_, &counter, sizeof counter, Offset) != static_cast<ssize_t>(sizeof counter))
        return std::nullopt;
    return be32toh(counter) + Own_;
}
