#include "recording_surface.h"
#include "tracking/centers.h"
#include "tracking/overlay.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace vireo {
namespace {

TrackingState withCentres(int c0, int c1, int c2) {
    TrackingState state;
    historyinit(state);
    state.history.at(0, 1) = static_cast<std::int16_t>(c0);
    state.history.at(1, 1) = static_cast<std::int16_t>(c1);
    state.history.at(2, 1) = static_cast<std::int16_t>(c2);
    return state;
}

using Call = testing::RecordingSurface::Call;

void expectCall(const Call& call, const char* op, std::array<double, 4> args, Colour colour) {
    EXPECT_EQ(call.op, op);
    EXPECT_EQ(call.args, args) << op;
    EXPECT_EQ(call.colour, colour) << op;
}

// Segments join entry 1 to 0 and 2 to 1, both before the first circle, all at width 5.
TEST(Overlay, LinesegmentsDrawsSegmentsThenCircles) {
    const TrackingState state = withCentres(70, 80, 90);
    testing::RecordingSurface surface;
    linesegments(state, surface);
    ASSERT_EQ(surface.calls.size(), 6u);
    expectCall(surface.calls[0], "width", {5, 0, 0, 0}, 0);
    expectCall(surface.calls[1], "line", {80, 60, 70, 40}, kGreen);
    expectCall(surface.calls[2], "line", {90, 80, 80, 60}, kGreen);
    expectCall(surface.calls[3], "circle", {70, 40, 5, 0}, kBlue);
    expectCall(surface.calls[4], "circle", {80, 60, 5, 0}, kBlue);
    expectCall(surface.calls[5], "circle", {90, 80, 5, 0}, kBlue);
    for (std::size_t i = 1; i < 6; ++i)
        EXPECT_EQ(surface.calls[i].lineWidth, 5);
}

struct FitCase {
    const char* name;
    int c0, c1, c2;
    double top, bottom;
};

void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.name;
}

class FitLine : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitLine, EndsOnTheFirstAndLastScanRow) {
    const FitCase& c = GetParam();
    const TrackingState state = withCentres(c.c0, c.c1, c.c2);
    testing::RecordingSurface surface;
    const LineEnds ends = bestfitline(state, surface);
    EXPECT_DOUBLE_EQ(ends.top, c.top);
    EXPECT_DOUBLE_EQ(ends.bottom, c.bottom);
    ASSERT_FALSE(surface.calls.empty());
    const Call& line = surface.calls.back();
    EXPECT_EQ(line.op, "line");
    EXPECT_EQ(line.colour, kRed);
    EXPECT_EQ(line.lineWidth, 5);
    EXPECT_FLOAT_EQ(static_cast<float>(line.args[0]), static_cast<float>(c.top));
    EXPECT_EQ(line.args[1], 40);
    EXPECT_FLOAT_EQ(static_cast<float>(line.args[2]), static_cast<float>(c.bottom));
    EXPECT_EQ(line.args[3], 80);
}

INSTANTIATE_TEST_SUITE_P(
    Centres, FitLine,
    ::testing::Values(
        // all in one column: nothing to divide by, the vertical line through the first centre
        FitCase{"Vertical", 80, 80, 80, 80, 80}, FitCase{"Straight", 70, 80, 90, 70, 90},
        // a level fit (slope 0) also gives the vertical line through the first centre
        FitCase{"Level", 70, 90, 70, 70, 70}, FitCase{"Fractional", 80, 80, 81, 80 - 1.0 / 3.0, 81},
        FitCase{"Clamped", 15, 145, 15, 15, 15}, FitCase{"Leaning", 145, 80, 15, 145, 15}),
    [](const auto& info) { return std::string(info.param.name); });

// Fit terms are 16-bit quantities: a centre far outside the picture overflows instead of
// producing a silently wrong line.
TEST(Overlay, FitRefusesTermsOutsideThe16BitRange) {
    const TrackingState state = withCentres(30000, 80, 80);
    EXPECT_THROW(fitline(state), std::overflow_error);
}

} // namespace
} // namespace vireo
