#pragma once

#include "centers/centers.h"
#include "errors/error.h"
#include "tracker/tracker.h"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vireo {

// The most "Find Center" runs per frame and threshold.
inline constexpr int kMaxRuns = 1000;

// What is computed for each frame: the thresholds (ascending, each once, each 0..kMaxThreshold)
// and the number of "Find Center" runs per threshold (1..kMaxRuns).
struct SweepSettings {
    std::vector<int> thresholds;
    int runs = 1;
};

// The settings' first break of the rules above, naming the value ("threshold 256 is outside
// 0..255"); nothing when they keep them.
Expected<void> checkSettings(const SweepSettings& settings);

// One frame at every threshold of a list.
struct FrameSweep {
    int frame = 0;
    int runsPerThreshold = 0;
    // runsPerThreshold runs per threshold, threshold after threshold in the settings' order:
    // exactly the CenterRun values Tracker gives for this frame at that threshold after a frame
    // change, "Display Picture" and that many "Find Center".
    std::vector<CenterRun> runs;
    // Per threshold, CenterRun::edgePixels of its edge map.
    std::vector<int> edgePixels;

    // Empties the results and names the frame they will be of.
    void start(int number, int runs);

    // The runs of the threshold at `index` in the settings' list.
    std::span<const CenterRun> runsAt(std::size_t index) const {
        return std::span<const CenterRun>(runs).subspan(
            index * static_cast<std::size_t>(runsPerThreshold),
            static_cast<std::size_t>(runsPerThreshold));
    }
    // Its last run, the one a frame's summary is taken from.
    const CenterRun& lastRunAt(std::size_t index) const { return runsAt(index).back(); }
};

// The per-frame loop every program runs: a frame is loaded once, then at each threshold of the
// settings in turn it takes the operator's steps from a fresh start: scan rows reset to column
// 80, "Display Picture" at the threshold (its edge pixels counted) and the runs of "Find Center",
// each continuing from the centres the run before it stored. Each threshold's results are those
// of a frame change, a threshold change, "Display Picture" and the runs on a Tracker, and each
// frame's edge maps are computed once per threshold. The loop owns its Tracker, so no caller can
// change the threshold or the frame between these steps.
class FrameLoop {
public:
    // What a caller does at each threshold besides the runs; by default nothing.
    class Hooks {
    public:
        virtual ~Hooks() = default;
        // The edge map of `frame` at `threshold` is in state.edgeimg (and painted on picture4),
        // before the first run.
        virtual void edgesShown(int /*frame*/, int /*threshold*/, const TrackingState& /*state*/) {}
        // The runs at `threshold` are done: picture4 holds the edge map and the last run's
        // overlay.
        virtual void runsDone(int /*frame*/, int /*threshold*/, const TrackingState& /*state*/) {}
    };

    // Reads frames from `source` (a folder, the current directory when empty, or a video) and
    // draws on `surfaces`,
    // which must outlive the loop. Throws std::invalid_argument when the settings fail
    // checkSettings(): a caller that lets a person choose them checks them first.
    FrameLoop(RecordingSource source, SweepSettings settings, Tracker::Surfaces surfaces = {});

    const SweepSettings& settings() const { return settings_; }

    // See Tracker::setSearchedRowsOnly: for callers that read no edge row the search does not.
    void setSearchedRowsOnly(bool only) { tracker_.setSearchedRowsOnly(only); }

    // Frame `frame` at every threshold into `out` (its vectors are reused), calling `hooks` at
    // each. A frame the loader refuses gives the loader's error, and `out` then holds no results.
    Expected<void> run(int frame, FrameSweep& out, Hooks* hooks = nullptr);

    // The same for a frame whose file is already in memory (a live input's), `name` being the
    // subject of a refusal.
    Expected<void> run(int frame, const std::string& name, std::span<const std::uint8_t> file,
                       FrameSweep& out, Hooks* hooks = nullptr);

    // See Tracker::setCarryCentres: each frame's first run starts from the centres the previous
    // frame's last run stored. Only meaningful with one threshold, as each threshold after the
    // first starts afresh.
    void setCarryCentres(bool carry) { tracker_.setCarryCentres(carry); }

    // Only the loading step: frame `frame` read into state().grayimg, scan rows reset. The one
    // place where the loop reads a frame.
    Expected<void> load(int frame) { return tracker_.changeFrame(frame); }

    const TrackingState& state() const { return tracker_.state(); }

private:
    Expected<void> runLoaded(int frame, Expected<void> loaded, FrameSweep& out, Hooks* hooks);

    SweepSettings settings_;
    Tracker tracker_;
};

} // namespace vireo
