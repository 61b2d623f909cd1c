#pragma once

#include "state/frame.h"
#include "state/int_table.h"

#include <cstdint>
#include <vector>

namespace vireo {

// Everything the window's procedures share between events. It lives as long as the window (or,
// in the command-line program, as long as the run) and starts zero-filled: both frames 0, the
// kernels and the scan-row table 0, the threshold 0, both flags false and no file bytes.
struct TrackingState {
    // Edge threshold 0..255 (the threshold slider's value); higher marks more edges.
    int sobelthresh = 0;
    // Grey frame: one brightness byte per picture pixel, written only by the loader.
    Frame grayimg;
    // Edge frame: 0 = edge, 255 = background, written only by the edge computation.
    Frame edgeimg;
    // Horizontal- and vertical-gradient Sobel kernels, filled once by initmask().
    Kernel maskx;
    Kernel masky;
    // Scan rows and their current centre columns, reset by historyinit().
    History history;
    // The bytes of the last frame file loaded: its headers followed by its pixel data.
    std::vector<std::uint8_t> filebytes;
    // An edge frame is on display, so a threshold change recomputes it.
    bool picshown = false;
    // "Find Center" may run.
    bool edgesready = false;
};

} // namespace vireo
