#include "sweep/sweep_summary.h"

#include <gtest/gtest.h>
#include <optional>

namespace vireo::sweep {
namespace {

// A frame swept at one threshold whose last run has these centres (forecast = first - second)
// and support, and `edges` edge pixels.
FrameSweep frameWith(std::array<int, 3> centres, std::array<int, 3> support = {21, 21, 21},
                     int edges = 0) {
    FrameSweep frame;
    frame.runsPerThreshold = 2;
    CenterRun last;
    last.centres = centres;
    last.support = support;
    frame.runs = {CenterRun{}, last};
    frame.edgePixels = {edges};
    return frame;
}

struct JitterCase {
    const char* name;
    std::vector<std::optional<int>> forecasts; // nullopt: a refused frame
    std::optional<double> jitter;
};

void PrintTo(const JitterCase& c, std::ostream* out) {
    *out << c.name;
}

class Jitter : public ::testing::TestWithParam<JitterCase> {};

TEST_P(Jitter, IsTheMedianJumpBetweenConsecutiveLoadedFrames) {
    SweepSummary summary({100});
    for (const std::optional<int>& forecast : GetParam().forecasts) {
        if (forecast)
            summary.addLoaded(frameWith({80 + *forecast, 80, 80}));
        else
            summary.addFailed();
    }
    EXPECT_EQ(summary.lines().at(0).jitter, GetParam().jitter);
}

INSTANTIATE_TEST_SUITE_P(
    HandWorked, Jitter,
    ::testing::Values(JitterCase{"none", {}, std::nullopt},
                      JitterCase{"oneFrame", {{5}, std::nullopt}, std::nullopt},
                      JitterCase{"oneJump", {{-3}, {3}}, 6.0},
                      // jumps 4, 0, 6, 1: sorted 0 1 4 6, mean of 1 and 4
                      JitterCase{"evenCount", {{0}, {4}, {4}, {-2}, {-1}}, 2.5},
                      // jumps 4, 0, 6: sorted 0 4 6
                      JitterCase{"oddCount", {{0}, {4}, {4}, {-2}}, 4.0},
                      // the refused frame is skipped: jumps 10, 1, 1
                      JitterCase{"refusedSkipped", {{0}, std::nullopt, {10}, {9}, {10}}, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SweepSummary, CountsFramesTrackedClampedAndEdgeShare) {
    SweepSummary summary({7});
    summary.addLoaded(frameWith({15, 80, 145}, {11, 11, 11}, 976));
    summary.addLoaded(frameWith({16, 144, 145}, {21, 10, 21}, 0));
    summary.addFailed();
    const ThresholdSummary line = summary.lines().at(0);
    EXPECT_EQ(line.threshold, 7);
    EXPECT_EQ(line.frames, 2);
    EXPECT_EQ(line.failed, 1);
    EXPECT_EQ(line.tracked, 1);
    EXPECT_EQ(line.clamped, 3);
    EXPECT_EQ(line.edgePixels, 976);
    EXPECT_EQ(line.edgeShare, 976.0 / (2 * 61 * 160));
}

TEST(SweepSummary, NoLoadedFrameHasNoEdgeShare) {
    SweepSummary summary({0, 1});
    summary.addFailed();
    EXPECT_EQ(summary.lines().at(1).edgeShare, std::nullopt);
    EXPECT_EQ(summary.lines().at(1).failed, 1);
}

} // namespace
} // namespace vireo::sweep
