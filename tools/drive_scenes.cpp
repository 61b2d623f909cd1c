#include "drive_scenes.h"

#include <cstdint>

namespace vireo {

namespace {

// A whole-number wave of period `period` frames between -amplitude and amplitude, shaped as a
// triangle so that no floating point enters the picture.
int wave(int n, int period, int amplitude) {
    const int phase = n % period;
    const int half = period / 2;
    const int up = phase < half ? phase : period - phase; // 0..half..0
    return amplitude * (2 * up - half) / half;
}

} // namespace

FloorScene driveScene(int n) {
    FloorScene scene;
    scene.description = "generated drive";
    scene.palette =
        (n / 1000) % 2 == 0 ? Palette::DarkTapeOnLightFloor : Palette::LightTapeOnDarkFloor;
    scene.offsetMilli = wave(n, 97, 60);
    scene.headingColumns = wave(n + 40, 331, 10);
    scene.curve = wave(n + 100, 577, 350);
    scene.noise = 2 + wave(n, 150, 2);
    scene.seed = 0xD81E0000u + static_cast<std::uint64_t>(n);
    switch (n % 211) {
    case 50:
        scene.gap = {40, 58};
        break;
    case 120:
        scene.crossing = {55, 61};
        break;
    case 170:
        scene.noise = 40;
        scene.stuckPixels = 30;
        break;
    case 200:
    case 201:
    case 202:
        scene.offsetMilli = 450; // drifted off the path for three frames
        break;
    default:
        break;
    }
    return scene;
}

} // namespace vireo
