#include "centers/centers.h"
#include "centers/overlay.h"
#include "recording_surface.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

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

struct FitCase {
    const char* name;
    int c0, c1, c2;
    double top, bottom;
};

void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.name;
}

class FitLine : public ::testing::TestWithParam<FitCase> {};

// The least-squares line through the three centres, drawn red at width 5 from row 40 to row 80.
TEST_P(FitLine, EndsOnTheFirstAndLastScanRow) {
    const FitCase& c = GetParam();
    const TrackingState state = withCentres(c.c0, c.c1, c.c2);
    testing::RecordingSurface surface;
    const LineEnds ends = bestfitline(state, surface);
    EXPECT_DOUBLE_EQ(ends.top, c.top);
    EXPECT_DOUBLE_EQ(ends.bottom, c.bottom);
    ASSERT_FALSE(surface.calls.empty());
    const auto& line = surface.calls.back();
    EXPECT_EQ(std::tuple(line.op, line.colour, line.lineWidth), std::tuple("line", kRed, 5));
    EXPECT_EQ(line.args, (std::array<double, 4>{float(c.top), 40, float(c.bottom), 80}));
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
    EXPECT_THROW(fitline({30000, 80, 80}, kScanRows), std::overflow_error);
}

} // namespace
} // namespace vireo
