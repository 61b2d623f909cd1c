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

void Tracker::setFolder(RecordingSource source) {
    source_ = std::move(source);
    recording_.reset();
}

void Tracker::setRecording(RecordingSource source, std::unique_ptr<Recording> recording) {
    source_ = std::move(source);
    recording_ = std::move(recording);
}

Expected<void> Tracker::load(int frame) {
    if (!recording_) {
        auto opened = openRecording(source_);
        if (!opened)
            return opened.error();
        recording_ = std::move(*opened);
    }
    return recording_->loadFrame(state_, frame, surfaces_.picture3, greyRows());
}

Expected<void> Tracker::startUp(RecordingSource source, int threshold, std::optional<int> frame) {
    setFlags(false);
    setFolder(std::move(source));
    initmask(state_);
    state_.sobelthresh = threshold;
    historyinit(state_);
    if (!frame)
        return {};
    return load(*frame);
}

void Tracker::rewindFrame() {
    startFrame(true);
}

void Tracker::startFrame(bool resetRows) {
    setFlags(false);
    if (surfaces_.picture4)
        surfaces_.picture4->clear();
    if (resetRows)
        historyinit(state_);
}

Expected<void> Tracker::changeFrame(int frame) {
    startFrame(!carryCentres_);
    return keepLoaded(load(frame));
}

Expected<void> Tracker::changeFrame(const std::string& name, std::span<const std::uint8_t> file) {
    startFrame(!carryCentres_);
    return keepLoaded(loadFrameFile(state_, name, file, surfaces_.picture3));
}

Expected<void> Tracker::keepLoaded(Expected<void> loaded) {
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
