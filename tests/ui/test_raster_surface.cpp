#include "ui/raster_surface.h"

#include <gtest/gtest.h>
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

// How many pixels of column x, rows `from`..`to`, have the colour.
int runLength(const RasterSurface& surface, int x, int from, int to, Colour colour) {
    int count = 0;
    for (int y = from; y <= to; ++y)
        count += surface.pixel(x, y) == colour ? 1 : 0;
    return count;
}

class SetPixelAtLineWidth : public ::testing::TestWithParam<int> {};

// The edge map is repainted at the overlay's width 5; a set-pixel drawn as a dot of that width
// would smear every edge pixel into a 5 x 5 blob.
TEST_P(SetPixelAtLineWidth, PaintsExactlyOnePixel) {
    RasterSurface surface;
    surface.setLineWidth(GetParam());
    surface.setPixel(40, 30, kRed);
    surface.setPixel(0, 0, grey(0));
    surface.setPixel(160, 120, grey(7));

    using Points = std::vector<std::pair<int, int>>;
    EXPECT_EQ(pointsNotOf(surface, kBackground), (Points{{0, 0}, {40, 30}, {160, 120}}));
    EXPECT_EQ(surface.pixel(40, 30), kRed);
    EXPECT_EQ(surface.pixel(0, 0), grey(0));
    EXPECT_EQ(surface.pixel(160, 120), grey(7));
}

INSTANTIATE_TEST_SUITE_P(Widths, SetPixelAtLineWidth, ::testing::Values(1, 2, 5, 20));

TEST(RasterSurface, VerticalLineAtWidthFiveIsFivePixelsWideInItsColour) {
    RasterSurface surface;
    surface.setLineWidth(5);
    surface.line(80, 40, 80, 80, kRed);
    for (int y = 45; y <= 75; ++y) {
        for (int x = 78; x <= 82; ++x)
            ASSERT_EQ(surface.pixel(x, y), kRed) << "at (" << x << ", " << y << ")";
        ASSERT_EQ(surface.pixel(77, y), kBackground) << "row " << y;
        ASSERT_EQ(surface.pixel(83, y), kBackground) << "row " << y;
    }
    // Round ends reach beyond the end points, but not far.
    EXPECT_EQ(surface.pixel(80, 38), kRed);
    EXPECT_EQ(surface.pixel(80, 35), kBackground);
    EXPECT_EQ(surface.pixel(80, 85), kBackground);
}

TEST(RasterSurface, SlantedLineAtWidthFiveIsAboutFivePixelsAcross) {
    RasterSurface surface;
    surface.setLineWidth(5);
    surface.line(20, 20, 100, 60, kGreen);
    // Across a line of slope 1/2 a vertical cut is 5 * sqrt(5) / 2, about 5.6 pixels.
    for (int x = 30; x <= 90; x += 10) {
        const int run = runLength(surface, x, 0, 120, kGreen);
        EXPECT_GE(run, 5) << "column " << x;
        EXPECT_LE(run, 7) << "column " << x;
        EXPECT_EQ(surface.pixel(x, 20 + (x - 20) / 2), kGreen) << "column " << x;
    }
}

TEST(RasterSurface, CircleAtWidthFiveIsARingAroundTheCentre) {
    RasterSurface surface;
    surface.setLineWidth(5);
    surface.circle(80, 60, 5, kBlue);
    EXPECT_EQ(surface.pixel(80, 60), kBackground) << "the circle is not filled";
    for (const auto& [x, y] : {std::pair{85, 60}, {75, 60}, {80, 55}, {80, 65}, {86, 60}})
        EXPECT_EQ(surface.pixel(x, y), kBlue) << "at (" << x << ", " << y << ")";
    for (const auto& [x, y] : {std::pair{89, 60}, {71, 60}, {80, 51}, {80, 69}})
        EXPECT_EQ(surface.pixel(x, y), kBackground) << "at (" << x << ", " << y << ")";
    // No smoothing: every pixel is either the ring's colour or the background.
    for (const auto& [x, y] : pointsNotOf(surface, kBackground))
        ASSERT_EQ(surface.pixel(x, y), kBlue) << "at (" << x << ", " << y << ")";
}

TEST(RasterSurface, DrawingOutsideTheSurfaceIsClipped) {
    RasterSurface surface;
    surface.setLineWidth(5);
    surface.setPixel(-1, 5, kRed);
    surface.setPixel(161, 5, kRed);
    surface.setPixel(5, 121, kRed);
    surface.setPixel(5, -0.5f, kRed);
    EXPECT_TRUE(pointsNotOf(surface, kBackground).empty());

    surface.line(-1000, -1000, 1000, 1000, kRed);
    surface.circle(160, 0, 30, kBlue);
    surface.line(-3.5e6f, 60, 3.5e6f, 60, kGreen);
    EXPECT_EQ(surface.pixel(50, 50), kRed);
    EXPECT_EQ(surface.pixel(130, 0), kBlue);
    EXPECT_EQ(surface.pixel(10, 60), kGreen);
    EXPECT_EQ(surface.pixel(-1, 60), kBackground);
}

TEST(RasterSurface, ClearShowsTheBackgroundAndKeepsTheLineWidth) {
    RasterSurface surface;
    surface.setLineWidth(5);
    surface.line(0, 0, 160, 120, kRed);
    surface.clear();
    EXPECT_TRUE(pointsNotOf(surface, kBackground).empty());
    EXPECT_EQ(surface.lineWidth(), 5);
}

TEST(RasterSurface, PictureFillsTheTopLeft160By120) {
    RasterSurface surface;
    Picture picture;
    for (int y = 0; y < Picture::kHeight; ++y)
        for (int x = 0; x < Picture::kWidth; ++x)
            picture.pixels[static_cast<std::size_t>(y) * Picture::kWidth + x] = rgb(x, y, 9);
    surface.setPicture(picture);
    EXPECT_EQ(surface.pixel(0, 0), rgb(0, 0, 9));
    EXPECT_EQ(surface.pixel(159, 3), rgb(159, 3, 9)) << "(x, y) must not be swapped";
    EXPECT_EQ(surface.pixel(3, 119), rgb(3, 119, 9));
    EXPECT_EQ(surface.pixel(160, 5), kBackground);
    EXPECT_EQ(surface.pixel(5, 120), kBackground);
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
    surface.setScaleMode(ScaleMode::Pixels);
    EXPECT_EQ(calls, 1) << "nothing visible changed";

    surface.circle(50, 50, 5, kBlue);
    surface.clear();
    EXPECT_EQ(calls, 2);

    surface.acknowledgeChanges();
    surface.setPicture(Picture{});
    EXPECT_EQ(calls, 3);
}

} // namespace
} // namespace vireo
