// The timeline's and the sweep plot's numbers: which frames and thresholds fall in which pixel
// column, and what each column draws.

#include "recording/sweep_curves.h"
#include "recording/timeline_bins.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

using Point = RecordingOverview::Point;
using Runs = std::vector<std::pair<long long, long long>>;

Point loaded(int row40, bool tracked = true, bool jumped = false) {
    Point point;
    point.loaded = true;
    point.centres = {row40, 80, 80};
    point.tracked = tracked;
    point.jumped = jumped;
    return point;
}

struct TimelineCase {
    const char* name;
    std::vector<Point> received;
    long long count;
    int columns;
    std::vector<TimelineSegment> row40; // the lines of the centres on row 40
    Runs untracked;
    std::vector<int> gaps;
    std::vector<int> jumps;
};

class TimelineBinning : public ::testing::TestWithParam<TimelineCase> {};

TEST_P(TimelineBinning, PutsFramesIntoColumnsAndLines) {
    const TimelineCase& c = GetParam();
    const TimelineBins bins = binTimeline(c.count, std::ssize(c.received), c.columns,
                                          [&c](long long i) { return c.received.at(i); });
    EXPECT_EQ(bins.lines[0], c.row40);
    EXPECT_EQ(bins.untrackedRuns, c.untracked);
    std::vector<int> gaps;
    std::vector<int> jumps;
    for (int column = 0; column < c.columns; ++column) {
        if (bins.columns[static_cast<std::size_t>(column)].gap)
            gaps.push_back(column);
        if (bins.columns[static_cast<std::size_t>(column)].jump)
            jumps.push_back(column);
    }
    EXPECT_EQ(gaps, c.gaps);
    EXPECT_EQ(jumps, c.jumps);
}

// With room to spare each frame has a column (the middle of its place: 1, 3, 5, 7 of 8) and the
// untracked runs are counted in frames; a refused frame breaks the line. Frames that outnumber
// the columns share them (frames 0-2 and 3-5 of 6 in 2 columns): a column spans its lowest to
// highest value, a join runs only across frames that loaded one after the other, and untracked
// runs are counted in columns. Frames not yet received are left out.
INSTANTIATE_TEST_SUITE_P(
    Cases, TimelineBinning,
    ::testing::Values(
        TimelineCase{"frameEach",
                     {loaded(10), Point{}, loaded(20, false), loaded(30, false, true)},
                     4,
                     8,
                     {{1, 10, 1, 10}, {5, 20, 5, 20}, {5, 20, 7, 30}},
                     {{2, 3}},
                     {3},
                     {7}},
        TimelineCase{"shared",
                     {loaded(10), loaded(40, false), loaded(20), Point{}, loaded(30), loaded(50)},
                     6,
                     2,
                     {{0, 10, 0, 40}, {1, 30, 1, 50}},
                     {{0, 0}},
                     {1},
                     {}},
        TimelineCase{"partly", {loaded(10), loaded(12)}, 6, 2, {{0, 10, 0, 12}}, {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlotAxes, MapPositionsToFramesAndThresholds) {
    for (const auto& [fraction, index] :
         {std::pair(-0.1, 0LL), {0.0, 0LL}, {0.35, 3LL}, {0.999, 9LL}, {1.0, 9LL}})
        EXPECT_EQ(timelineIndexAt(fraction, 10), index) << fraction;
    for (const auto& [fraction, threshold] : {std::pair(-0.1, 0), {0.5, 128}, {1.2, 255}})
        EXPECT_EQ(sweepThresholdAt(fraction), threshold) << fraction;
}

// The jitter and the errors share the right scale, whose top is the largest of them (1 at
// least); a threshold without loaded frames has no values.
TEST(SweepCurves, ScaleSharesAndLeaveGaps) {
    const std::vector<sweep::ThresholdSummary> lines{{0, 4, 0, 1, 3.0, 10, 0.5, 0},
                                                     {1, 0, 2, 0, {}, 0, {}, 0}};
    const SweepCurves curves = sweepCurves(lines, {6.0, {}});
    EXPECT_EQ(curves.rightScale, 6);
    EXPECT_EQ(curves.tracked, (std::vector<std::optional<double>>{0.25, {}}));
    EXPECT_EQ(curves.edgeShare, (std::vector<std::optional<double>>{0.5, {}}));
    EXPECT_EQ(curves.jitter, (std::vector<std::optional<double>>{0.5, {}}));
    EXPECT_EQ(curves.error, (std::vector<std::optional<double>>{1.0, {}}));
    EXPECT_EQ(sweepCurves(lines, {}).rightScale, 3);
    EXPECT_TRUE(sweepCurves(lines, {}).error.empty());
}

} // namespace
} // namespace vireo
