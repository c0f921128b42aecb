#include "kfstore/folder/EngineHeader.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/XIsamFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The engine's file format: a 100-byte header at the start of page 1.
constexpr std::size_t kHeaderSize = 100;
constexpr std::size_t kPageSize = 16;
constexpr std::size_t kWriteVersion = 18;
constexpr std::size_t kReadVersion = 19;
constexpr std::size_t kChangeCounter = 24;
constexpr std::size_t kPageCount = 28;
constexpr std::size_t kVersionValidFor = 92;
// A version above this makes the engine open the file for reading only
// (write version) or not at all (read version).
constexpr int kHighestVersion = 2;

uint32_t BigEndian(const unsigned char* bytes, std::size_t size)
{
    uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

std::string TEngineHeader::Problem(int fd)
{
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return std::string("its size cannot be read: ") + std::strerror(errno);
    unsigned char header[kHeaderSize] = {};
    const ssize_t read = pread(fd, header, sizeof header, 0);
    if (read < 0)
        return std::string("its header cannot be read: ") + std::strerror(errno);
    const auto size = static_cast<int64_t>(info.st_size);
    if (read != static_cast<ssize_t>(sizeof header))
        return "the file was cut short: it has " + std::to_string(size) + " bytes, less than the engine's header";
    if (header[kReadVersion] > kHighestVersion)
        return "its header's read version is " + std::to_string(header[kReadVersion])
             + ", which the engine cannot read";
    if (header[kWriteVersion] > kHighestVersion)
        return "its header's write version is " + std::to_string(header[kWriteVersion])
             + ", so the engine would only read the file and the store refuses it (\""
             + TXIsamFile::StatusText(ksUpdateMode) + "\")";
    uint32_t pageSize = BigEndian(header + kPageSize, 2);
    if (pageSize == 1)
        pageSize = 65536;
    // The page count is the engine's only while the change counter that
    // goes with it is the file's.
    const uint32_t pages = BigEndian(header + kPageCount, 4);
    if (pages == 0 || BigEndian(header + kChangeCounter, 4) != BigEndian(header + kVersionValidFor, 4))
        return {};
    const int64_t expected = static_cast<int64_t>(pages) * pageSize;
    if (size < expected)
        return "the file was cut short: it has " + std::to_string(size) + " bytes, but its header counts "
             + std::to_string(pages) + " pages of " + std::to_string(pageSize) + " bytes ("
             + std::to_string(expected) + ")";
    return {};
}
