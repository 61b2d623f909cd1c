#include "app/cli/frame_runner.h"

#include "app/cli/png_file.h"

namespace vireo {

namespace {

std::filesystem::path outputFile(const std::filesystem::path& folder, const char* stem, int frame,
                                 const char* extension) {
    return folder / (stem + std::to_string(frame) + extension);
}

Tracker::Surfaces surfacesFor(std::optional<RasterSurface>& picture4) {
    return {nullptr, picture4 ? &*picture4 : nullptr};
}

} // namespace

FrameRunner::FrameRunner(const CliOptions& options)
    : options_(options)
    , picture4_(options.renderDir ? std::optional<RasterSurface>(std::in_place) : std::nullopt)
    , tracker_(surfacesFor(picture4_)) {
    // Nothing is loaded at start-up: the run names its frames.
    (void)tracker_.startUp(options.folder, options.threshold, std::nullopt);
    records_.reserve(static_cast<std::size_t>(options.runs));
}

void FrameRunner::keep(Expected<void> outcome) {
    if (!outcome)
        errors_.push_back(outcome.error());
}

bool FrameRunner::process(int frame) {
    records_.clear();
    errors_.clear();
    if (Expected<void> loaded = tracker_.changeFrame(frame); !loaded) {
        errors_.push_back(loaded.error());
        return false;
    }
    tracker_.displayPicture();
    if (options_.edgesDir)
        keep(edgeFiles_.write(outputFile(*options_.edgesDir, "edges", frame, ".pgm"),
                              tracker_.state().edgeimg));
    for (int run = 1; run <= options_.runs; ++run) {
        const CenterRun result = *tracker_.findCenter();
        records_.push_back({frame, options_.threshold, run, result.centres, result.forecast,
                            result.line.top, result.line.bottom});
    }
    if (picture4_)
        keep(writePng(*picture4_, outputFile(*options_.renderDir, "vireo", frame, ".png")));
    return errors_.empty();
}

} // namespace vireo
