#include "app/cli/progress_line.h"

#include <cstdio>
#include <unistd.h>

namespace vireo {

namespace {

constexpr long long kFewestFramesShown = 51;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

} // namespace

ProgressLine::ProgressLine(long long totalFrames)
    : total_(totalFrames)
    , enabled_(totalFrames >= kFewestFramesShown && ::isatty(STDERR_FILENO) == 1) {}

void ProgressLine::update(long long framesDone) {
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextDraw_)
        return;
    nextDraw_ = now + kRedrawInterval;
    std::fprintf(stderr, "\rvireo-cli: frame %lld of %lld", framesDone, total_);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_)
        return;
    // Back to the start of the line, then erase to its end.
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

} // namespace vireo
