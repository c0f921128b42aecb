#include "kfstore/FileWatch.h"

#include "kfstore/FileDescriptor.h"
#include "kfstore/KfStore.h"
#include "kfstore/StoreLocation.h"

#include <endian.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TFileVersion IdentityOf(const struct stat& info)
{
    TFileVersion version;
    version.Device = info.st_dev;
    version.Inode = info.st_ino;
    version.Size = info.st_size;
    return version;
}

}  // namespace

std::optional<TFileVersion> TFileVersion::Of(const std::string& fileName)
{
    const TFileDescriptor fd(fileName, O_RDONLY);
    if (fd.Get() < 0)
        return std::nullopt;
    struct stat info {};
    uint32_t counter = 0;
    if (::fstat(fd.Get(), &info) != 0 ||
        ::pread(fd.Get(), &counter, sizeof counter, TChangeCounter::Offset) != static_cast<ssize_t>(sizeof counter))
        return std::nullopt;
    TFileVersion version = IdentityOf(info);
    version.ChangeCounter = be32toh(counter);
    return version;
}

TFileWatch::TFileWatch(std::string fileName)
    : FileName_(std::move(fileName)), OnServer_(StoreLocation::IsServer(FileName_))
{
}

TFileWatch::~TFileWatch() = default;

void TFileWatch::Identify(std::chrono::steady_clock::time_point now)
{
    IdentifiedAt_ = now;
    struct stat info {};
    if (::stat(FileName_.c_str(), &info) != 0) {
        Identity_.reset();
        Counter_.reset();
        return;
    }
    const TFileVersion identity = IdentityOf(info);
    // Another file at the path, or the same one cut and written again: the
    // counter must be read from what is there now.
    if (!Identity_ || !Counter_ || *Identity_ != identity) {
        Counter_ = std::make_unique<TChangeCounter>();
        Counter_->Open(FileName_);
    }
    Identity_ = identity;
}

std::optional<TFileVersion> TFileWatch::Version()
{
    if (OnServer_) {
        uint64_t counter = 0;
        if (KfsChangeCounter(FileName_.c_str(), &counter) != ksOk)
            return std::nullopt;
        TFileVersion version;
        version.ChangeCounter = counter;
        return version;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!Identity_ || now - IdentifiedAt_ >= IdentityInterval)
        Identify(now);
    if (!Identity_)
        return std::nullopt;
    const std::optional<uint32_t> counter = Counter_->Available() ? Counter_->Read() : std::nullopt;
    if (!counter)
        return TFileVersion::Of(FileName_);
    TFileVersion version = *Identity_;
    version.ChangeCounter = *counter;
    return version;
}
