#pragma once

#include "state/surface.h"
#include "state/tracking_state.h"

#include <QString>
#include <filesystem>

namespace vireo::testing {

// What the edge surface Picture4 should show.
enum class EdgeSurface {
    Blank,   // cleared: start-up or a frame change, and no "Display Picture" since
    EdgeMap, // exactly the edge frame, grey(edgeimg) at every picture pixel
    Overlay, // the edge frame with a centre overlay drawn over it
};

// The window as promised, kept apart from it: each event the window handled is replayed here on
// the engine's own functions (moveme, computeEdges, historyinit, findcenter) and a tracking state
// of its own, so that what the window shows can be compared with what the engine gives.
class WindowModel {
public:
    // Start-up: flags cleared, kernels filled, threshold 100, scan rows reset, frame 1 loaded.
    explicit WindowModel(std::filesystem::path folder);

    // picslider changed to `frameNumber`.
    void frameChange(int frameNumber);
    // "Display Picture".
    void displayPicture();
    // sobelslider changed to `value`, or was clicked while at it.
    void thresholdChange(int value);
    // "Find Center"; returns whether it ran (only while the edges are shown).
    bool findCenter();

    const TrackingState& state() const { return state_; }
    bool edgesShown() const { return state_.picshown; }
    // "N/A", or the forecast of the last "Find Center" since the last frame change.
    const QString& middiff() const { return middiff_; }
    // Why the current frame could not be loaded; empty when it was.
    const QString& loadFailure() const { return loadFailure_; }
    // The picture of the frame file Picture3 should show; only while loadFailure() is empty.
    const Picture& framePicture() const { return framePicture_; }
    EdgeSurface edgeSurface() const { return edgeSurface_; }

private:
    void load(int frameNumber);

    std::filesystem::path folder_;
    TrackingState state_;
    QString middiff_ = QStringLiteral("N/A");
    QString loadFailure_;
    Picture framePicture_;
    EdgeSurface edgeSurface_ = EdgeSurface::Blank;
};

} // namespace vireo::testing
