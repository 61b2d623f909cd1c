#pragma once

#include "recording/recording_overview.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace vireo {

// Fills a RecordingOverview of a recording's frames on a thread of its own (its sweep spreads a
// folder's frames over the processor's cores and decodes a video once, in order), so that a window
// never waits for it. Readers poll overview().received(); destroying it, or cancel(), stops the
// sweep between frames and waits for its threads, which takes at most a few frames' time.
class BackgroundSweep {
public:
    // Starts sweeping frames `frames` of `source` at every threshold; `jobs` as the sweep takes
    // them (0: one worker per core for a folder, one for a video).
    BackgroundSweep(RecordingSource source, const FrameList& frames, int jobs = 0);
    ~BackgroundSweep();
    BackgroundSweep(const BackgroundSweep&) = delete;
    BackgroundSweep& operator=(const BackgroundSweep&) = delete;

    // Shared, so that a reader may keep it after the sweep is gone.
    std::shared_ptr<const RecordingOverview> overview() const { return overview_; }

    // Stops the sweep and waits for it; the overview keeps the frames received so far.
    void cancel();
    bool cancelled() const { return cancelled_; }
    // The sweep's thread has ended: every frame is in, or it was cancelled or failed.
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Once finished(): a reason when the sweep ended with an error (frames that fail to load are
    // no error; they are in the overview).
    const std::string& failure() const { return failure_; }

private:
    std::shared_ptr<RecordingOverview> overview_;
    std::string failure_;
    bool cancelled_ = false;
    std::atomic<bool> finished_{false};
    std::jthread worker_;
};

} // namespace vireo
