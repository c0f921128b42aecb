#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Ends the turns of write batches whose callers have stopped writing: a
// batch holds the file's writer's turn between its writes, and one whose
// caller computes for minutes would keep every other workstation's writers
// out. A thread of its own, started with the first batch, looks every
// period while batches are open and sleeps otherwise. It runs the sweep
// only under the store's own lock, the one every store call holds, so it
// never touches a handle, or the engine's connection behind it, while
// anything else does.
class TBatchWatch
{
public:
    // sweep: ends what turns are idle; true while any batch is open.
    TBatchWatch(std::mutex& storeLock, std::chrono::milliseconds period, std::function<bool()> sweep);
    ~TBatchWatch();
    TBatchWatch(const TBatchWatch&) = delete;
    TBatchWatch& operator=(const TBatchWatch&) = delete;

    // A batch began; call with the store's lock held.
    void Wake();

private:
    void Run();

    std::mutex& StoreLock_;
    const std::chrono::milliseconds Period_;
    const std::function<bool()> Sweep_;
    std::condition_variable Changed_;
    bool Watching_ = false;
    bool Stopping_ = false;
    std::thread Thread_;
};
