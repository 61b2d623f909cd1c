#pragma once

#include "bmp_writer.h"

#include <cstdint>
#include <string_view>

namespace vireo {

// Which way round the path contrasts with the floor.
enum class Palette {
    DarkTapeOnLightFloor,
    LightTapeOnDarkFloor,
};

// Picture rows first..last (from the top, inclusive); empty when first > last.
struct RowSpan {
    int first = 1;
    int last = 0;

    bool contains(int row) const { return row >= first && row <= last; }
};

// A taped path on a flat floor seen by a forward-looking camera. The horizon lies at v = 6
// (v counts pixels from the top edge, so row y spans v = y .. y + 1); s = v - 6 is the height
// above the horizon. In perspective a path of constant width that runs along the floor shows
// its centre at column
//     u(s) = 80 + offset * s + heading + curve / s
// (offset: the robot's sideways offset from the path, heading: the vanishing point's shift,
// curve: the bend that grows with distance) and its half-width as halfWidth * s. All numbers
// are whole so the picture is identical with every compiler.
struct FloorScene {
    std::string_view description;
    Palette palette = Palette::DarkTapeOnLightFloor;
    int offsetMilli = 0;      // offset * 1000
    int headingColumns = 0;   // heading, in columns
    int curve = 0;            // curve, in columns times rows
    int halfWidthMilli = 320; // halfWidth * 1000
    RowSpan gap{};            // rows where the tape is missing
    RowSpan crossing{};       // rows covered by a tape laid across the path
    int noise = 0;            // per-channel sensor noise: a sum of three draws in -noise..noise
    int stuckPixels = 0;      // stuck black or white pixels
    std::uint64_t seed = 0;
};

// Renders the scene into a 160 x 120 picture: wall above the horizon, floor with a soft texture
// below, the tape anti-aliased over 4 x 4 sub-samples per pixel.
RgbPicture renderFloorScene(const FloorScene& scene);

} // namespace vireo
