#include "ui/raster_surface.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace vireo {
namespace {

constexpr Colour kBackground = RasterSurface::kBackground;

// The points of the surface whose colour differs from `colour`.
std::vector<std::pair<int, int>> pointsNotOf(const RasterSurface& surface, Colour colour) {
    std::vector<std::pair<int, int>> points;
    for (int y = 0; y < RasterSurface::kHeight; ++y)
        for (int x = 0; x < RasterSurface::kWidth; ++x)
            if (surface.pixel(x, y) != colour)
                points.emplace_back(x, y);
    return points;
}

class SetPixelAtLineWidth : public ::testing::TestWithParam<int> {};

// The edge map is repainted at the overlay's width 5; a set-pixel drawn as a dot of that width
// would smear every edge pixel into a 5 x 5 blob.
TEST_P(SetPixelAtLineWidth, PaintsExactlyOnePixelAndClipsOutside) {
    RasterSurface surface;
    surface.setLineWidth(GetParam());
    surface.setPixel(40, 30, kRed);
    surface.setPixel(0, 0, grey(0));
    surface.setPixel(160, 120, grey(7));
    for (const auto& [x, y] : {std::pair{-1.0f, 5.0f}, {161, 5}, {5, 121}, {5, -0.5f}})
        surface.setPixel(x, y, kRed);

    using Points = std::vector<std::pair<int, int>>;
    EXPECT_EQ(pointsNotOf(surface, kBackground), (Points{{0, 0}, {40, 30}, {160, 120}}));
    EXPECT_EQ(surface.pixel(40, 30), kRed);
}

INSTANTIATE_TEST_SUITE_P(Widths, SetPixelAtLineWidth, ::testing::Values(1, 2, 5, 20));

// A vertical line at width 5 is five pixels wide in its colour, with round ends that reach a
// little beyond its end points; drawing outside the surface is clipped.
TEST(RasterSurface, LinesAreFivePixelsWideAndClipped) {
    RasterSurface surface;
    surface.setLineWidth(5);
    surface.line(80, 40, 80, 80, kRed);
    for (int y = 45; y <= 75; ++y)
        for (int x = 77; x <= 83; ++x)
            ASSERT_EQ(surface.pixel(x, y), x == 77 || x == 83 ? kBackground : kRed)
                << "at (" << x << ", " << y << ")";
    EXPECT_EQ(std::tuple(surface.pixel(80, 38), surface.pixel(80, 35), surface.pixel(80, 85)),
              std::tuple(kRed, kBackground, kBackground));
    surface.line(-1000, -1000, 1000, 1000, kRed);
    surface.circle(160, 0, 30, kBlue);
    surface.line(-3.5e6f, 100, 3.5e6f, 100, kGreen);
    EXPECT_EQ(std::tuple(surface.pixel(50, 50), surface.pixel(130, 0), surface.pixel(10, 100)),
              std::tuple(kRed, kBlue, kGreen));
}

// A widget repaints when told; telling it once per set-pixel would mean 19,200 repaints for one
// edge map.
TEST(RasterSurface, ChangeListenerFiresOncePerBurst) {
    RasterSurface surface;
    int calls = 0;
    surface.setChangeListener([&calls] { ++calls; });

    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            surface.setPixel(x, y, grey(255));
    surface.line(0, 0, 10, 10, kGreen);
    EXPECT_EQ(calls, 1);

    surface.acknowledgeChanges();
    surface.setPixel(-5, -5, kRed);
    surface.setLineWidth(5);
    EXPECT_EQ(calls, 1) << "nothing visible changed";

    surface.clear();
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace vireo
