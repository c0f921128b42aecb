// Writers of several processes adding to one events file back to back:
// for 1, 2, 4 and 8 processes, each adding events with empty keys for ten
// seconds (or the seconds given as the first argument), prints the adds
// per second of all together, each process's share of them, the slowest
// single add and the adds that failed (status 3 after waiting out the
// store's limit, or any other). Goals: no failed add, the slowest under
// 1 s, and no process with more than twice the adds of another.
//
// The file is made afresh for each count in $TMPDIR/orbeko-bench.

#include "EventsFixture.h"
#include "kfstore/XIsamFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TWriterResult
{
    long Adds = 0;
    long Busy = 0;     // status 3
    long Failed = 0;   // any other status
    double SlowestMs = 0;
};

// One writer process: waits for the start byte on go, adds until the time
// is up and writes its result to report.
[[noreturn]] void RunWriter(const std::string& path, int go, int report, std::chrono::seconds duration)
{
    TWriterResult result;
    TXIsamFile file;
    std::mt19937 random(static_cast<unsigned>(getpid()));
    const TDayEntryRec entry = MakeEvent(random);
    char start = 0;
    if (file.Open(path, 3) && read(go, &start, 1) == 1) {
        using Clock = std::chrono::steady_clock;
        const auto end = Clock::now() + duration;
        while (Clock::now() < end) {
            const auto before = Clock::now();
            const bool added = file.Add(entry, "");
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
            result.SlowestMs = std::max(result.SlowestMs, ms);
            if (added)
                ++result.Adds;
            else if (file.Status() == 3)
                ++result.Busy;
            else
                ++result.Failed;
        }
    } else {
        result.Failed = 1;
    }
    const bool written = write(report, &result, sizeof result) == static_cast<ssize_t>(sizeof result);
    _exit(written ? 0 : 1);
}

bool RunRound(int writers, std::chrono::seconds duration)
{
    const std::string path = (std::filesystem::path(BenchFolder()) / ("writers-" + std::to_string(writers) + ".Ism")).string();
    for (const char* suffix : {"", "-journal", "-locks"})
        std::filesystem::remove(path + suffix);
    {
        TXIsamFile file;
        if (!file.CreateFile(path, 10, "&,%,X$*11,$*11,$*11,$*255,R20$*11")) {
            std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), file.StatusText().c_str());
            return false;
        }
    }
    int go[2];
    int report[2];
    if (pipe(go) != 0 || pipe(report) != 0)
        return false;
    std::vector<pid_t> children;
    for (int i = 0; i < writers; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(go[1]);
            close(report[0]);
            RunWriter(path, go[0], report[1], duration);
        }
        children.push_back(pid);
    }
    close(go[0]);
    close(report[1]);
    // Every writer has opened the file before any starts.
    sleep(1);
    const std::string starts(static_cast<std::size_t>(writers), 'g');
    const bool started = write(go[1], starts.data(), starts.size()) == static_cast<ssize_t>(starts.size());
    close(go[1]);
    std::vector<TWriterResult> results;
    TWriterResult result;
    while (read(report[0], &result, sizeof result) == static_cast<ssize_t>(sizeof result))
        results.push_back(result);
    close(report[0]);
    for (pid_t child : children)
        waitpid(child, nullptr, 0);
    if (!started || results.size() != static_cast<std::size_t>(writers))
        return false;

    long adds = 0;
    long busy = 0;
    long failed = 0;
    long fewest = results.front().Adds;
    long most = 0;
    double slowest = 0;
    std::string shares;
    for (const TWriterResult& r : results) {
        adds += r.Adds;
        busy += r.Busy;
        failed += r.Failed;
        fewest = std::min(fewest, r.Adds);
        most = std::max(most, r.Adds);
        slowest = std::max(slowest, r.SlowestMs);
    }
    for (const TWriterResult& r : results) {
        char share[16];
        std::snprintf(share, sizeof share, "%s%.0f%%", shares.empty() ? "" : " ", 100.0 * r.Adds / std::max(adds, 1L));
        shares += share;
    }
    const double spread = fewest > 0 ? static_cast<double>(most) / fewest : 0;
    const bool met = busy == 0 && failed == 0 && slowest < 1000 && fewest > 0 && spread <= 2;
    std::printf("%9d %9.1f %12.1f %8.2f %8ld %8ld  %s%s\n", writers, adds / static_cast<double>(duration.count()),
                slowest, spread, busy, failed, shares.c_str(), met ? "" : "  goal NOT met");
    return met;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::chrono::seconds duration(argc > 1 ? std::max(1, std::atoi(argv[1])) : 10);
    std::printf("%9s %9s %12s %8s %8s %8s  %s\n", "processes", "adds/s", "slowest ms", "most/few", "status 3",
                "other", "shares");
    bool met = true;
    for (int writers : {1, 2, 4, 8})
        met = RunRound(writers, duration) && met;
    std::printf("%s\n", met ? "all goals met" : "some goals NOT met");
    return met ? 0 : 1;
}
