#include "kfstore/folder/LockTest.h"

#include "kfstore/KeptFile.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/folder/LockFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kAnswerTimeoutMs = 10000;
// What the child says: refused the parent's record, given it, holds its own.
constexpr char kRefused = 'r';
constexpr char kGiven = 'g';
constexpr char kHolding = 'h';
constexpr char kGo = 'x';

// The child: only system calls between fork and _exit, as the parent may
// have other threads whose locks a fork copies mid-way.
[[noreturn]] void RunChild(const std::string& path, int in, int out)
{
    TLockFile file;
    char go = 0;
    if (file.Open(path, 0666, false) != ksOk || read(in, &go, 1) != 1)
        _exit(1);
    const char answer = file.LockRecord("1") == ksLocked ? kRefused : kGiven;
    const char holding = file.LockRecord("2") == ksOk ? kHolding : kGiven;
    if (write(out, &answer, 1) != 1 || write(out, &holding, 1) != 1)
        _exit(1);
    // Holds its lock until killed.
    while (read(in, &go, 1) > 0) {
    }
    _exit(0);
}

bool ReadAnswer(int fd, char& answer)
{
    pollfd ready{fd, POLLIN, 0};
    return poll(&ready, 1, kAnswerTimeoutMs) == 1 && read(fd, &answer, 1) == 1;
}

class TChild
{
public:
    ~TChild()
    {
        Kill();
        for (int fd : {ToChild, FromChild})
            if (fd >= 0)
                close(fd);
    }
    void Kill()
    {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
            Pid = -1;
        }
    }
    pid_t Pid = -1;
    int ToChild = -1;
    int FromChild = -1;
};

std::string HostName()
{
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    return host;
}

class TScratchFile
{
public:
    explicit TScratchFile(std::string path) : Path(std::move(path)) {}
    ~TScratchFile() { unlink(Path.c_str()); }
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;
    const std::string Path;
};

}  // namespace

TLockTest::TResult TLockTest::Run(const std::string& folder)
{
    TResult result;
    const TScratchFile scratch(FolderFile(folder, "OBLockTest-" + HostName() + "-" + std::to_string(getpid())));
    TLockFile mine;
    if (mine.Open(scratch.Path, 0666, false) != ksOk) {
        result.Error = "cannot make " + scratch.Path + ": " + std::strerror(errno);
        return result;
    }
    if (mine.LockRecord("1") != ksOk) {
        result.Error = "cannot lock a record of " + scratch.Path;
        return result;
    }
    int down[2];
    int up[2];
    if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0) {
        result.Error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return result;
    }
    TChild child;
    child.ToChild = down[1];
    child.FromChild = up[0];
    child.Pid = fork();
    if (child.Pid == 0) {
        close(down[1]);
        close(up[0]);
        RunChild(scratch.Path, down[0], up[1]);
    }
    close(down[0]);
    close(up[1]);
    if (child.Pid < 0) {
        result.Error = std::string("cannot start a second process: ") + std::strerror(errno);
        return result;
    }
    char answer = 0;
    char holding = 0;
    if (write(child.ToChild, &kGo, 1) != 1 || !ReadAnswer(child.FromChild, answer)
        || !ReadAnswer(child.FromChild, holding) || holding != kHolding) {
        result.Error = "the second process did not answer";
        return result;
    }
    result.Ran = true;
    result.Excludes = answer == kRefused && mine.LockRecord("2") == ksLocked;
    child.Kill();
    result.FreedOnDeath = mine.LockRecord("2") == ksOk;
    return result;
}
