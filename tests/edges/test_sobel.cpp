#include "edges/sobel.h"
#include "edges/translate.h"
#include "recording_surface.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

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
    TrackingState state;
};

struct StepCase {
    int step;
    int threshold;
    bool edge;
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << "step " << c.step << " threshold " << c.threshold;
}

class SobelSteps : public SobelTest, public ::testing::WithParamInterface<StepCase> {};

// A step of h grey levels gives a magnitude of 4h on both sides of it, an edge exactly when
// 4h >= 255 - T; vertical and horizontal steps alike, and nothing else is an edge.
TEST_P(SobelSteps, AreEdgesExactlyAtTheCut) {
    const auto [step, threshold, edge] = GetParam();
    for (const bool vertical : {true, false}) {
        fillGrey([&](int x, int y) { return (vertical ? x < 80 : y < 60) ? 50 : 50 + step; });
        state.sobelthresh = threshold;
        computeEdges(state);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const bool ring = x == 0 || x == 159 || y == 0 || y == 119;
                const bool beside = vertical ? x == 79 || x == 80 : y == 59 || y == 60;
                ASSERT_EQ(state.edgeimg.at(x, y), edge && beside && !ring ? 0 : 255)
                    << x << "," << y << (vertical ? " vertical" : " horizontal");
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Cuts, SobelSteps,
                         ::testing::Values(StepCase{25, 155, true}, StepCase{25, 154, false},
                                           StepCase{39, 100, true}, StepCase{38, 100, false},
                                           StepCase{64, 0, true}, StepCase{63, 0, false},
                                           StepCase{-39, 100, true}, StepCase{-38, 100, false},
                                           StepCase{0, 254, false}));

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
// every pixel of random frames, with the standard kernels and with other weights: the border ring
// always background, column 160 and row 120 as they were.
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

// Sobel paints every cell of the edge map once, at its own point (x, y) in the grey of its value,
// and nothing of column 160 or row 120; it leaves the line width alone.
TEST_F(SobelTest, PaintsEachCellOnceAtItsOwnPoint) {
    fillGrey([](int x, int y) { return x < 80 ? 0 : 200 - y; });
    state.sobelthresh = 100;
    testing::RecordingSurface surface;
    surface.painted.fill(rgb(1, 2, 3));
    Sobel(state, surface);
    EXPECT_EQ(surface.pixelCalls, 160 * 120);
    EXPECT_TRUE(surface.calls.empty());
    for (int y = 0; y <= 120; ++y)
        for (int x = 0; x <= 160; ++x)
            ASSERT_EQ(surface.paintedAt(x, y),
                      x == 160 || y == 120 ? rgb(1, 2, 3) : grey(state.edgeimg.at(x, y)))
                << x << "," << y;
    state.edgeimg.at(100, 5) = 77;
    translate(state, surface);
    EXPECT_EQ(surface.paintedAt(100, 5), rgb(77, 77, 77));
}

} // namespace
} // namespace vireo
