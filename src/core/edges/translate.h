#pragma once

#include "drawing/surface.h"
#include "state/tracking_state.h"

namespace vireo {

// Paints columns 0..159, rows 0..119 of state.edgeimg on `picture4`, one set-pixel per cell in
// the grey of its value, row by row from the top, after setting the scale mode to pixels. It sets
// nothing else on the surface (the line width stays as it is).
void translate(const TrackingState& state, Surface& picture4);

} // namespace vireo
