#include "floor_scene.h"

#include "splitmix64.h"

#include <algorithm>
#include <cstdint>

namespace vireo {

namespace {

struct Rgb {
    int red;
    int green;
    int blue;
};

struct Colours {
    Rgb floor;
    Rgb tape;
    Rgb wall;
};

constexpr int kHorizonRow = 6;      // rows 0..5 show the wall
constexpr std::int64_t kOne = 4096; // fixed-point unit of floor coordinates and weights

Colours coloursOf(Palette palette) {
    if (palette == Palette::DarkTapeOnLightFloor) {
        return {{192, 180, 156}, {40, 42, 50}, {128, 136, 150}};
    }
    return {{74, 72, 80}, {234, 230, 214}, {168, 164, 156}};
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Lattice value in -1024..1023 for the integer grid point (ix, iz).
std::int64_t latticeValue(std::int64_t ix, std::int64_t iz, std::uint64_t seed) {
    const std::uint64_t key = seed ^ (static_cast<std::uint64_t>(ix) * 0x9E3779B97F4A7C15ULL) ^
                              (static_cast<std::uint64_t>(iz) * 0xC2B2AE3D27D4EB4FULL);
    return static_cast<std::int64_t>(SplitMix64::mix(key) >> 53) - 1024;
}

// Smoothstep of t in 0..kOne, scaled to 0..kOne.
std::int64_t smooth(std::int64_t t) {
    return t * t * (3 * kOne - 2 * t) / (kOne * kOne);
}

// Smoothly interpolated value noise in -1024..1023 at floor point (x, z), cells cx by cz.
std::int64_t valueNoise(std::int64_t x, std::int64_t z, std::int64_t cx, std::int64_t cz,
                        std::uint64_t seed) {
    const std::int64_t ix = floorDiv(x, cx);
    const std::int64_t iz = floorDiv(z, cz);
    const std::int64_t wx = smooth((x - ix * cx) * kOne / cx);
    const std::int64_t wz = smooth((z - iz * cz) * kOne / cz);
    const std::int64_t near =
        latticeValue(ix, iz, seed) * (kOne - wx) + latticeValue(ix + 1, iz, seed) * wx;
    const std::int64_t far =
        latticeValue(ix, iz + 1, seed) * (kOne - wx) + latticeValue(ix + 1, iz + 1, seed) * wx;
    return (near * (kOne - wz) + far * wz) / (kOne * kOne);
}

// Whether the sub-sample at (u8, v8), in eighths of a pixel from the top-left corner, lies on
// tape. Compares |u - u(s)| < halfWidth * s after multiplying out every denominator.
bool onTape(const FloorScene& scene, std::int64_t u8, std::int64_t v8) {
    const std::int64_t s8 = v8 - 8 * kHorizonRow;
    if (s8 <= 0) {
        return false;
    }
    const int row = static_cast<int>(v8 / 8);
    if (scene.crossing.contains(row)) {
        return true;
    }
    if (scene.gap.contains(row)) {
        return false;
    }
    const std::int64_t across = 1000 * s8 * (u8 - 640 - 8 * scene.headingColumns) -
                                scene.offsetMilli * s8 * s8 - 64000 * std::int64_t{scene.curve};
    const std::int64_t limit = scene.halfWidthMilli * s8 * s8;
    return across < limit && -across < limit;
}

int tapeCoverage(const FloorScene& scene, int x, int y) {
    int covered = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            if (onTape(scene, 8 * x + 2 * sx + 1, 8 * y + 2 * sy + 1)) {
                ++covered;
            }
        }
    }
    return covered;
}

// Brightness change of the floor at pixel (x, y) from its texture: a broad and a fine layer of
// value noise fixed to the floor, fading towards the horizon where the lens would blur it.
int floorTexture(const FloorScene& scene, int x, int y) {
    const std::int64_t s2 = 2 * (y - kHorizonRow) + 1; // s in half pixels
    const std::int64_t across = (2 * x + 1 - 160) * kOne / s2;
    const std::int64_t along = 200 * kOne / s2;
    const std::int64_t broad = valueNoise(across, along, kOne * 3 / 10, kOne * 6 / 10, scene.seed);
    const std::int64_t fine =
        valueNoise(across, along, kOne * 8 / 100, kOne * 16 / 100, scene.seed + 1);
    const std::int64_t fade = std::min<std::int64_t>(s2, 64);
    // broad +-14 and fine +-6 grey levels at full strength
    return static_cast<int>((broad * 14 + fine * 6) * fade / (1024 * 64));
}

// Close to the horizon everything fades into the plain floor colour, so the far end of a tape
// that is only a pixel thick does not break up into dots.
Rgb hazed(Rgb colour, Rgb haze, int y) {
    const int s2 = 2 * (y - kHorizonRow) + 1;
    const int weight = std::max(0, 16 - s2); // out of 16
    const auto mix = [&](int value, int hazeValue) {
        return (value * (16 - weight) + hazeValue * weight + 8) / 16;
    };
    return {mix(colour.red, haze.red), mix(colour.green, haze.green), mix(colour.blue, haze.blue)};
}

} // namespace

RgbPicture renderFloorScene(const FloorScene& scene) {
    const Colours colours = coloursOf(scene.palette);
    SplitMix64 random(scene.seed);
    RgbPicture picture;
    for (int y = 0; y < kSampleHeight; ++y) {
        for (int x = 0; x < kSampleWidth; ++x) {
            const int grain = random.between(-3, 3);
            Rgb out{};
            if (y < kHorizonRow) {
                const int shade = 2 * (y - kHorizonRow) + grain;
                out = {colours.wall.red + shade, colours.wall.green + shade,
                       colours.wall.blue + shade};
            } else {
                // the floor is lit more brightly close to the camera
                const int light = (2 * (y - kHorizonRow) + 1 - 120) / 10;
                const int floorShade = light + floorTexture(scene, x, y) + grain;
                const int tapeShade = light + grain / 2;
                const int cover = tapeCoverage(scene, x, y);
                const auto blend = [&](int floorValue, int tapeValue) {
                    return ((floorValue + floorShade) * (16 - cover) +
                            (tapeValue + tapeShade) * cover + 8) /
                           16;
                };
                out = {blend(colours.floor.red, colours.tape.red),
                       blend(colours.floor.green, colours.tape.green),
                       blend(colours.floor.blue, colours.tape.blue)};
                out = hazed(out, colours.floor, y);
            }
            if (scene.noise > 0) {
                const auto jitter = [&] {
                    return random.between(-scene.noise, scene.noise) +
                           random.between(-scene.noise, scene.noise) +
                           random.between(-scene.noise, scene.noise);
                };
                out.red += jitter();
                out.green += jitter();
                out.blue += jitter();
            }
            picture.set(x, y, out.red, out.green, out.blue);
        }
    }
    for (int i = 0; i < scene.stuckPixels; ++i) {
        const int x = random.between(0, kSampleWidth - 1);
        const int y = random.between(0, kSampleHeight - 1);
        const int level = (i % 2 == 0) ? 255 : 0;
        picture.set(x, y, level, level, level);
    }
    return picture;
}

} // namespace vireo
