#pragma once

#include "cpu/simd_path.h"
#include "drawing/surface.h"
#include "state/tracking_state.h"

namespace vireo {

// Fills state.maskx (Gx: right column minus left column, weights 1 2 1) and state.masky (Gy:
// upper row minus lower row, weights 1 2 1), each held at (row offset + 2, column offset + 2).
// Touches nothing else.
void initmask(TrackingState& state);

// The edge threshold runs from 0 to kMaxThreshold; higher marks more edges.
inline constexpr int kMaxThreshold = 255;

// The cut value a gradient magnitude must reach to be an edge: 255 - threshold.
constexpr int sobelCut(int threshold) {
    return 255 - threshold;
}

// Rewrites columns 0..159, rows 0..119 of state.edgeimg from state.grayimg: a pixel is an edge
// (0) when |Gx| + |Gy| >= 255 - state.sobelthresh, background (255) otherwise. The border ring
// (columns 0 and 159, rows 0 and 119) is always background; column 160 and row 120 are neither
// read nor written. Throws std::out_of_range when the threshold is outside 0..255 or a kernel
// weight outside -2..2, before anything is written.
// Runs on the fastest instruction set this processor has (see state/simd_path.h).
void computeEdges(TrackingState& state);

// The same on the given instruction set, for tests that compare them; every path writes the same
// bytes. Throws std::invalid_argument when this processor cannot run `path`.
void computeEdges(TrackingState& state, SimdPath path);

// Rows firstRow..lastRow of the edge map as computeEdges() writes them, the other rows left as
// they are: for callers that read no other row. Throws std::out_of_range when the rows are not a
// range within 0..119, and as computeEdges() does.
void computeEdgeRows(TrackingState& state, int firstRow, int lastRow);

// computeEdges() and then translate() onto `picture4`: what "Display Picture" does.
void Sobel(TrackingState& state, Surface& picture4);

} // namespace vireo
