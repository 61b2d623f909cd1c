#pragma once

#include "centers/overlay.h"
#include "drawing/surface.h"
#include "state/tracking_state.h"

#include <array>

namespace vireo {

inline constexpr std::array<int, 3> kScanRows{40, 60, 80};
inline constexpr int kResetCentre = 80;
inline constexpr int kBandHalfHeight = 10;
inline constexpr int kMinCentre = 15;
inline constexpr int kMaxCentre = 145;
inline constexpr int kBandRows = 2 * kBandHalfHeight + 1;
inline constexpr int kHeldSupport = 11;
// The rows of the edge map that the centre search reads: the bands around the scan rows.
inline constexpr int kSearchedFirstRow = kScanRows.front() - kBandHalfHeight;
inline constexpr int kSearchedLastRow = kScanRows.back() + kBandHalfHeight;
// The rows whose edge pixels are counted with a frame's runs, and the count a whole frame can
// reach there.
inline constexpr int kCountedFirstRow = 30;
inline constexpr int kCountedLastRow = 90;
inline constexpr int kCountedCells =
    (kCountedLastRow - kCountedFirstRow + 1) * Frame::kPictureWidth;

// Resets the scan-row table: rows 40, 60, 80, each with centre column 80. Entry 3 and the unused
// second index 2 are left as they are.
void historyinit(TrackingState& state);

// The column of the nearest edge pixel (0 in state.edgeimg) on row `starth`, starting at and
// including column `startw`, towards larger columns when `goright` and smaller ones otherwise.
// Returns 160 (right) or -1 (left) when no edge lies between the start and the picture's edge;
// a start outside 0..159 is returned unchanged without reading the frame. Throws
// std::out_of_range when the row lies outside 0..120.
int findedge(const TrackingState& state, int startw, int starth, bool goright);

// Re-estimates the centre of scan entry `hisloc` (0..2) on the 21-row band around `hcenter`,
// searching from `wcenter`: the midpoint of the band's mean right and mean left edge columns,
// rounded half to even and clamped to 15..145, stored in history cell (hisloc, 1).
//
// Returns how many band rows support the start column: rows where both searches found an edge
// and `wcenter` lies strictly between the two (a start column that is itself an edge supports
// nothing). A scan row is held when at least kHeldSupport of its 21 rows support it.
int centers(TrackingState& state, int hcenter, int wcenter, int hisloc);

// The support rule: whether a band row whose searches from `start` found `right` and `left`
// supports that start: both found an edge (neither 160 nor -1) and `start` lies strictly between
// them.
constexpr bool supportsStart(int start, int right, int left) {
    return left >= 0 && right < Frame::kPictureWidth && left < start && start < right;
}

// The same rule over every cut value at once, for a band row of gradient magnitudes whose edge map
// at cut v marks the magnitudes that reach v (sobelCut): the cut values v with first <= v <= last
// at which the row supports `start`. The searches from `start` find an edge on both sides while v
// is at most the smaller of the two running maxima from `start` (`rightMax`, `leftMax`, each
// taken from `start` outwards to its side's last inner column), and `start` is no edge itself once
// v exceeds its own magnitude `startMagnitude`. Empty (first > last) when no cut value supports.
struct SupportedCuts {
    int first = 0;
    int last = -1;
};
constexpr SupportedCuts supportedCuts(int startMagnitude, int rightMax, int leftMax) {
    return {startMagnitude + 1, rightMax < leftMax ? rightMax : leftMax};
}

// The centre column of a band whose right and left edge columns, one per band row, sum to
// `rightSum` and `leftSum`: what centers() stores.
int bandCentre(long rightSum, long leftSum);

// What one "Find Center" produces, and the small rules read from it.
struct CenterRun {
    std::array<int, 3> centres{}; // new centre columns on rows 40, 60, 80
    LineEnds line;                // the fitted line's end columns on rows 40 and 80
    std::array<int, 3> support{}; // band rows that supported each run's start column (centers)

    // The forecast: the centre on row 40 minus the centre on row 60 (the window's `middiff`).
    int forecast() const { return centres[0] - centres[1]; }

    // Every scan row held (at least kHeldSupport supporting rows): the path was tracked.
    bool tracked() const;

    // The edge pixels (0) of rows kCountedFirstRow..kCountedLastRow, columns 0..159 of the edge
    // map the runs searched: 0..kCountedCells, counted once per frame and threshold.
    static int edgePixels(const Frame& edgeimg);
};

// Re-estimates the three centres, each from its own previous centre, draws the overlay on
// `picture4` and returns the centres, the forecast and the fitted line.
CenterRun findcenter(TrackingState& state, Surface& picture4);

} // namespace vireo
