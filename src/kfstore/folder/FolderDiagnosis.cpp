#include "kfstore/folder/FolderDiagnosis.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char* AdviceFor(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "Check that the drive or network share holding it is connected, or choose the right folder.";
    case EACCES:
    case EPERM:
        return "Ask whoever looks after the shared folder to give your account read and write access to it "
               "(see \"First steps for an office\" in the help).";
    case EROFS:
        return "The folder is read-only; it must be writable for everyone who uses the diary.";
    case ENOSPC:
    case EDQUOT:
        return "Free some space on that drive, then try again.";
    default:
        return nullptr;
    }
}

std::string Reason(const std::string& path, int error)
{
    std::string text = path + ": " + std::strerror(error);
    if (const char* advice = AdviceFor(error))
        text += std::string("\r") + advice;
    return text;
}

// The first of the checks that fails, as an errno value; 0 when all pass.
int FolderError(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ENOTDIR;
    if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0)
        return errno;
    struct statvfs space {};
    if (::statvfs(folder.c_str(), &space) == 0 && (space.f_bavail == 0 || (space.f_files > 0 && space.f_favail == 0)))
        return ENOSPC;
    return 0;
}

int FileError(const std::string& path)
{
    if (::access(path.c_str(), F_OK) != 0)
        return errno;
    if (::access(path.c_str(), R_OK | W_OK) != 0)
        return errno;
    return 0;
}

}  // namespace

std::string TFolderDiagnosis::Describe(const std::string& folder, const std::string& file)
{
    std::string shown = folder;
    if (shown.size() > 1 && shown.back() == '/')
        shown.pop_back();
    if (const int error = FolderError(folder))
        return Reason(shown, error);
    if (!file.empty())
        if (const int error = FileError(file))
            return Reason(file, error);
    return {};
}

bool TFolderDiagnosis::Writable(const std::string& folder, const std::string& file)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0 && ::access(file.c_str(), R_OK | W_OK) == 0;
}

std::string TFolderDiagnosis::Unreachable(const std::string& folder)
{
    struct stat info {};
    int error = ::stat(folder.c_str(), &info) != 0 ? errno : S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (error == 0 && ::access(folder.c_str(), R_OK | X_OK) != 0)
        error = errno;
    if (error == ENOENT || error == ENOTDIR)
        return "no longer there";
    return error ? std::strerror(error) : std::string();
}

std::string TFolderDiagnosis::Explain(const std::string& headline, const std::string& folder,
                                      const std::string& file)
{
    const std::string reason = Describe(folder, file);
    return reason.empty() ? headline : headline + "\r\r" + reason;
}
