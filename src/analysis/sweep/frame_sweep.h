#pragma once

#include "state/tracking_state.h"
#include "errors/error.h"
#include "tracker/tracker.h"
#include "centers/centers.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace vireo::sweep {

inline constexpr int kMaxRuns = 1000;
// The rows whose edge pixels a sweep counts, and the count a whole frame can reach there.
inline constexpr int kCountedFirstRow = 30;
inline constexpr int kCountedLastRow = 90;
inline constexpr int kCountedCells = (kCountedLastRow - kCountedFirstRow + 1) * 160;

// What a sweep computes for each frame: the thresholds (ascending, unique, each 0..255) and the
// number of "Find Center" runs per threshold (1..kMaxRuns).
struct SweepSettings {
    std::vector<int> thresholds;
    int runs = 1;
};

// Throws std::invalid_argument when the settings break the rules above: a caller that lets a
// person choose them checks them first.
void checkSettings(const SweepSettings& settings);

// One frame at every threshold of a sweep.
struct FrameSweep {
    int frame = 0;
    int runsPerThreshold = 0;
    // runsPerThreshold runs per threshold, threshold after threshold in the settings' order:
    // exactly the CenterRun values Tracker gives for this frame at that threshold after a frame
    // change, "Display Picture" and that many "Find Center".
    std::vector<CenterRun> runs;
    // Per threshold, the edge pixels of rows 30..90, columns 0..159 (at most kCountedCells).
    std::vector<int> edgePixels;

    // The runs of the threshold at `index` in the settings' list.
    std::span<const CenterRun> runsAt(std::size_t index) const {
        return std::span<const CenterRun>(runs).subspan(
            index * static_cast<std::size_t>(runsPerThreshold),
            static_cast<std::size_t>(runsPerThreshold));
    }
    // Its last run, the one a frame's summary is taken from.
    const CenterRun& lastRunAt(std::size_t index) const { return runsAt(index).back(); }
};

// Sweeps frames of one folder, one at a time, reusing its buffers between them; one per thread.
// With one run per threshold and more than a couple of thresholds, each frame's file is loaded
// once and its gradient magnitudes computed once, and every threshold is answered from them
// together, since every search then starts from column 80. Otherwise each threshold takes the
// operator's steps on a Tracker that computes only the edge rows the search reads.
class FrameSweeper {
public:
    // Throws std::invalid_argument as checkSettings() does.
    FrameSweeper(std::filesystem::path folder, SweepSettings settings);

    const SweepSettings& settings() const { return settings_; }

    // Frame `frame` of the folder at every threshold into `out` (its vectors are reused). A frame
    // the loader refuses gives the loader's error, and `out` holds no results then.
    Expected<void> sweep(int frame, FrameSweep& out);

private:
    static constexpr int kMagnitudeRows = kCountedLastRow - kCountedFirstRow + 1;

    void magnitudes();
    void edgeCounts(FrameSweep& out) const;
    void fromColumn80(FrameSweep& out);
    Expected<void> throughTracker(int frame, FrameSweep& out);

    std::filesystem::path folder_;
    SweepSettings settings_;
    bool allAtOnce_;       // the thresholds are answered together from the magnitudes
    TrackingState loaded_; // the grey frame; its history serves the line fit
    // Gradient magnitudes |Gx| + |Gy| capped at 255 of rows 30..90, columns 0..159 (the border
    // columns 0 and 159 hold 0 and are never edges).
    std::array<std::array<std::uint8_t, 160>, kMagnitudeRows> magnitude_{};
    Tracker tracker_;
};

} // namespace vireo::sweep
