#include "kfstore/KfsStatus.h"

#include <array>
#include <cerrno>
#include <utility>

int16_t StatusFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ESTALE:  // a network file removed on the server
        return ksNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ksUpdateMode;
    case EEXIST:
        return ksNameInUse;
    case EISDIR:
        return ksNotIsam;
    case ENAMETOOLONG:
    case EINVAL:
        return ksBadParameter;
    case ENOSPC:  // no blocks, or no free inodes
    case EDQUOT:
    case EFBIG:
        return ksDiskFull;
    case ENOMEM:
        return ksNoMemory;
    case EMFILE:
    case ENFILE:
        return ksNoHandles;
    case EIO:
        return ksIoError;
    case EINTR:
        return ksInterrupted;
    case EAGAIN:
        return ksLocked;
    default:
        return ksOsFailure;
    }
}

namespace {

const std::array<std::pair<int16_t, const char*>, 25> kStatusTexts{{
    {0, "No error"},
    {1, "Object not found"},
    {2, "Update mode violation"},
    {3, "Multi-user access"},
    {4, "Invalid dataset reference"},
    {5, "Invalid format string"},
    {6, "Illegal character in key"},
    {7, "Invalid parameter value"},
    {8, "File is not isam format"},
    {9, "Dataset name in use"},
    {10, "No note space available"},
    {11, "No disk space available"},
    {12, "Windows memory allocation failure"},
    {13, "DOS function call failure"},
    {14, "Disk read / write error"},
    {15, "Corrupted dataset"},
    {16, "Secondary index field too large"},
    {17, "Record are out of sort order"},
    {18, "Insufficient system file handles"},
    {19, "Multi-user locks encountered"},
    {21, "Function no available"},
    {22, "Asynchronous operation interrupted"},
    {23, "A dataset is already open"},
    {24, "Lock file gone while the file is open elsewhere: every workstation must close the diary"},
    {25, "No free key: every key of the file's length is in use"},
}};

}  // namespace

std::string KfsStatusText(int16_t status)
{
    for (const auto& [code, text] : kStatusTexts)
        if (code == status)
            return text;
    return "Unknown error";
}
