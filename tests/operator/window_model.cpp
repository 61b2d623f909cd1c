#include "window_model.h"

#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "state/null_surface.h"
#include "tracking/centers.h"

#include <utility>

namespace vireo::testing {

namespace {

// Keeps the picture the loader shows.
class PictureCatcher : public NullSurface {
public:
    explicit PictureCatcher(Picture& target)
        : target_(target) {}
    void setPicture(const Picture& picture) override { target_ = picture; }

private:
    Picture& target_;
};

} // namespace

WindowModel::WindowModel(std::filesystem::path folder)
    : folder_(std::move(folder)) {
    initmask(state_);
    state_.sobelthresh = 100;
    historyinit(state_);
    load(1);
}

void WindowModel::frameChange(int frameNumber) {
    state_.picshown = false;
    state_.edgesready = false;
    edgeSurface_ = EdgeSurface::Blank;
    middiff_ = QStringLiteral("N/A");
    historyinit(state_);
    load(frameNumber);
}

void WindowModel::displayPicture() {
    computeEdges(state_);
    state_.picshown = true;
    state_.edgesready = true;
    edgeSurface_ = EdgeSurface::EdgeMap;
}

void WindowModel::thresholdChange(int value) {
    state_.sobelthresh = value;
    if (!state_.picshown)
        return;
    computeEdges(state_);
    edgeSurface_ = EdgeSurface::EdgeMap;
}

bool WindowModel::findCenter() {
    if (!state_.edgesready)
        return false;
    NullSurface surface;
    const CenterRun run = findcenter(state_, surface);
    middiff_ = QString::number(run.forecast);
    edgeSurface_ = EdgeSurface::Overlay;
    return true;
}

void WindowModel::load(int frameNumber) {
    try {
        PictureCatcher picture3(framePicture_);
        moveme(state_, folder_, frameNumber, &picture3);
        loadFailure_.clear();
    } catch (const LoadError& error) {
        // A frame that cannot be loaded leaves an empty grey frame behind.
        state_.grayimg.fill(0);
        loadFailure_ = QString::fromStdString(error.what());
    }
}

} // namespace vireo::testing
