#include "tracker/tracker.h"

#include "edges/sobel.h"
#include "input/bitmap_loader.h"

namespace vireo {

Tracker::Tracker() = default;

Tracker::Tracker(Surfaces surfaces)
    : surfaces_(surfaces) {}

void Tracker::setFlags(bool value) {
    state_.picshown = value;
    state_.edgesready = value;
}

Expected<void> Tracker::startUp(std::filesystem::path folder, int threshold,
                                std::optional<int> frame) {
    setFlags(false);
    folder_ = std::move(folder);
    initmask(state_);
    state_.sobelthresh = threshold;
    historyinit(state_);
    if (!frame)
        return {};
    return moveme(state_, folder_, *frame, surfaces_.picture3, greyRows());
}

void Tracker::rewindFrame() {
    setFlags(false);
    if (surfaces_.picture4)
        surfaces_.picture4->clear();
    historyinit(state_);
}

Expected<void> Tracker::changeFrame(int frame) {
    rewindFrame();
    Expected<void> loaded = moveme(state_, folder_, frame, surfaces_.picture3, greyRows());
    if (!loaded) {
        state_.grayimg.fill(0);
        if (surfaces_.picture3)
            surfaces_.picture3->clear();
    }
    return loaded;
}

PictureRows Tracker::greyRows() const {
    if (surfaces_.picture4 || !searchedRowsOnly_)
        return {};
    // Each edge row reads the grey rows above and below it.
    return {kSearchedFirstRow - 1, kSearchedLastRow + 1};
}

void Tracker::computeAndPaintEdges() {
    if (surfaces_.picture4)
        Sobel(state_, *surfaces_.picture4);
    else if (searchedRowsOnly_)
        computeEdgeRows(state_, kSearchedFirstRow, kSearchedLastRow);
    else
        computeEdges(state_);
}

void Tracker::displayPicture() {
    computeAndPaintEdges();
    setFlags(true);
}

void Tracker::setThreshold(int threshold) {
    state_.sobelthresh = threshold;
    if (state_.picshown)
        computeAndPaintEdges();
}

std::optional<CenterRun> Tracker::findCenter() {
    if (!state_.edgesready)
        return std::nullopt;
    return findcenter(state_, picture4());
}

} // namespace vireo
