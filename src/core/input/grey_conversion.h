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

// The stored row that holds picture row `row`: the same mapping, which is its own inverse.
constexpr int storedRowOfPicture(bool bottomUp, int row) {
    return pictureRowOfStored(bottomUp, row);
}

// Picture rows first..last; by default all of them.
struct PictureRows {
    int first = 0;
    int last = Frame::kPictureHeight - 1;
};

// Writes the grey level of every pixel of picture rows `rows` into columns 0..159 of those rows
// of `grey`: (blue + green + red + 1) div 3, the mean rounded to nearest (a sum divided by 3 never
// ends in exactly one half). Stored row s becomes picture row 119 - s when `bottomUp`, row s
// otherwise. Column 160, row 120 and the rows outside `rows` are not written. `path` must be one
// this processor runs (runsOn). Throws std::out_of_range when `rows` is not a range within
// 0..119.
void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey, SimdPath path,
                   PictureRows rows = {});

// The same on the fastest path.
void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey, PictureRows rows = {});

} // namespace vireo
