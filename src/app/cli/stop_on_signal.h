#pragma once

#include <functional>
#include <thread>

namespace vireo {

// Ctrl+C (SIGINT) and SIGTERM, taken by a thread of their own instead of ending the process: the
// first one calls `stop` (on that thread), so that the program finishes its work cleanly. Must be
// made before any other thread is started, since threads inherit the signals that the making thread
// blocks; the signals go back to their usual effect when it is destroyed.
class StopOnSignal {
public:
    explicit StopOnSignal(std::function<void()> stop);
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

private:
    std::function<void()> stop_;
    int leave_ = -1; // written to end the watcher
    std::thread watcher_;
};

} // namespace vireo
