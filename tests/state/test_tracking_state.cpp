#include "state/tracking_state.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace vireo {
namespace {

TEST(TrackingState, StartsZeroFilled) {
    const TrackingState state;
    for (int y = 0; y < Frame::kRows; ++y)
        for (int x = 0; x < Frame::kColumns; ++x) {
            ASSERT_EQ(state.grayimg.at(x, y), 0) << x << "," << y;
            ASSERT_EQ(state.edgeimg.at(x, y), 0) << x << "," << y;
        }
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(state.maskx.at(a, b), 0);
            EXPECT_EQ(state.masky.at(a, b), 0);
        }
    for (int n = 0; n < 4; ++n)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(state.history.at(n, k), 0);
    EXPECT_EQ(state.sobelthresh, 0);
    EXPECT_FALSE(state.picshown);
    EXPECT_FALSE(state.edgesready);
    EXPECT_TRUE(state.filebytes.empty());
}

// Index 160 and 120 are legal; one past them, or -1, must throw instead of touching memory.
TEST(TrackingState, FrameAccessIsBoundsChecked) {
    Frame frame;
    EXPECT_NO_THROW(frame.at(160, 120) = 7);
    EXPECT_EQ(frame.at(160, 120), 7);
    EXPECT_NO_THROW(frame.at(0, 0));
    EXPECT_THROW(frame.at(161, 0), std::out_of_range);
    EXPECT_THROW(frame.at(0, 121), std::out_of_range);
    EXPECT_THROW(frame.at(-1, 5), std::out_of_range);
    EXPECT_THROW(frame.at(5, -1), std::out_of_range);
    EXPECT_THROW(frame.row(121), std::out_of_range);
    EXPECT_THROW(frame.row(-1), std::out_of_range);
    EXPECT_EQ(frame.row(120).size(), 161u);
}

// Cell (x, y) lies at x + 161 * y: a row is contiguous and x varies fastest.
TEST(TrackingState, FrameRowsAreContiguousWithXFastest) {
    Frame frame;
    frame.at(3, 2) = 9;
    EXPECT_EQ(frame.row(2)[3], 9);
    EXPECT_EQ(frame.row(2).data() + 161, frame.row(3).data());
}

TEST(TrackingState, TablesAreBoundsChecked) {
    Kernel kernel;
    History history;
    EXPECT_NO_THROW(kernel.at(3, 3));
    EXPECT_THROW(kernel.at(4, 0), std::out_of_range);
    EXPECT_THROW(kernel.at(0, -1), std::out_of_range);
    EXPECT_NO_THROW(history.at(3, 2));
    EXPECT_THROW(history.at(4, 0), std::out_of_range);
    EXPECT_THROW(history.at(0, 3), std::out_of_range);
}

} // namespace
} // namespace vireo
