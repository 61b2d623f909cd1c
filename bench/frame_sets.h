#pragma once

#include "state/tracking_state.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vireo::bench {

inline constexpr int kFramesPerSet = 13; // pic0.bmp .. pic12.bmp

// Thirteen frame files in one folder, and each of them loaded into its own tracking state with
// the kernels filled, the scan rows reset and the start-up threshold 100.
struct FrameSet {
    std::string name; // "bundled", "generated", or "generated (samples missing)"
    std::filesystem::path folder;
    std::vector<std::unique_ptr<TrackingState>> states;

    // Frame i mod 13.
    const TrackingState& state(long i) const {
        return *states[static_cast<std::size_t>(i % kFramesPerSet)];
    }
};

// 0: the bundled frames samples/pic0..12.bmp when all of them load, generated frames otherwise.
// 1: generated frames: noisy floors with a dark or light path at varying offsets, and pure noise.
// Both sets are made on first use and live until the program ends (the generated files are
// removed then).
const FrameSet& frameSet(int which);
inline constexpr int kFrameSetCount = 2;
// "bundled" or "generated": the set's name in benchmark names, whatever it fell back to.
inline const char* frameSetName(int which) {
    return which == 0 ? "bundled" : "generated";
}

// Ends a stage's benchmark: frames per second as its rate and the set's name as its label.
inline void finish(benchmark::State& state, const FrameSet& frames) {
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(frames.name);
}

// A tracking state as the window has it after start-up: kernels, scan rows, threshold 100.
std::unique_ptr<TrackingState> startedState();

} // namespace vireo::bench
