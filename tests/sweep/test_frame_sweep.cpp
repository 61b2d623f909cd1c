#include "random_frames.h"
#include "sweep/frame_sweep.h"
#include "tracker/tracker.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>

namespace vireo::sweep {
namespace {

using testing::PixelSource;

std::vector<int> allThresholds() {
    std::vector<int> thresholds(256);
    std::iota(thresholds.begin(), thresholds.end(), 0);
    return thresholds;
}

void expectSameRun(const CenterRun& got, const CenterRun& want) {
    EXPECT_EQ(got.centres, want.centres);
    EXPECT_EQ(got.line.top, want.line.top);
    EXPECT_EQ(got.line.bottom, want.line.bottom);
    EXPECT_EQ(got.support, want.support);
}

// Every number a sweep gives equals what the operator's steps give at each threshold on its own:
// the runs, and the edge pixels Tracker's edge map holds in rows 30..90. All thresholds with one
// run are answered together, a short list or more runs through the operator's steps.
TEST(FrameSweep, EqualsTrackerAtEveryThresholdOnRandomFrames) {
    constexpr int kFrames = 36;
    testing::TempFolder folder;
    for (int f = 0; f < kFrames; ++f)
        testing::writeFrame(folder.path(), f, testing::randomFrame(1000 + f));

    const std::array<std::pair<SweepSettings, int>, 4> sweeps{{{{allThresholds(), 1}, kFrames},
                                                               {{{3, 9, 100, 251}, 1}, kFrames},
                                                               {{{37, 200}, 1}, kFrames},
                                                               {{allThresholds(), 3}, 8}}};
    for (const auto& [settings, frames] : sweeps) {
        FrameSweeper sweeper(folder.path(), settings);
        Tracker tracker;
        ASSERT_TRUE(tracker.startUp(folder.path(), 0, std::nullopt));
        FrameSweep swept;
        for (int f = 0; f < frames; ++f) {
            ASSERT_TRUE(sweeper.sweep(f, swept));
            ASSERT_EQ(swept.runs.size(), settings.thresholds.size() * settings.runs);
            for (std::size_t i = 0; i < settings.thresholds.size(); ++i) {
                const int t = settings.thresholds[i];
                SCOPED_TRACE("frame " + std::to_string(f) + " threshold " + std::to_string(t));
                ASSERT_TRUE(tracker.changeFrame(f));
                tracker.setThreshold(t);
                tracker.displayPicture();
                for (int r = 0; r < settings.runs; ++r)
                    expectSameRun(swept.runsAt(i)[static_cast<std::size_t>(r)],
                                  *tracker.findCenter());
                EXPECT_EQ(swept.edgePixels[i], CenterRun::edgePixels(tracker.state().edgeimg));
            }
        }
    }
}

// Frame `frame` of `folder` swept both ways, all thresholds at once and a short list through the
// operator's steps: the results at threshold 0, then at 255.
std::array<std::pair<CenterRun, int>, 4> sweptBothWays(const std::filesystem::path& folder,
                                                       int frame) {
    std::array<std::pair<CenterRun, int>, 4> results;
    FrameSweep swept;
    FrameSweeper all(folder, {allThresholds(), 1});
    EXPECT_TRUE(all.sweep(frame, swept));
    results[0] = {swept.runs.front(), swept.edgePixels.front()};
    results[1] = {swept.runs.back(), swept.edgePixels.back()};
    FrameSweeper few(folder, {{0, 255}, 1});
    EXPECT_TRUE(few.sweep(frame, swept));
    results[2] = {swept.runs.front(), swept.edgePixels.front()};
    results[3] = {swept.runs.back(), swept.edgePixels.back()};
    return results;
}

// Frames built of vertical structure, grey 0 and 200, at threshold 0 (a gradient of 255 or more
// is an edge): a step between the two levels is an edge in the two columns beside it.
PixelSource bright(int left, int right) { // columns left..right bright
    return [=](int x, int) {
        const std::uint8_t v = x >= left && x <= right ? 200 : 0;
        return testing::Bgr{v, v, v};
    };
}

// Columns 60..99 bright in rows 0..lastWalled (edges at 60 and 99, start 80 between them), and
// columns 60..159 below, where the right search finds no edge. The row after lastWalled still
// sees the wall at column 99 through its upper neighbours, so rows up to lastWalled + 1 support.
PixelSource wallEndsAfter(int lastWalled) {
    return [=](int x, int y) { return bright(60, y <= lastWalled ? 99 : 159)(x, y); };
}

struct SupportCase {
    const char* name;
    PixelSource frame;
    std::array<int, 3> support;
    std::array<int, 3> centres;
};

// Named in the test list by its name alone.
void PrintTo(const SupportCase& c, std::ostream* out) {
    *out << c.name;
}

class SupportTable : public ::testing::TestWithParam<SupportCase> {};

TEST_P(SupportTable, CountsTheBandRowsWithTheStartStrictlyBetweenTwoEdges) {
    const SupportCase& c = GetParam();
    testing::TempFolder folder;
    testing::writeFrame(folder.path(), 0, c.frame);
    const auto results = sweptBothWays(folder.path(), 0);
    for (const std::size_t atThreshold0 : {0u, 2u}) {
        const CenterRun& run = results[atThreshold0].first;
        EXPECT_EQ(run.support, c.support);
        EXPECT_EQ(run.centres, c.centres);
        EXPECT_EQ(run.tracked(), std::ranges::all_of(c.support, [](int s) { return s >= 11; }));
    }
}

// Centres: the midpoint of the band's mean edges, half to even (79.5 gives 80).
INSTANTIATE_TEST_SUITE_P(
    HandWorked, SupportTable,
    ::testing::Values(SupportCase{"path", bright(60, 99), {21, 21, 21}, {80, 80, 80}},
                      SupportCase{"noRightWall", bright(60, 159), {0, 0, 0}, {110, 110, 110}},
                      SupportCase{"noLeftWall", bright(0, 99), {0, 0, 0}, {49, 49, 49}},
                      SupportCase{"noEdges", bright(0, 159), {0, 0, 0}, {80, 80, 80}},
                      SupportCase{"edgeAtStart", bright(81, 120), {0, 0, 0}, {80, 80, 80}},
                      // Band rows 30..50: rows 30..40 support, 11 of them, held.
                      SupportCase{"heldBy11", wallEndsAfter(39), {11, 0, 0}, {94, 110, 110}},
                      SupportCase{"notHeldBy10", wallEndsAfter(38), {10, 0, 0}, {95, 110, 110}},
                      // Band rows 70..90: rows 70..80 support.
                      SupportCase{"trackedBy11", wallEndsAfter(79), {21, 21, 11}, {80, 80, 94}},
                      SupportCase{"untrackedBy10", wallEndsAfter(78), {21, 21, 10}, {80, 80, 95}}),
    [](const auto& info) { return std::string(info.param.name); });

// A bright row y makes rows y - 1 and y + 1 edges (158 pixels each, the border columns never),
// itself none: only rows 30..90 are counted.
TEST(FrameSweep, CountsEdgePixelsOfRows30To90Only) {
    const std::array<std::pair<int, int>, 5> brightRowToCount{
        {{28, 0}, {29, 158}, {60, 316}, {91, 158}, {92, 0}}};
    testing::TempFolder folder;
    for (const auto& [row, count] : brightRowToCount) {
        testing::writeFrame(folder.path(), row, [row](int, int y) {
            const std::uint8_t v = y == row ? 200 : 0;
            return testing::Bgr{v, v, v};
        });
        const auto results = sweptBothWays(folder.path(), row);
        for (const std::size_t way : {0u, 2u}) {
            EXPECT_EQ(results[way].second, count) << "bright row " << row;
            EXPECT_EQ(results[way + 1].second, 61 * 158) << "threshold 255: every inner pixel";
        }
    }
}

TEST(FrameSweep, RefusesSettingsOutsideTheRules) {
    for (const SweepSettings& bad : std::vector<SweepSettings>{
             {{}, 1}, {{5, 5}, 1}, {{9, 3}, 1}, {{256}, 1}, {{-1}, 1}, {{1}, 0}, {{1}, 1001}}) {
        EXPECT_FALSE(checkSettings(bad));
        EXPECT_THROW(FrameSweeper({}, bad), std::invalid_argument);
    }
    EXPECT_EQ(checkSettings({{0, 256}, 1}).error().message(), "threshold 256: outside 0..255");
    EXPECT_TRUE(checkSettings({{0, 255}, kMaxRuns}));
}

} // namespace
} // namespace vireo::sweep
