#include "engine/Worker.h"

#include <system_error>

namespace tarnex {

SequentialWorker::SequentialWorker(std::function<void(std::uint64_t)> work, bool threaded)
    : work_(std::move(work))
{
    if (threaded) {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // Without a second thread the work is simply done in line.
        }
    }
}

SequentialWorker::~SequentialWorker()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
}

void SequentialWorker::Submit()
{
    if (!thread_.joinable()) {
        work_(submitted_++);
        completed_ = submitted_;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        ++submitted_;
    }
    changed_.notify_all();
}

void SequentialWorker::WaitFor(std::uint64_t job)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return completed_ > job; });
}

void SequentialWorker::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stop_ || completed_ < submitted_; });
        if (stop_)
            return;
        const std::uint64_t job = completed_;
        lock.unlock();
        work_(job);
        lock.lock();
        ++completed_;
        changed_.notify_all();
    }
}

} // namespace tarnex
