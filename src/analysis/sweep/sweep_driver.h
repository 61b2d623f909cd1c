#pragma once

#include "errors/error.h"
#include "input/frame_list.h"
#include "sweep/frame_sweep.h"

#include <filesystem>
#include <functional>
#include <stop_token>

namespace vireo::sweep {

// One frame of a sweep as the consumer sees it: its results, or the loader's refusal.
struct FrameOutcome {
    int frame = 0;
    const FrameSweep* results = nullptr; // null when the frame was refused
    const Error* error = nullptr;        // the refusal, null when the frame loaded
};

// Called once per frame, in the order of the frame list (ranges in the order given, each
// ascending), on the thread that called runSweep(). What it is given lives only during the call.
using FrameConsumer = std::function<void(const FrameOutcome&)>;

struct SweepOptions {
    RecordingSource source; // each worker opens its own reader of it
    SweepSettings settings;
    // Worker threads; 0: std::thread::hardware_concurrency() (at least 1) for a folder, 1 for a
    // video, whose frames one worker decodes once, in order.
    int jobs = 0;
};

struct SweepProgress {
    long long delivered = 0; // frames handed to the consumer
    bool cancelled = false;  // stopped by `stop` before the list's end
};

// The workers a sweep of `source` takes for `jobs` 0: one per processor core for a folder, one for
// a video (any path that is not a folder).
int defaultJobs(const RecordingSource& source);

// Sweeps every frame of `frames` on `jobs` threads and hands each frame's results to `consume`
// in frame order. The output does not depend on the number of jobs; only a few frames per job
// are in flight at once, and nothing of a frame is kept after `consume` returns. A stop request
// is honoured between frames: no further frame is delivered, and the call returns once its
// workers have ended. An exception from `consume` (or a bug in a worker) ends the sweep and is
// rethrown. Throws std::invalid_argument for settings that break checkSettings().
SweepProgress runSweep(const FrameList& frames, const SweepOptions& options,
                       const FrameConsumer& consume, std::stop_token stop = {});

} // namespace vireo::sweep
