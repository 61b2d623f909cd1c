#pragma once

#include "sweep/frame_sweep.h"

#include <array>
#include <optional>
#include <vector>

namespace vireo::sweep {

// The summary line of one threshold over the frames taken so far.
struct ThresholdSummary {
    int threshold = 0;
    long long frames = 0;  // frames loaded
    long long failed = 0;  // frames refused
    long long tracked = 0; // loaded frames whose last run held all three scan rows
    // Median over consecutive loaded frames (in the order taken, refused frames skipped) of
    // |forecast - previous forecast|, last runs; the mean of the two middle values for an even
    // count; nullopt with fewer than two loaded frames.
    std::optional<double> jitter;
    long long edgePixels = 0; // rows 30..90, columns 0..159, over all loaded frames
    // edgePixels / (frames * 61 * 160), 0..1; nullopt when no frame loaded.
    std::optional<double> edgeShare;
    long long clamped = 0; // last-run centres (three per loaded frame) at column 15 or 145
};

// Accumulates a sweep's frames, in the order taken, into one summary per threshold. Its memory
// does not grow with the number of frames.
class SweepSummary {
public:
    explicit SweepSummary(std::vector<int> thresholds);

    void addLoaded(const FrameSweep& frame);
    void addFailed(long long frames = 1);

    // One line per threshold, in the thresholds' order.
    std::vector<ThresholdSummary> lines() const;

private:
    // Forecasts lie in -130..130, so a jump between two of them in 0..260.
    static constexpr int kLargestJump = 2 * (kMaxCentre - kMinCentre);

    struct PerThreshold {
        long long tracked = 0;
        long long edgePixels = 0;
        long long clamped = 0;
        std::optional<int> lastForecast;
        std::array<long long, kLargestJump + 1> jumps{}; // how often each jump occurred
    };

    std::vector<int> thresholds_;
    std::vector<PerThreshold> perThreshold_;
    long long frames_ = 0;
    long long failed_ = 0;
};

} // namespace vireo::sweep
