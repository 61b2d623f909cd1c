#include "edges/translate.h"
#include "recording_surface.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

TEST(Translate, PaintsEveryCellOnceRowByRow) {
    TrackingState state;
    state.edgeimg.fill(255);
    testing::RecordingSurface surface;
    translate(state, surface);

    ASSERT_GE(surface.calls.size(), 1u);
    EXPECT_EQ(surface.calls[0].op, "pixel");
    EXPECT_EQ(surface.calls[0].args[0], 0);
    EXPECT_EQ(surface.calls[0].args[1], 0);
    EXPECT_EQ(surface.pixelCalls, 19200);
    EXPECT_EQ(surface.lastPixel[0], 159);
    EXPECT_EQ(surface.lastPixel[1], 119);
    for (const auto& call : surface.calls)
        EXPECT_NE(call.op, "width") << "painting must not change the line width";
}

// A cell (x, y) paints surface point (x, y), not (y, x), in the grey of its value; column 160
// and row 120 never appear.
TEST(Translate, PaintsCellValuesAtTheirOwnPoints) {
    TrackingState state;
    state.edgeimg.fill(255);
    state.edgeimg.at(30, 10) = 0;
    state.edgeimg.at(100, 5) = 77;
    state.edgeimg.at(160, 3) = 0;
    state.edgeimg.at(3, 120) = 0;
    testing::RecordingSurface surface;
    surface.painted.fill(rgb(1, 2, 3));
    translate(state, surface);

    EXPECT_EQ(surface.paintedAt(30, 10), grey(0));
    EXPECT_EQ(surface.paintedAt(10, 30), grey(255));
    EXPECT_EQ(surface.paintedAt(100, 5), rgb(77, 77, 77));
    EXPECT_EQ(surface.paintedAt(160, 3), rgb(1, 2, 3));
    EXPECT_EQ(surface.paintedAt(3, 120), rgb(1, 2, 3));
}

} // namespace
} // namespace vireo
