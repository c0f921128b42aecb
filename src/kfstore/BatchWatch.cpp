#include "kfstore/BatchWatch.h"

#include <csignal>
#include <pthread.h>

TBatchWatch::TBatchWatch(std::mutex& storeLock, std::chrono::milliseconds period, std::function<bool()> sweep)
    : StoreLock_(storeLock), Period_(period), Sweep_(std::move(sweep))
{
}

TBatchWatch::~TBatchWatch()
{
    {
        const std::lock_guard<std::mutex> guard(StoreLock_);
        Stopping_ = true;
    }
    Changed_.notify_all();
    if (Thread_.joinable())
        Thread_.join();
}

void TBatchWatch::Wake()
{
    Watching_ = true;
    if (!Thread_.joinable()) {
        // Signals meant for the process stay with the threads that wait for
        // them: the watch takes none.
        sigset_t all;
        sigset_t former;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &former);
        Thread_ = std::thread(&TBatchWatch::Run, this);
        pthread_sigmask(SIG_SETMASK, &former, nullptr);
    }
    Changed_.notify_all();
}

void TBatchWatch::Run()
{
    std::unique_lock<std::mutex> lock(StoreLock_);
    while (!Stopping_) {
        if (!Watching_) {
            Changed_.wait(lock, [this] { return Stopping_ || Watching_; });
            continue;
        }
        // Waiting gives the lock up, so store calls go on meanwhile.
        if (Changed_.wait_for(lock, Period_, [this] { return Stopping_; }))
            break;
        Watching_ = Sweep_();
    }
}
