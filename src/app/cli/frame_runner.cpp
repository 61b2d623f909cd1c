#include "app/cli/frame_runner.h"

#include "app/cli/frame_renderer.h"
#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "tracking/centers.h"

#include <exception>

namespace vireo {

namespace {

std::filesystem::path outputFile(const std::filesystem::path& folder, const char* stem, int frame,
                                 const char* extension) {
    return folder / (stem + std::to_string(frame) + extension);
}

} // namespace

FrameRunner::FrameRunner(const CliOptions& options, FrameRenderer* renderer)
    : options_(options)
    , renderer_(options.renderDir ? renderer : nullptr) {
    initmask(state_);
    state_.sobelthresh = options.threshold;
    records_.reserve(static_cast<std::size_t>(options.runs));
}

bool FrameRunner::process(int frame) {
    records_.clear();
    errors_.clear();
    try {
        if (renderer_) {
            runFrame(frame, &renderer_->newFrame());
            if (auto error =
                    renderer_->writePng(outputFile(*options_.renderDir, "vireo", frame, ".png"));
                !error.empty())
                errors_.push_back(std::move(error));
        } else {
            runFrame(frame, nullptr);
        }
    } catch (const LoadError& error) {
        records_.clear();
        errors_.insert(errors_.begin(), error.what());
    } catch (const std::exception& error) {
        // Not expected from a frame that loaded; reported rather than ending the whole run.
        records_.clear();
        errors_.insert(errors_.begin(), frameFileName(frame) + ": " + error.what());
    }
    return errors_.empty();
}

void FrameRunner::runFrame(int frame, Surface* picture4) {
    state_.picshown = false;
    state_.edgesready = false;
    historyinit(state_);
    moveme(state_, options_.folder, frame);

    if (picture4)
        Sobel(state_, *picture4);
    else
        computeEdges(state_);
    state_.picshown = true;
    state_.edgesready = true;
    if (options_.edgesDir)
        writeEdgeFile(frame);

    for (int run = 1; run <= options_.runs; ++run) {
        const CenterRun result = findcenter(state_, picture4 ? *picture4 : nullSurface_);
        records_.push_back({frame, options_.threshold, run, result.centres, result.forecast,
                            result.line.top, result.line.bottom});
    }
}

void FrameRunner::writeEdgeFile(int frame) {
    if (auto error = edgeFiles_.write(outputFile(*options_.edgesDir, "edges", frame, ".pgm"),
                                      state_.edgeimg);
        !error.empty())
        errors_.push_back(std::move(error));
}

} // namespace vireo
