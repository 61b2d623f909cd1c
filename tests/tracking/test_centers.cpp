#include "recording_surface.h"
#include "tracking/centers.h"

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
    int centre(int n) const { return state.history.at(n, 1); }
    TrackingState state;
};

TEST_F(CentersTest, HistoryinitResetsRowsAndCentresOnly) {
    for (int n = 0; n < 4; ++n)
        for (int k = 0; k < 3; ++k)
            state.history.at(n, k) = 99;
    historyinit(state);
    const int rows[3] = {40, 60, 80};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(state.history.at(n, 0), rows[n]);
        EXPECT_EQ(state.history.at(n, 1), 80);
        EXPECT_EQ(state.history.at(n, 2), 99);
    }
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(state.history.at(3, k), 99);
}

TEST_F(CentersTest, FindedgeFindsTheNearestEdgeIncludingTheStart) {
    edgeColumns({20, 50, 90}, 10, 10);
    EXPECT_EQ(findedge(state, 60, 10, true), 90);
    EXPECT_EQ(findedge(state, 60, 10, false), 50);
    EXPECT_EQ(findedge(state, 50, 10, true), 50);
    EXPECT_EQ(findedge(state, 50, 10, false), 50);
    EXPECT_EQ(findedge(state, 91, 10, true), 160);
    EXPECT_EQ(findedge(state, 19, 10, false), -1);
    EXPECT_EQ(findedge(state, 60, 11, true), 160);
}

// Column 160 is outside the searched columns even when it holds 0.
TEST_F(CentersTest, FindedgeNeverReadsColumn160) {
    state.edgeimg.at(160, 10) = 0;
    EXPECT_EQ(findedge(state, 100, 10, true), 160);
}

// A start outside 0..159 is returned before any read, so even a bad row raises nothing; a bad
// row with a start inside the picture is refused.
TEST_F(CentersTest, FindedgeChecksTheColumnBeforeReading) {
    EXPECT_EQ(findedge(state, 200, 500, true), 200);
    EXPECT_EQ(findedge(state, -5, -9, false), -5);
    EXPECT_EQ(findedge(state, 160, 10, false), 160);
    EXPECT_THROW(findedge(state, 10, 121, true), std::out_of_range);
    EXPECT_THROW(findedge(state, 10, -1, true), std::out_of_range);
}

struct BandCase {
    const char* name;
    int start;                // previous centre
    std::vector<int> columns; // edge columns on every row
    int expected;
};

void PrintTo(const BandCase& c, std::ostream* os) {
    *os << c.name;
}

class CentersBand : public CentersTest, public ::testing::WithParamInterface<BandCase> {};

TEST_P(CentersBand, StoresTheRoundedClampedMidpoint) {
    const BandCase& c = GetParam();
    edgeColumns(c.columns);
    state.history.at(1, 1) = static_cast<std::int16_t>(c.start);
    centers(state, 60, c.start, 1);
    EXPECT_EQ(centre(1), c.expected);
    EXPECT_EQ(centre(0), 80) << "other entries stay";
    EXPECT_EQ(centre(2), 80) << "other entries stay";
}

INSTANTIATE_TEST_SUITE_P(
    Bands, CentersBand,
    ::testing::Values(
        // means 160 and -1: midpoint 79.5, a tie, goes to the even 80
        BandCase{"NoEdges", 80, {}, 80}, BandCase{"StartIsAnEdge", 97, {97}, 97},
        // 80.5 goes down to 80 and 81.5 up to 82: ties to even, not half up
        BandCase{"TieToEvenDown", 80, {60, 101}, 80}, BandCase{"TieToEvenUp", 80, {60, 103}, 82},
        BandCase{"ClampHigh", 145, {140}, 145}, BandCase{"ClampLow", 15, {20}, 15},
        // the search starts from the stored centre, not from the middle column
        BandCase{"SearchesFromPreviousCentre", 120, {60, 100, 140}, 120}),
    [](const auto& info) { return std::string(info.param.name); });

// Band rows with no edge still count: their 160 and -1 enter the means.
TEST_F(CentersTest, RowsWithoutEdgesCountInTheMeans) {
    edgeColumns({70, 100}, 50, 59);
    centers(state, 60, 80, 1);
    // right (10 * 100 + 11 * 160) / 21, left (10 * 70 - 11) / 21, midpoint 82.12
    EXPECT_EQ(centre(1), 82);
}

// The band is the 21 rows from hcenter - 10 to hcenter + 10, no more and no fewer.
TEST_F(CentersTest, BandIsTwentyOneRowsAroundTheScanRow) {
    edgeColumns({100}, 0, 49);
    edgeColumns({100}, 71, 119);
    centers(state, 60, 80, 1);
    EXPECT_EQ(centre(1), 80);
    edgeColumns({100}, 50, 50);
    centers(state, 60, 80, 1);
    // one row of the band now has a right edge at 100: (20 * 160 + 100) / 21 and -1
    EXPECT_EQ(centre(1), 78);
}

TEST_F(CentersTest, RefusesAnEntryOutsideTheTable) {
    EXPECT_THROW(centers(state, 60, 80, 4), std::out_of_range);
}

TEST_F(CentersTest, FindcenterKeepsCentresOnEdgesAndReportsTheForecast) {
    state.edgeimg.fill(0);
    state.history.at(0, 1) = 70;
    state.history.at(1, 1) = 82;
    state.history.at(2, 1) = 90;
    testing::RecordingSurface surface;
    const CenterRun run = findcenter(state, surface);
    EXPECT_EQ(run.centres, (std::array<int, 3>{70, 82, 90}));
    EXPECT_EQ(run.forecast, -12);
}

// Each scan row starts from its own previous centre and the run draws the overlay.
TEST_F(CentersTest, FindcenterUpdatesEveryScanRowAndDrawsTheOverlay) {
    edgeColumns({60, 101}, 30, 50);
    edgeColumns({50, 90}, 51, 70);
    edgeColumns({100, 130}, 71, 119);
    testing::RecordingSurface surface;
    const CenterRun run = findcenter(state, surface);
    // row 50 belongs to both of the first two bands
    EXPECT_EQ(run.centres[0], 80);
    EXPECT_EQ(run.centres[1], 70);
    EXPECT_EQ(run.centres[2], 50);
    EXPECT_EQ(run.forecast, run.centres[0] - run.centres[1]);
    EXPECT_EQ(centre(0), run.centres[0]);
    EXPECT_EQ(centre(1), run.centres[1]);
    EXPECT_EQ(centre(2), run.centres[2]);
    int lines = 0;
    int circles = 0;
    for (const auto& call : surface.calls) {
        lines += call.op == "line";
        circles += call.op == "circle";
    }
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(circles, 3);
    EXPECT_EQ(surface.calls.back().colour, kRed);
}

} // namespace
} // namespace vireo
