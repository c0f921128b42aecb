#pragma once

#include <functional>
#include <string>
#include <vector>

// A test program re-runs itself as a child process to play a second
// workstation. A role is a named function registered at static-init time;
// the child runs it instead of the tests and exits with its result.
class TChildProcess
{
public:
    using TRole = std::function<int(const std::vector<std::string>& args)>;

    struct TRegistrar
    {
        TRegistrar(const std::string& name, TRole role);
    };

    static int RunRole(const std::string& name, int argc, char** argv);

    // Starts the role in a child process with stdout piped back; the child
    // inherits the environment. Throws std::runtime_error when fork fails.
    TChildProcess(const std::string& role, const std::vector<std::string>& args);
    ~TChildProcess();  // kills a child that is still running

    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // Reads one line written by the child; false at end of output or when
    // nothing came within timeoutMs.
    bool ReadLine(std::string& line, int timeoutMs = 10000);
    // Waits for the child to end; its exit code, or 128 + signal.
    int Wait();
    void Kill(int signal);
    int Pid() const { return Pid_; }

private:
    int Pid_ = -1;
    int Out_ = -1;
    std::string Buffer_;
};

#define ORBEKO_CHILD_ROLE(name) \
    static int ChildRole_##name(const std::vector<std::string>& args); \
    static TChildProcess::TRegistrar ChildRegistrar_##name(#name, ChildRole_##name); \
    static int ChildRole_##name([[maybe_unused]] const std::vector<std::string>& args)
