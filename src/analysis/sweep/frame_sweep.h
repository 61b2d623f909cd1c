#pragma once

#include "centers/centers.h"
#include "errors/error.h"
#include "tracker/frame_loop.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace vireo::sweep {

// The settings, the per-frame results and their limits are the frame loop's.
using vireo::checkSettings;
using vireo::FrameSweep;
using vireo::kMaxRuns;
using vireo::SweepSettings;

// Sweeps frames of one folder, one at a time, reusing its buffers between them; one per thread.
// With one run per threshold and more than a couple of thresholds, each frame's file is loaded
// once and its gradient magnitudes computed once, and every threshold is answered from them
// together, since every search then starts from column 80. Otherwise the frame goes through the
// frame loop (FrameLoop), which computes only the edge rows the search reads.
class FrameSweeper {
public:
    // Throws std::invalid_argument when the settings fail checkSettings().
    FrameSweeper(RecordingSource source, SweepSettings settings);

    const SweepSettings& settings() const { return loop_.settings(); }

    // Frame `frame` of the folder at every threshold into `out` (its vectors are reused). A frame
    // the loader refuses gives the loader's error, and `out` holds no results then.
    Expected<void> sweep(int frame, FrameSweep& out);

private:
    static constexpr int kMagnitudeRows = kCountedLastRow - kCountedFirstRow + 1;

    void magnitudes();
    void edgeCounts(FrameSweep& out) const;
    void fromColumn80(FrameSweep& out);

    FrameLoop loop_; // loads every frame, and takes it through the thresholds unless allAtOnce_
    bool allAtOnce_; // the thresholds are answered together from the magnitudes
    // Gradient magnitudes |Gx| + |Gy| capped at 255 of rows 30..90, columns 0..159 (the border
    // columns 0 and 159 hold 0 and are never edges).
    std::array<std::array<std::uint8_t, 160>, kMagnitudeRows> magnitude_{};
};

} // namespace vireo::sweep
