#include "edges/sobel.h"
#include "recording_surface.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace vireo {
namespace {

class SobelTest : public ::testing::Test {
protected:
    SobelTest() { initmask(state); }

    void fillGrey(auto level) {
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                state.grayimg.at(x, y) = static_cast<std::uint8_t>(level(x, y));
    }
    int countEdges() const {
        int edges = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                edges += state.edgeimg.at(x, y) == 0;
        return edges;
    }
    TrackingState state;
};

TEST_F(SobelTest, KernelsAreHeldAtRowOffsetThenColumnOffset) {
    const int gx[3][3] = {{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}};
    const int gy[3][3] = {{1, 2, 1}, {0, 0, 0}, {-1, -2, -1}};
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            EXPECT_EQ(state.maskx.at(dy + 2, dx + 2), gx[dy + 1][dx + 1]) << dy << "," << dx;
            EXPECT_EQ(state.masky.at(dy + 2, dx + 2), gy[dy + 1][dx + 1]) << dy << "," << dx;
        }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(state.maskx.at(0, i), 0);
        EXPECT_EQ(state.maskx.at(i, 0), 0);
    }
}

TEST_F(SobelTest, UniformFrameHasNoEdgesBelowThreshold255) {
    fillGrey([](int, int) { return 123; });
    state.sobelthresh = 254;
    computeEdges(state);
    EXPECT_EQ(countEdges(), 0);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(state.edgeimg.at(x, y), 255);
}

// At 255 the cut value is 0: everything off the one-pixel border ring is an edge.
TEST_F(SobelTest, Threshold255MarksEverythingOffTheBorderRing) {
    fillGrey([](int, int) { return 123; });
    state.sobelthresh = 255;
    computeEdges(state);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const bool ring = x == 0 || x == 159 || y == 0 || y == 119;
            ASSERT_EQ(state.edgeimg.at(x, y), ring ? 255 : 0) << x << "," << y;
        }
}

struct StepCase {
    int step;
    int threshold;
    bool edge;
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << "step " << c.step << " threshold " << c.threshold;
}

class SobelSteps : public SobelTest, public ::testing::WithParamInterface<StepCase> {};

// A step of h gives a magnitude of 4h on both sides of it, an edge exactly when 4h >= 255 - T.
TEST_P(SobelSteps, VerticalStepIsAnEdgeExactlyAtTheCut) {
    const auto [step, threshold, edge] = GetParam();
    fillGrey([step](int x, int) { return x < 80 ? 50 : 50 + step; });
    state.sobelthresh = threshold;
    computeEdges(state);
    for (int y = 1; y < 119; ++y) {
        ASSERT_EQ(state.edgeimg.at(79, y), edge ? 0 : 255) << y;
        ASSERT_EQ(state.edgeimg.at(80, y), edge ? 0 : 255) << y;
    }
    EXPECT_EQ(countEdges(), edge ? 2 * 118 : 0);
}

TEST_P(SobelSteps, HorizontalStepIsAnEdgeExactlyAtTheCut) {
    const auto [step, threshold, edge] = GetParam();
    fillGrey([step](int, int y) { return y < 60 ? 50 : 50 + step; });
    state.sobelthresh = threshold;
    computeEdges(state);
    for (int x = 1; x < 159; ++x) {
        ASSERT_EQ(state.edgeimg.at(x, 59), edge ? 0 : 255) << x;
        ASSERT_EQ(state.edgeimg.at(x, 60), edge ? 0 : 255) << x;
    }
    EXPECT_EQ(countEdges(), edge ? 2 * 158 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cuts, SobelSteps,
                         ::testing::Values(StepCase{25, 155, true}, StepCase{25, 154, false},
                                           StepCase{39, 100, true}, StepCase{38, 100, false},
                                           StepCase{64, 0, true}, StepCase{63, 0, false},
                                           StepCase{-39, 100, true}, StepCase{-38, 100, false}));

// Column 0 is on the border ring, so a step between columns 0 and 1 shows only in column 1.
TEST_F(SobelTest, StepBesideTheBorderShowsOnlyInsideIt) {
    fillGrey([](int x, int) { return x == 0 ? 0 : 200; });
    state.sobelthresh = 100;
    computeEdges(state);
    for (int y = 1; y < 119; ++y) {
        EXPECT_EQ(state.edgeimg.at(0, y), 255);
        EXPECT_EQ(state.edgeimg.at(1, y), 0);
        EXPECT_EQ(state.edgeimg.at(2, y), 255);
    }
}

// Column 160 and row 120 are outside the picture: never read from the grey frame and never
// written in the edge frame.
TEST_F(SobelTest, LeavesColumn160AndRow120Alone) {
    fillGrey([](int, int) { return 100; });
    for (int i = 0; i <= 160; ++i) {
        state.grayimg.at(i, 120) = 255;
        state.edgeimg.at(i, 120) = 33;
    }
    for (int i = 0; i <= 120; ++i) {
        state.grayimg.at(160, i) = 255;
        state.edgeimg.at(160, i) = 33;
    }
    state.sobelthresh = 254;
    computeEdges(state);
    EXPECT_EQ(countEdges(), 0);
    for (int i = 0; i <= 160; ++i)
        EXPECT_EQ(state.edgeimg.at(i, 120), 33);
    for (int i = 0; i <= 120; ++i)
        EXPECT_EQ(state.edgeimg.at(160, i), 33);
}

TEST_F(SobelTest, RefusesAThresholdOutside0To255BeforeWritingAnything) {
    state.edgeimg.fill(9);
    state.sobelthresh = 256;
    EXPECT_THROW(computeEdges(state), std::out_of_range);
    state.sobelthresh = -1;
    EXPECT_THROW(computeEdges(state), std::out_of_range);
    EXPECT_EQ(state.edgeimg.at(50, 50), 9);
}

// The straightforward reading: every neighbour through the bounds-checked accessors, weights
// from the kernels, the sum of absolute gradients against 255 - threshold.
Frame referenceEdges(const TrackingState& s) {
    Frame edges = s.edgeimg;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            edges.at(x, y) = 255;
            if (x == 0 || x == 159 || y == 0 || y == 119)
                continue;
            int gx = 0;
            int gy = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int p = s.grayimg.at(x + dx, y + dy);
                    gx += s.maskx.at(dy + 2, dx + 2) * p;
                    gy += s.masky.at(dy + 2, dx + 2) * p;
                }
            edges.at(x, y) = std::abs(gx) + std::abs(gy) < 255 - s.sobelthresh ? 255 : 0;
        }
    return edges;
}

class SobelPaths : public SobelTest, public ::testing::WithParamInterface<SimdPath> {};

// The fast walk on every instruction set this processor runs must agree with the plain reading on
// every pixel of random frames, with the standard kernels and with other weights.
TEST_P(SobelPaths, MatchThePlainReadingOnRandomFrames) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 40; ++round) {
        const int spread = 1 + round * 6;
        fillGrey([&](int, int) { return static_cast<int>(random() % spread) + (round % 3) * 20; });
        state.sobelthresh = static_cast<int>(random() % 256);
        if (round == 39)
            state.maskx.at(1, 1) = 2; // no longer the standard kernel
        const Frame expected = referenceEdges(state);
        computeEdges(state, GetParam());
        ASSERT_EQ(state.edgeimg, expected) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRunnablePath, SobelPaths, ::testing::ValuesIn(runnableSimdPaths()),
                         [](const auto& info) { return std::string(simdPathName(info.param)); });

TEST_F(SobelTest, SobelPaintsTheEdgeFrameOnce) {
    fillGrey([](int x, int) { return x < 80 ? 0 : 200; });
    state.sobelthresh = 100;
    testing::RecordingSurface surface;
    Sobel(state, surface);
    EXPECT_EQ(surface.pixelCalls, 160 * 120);
    EXPECT_EQ(surface.paintedAt(80, 50), grey(0));
    EXPECT_EQ(surface.paintedAt(50, 50), grey(255));
}

} // namespace
} // namespace vireo
