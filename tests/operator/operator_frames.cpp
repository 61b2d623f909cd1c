#include "operator_frames.h"

#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "window_driver.h"

#include <cmath>
#include <cstdint>

namespace vireo::testing {

namespace {

std::uint8_t clampLevel(double v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : std::lround(v));
}

// Vertical steps of falling contrast, so that each higher threshold shows one more of them. A
// step of d grey levels is an edge from threshold 255 - 4d on: 64 always, 40 from 95, 25 from
// 155, 15 from 195. Walking right: strong step at column 40, the faintest at 138; every "Find
// Center" at a higher threshold finds a nearer left edge and moves the centres right, to 145.
PixelSource staircaseWalkingRight() {
    return [](int x, int) {
        const std::uint8_t v = x < 40 ? 20 : x < 90 ? 84 : x < 120 ? 124 : x < 138 ? 149 : 164;
        return Bgr{v, v, v};
    };
}

// The mirror image: the strongest step at column 120, the faintest at 22; the centres walk left
// to 15.
PixelSource staircaseWalkingLeft() {
    return [](int x, int) {
        const std::uint8_t v = x < 22 ? 100 : x < 40 ? 115 : x < 70 ? 140 : x < 120 ? 180 : 244;
        return Bgr{v, v, v};
    };
}

// Smooth shading whose edges come and go with the threshold.
PixelSource shading() {
    return [](int x, int y) {
        const std::uint8_t v = clampLevel(128 + 60 * std::sin(x / 7.0) * std::cos(y / 11.0) +
                                          40 * std::sin((x + y) / 13.0));
        return Bgr{v, static_cast<std::uint8_t>(255 - v), v};
    };
}

// Fixed blotchy noise: squares of 3 x 3 pixels with hashed colours.
PixelSource noise() {
    return [](int x, int y) {
        std::uint32_t h = static_cast<std::uint32_t>(x / 3) * 73856093u ^
                          static_cast<std::uint32_t>(y / 3) * 19349663u;
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        h ^= h >> 15;
        return Bgr{static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
                   static_cast<std::uint8_t>(h >> 16)};
    };
}

void write(const std::filesystem::path& folder, int frameNumber,
           const std::vector<std::uint8_t>& bytes) {
    writeFile(folder / frameFileName(frameNumber), bytes);
}

} // namespace

void writeOperatorFrames(const std::filesystem::path& folder) {
    // A path that winds right as it goes down, and one centred on 70, 80 and 90.
    write(folder, 0,
          buildBmp(pathBetweenWalls(
              {{30, 40, 100}, {50, 55, 110}, {70, 70, 125}, {90, 85, 135}, {119, 95, 150}})));
    write(folder, 1, buildBmp(pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}})));

    BmpLayout topDown;
    topDown.topDown = true;
    write(folder, 3, buildBmp(staircaseWalkingRight(), topDown));

    write(folder, 4, {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0});
    write(folder, 5, buildBmp(shading()));
    std::filesystem::create_directory(folder / frameFileName(7));

    BmpLayout largestHeader;
    largestHeader.infoHeaderSize = 124;
    // A path that narrows to the left edge and a wall that leaves no right edge.
    write(folder, 8,
          buildBmp(pathBetweenWalls({{45, 0, 30}, {65, 10, 60}, {119, 100, 200}}), largestHeader));

    BmpLayout eightBit;
    eightBit.bitCount = 8;
    write(folder, 9, buildBmp(uniform(90), eightBit));

    write(folder, 10, buildBmp(staircaseWalkingLeft()));

    std::vector<std::uint8_t> cutShort = buildBmp(noise());
    cutShort.resize(30000);
    write(folder, 11, cutShort);

    write(folder, 12, buildBmp(noise()));
}

bool operatorFrameLoads(int frameNumber) {
    switch (frameNumber) {
    case 2:
    case 4:
    case 6:
    case 7:
    case 9:
    case 11:
        return false;
    default:
        return frameNumber >= 0 && frameNumber < kOperatorFrames;
    }
}

} // namespace vireo::testing
