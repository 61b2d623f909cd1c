#include "app/cli/frame_runner.h"

#include "app/cli/png_file.h"

#include <algorithm>

namespace vireo {

namespace {

Tracker::Surfaces surfacesFor(std::optional<RasterSurface>& picture4) {
    return {nullptr, picture4 ? &*picture4 : nullptr};
}

// The edge pixels of rows 30..90 that a sweep counts.
int countedEdgePixels(const Frame& edges) {
    int count = 0;
    for (int y = sweep::kCountedFirstRow; y <= sweep::kCountedLastRow; ++y) {
        const Frame::ConstRow row = edges.row(y);
        count += static_cast<int>(std::count(row.begin(), row.begin() + Frame::kPictureWidth, 0));
    }
    return count;
}

} // namespace

FrameRunner::FrameRunner(const CliOptions& options)
    : options_(options)
    , picture4_(options.renderDir ? std::optional<RasterSurface>(std::in_place) : std::nullopt)
    , tracker_(surfacesFor(picture4_)) {
    // Nothing is loaded at start-up: the run names its frames.
    (void)tracker_.startUp(options.folder, options.thresholds.front(), std::nullopt);
}

std::filesystem::path FrameRunner::outputFile(const std::filesystem::path& folder, const char* stem,
                                              int frame, int threshold,
                                              const char* extension) const {
    std::string name = stem + std::to_string(frame);
    if (options_.thresholds.size() > 1)
        name += "-t" + std::to_string(threshold);
    return folder / (name + extension);
}

void FrameRunner::keep(Expected<void> outcome) {
    if (!outcome)
        errors_.push_back(outcome.error());
}

bool FrameRunner::process(int frame, sweep::FrameSweep& results) {
    errors_.clear();
    results.frame = frame;
    results.runsPerThreshold = options_.runs;
    results.runs.clear();
    results.edgePixels.clear();
    for (const int threshold : options_.thresholds) {
        tracker_.setThreshold(threshold);
        if (Expected<void> loaded = tracker_.changeFrame(frame); !loaded) {
            errors_.push_back(loaded.error());
            results.runs.clear();
            results.edgePixels.clear();
            return false;
        }
        tracker_.displayPicture();
        results.edgePixels.push_back(countedEdgePixels(tracker_.state().edgeimg));
        if (options_.edgesDir)
            keep(edgeFiles_.write(outputFile(*options_.edgesDir, "edges", frame, threshold, ".pgm"),
                                  tracker_.state().edgeimg));
        for (int run = 1; run <= options_.runs; ++run)
            results.runs.push_back(*tracker_.findCenter());
        if (picture4_)
            keep(writePng(*picture4_,
                          outputFile(*options_.renderDir, "vireo", frame, threshold, ".png")));
    }
    return true;
}

} // namespace vireo
