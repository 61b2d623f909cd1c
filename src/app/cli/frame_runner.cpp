#include "app/cli/frame_runner.h"

#include "app/cli/png_file.h"

namespace vireo {

namespace {

Tracker::Surfaces surfacesFor(std::optional<RasterSurface>& picture4) {
    return {nullptr, picture4 ? &*picture4 : nullptr};
}

} // namespace

FrameRunner::FrameRunner(const CliOptions& options)
    : options_(options)
    , picture4_(options.renderDir ? std::optional<RasterSurface>(std::in_place) : std::nullopt)
    , loop_({options.folder, options.conversion}, {options.thresholds, options.runs},
            surfacesFor(picture4_)) {
    loop_.setCarryCentres(options.carry);
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

void FrameRunner::edgesShown(int frame, int threshold, const TrackingState& state) {
    if (options_.edgesDir)
        keep(edgeFiles_.write(outputFile(*options_.edgesDir, "edges", frame, threshold, ".pgm"),
                              state.edgeimg));
}

void FrameRunner::runsDone(int frame, int threshold, const TrackingState&) {
    if (picture4_)
        keep(writePng(*picture4_,
                      outputFile(*options_.renderDir, "vireo", frame, threshold, ".png")));
}

bool FrameRunner::loaded(Expected<void> outcome) {
    if (!outcome)
        errors_.push_back(outcome.error());
    return outcome.ok();
}

bool FrameRunner::process(int frame, FrameSweep& results) {
    errors_.clear();
    return loaded(loop_.run(frame, results, this));
}

bool FrameRunner::process(int frame, const std::string& name, std::span<const std::uint8_t> file,
                          FrameSweep& results) {
    errors_.clear();
    return loaded(loop_.run(frame, name, file, results, this));
}

} // namespace vireo
