#include "support/ChildProcess.h"

#include "kfstore/XIsamFile.h"

#include <map>
#include <stdexcept>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::map<std::string, TChildProcess::TRole>& Roles()
{
    static std::map<std::string, TChildProcess::TRole> roles;
    return roles;
}

std::string SelfPath()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        throw std::runtime_error("cannot find the test program");
    return std::string(path, static_cast<size_t>(n));
}

}  // namespace

TChildProcess::TRegistrar::TRegistrar(const std::string& name, TRole role)
{
    Roles()[name] = std::move(role);
}

int TChildProcess::RunRole(const std::string& name, int argc, char** argv)
{
    auto it = Roles().find(name);
    if (it == Roles().end()) {
        std::fprintf(stderr, "unknown child role %s\n", name.c_str());
        return 99;
    }
    std::vector<std::string> args(argv, argv + argc);
    int rc = it->second(args);
    std::fflush(stdout);
    return rc;
}

TChildProcess::TChildProcess(const std::string& role, const std::vector<std::string>& args)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    std::string self = SelfPath();
    std::vector<std::string> argvStore{self, "--child", role};
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argvPtrs;
    for (auto& a : argvStore)
        argvPtrs.push_back(a.data());
    argvPtrs.push_back(nullptr);

    Pid_ = fork();
    if (Pid_ < 0) {
        close(fds[0]);
        close(fds[1]);
        throw std::runtime_error("fork failed");
    }
    if (Pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv(self.c_str(), argvPtrs.data());
        _exit(127);
    }
    close(fds[1]);
    Out_ = fds[0];
}

TChildProcess::~TChildProcess()
{
    if (Pid_ > 0) {
        kill(Pid_, SIGKILL);
        waitpid(Pid_, nullptr, 0);
    }
    if (Out_ >= 0)
        close(Out_);
}

bool TChildProcess::ReadLine(std::string& line, int timeoutMs)
{
    for (;;) {
        auto nl = Buffer_.find('\n');
        if (nl != std::string::npos) {
            line = Buffer_.substr(0, nl);
            Buffer_.erase(0, nl + 1);
            return true;
        }
        pollfd p{Out_, POLLIN, 0};
        int r = poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        char chunk[4096];
        ssize_t n = read(Out_, chunk, sizeof(chunk));
        if (n <= 0)
            return false;
        Buffer_.append(chunk, static_cast<size_t>(n));
    }
}

int TChildProcess::Wait()
{
    if (Pid_ <= 0)
        return -1;
    int status = 0;
    while (waitpid(Pid_, &status, 0) < 0 && errno == EINTR) {
    }
    Pid_ = -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

void TChildProcess::Kill(int signal)
{
    if (Pid_ > 0)
        kill(Pid_, signal);
}

// Another workstation holding a record open, as its event editor or alarm
// notice would: opens the keyed file args[0], locks record args[1], says
// "locked" and keeps the lock until it is killed.
ORBEKO_CHILD_ROLE(HoldRecordLock)
{
    TXIsamFile file;
    if (!file.Open(args[0], 3) || !file.LockRecord(args[1]))
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    pause();
    return 0;
}
