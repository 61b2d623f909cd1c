#include "sample_scenes.h"

namespace vireo {

namespace {

constexpr Palette kDark = Palette::DarkTapeOnLightFloor;
constexpr Palette kLight = Palette::LightTapeOnDarkFloor;

// Every scene keeps column 80 at least three columns inside the tape on rows 29..89, about the
// rows that the centre search reads (30..90), except the two drifting ones, which show a robot
// that has wandered off its path.
constexpr std::array<FloorScene, kSampleCount> kScenes{{
    {.description = "straight ahead, centred", .palette = kDark, .seed = 0x5EED00},
    {.description = "curving left",
     .palette = kDark,
     .offsetMilli = 20,
     .headingColumns = 6,
     .curve = -250,
     .seed = 0x5EED01},
    {.description = "curving right",
     .palette = kDark,
     .offsetMilli = -10,
     .headingColumns = -9,
     .curve = 300,
     .seed = 0x5EED02},
    {.description = "straight ahead, robot a little left of the path",
     .palette = kLight,
     .offsetMilli = 100,
     .seed = 0x5EED03},
    {.description = "curving left more sharply",
     .palette = kLight,
     .offsetMilli = 30,
     .headingColumns = 13,
     .curve = -420,
     .seed = 0x5EED04},
    {.description = "curving right more sharply",
     .palette = kLight,
     .offsetMilli = -30,
     .headingColumns = -13,
     .curve = 420,
     .seed = 0x5EED05},
    {.description = "drifting off to the left",
     .palette = kDark,
     .offsetMilli = 250,
     .headingColumns = -40,
     .seed = 0x5EED06},
    {.description = "drifted off to the right, path leaving the picture",
     .palette = kLight,
     .offsetMilli = -400,
     .headingColumns = 110,
     .seed = 0x5EED07},
    {.description = "gap in the path",
     .palette = kDark,
     .headingColumns = -3,
     .curve = 150,
     .gap = {48, 61},
     .seed = 0x5EED08},
    {.description = "crossing line",
     .palette = kDark,
     .headingColumns = 2,
     .curve = -120,
     .crossing = {64, 69},
     .seed = 0x5EED09},
    {.description = "sensor noise",
     .palette = kDark,
     .offsetMilli = 50,
     .headingColumns = -4,
     .noise = 10,
     .stuckPixels = 16,
     .seed = 0x5EED0A},
    {.description = "sensor noise, curving left",
     .palette = kLight,
     .offsetMilli = 20,
     .headingColumns = 6,
     .curve = -220,
     .noise = 10,
     .stuckPixels = 16,
     .seed = 0x5EED0B},
    {.description = "crossing line, curving right",
     .palette = kLight,
     .offsetMilli = -20,
     .headingColumns = -8,
     .curve = 300,
     .crossing = {36, 41},
     .seed = 0x5EED0C},
}};

} // namespace

const std::array<FloorScene, kSampleCount>& sampleScenes() {
    return kScenes;
}

} // namespace vireo
