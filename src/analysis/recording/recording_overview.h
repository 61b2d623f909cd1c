#pragma once

#include "input/frame_list.h"
#include "sweep/sweep_driver.h"
#include "sweep/sweep_summary.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace vireo {

// Every frame of a recording at every threshold 0..255, as vireo-cli prints it with one run of
// "Find Center" from a reset (`vireo-cli -t T`), plus the sweep's summary per threshold: what the
// recording view draws. Filled frame by frame, in order, by one sweep; while it fills, another
// thread may read the frames received() counts.
class RecordingOverview {
public:
    static constexpr int kThresholds = 256;
    // A jump of more than this many columns in any centre between consecutive loaded frames is
    // flagged.
    static constexpr int kJumpColumns = 10;

    // What the timeline shows of one frame at one threshold.
    struct Point {
        int frame = 0;
        bool loaded = false;
        std::array<int, 3> centres{}; // rows 40, 60, 80
        int forecast = 0;
        std::array<int, 3> support{};
        bool tracked = false;
        bool jumped = false; // a centre moved more than kJumpColumns since the last loaded frame

        // Refused, not tracked, or jumped: a frame the operator should look at.
        bool flagged() const { return !loaded || !tracked || jumped; }
    };

    // Room for the frames of `frames`, in their order.
    explicit RecordingOverview(const FrameList& frames);

    // The settings a sweep that fills this overview runs with.
    static sweep::SweepSettings sweepSettings();

    // Takes the next frame of the sweep (outcomes must come in frame order) and, after the last
    // frame, the summary. Called by the sweeping thread only.
    void add(const sweep::FrameOutcome& outcome);

    long long frameCount() const { return static_cast<long long>(frames_.size()); }
    // Frames added so far; those below this index may be read from any thread.
    long long received() const { return received_.load(std::memory_order_acquire); }
    bool complete() const { return received() == frameCount(); }

    // Frame number of index `index` (0 .. frameCount() - 1).
    int frameAt(long long index) const { return frames_[static_cast<std::size_t>(index)]; }
    // The index of `frame`, or of the nearest frame number when it is not in the list.
    long long indexNearest(int frame) const;

    // Index `index` (below received()) at `threshold` (0..255).
    Point at(long long index, int threshold) const;

    // The next flagged frame after `index` (direction +1) or before it (-1) at `threshold`, among
    // the frames received.
    std::optional<long long> nextFlagged(long long index, int threshold, int direction) const;

    // Index `index` (a loaded frame below received()) at every threshold, as the sweep gave it:
    // the centres of its one run per threshold (other numbers of the runs are not kept).
    sweep::FrameSweep frameSweep(long long index) const;

    // One line per threshold 0..255; empty until complete().
    const std::vector<sweep::ThresholdSummary>& summary() const { return summary_; }

private:
    // Per frame and threshold: three centres (15..145) and three support counts (0..21).
    struct Stored {
        std::array<std::uint8_t, 3> centres{};
        std::array<std::uint8_t, 3> support{};

        // The run they keep: its centres and support counts (its line is not kept).
        CenterRun run() const;
    };

    const Stored& stored(long long index, int threshold) const;

    std::vector<int> frames_;
    std::vector<std::uint8_t> loaded_;
    std::vector<long long> previousLoaded_; // index of the loaded frame before, or -1
    long long lastLoaded_ = -1;
    std::vector<Stored> results_; // frameCount() * kThresholds
    std::atomic<long long> received_{0};
    sweep::SweepSummary summing_;
    std::vector<sweep::ThresholdSummary> summary_;
};

} // namespace vireo
