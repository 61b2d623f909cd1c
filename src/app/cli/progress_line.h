#pragma once

#include <chrono>

namespace vireo {

// A one-line frame counter on standard error ("\rvireo-cli: frame 120 of 1000"), redrawn at most
// ten times a second and wiped by clear(). It shows only when standard error is a terminal and
// the run has more than 50 frames; otherwise every call does nothing.
class ProgressLine {
public:
    explicit ProgressLine(long long totalFrames);
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void update(long long framesDone);
    // Removes the line, e.g. before an error message is printed; a later update redraws it.
    void clear();

private:
    long long total_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point nextDraw_{};
};

} // namespace vireo
