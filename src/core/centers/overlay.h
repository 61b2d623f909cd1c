#pragma once

#include "drawing/surface.h"
#include "state/tracking_state.h"

#include <array>

namespace vireo {

inline constexpr int kOverlayLineWidth = 5;
inline constexpr int kCentreCircleRadius = 5;

// The columns where the fitted line crosses the first and the last scan row; unrounded, and
// possibly outside the surface.
struct LineEnds {
    double top = 0;
    double bottom = 0;
};

// Green segments from centre 1 to centre 0 and from centre 2 to centre 1, then a blue circle of
// radius 5 on each centre, at line width 5.
void linesegments(const TrackingState& state, Surface& picture4);

// The least-squares line through three centres, centre n at column columns[n] on row rows[n],
// in coordinates x' = column - 80 and y' = 120 - row; its end columns on rows[0] and rows[2]. A
// vertical fit or a level one (slope 0) gives the vertical line through the first centre. Throws
// std::overflow_error when a fit term leaves the 16-bit range.
LineEnds fitline(const std::array<int, 3>& columns, const std::array<int, 3>& rows);

// Draws the fitted line in red at line width 5 from the first scan row to the last and returns
// its ends.
LineEnds bestfitline(const TrackingState& state, Surface& picture4);

} // namespace vireo
