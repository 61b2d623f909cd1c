#include "bmp_builder.h"
#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "recording_surface.h"
#include "tracker/frame_loop.h"
#include "tracker/tracker.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::RecordingSurface;

// Frame 1: a band with edges at threshold 100; frame 2: a slanted path whose centres move from
// one "Find Center" to the next; frame 3 does not exist.
class TrackerTest : public ::testing::Test {
protected:
    TrackerTest() {
        testing::writeFrame(folder.path(), 1, testing::verticalBand(200, 40, 60, 90));
        testing::writeFrame(folder.path(), 2, [](int x, int y) {
            const std::uint8_t v = x >= 20 + y && x <= 40 + y ? 40 : 200;
            return testing::Bgr{v, v, v};
        });
        EXPECT_TRUE(tracker.startUp(folder.path(), 100, 1));
    }
    // The edge map of `frame` (3: the empty grey frame) at `threshold`.
    Frame edgesOf(int frame, int threshold) const {
        TrackingState s;
        EXPECT_TRUE(frame == 3 || moveme(s, folder.path(), frame));
        initmask(s);
        s.sobelthresh = threshold;
        computeEdges(s);
        return s.edgeimg;
    }
    testing::TempFolder folder;
    RecordingSurface picture3, picture4;
    Tracker tracker{{&picture3, &picture4}};
};

struct Row {
    const char* steps; // d Display Picture, h threshold 200, f Find Center, n frame 2, r frame 3
    bool shown;        // both flags
    int edgesFrame;    // whose edge map state.edgeimg holds: 0 none yet
    int edgesThreshold;
    int paints; // edge maps painted on picture4
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << '"' << row.steps << '"';
}

class TrackerSteps : public TrackerTest, public ::testing::WithParamInterface<Row> {};

// After the steps: the flags, the edge map and what was painted; scan rows at 80 when no "Find
// Center" ran since the last frame change; "Find Center" runs exactly while the edges are shown.
TEST_P(TrackerSteps, FollowTheStateTable) {
    const Row& row = GetParam();
    bool reset = true;
    for (const char step : std::string(row.steps)) {
        if (step == 'd')
            tracker.displayPicture();
        if (step == 'h')
            tracker.setThreshold(200);
        if (step == 'f')
            reset = reset && !tracker.findCenter();
        if (step == 'n' || step == 'r')
            reset = tracker.changeFrame(step == 'n' ? 2 : 3).ok() || true;
    }
    const TrackingState& s = tracker.state();
    EXPECT_EQ(std::pair(s.picshown, s.edgesready), std::pair(row.shown, row.shown));
    EXPECT_EQ(s.edgeimg, row.edgesFrame ? edgesOf(row.edgesFrame, row.edgesThreshold) : Frame{});
    EXPECT_EQ(picture4.pixelCalls, 19200L * row.paints);
    EXPECT_EQ(picture4.count("clear"),
              std::string(row.steps).find_first_of("nr") != std::string::npos);
    for (int n = 0; reset && n < 3; ++n)
        EXPECT_EQ(s.history.at(n, 1), 80);
    EXPECT_EQ(tracker.findCenter().has_value(), row.shown);
}

INSTANTIATE_TEST_SUITE_P(Table, TrackerSteps,
                         ::testing::Values(Row{"", false, 0, 0, 0}, Row{"hf", false, 0, 0, 0},
                                           Row{"hd", true, 1, 200, 1}, Row{"dh", true, 1, 200, 2},
                                           Row{"dfn", false, 1, 100, 1},
                                           Row{"dfnh", false, 1, 100, 1},
                                           Row{"dfnhd", true, 2, 200, 2},
                                           Row{"dfrd", true, 3, 100, 2}));

// A refused frame returns the loader's error and leaves an empty grey frame and a cleared
// picture3, so that "Display Picture" cannot show the previous frame's edges under its number.
TEST_F(TrackerTest, ARefusedFrameLeavesAnEmptyGreyFrame) {
    TrackingState fresh;
    const Expected<void> expected = moveme(fresh, folder.path(), 3);
    const Expected<void> refused = tracker.changeFrame(3);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), expected.error());
    EXPECT_EQ(tracker.state().grayimg, Frame{});
    EXPECT_EQ(picture3.calls.back().op, "clear");
    EXPECT_TRUE(tracker.changeFrame(2));
    EXPECT_EQ(picture3.calls.back().op, "picture");
}

// Each run starts from the centres the previous one stored; a frame change starts again at 80,
// unless the centres are carried, when a frame change (here from the file in memory) goes on
// from them.
TEST_F(TrackerTest, RunsContinueFromTheStoredCentres) {
    ASSERT_TRUE(tracker.changeFrame(2));
    tracker.displayPicture();
    const CenterRun first = *tracker.findCenter();
    const CenterRun second = *tracker.findCenter();
    EXPECT_NE(first.centres, second.centres);
    TrackingState copy = tracker.state();
    EXPECT_EQ(tracker.findCenter()->centres, findcenter(copy, picture3).centres);
    ASSERT_TRUE(tracker.changeFrame(2));
    tracker.displayPicture();
    EXPECT_EQ(tracker.findCenter()->centres, first.centres);
    tracker.setCarryCentres(true);
    ASSERT_TRUE(tracker.changeFrame("pic2.bmp", testing::readFile(folder.path() / "pic2.bmp")));
    tracker.displayPicture();
    EXPECT_EQ(tracker.findCenter()->centres, second.centres);
}

// What the loop's hooks saw: the frame, the threshold (negated after the runs) and the edge
// pixels painted on picture4 so far.
struct SeenSteps : FrameLoop::Hooks {
    void edgesShown(int frame, int threshold, const TrackingState&) override {
        seen.push_back({frame, threshold, painted.pixelCalls});
    }
    void runsDone(int frame, int threshold, const TrackingState&) override {
        seen.push_back({frame, -threshold, painted.pixelCalls});
    }
    RecordingSurface painted;
    std::vector<std::array<long, 3>> seen;
};

// The loop paints each frame's edge map once per threshold, with the caller's hooks around the
// runs, which are the operator's steps at that threshold; a refused frame gives no results.
TEST_F(TrackerTest, FrameLoopPaintsEachEdgeMapOnceAndRunsAsTheOperator) {
    SeenSteps hooks;
    FrameLoop loop(folder.path(), {{50, 100}, 2}, {nullptr, &hooks.painted});
    FrameSweep out;
    ASSERT_TRUE(loop.run(2, out, &hooks));
    constexpr long kMap = 160 * 120;
    EXPECT_EQ(hooks.seen,
              (std::vector<std::array<long, 3>>{
                  {2, 50, kMap}, {2, -50, kMap}, {2, 100, 2 * kMap}, {2, -100, 2 * kMap}}));
    ASSERT_TRUE(tracker.changeFrame(2));
    tracker.displayPicture();
    tracker.findCenter();
    EXPECT_EQ(out.lastRunAt(1).centres, tracker.findCenter()->centres);
    EXPECT_EQ(loop.run(3, out).error(), tracker.changeFrame(3).error());
    EXPECT_TRUE(out.runs.empty() && out.edgePixels.empty());
}

} // namespace
} // namespace vireo
