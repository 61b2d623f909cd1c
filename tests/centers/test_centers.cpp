#include "recording_surface.h"
#include "centers/centers.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace vireo {
namespace {

class CentersTest : public ::testing::Test {
protected:
    CentersTest() {
        state.edgeimg.fill(255);
        historyinit(state);
    }
    // Edge pixels in the given columns on rows first..last.
    void edgeColumns(const std::vector<int>& columns, int first = 0, int last = 119) {
        for (int y = first; y <= last; ++y)
            for (int x : columns)
                state.edgeimg.at(x, y) = 0;
    }
    TrackingState state;
};

// The nearest edge from the start, the start included; 160 or -1 when there is none, column 160
// never searched; a start outside 0..159 returned before any read; a bad row refused.
TEST_F(CentersTest, FindedgeFindsTheNearestEdgeIncludingTheStart) {
    edgeColumns({20, 50, 90}, 10, 10);
    state.edgeimg.at(160, 10) = 0;
    const std::tuple<int, int, bool, int> cases[] = {
        {60, 10, true, 90},  {60, 10, false, 50},  {50, 10, true, 50},  {50, 10, false, 50},
        {91, 10, true, 160}, {19, 10, false, -1},  {60, 11, true, 160}, {200, 500, true, 200},
        {-5, -9, false, -5}, {160, 10, false, 160}};
    for (const auto& [start, row, right, expected] : cases)
        EXPECT_EQ(findedge(state, start, row, right), expected) << start << "," << row;
    EXPECT_THROW(findedge(state, 10, 121, true), std::out_of_range);
    EXPECT_THROW(findedge(state, 10, -1, true), std::out_of_range);
}

struct BandCase {
    const char* name;
    int start;                // previous centre
    std::vector<int> columns; // edge columns on rows first..last
    int first, last;
    int expected;
    int support; // band rows with edges on both sides of the start
};

void PrintTo(const BandCase& c, std::ostream* os) {
    *os << c.name;
}

class CentersBand : public CentersTest, public ::testing::WithParamInterface<BandCase> {};

// Scan row 60: the band is rows 50..70, every row's right and left edge (160 and -1 when there is
// none) enter the means, and the midpoint is rounded half to even and clamped to 15..145.
TEST_P(CentersBand, StoresTheRoundedClampedMidpoint) {
    const BandCase& c = GetParam();
    edgeColumns(c.columns, c.first, c.last);
    state.history.at(1, 1) = static_cast<std::int16_t>(c.start);
    EXPECT_EQ(centers(state, 60, c.start, 1), c.support);
    EXPECT_EQ(state.history.at(1, 1), c.expected);
    EXPECT_EQ(state.history.at(0, 1) + state.history.at(2, 1), 160) << "other entries stay";
}

INSTANTIATE_TEST_SUITE_P(
    Bands, CentersBand,
    ::testing::Values(
        // means 160 and -1: midpoint 79.5, a tie, goes to the even 80
        BandCase{"NoEdges", 80, {}, 0, 119, 80, 0},
        BandCase{"StartIsAnEdge", 97, {97}, 0, 119, 97, 0},
        // 80.5 goes down to 80 and 81.5 up to 82: ties to even, not half up
        BandCase{"TieToEvenDown", 80, {60, 101}, 0, 119, 80, 21},
        BandCase{"TieToEvenUp", 80, {60, 103}, 0, 119, 82, 21},
        BandCase{"ClampHigh", 145, {140}, 0, 119, 145, 0},
        BandCase{"ClampLow", 15, {20}, 0, 119, 15, 0},
        // the search starts from the stored centre, not from the middle column
        BandCase{"SearchesFromPreviousCentre", 120, {60, 100, 140}, 0, 119, 120, 21},
        // right (10 * 100 + 11 * 160) / 21, left (10 * 70 - 11) / 21, midpoint 82.12
        BandCase{"RowsWithoutEdgesCount", 80, {70, 100}, 50, 59, 82, 10},
        // rows 71 and 49 lie outside the band, row 50 inside: (20 * 160 + 100) / 21 and -1
        BandCase{"OutsideTheBand", 80, {100}, 71, 119, 80, 0},
        BandCase{"BandOf21Rows", 80, {100}, 0, 50, 78, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Each scan row starts from its own previous centre; the forecast is row 40's centre minus row
// 60's, and the run stores and returns the new centres.
TEST_F(CentersTest, FindcenterUpdatesEveryScanRow) {
    edgeColumns({60, 101}, 30, 50);
    edgeColumns({50, 90}, 51, 70);
    edgeColumns({100, 130}, 71, 119);
    state.history.at(2, 1) = 110;
    testing::RecordingSurface surface;
    const CenterRun run = findcenter(state, surface);
    // row 50 belongs to both of the first two bands
    EXPECT_EQ(run.centres, (std::array<int, 3>{80, 70, 115}));
    EXPECT_EQ(run.forecast(), 10);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(state.history.at(n, 1), run.centres[n]);
    EXPECT_EQ(surface.count("circle"), 3);
}

} // namespace
} // namespace vireo
