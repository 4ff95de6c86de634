// One helper thread that runs numbered jobs 0, 1, 2, ... in order, so that the
// cipher can work on one buffer while the calling thread moves another to or
// from the disk. The chain of a CBC stream stays on one thread, in order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tarnex {

class SequentialWorker {
public:
    // threaded false (or no thread to be had) runs each job inside Submit.
    SequentialWorker(std::function<void(std::uint64_t)> work, bool threaded);
    // Stops after the job in progress, dropping any not yet started.
    ~SequentialWorker();
    SequentialWorker(const SequentialWorker&) = delete;
    SequentialWorker& operator=(const SequentialWorker&) = delete;

    // Queues the next job; its number is the count of earlier submits.
    void Submit();
    // Waits until job `job` has finished.
    void WaitFor(std::uint64_t job);

private:
    void Run();

    std::function<void(std::uint64_t)> work_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t submitted_ = 0;
    std::uint64_t completed_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace tarnex
