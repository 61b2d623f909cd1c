#pragma once

#include <benchmark/benchmark.h>

namespace vireo::bench {

inline constexpr int kSweepFrames = 1000;

// One frame of frame set `set` at all 256 thresholds, one run each: its load, its gradient
// magnitudes and every threshold's centres and edge count.
void sweepOneFrame(benchmark::State& state, int set);

// The sweep of 1,000 frames (the set's thirteen in turn) at all 256 thresholds with one run, on
// state.range(0) threads, into a per-threshold summary: what `vireo-cli -t 0-255 --summary` does.
// Its wall time per sweep is the counter wall_us, since its work runs on other threads than the
// benchmark's.
void sweepThousandFrames(benchmark::State& state, int set);

// Registers them as "sweep/frame/<set>" and "sweep/1000-frames/<set>/jobs:N" (N = 1, 2).
void registerSweepStages();

} // namespace vireo::bench
