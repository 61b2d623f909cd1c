#pragma once

#include "cpu/simd_path.h"
#include "state/frame.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace vireo {

// A frame file's pixel data: 120 stored rows of 160 pixels, three bytes each (blue, green, red).
// 480 bytes is a multiple of 4, so the rows carry no padding.
constexpr std::size_t kFrameRowBytes = 3 * Frame::kPictureWidth;
constexpr std::size_t kFramePixelBytes = kFrameRowBytes * Frame::kPictureHeight;
using FramePixels = std::span<const std::uint8_t, kFramePixelBytes>;

// The picture row (0 = top) that stored row `stored` holds.
constexpr int pictureRowOfStored(bool bottomUp, int stored) {
    return bottomUp ? Frame::kPictureHeight - 1 - stored : stored;
}

// Writes the grey level of every pixel into columns 0..159, rows 0..119 of `grey`:
// (blue + green + red + 1) div 3, the mean rounded to nearest (a sum divided by 3 never ends in
// exactly one half). Stored row s becomes picture row 119 - s when `bottomUp`, row s otherwise.
// Column 160 and row 120 are not written. `path` must be one this processor runs (runsOn).
void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey, SimdPath path);

// The same on the fastest path.
void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey);

} // namespace vireo
