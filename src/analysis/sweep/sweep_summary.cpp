#include "sweep/sweep_summary.h"

#include <cstdlib>
#include <stdexcept>

namespace vireo::sweep {

namespace {

// The value at 0-based rank `rank` of the sorted jumps that `counts` tallies.
template <std::size_t N> int atRank(const std::array<long long, N>& counts, long long rank) {
    for (std::size_t jump = 0; jump < counts.size(); ++jump) {
        if (rank < counts[jump])
            return static_cast<int>(jump);
        rank -= counts[jump];
    }
    throw std::logic_error("jump rank beyond the jumps counted");
}

} // namespace

SweepSummary::SweepSummary(std::vector<int> thresholds)
    : thresholds_(std::move(thresholds))
    , perThreshold_(thresholds_.size()) {}

void SweepSummary::addFailed(long long frames) {
    failed_ += frames;
}

void SweepSummary::addLoaded(const FrameSweep& frame) {
    if (frame.edgePixels.size() != thresholds_.size())
        throw std::invalid_argument("frame swept at other thresholds than the summary's");
    ++frames_;
    for (std::size_t i = 0; i < thresholds_.size(); ++i) {
        PerThreshold& sums = perThreshold_[i];
        const CenterRun& last = frame.lastRunAt(i);
        sums.tracked += last.tracked() ? 1 : 0;
        sums.edgePixels += frame.edgePixels[i];
        for (const int centre : last.centres)
            sums.clamped += (centre == kMinCentre || centre == kMaxCentre) ? 1 : 0;
        if (sums.lastForecast)
            ++sums.jumps.at(static_cast<std::size_t>(std::abs(last.forecast() - *sums.lastForecast)));
        sums.lastForecast = last.forecast();
    }
}

std::vector<ThresholdSummary> SweepSummary::lines() const {
    std::vector<ThresholdSummary> lines;
    lines.reserve(thresholds_.size());
    for (std::size_t i = 0; i < thresholds_.size(); ++i) {
        const PerThreshold& sums = perThreshold_[i];
        ThresholdSummary line;
        line.threshold = thresholds_[i];
        line.frames = frames_;
        line.failed = failed_;
        line.tracked = sums.tracked;
        line.edgePixels = sums.edgePixels;
        line.clamped = sums.clamped;
        if (frames_ > 0)
            line.edgeShare = static_cast<double>(sums.edgePixels) /
                             (static_cast<double>(frames_) * kCountedCells);
        // frames - 1 jumps: the median is the middle one, or the mean of the middle two.
        const long long jumps = frames_ - 1;
        if (jumps > 0)
            line.jitter =
                (atRank(sums.jumps, (jumps - 1) / 2) + atRank(sums.jumps, jumps / 2)) / 2.0;
        lines.push_back(line);
    }
    return lines;
}

} // namespace vireo::sweep
