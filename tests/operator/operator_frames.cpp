#include "operator_frames.h"

#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "window_driver.h"

#include <cstdint>

namespace vireo::testing {

namespace {

Bgr grey(std::uint8_t v) {
    return {v, v, v};
}

// Vertical steps of falling contrast: a step of d grey levels is an edge from threshold 255 - 4d
// on. Each "Find Center" at a higher threshold finds a nearer left edge and moves the centres
// right, to 145.
Bgr staircaseWalkingRight(int x, int) {
    return grey(x < 40 ? 20 : x < 90 ? 84 : x < 120 ? 124 : x < 138 ? 149 : 164);
}

// The mirror image: the centres walk left, to 15.
Bgr staircaseWalkingLeft(int x, int) {
    return grey(x < 22 ? 100 : x < 40 ? 115 : x < 70 ? 140 : x < 120 ? 180 : 244);
}

// Fixed blotchy noise: squares of 3 x 3 pixels with hashed colours.
Bgr noise(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x / 3) * 73856093u ^
                      static_cast<std::uint32_t>(y / 3) * 19349663u;
    h = (h ^ (h >> 13)) * 0x5bd1e995u;
    h ^= h >> 15;
    return {static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
            static_cast<std::uint8_t>(h >> 16)};
}

} // namespace

void writeOperatorFrames(const std::filesystem::path& folder) {
    const auto write = [&folder](int frameNumber, const PixelSource& pixels) {
        writeFile(folder / frameFileName(frameNumber), buildBmp(pixels));
    };
    // A path that winds right as it goes down, and one centred on 70, 80 and 90.
    write(0, pathBetweenWalls(
                 {{30, 40, 100}, {50, 55, 110}, {70, 70, 125}, {90, 85, 135}, {119, 95, 150}}));
    write(1, pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}}));
    write(3, staircaseWalkingRight);
    writeFile(folder / frameFileName(4), {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0});
    write(5, verticalBand(30, 220, 60, 100));
    // A path that narrows to the left edge and a wall that leaves no right edge.
    write(8, pathBetweenWalls({{45, 0, 30}, {65, 10, 60}, {119, 100, 200}}));
    write(10, staircaseWalkingLeft);
    write(12, noise);
}

} // namespace vireo::testing
