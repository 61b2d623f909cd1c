#include "recording/recording_overview.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <stdexcept>

namespace vireo {

namespace {

std::vector<int> allThresholds() {
    std::vector<int> thresholds(RecordingOverview::kThresholds);
    std::iota(thresholds.begin(), thresholds.end(), 0);
    return thresholds;
}

std::vector<int> frameNumbers(const FrameList& frames) {
    std::vector<int> numbers;
    numbers.reserve(static_cast<std::size_t>(frameCount(frames)));
    for (const FrameRange& range : frames)
        for (long long frame = range.first; frame <= range.last; ++frame)
            numbers.push_back(static_cast<int>(frame));
    return numbers;
}

} // namespace

RecordingOverview::RecordingOverview(const FrameList& frames)
    : frames_(frameNumbers(frames))
    , loaded_(frames_.size(), 0)
    , previousLoaded_(frames_.size(), -1)
    , results_(frames_.size() * kThresholds)
    , summing_(allThresholds()) {}

sweep::SweepSettings RecordingOverview::sweepSettings() {
    return {allThresholds(), 1};
}

void RecordingOverview::add(const sweep::FrameOutcome& outcome) {
    const long long index = received_.load(std::memory_order_relaxed);
    if (index >= frameCount() || frames_[static_cast<std::size_t>(index)] != outcome.frame)
        throw std::logic_error("recording overview: frame " + std::to_string(outcome.frame) +
                               " arrived out of order");
    previousLoaded_[static_cast<std::size_t>(index)] = lastLoaded_;
    if (outcome.results) {
        loaded_[static_cast<std::size_t>(index)] = 1;
        lastLoaded_ = index;
        for (int t = 0; t < kThresholds; ++t) {
            const CenterRun& run = outcome.results->lastRunAt(static_cast<std::size_t>(t));
            Stored& cell = results_[static_cast<std::size_t>(index) * kThresholds +
                                    static_cast<std::size_t>(t)];
            for (int n = 0; n < 3; ++n) {
                cell.centres[n] = static_cast<std::uint8_t>(run.centres[n]);
                cell.support[n] = static_cast<std::uint8_t>(run.support[n]);
            }
        }
        summing_.addLoaded(*outcome.results);
    } else {
        summing_.addFailed();
    }
    if (index + 1 == frameCount())
        summary_ = summing_.lines();
    received_.store(index + 1, std::memory_order_release);
}

long long RecordingOverview::indexNearest(int frame) const {
    const auto after = std::lower_bound(frames_.begin(), frames_.end(), frame);
    if (after == frames_.begin())
        return 0;
    if (after == frames_.end())
        return frameCount() - 1;
    const auto before = after - 1;
    // Halfway between two frames goes to the lower one.
    return (*after - frame < frame - *before ? after : before) - frames_.begin();
}

CenterRun RecordingOverview::Stored::run() const {
    CenterRun run;
    for (std::size_t n = 0; n < 3; ++n) {
        run.centres[n] = centres[n];
        run.support[n] = support[n];
    }
    return run;
}

const RecordingOverview::Stored& RecordingOverview::stored(long long index, int threshold) const {
    return results_.at(static_cast<std::size_t>(index) * kThresholds +
                       static_cast<std::size_t>(threshold));
}

RecordingOverview::Point RecordingOverview::at(long long index, int threshold) const {
    if (threshold < 0 || threshold >= kThresholds || index < 0 || index >= received())
        throw std::out_of_range("recording overview: no frame index " + std::to_string(index) +
                                " at threshold " + std::to_string(threshold));
    Point point;
    point.frame = frameAt(index);
    point.loaded = loaded_[static_cast<std::size_t>(index)] != 0;
    if (!point.loaded)
        return point;
    const CenterRun run = stored(index, threshold).run();
    point.centres = run.centres;
    point.support = run.support;
    point.forecast = run.forecast();
    point.tracked = run.tracked();
    if (const long long before = previousLoaded_[static_cast<std::size_t>(index)]; before >= 0) {
        const Stored& previous = stored(before, threshold);
        for (int n = 0; n < 3; ++n)
            point.jumped =
                point.jumped || std::abs(point.centres[n] - previous.centres[n]) > kJumpColumns;
    }
    return point;
}

sweep::FrameSweep RecordingOverview::frameSweep(long long index) const {
    const bool loaded = at(index, 0).loaded; // also refuses an index not received
    sweep::FrameSweep swept;
    swept.start(frameAt(index), 1);
    swept.runs.resize(kThresholds);
    for (int t = 0; loaded && t < kThresholds; ++t)
        swept.runs[static_cast<std::size_t>(t)] = stored(index, t).run();
    return swept;
}

std::optional<long long> RecordingOverview::nextFlagged(long long index, int threshold,
                                                        int direction) const {
    const long long end = received();
    for (long long i = index + direction; i >= 0 && i < end; i += direction)
        if (at(i, threshold).flagged())
            return i;
    return std::nullopt;
}

} // namespace vireo
