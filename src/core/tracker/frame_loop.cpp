#include "tracker/frame_loop.h"

#include "edges/sobel.h"

#include <stdexcept>
#include <string>

namespace vireo {

Expected<void> checkSettings(const SweepSettings& settings) {
    if (settings.thresholds.empty())
        return Error{{}, "no threshold given"};
    const std::string range = "0.." + std::to_string(kMaxThreshold);
    for (std::size_t i = 0; i < settings.thresholds.size(); ++i) {
        const int t = settings.thresholds[i];
        if (t < 0 || t > kMaxThreshold)
            return Error{"threshold " + std::to_string(t), "outside " + range};
        if (i > 0 && t <= settings.thresholds[i - 1])
            return Error{"threshold " + std::to_string(t),
                         "not above the threshold before it (" +
                             std::to_string(settings.thresholds[i - 1]) + ")"};
    }
    if (settings.runs < 1 || settings.runs > kMaxRuns)
        return Error{"run count " + std::to_string(settings.runs),
                     "outside 1.." + std::to_string(kMaxRuns)};
    return {};
}

void FrameSweep::start(int number, int runs) {
    frame = number;
    runsPerThreshold = runs;
    this->runs.clear();
    edgePixels.clear();
}

namespace {

const SweepSettings& checked(const SweepSettings& settings) {
    if (Expected<void> valid = checkSettings(settings); !valid)
        throw std::invalid_argument(valid.error().message());
    return settings;
}

} // namespace

FrameLoop::FrameLoop(RecordingSource source, SweepSettings settings, Tracker::Surfaces surfaces)
    : settings_(checked(settings))
    , tracker_(surfaces) {
    // Nothing is loaded at start-up: run() names the frames.
    (void)tracker_.startUp(std::move(source), settings_.thresholds.front(), std::nullopt);
}

Expected<void> FrameLoop::run(int frame, FrameSweep& out, Hooks* hooks) {
    out.start(frame, settings_.runs);
    return runLoaded(frame, load(frame), out, hooks);
}

Expected<void> FrameLoop::run(int frame, const std::string& name,
                              std::span<const std::uint8_t> file, FrameSweep& out, Hooks* hooks) {
    out.start(frame, settings_.runs);
    return runLoaded(frame, tracker_.changeFrame(name, file), out, hooks);
}

Expected<void> FrameLoop::runLoaded(int frame, Expected<void> loaded, FrameSweep& out,
                                    Hooks* hooks) {
    if (!loaded)
        return loaded;
    out.runs.reserve(settings_.thresholds.size() * static_cast<std::size_t>(settings_.runs));
    bool first = true;
    for (const int threshold : settings_.thresholds) {
        // The frame just loaded starts the first threshold; each further one starts afresh on
        // the same grey frame.
        if (!first)
            tracker_.rewindFrame();
        first = false;
        tracker_.setThreshold(threshold);
        tracker_.displayPicture();
        out.edgePixels.push_back(CenterRun::edgePixels(tracker_.state().edgeimg));
        if (hooks)
            hooks->edgesShown(frame, threshold, tracker_.state());
        for (int run = 0; run < settings_.runs; ++run)
            out.runs.push_back(*tracker_.findCenter());
        if (hooks)
            hooks->runsDone(frame, threshold, tracker_.state());
    }
    return {};
}

} // namespace vireo
