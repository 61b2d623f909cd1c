#include "sweep/frame_sweep.h"

#include "centers/overlay.h"
#include "cpu/simd_path.h"
#include "edges/edge_walk.h"
#include "edges/sobel.h"

#include <algorithm>

namespace vireo::sweep {

namespace {

constexpr int kWidth = Frame::kPictureWidth;
constexpr int kLevels = 256;          // magnitudes (capped) and cuts both lie in 0..255
constexpr int kLastInnerColumn = 158; // columns 0 and 159 are never edges
// Up to this many thresholds (with one run) the frame loop's steps per threshold cost less than
// answering all 256 cut values at once.
constexpr std::size_t kFewThresholds = 2;

static_assert(kCountedFirstRow >= kSearchedFirstRow && kCountedLastRow <= kSearchedLastRow,
              "the edge pixels counted lie in the rows the search computes");
static_assert(kCountedFirstRow == kScanRows.front() - kBandHalfHeight &&
                  kCountedLastRow == kScanRows.back() + kBandHalfHeight,
              "the magnitudes kept cover every band row");

// Per cut value v (0..256, the last one a sentinel), a quantity of a band that changes with v in
// steps, kept as the differences between neighbouring cut values: adding `amount` from cut
// value `from` on is one addition, and one pass of running sums gives every value.
struct Steps {
    std::array<int, kLevels + 1> change{};

    void from(int v, int amount) { change[static_cast<std::size_t>(v)] += amount; }
    void resolve() {
        for (std::size_t v = 1; v < change.size(); ++v)
            change[v] += change[v - 1];
    }
    int at(int v) const { return change[static_cast<std::size_t>(v)]; }
};

// What one band row adds to its band's sums for every cut value. A search from column 80 finds
// at cut v the first column whose magnitude reaches v, that is the first column where the
// running maximum from column 80 reaches v: walking outwards, each rise of the maximum to m
// moves the found column for the cut values up to m, and cut values above the row's maximum
// find nothing (160 or -1). Returns the row's maximum.
int addSearch(const std::uint8_t* magnitude, int step, int end, int none, Steps& sum) {
    int reached = -1; // the largest cut value answered so far
    int previous = 0; // the column found for the cut values up to `reached`
    for (int x = kResetCentre; x != end && reached < kLevels - 1; x += step) {
        const int m = magnitude[x];
        if (m > reached) {
            sum.from(reached + 1, x - previous);
            previous = x;
            reached = m;
        }
    }
    sum.from(reached + 1, none - previous);
    return reached;
}

// Gradient magnitudes |Gx| + |Gy| capped at 255 of grey rows kCountedFirstRow..kCountedLastRow,
// columns 1..158, computed as the edge map's walk computes them, in 16-bit lanes.
template <std::size_t kRows>
void magnitudeRows(const Frame& grey, std::array<std::array<std::uint8_t, kWidth>, kRows>& out) {
    constexpr edge_walk::SobelKernels kernels;
    for (int y = kCountedFirstRow; y <= kCountedLastRow; ++y) {
        const std::uint8_t* up = grey.row(y - 1).data();
        const std::uint8_t* mid = grey.row(y).data();
        const std::uint8_t* down = grey.row(y + 1).data();
        std::uint8_t* row = out[static_cast<std::size_t>(y - kCountedFirstRow)].data();
        for (int x = 1; x <= kLastInnerColumn; ++x) {
            const auto m =
                static_cast<std::int16_t>(edge_walk::absolute(kernels.gx(up, mid, down, x)) +
                                          edge_walk::absolute(kernels.gy(up, mid, down, x)));
            row[x] = static_cast<std::uint8_t>(m > 255 ? 255 : m);
        }
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same compiled for AVX2, 16 columns per instruction; only where runsOn(SimdPath::Avx2).
template <std::size_t kRows>
__attribute__((target("avx2"), flatten)) void
magnitudeRowsAvx2(const Frame& grey, std::array<std::array<std::uint8_t, kWidth>, kRows>& out) {
    magnitudeRows(grey, out);
}
#endif

} // namespace

FrameSweeper::FrameSweeper(RecordingSource source, SweepSettings settings)
    : loop_(std::move(source), std::move(settings))
    , allAtOnce_(loop_.settings().runs == 1 &&
                 loop_.settings().thresholds.size() > kFewThresholds) {
    loop_.setSearchedRowsOnly(true);
}

Expected<void> FrameSweeper::sweep(int frame, FrameSweep& out) {
    if (!allAtOnce_)
        return loop_.run(frame, out);
    out.start(frame, 1);
    if (Expected<void> loaded = loop_.load(frame); !loaded)
        return loaded;
    magnitudes();
    edgeCounts(out);
    fromColumn80(out);
    return {};
}

void FrameSweeper::magnitudes() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx2 = runsOn(SimdPath::Avx2);
    if (avx2) {
        magnitudeRowsAvx2(loop_.state().grayimg, magnitude_);
        return;
    }
#endif
    magnitudeRows(loop_.state().grayimg, magnitude_);
}

void FrameSweeper::edgeCounts(FrameSweep& out) const {
    // Four histograms side by side, so that neighbouring pixels of one level do not wait for
    // each other's count.
    std::array<std::array<int, kLevels>, 4> histograms{};
    for (const auto& row : magnitude_)
        for (int x = 1; x <= kLastInnerColumn; ++x)
            ++histograms[static_cast<std::size_t>(x % 4)][row[static_cast<std::size_t>(x)]];
    std::array<int, kLevels + 1> atLeast{}; // atLeast[v]: magnitudes >= v
    for (int v = kLevels - 1; v >= 0; --v) {
        const auto level = static_cast<std::size_t>(v);
        atLeast[level] = atLeast[level + 1] + histograms[0][level] + histograms[1][level] +
                         histograms[2][level] + histograms[3][level];
    }
    for (const int t : loop_.settings().thresholds)
        out.edgePixels.push_back(atLeast[static_cast<std::size_t>(sobelCut(t))]);
}

// The plain search's results at every threshold, answered from the magnitudes. That they equal
// what the frame loop and Tracker give, runs, support counts and edge pixels alike, is proven in
// tests/sweep/test_frame_sweep.cpp (FrameSweep.EqualsTrackerAtEveryThresholdOnRandomFrames on
// random frames, and the hand-worked SupportTable cases).
void FrameSweeper::fromColumn80(FrameSweep& out) {
    // Per scan row, for every cut value: the sums of the band's right and left edge columns and
    // its supporting rows.
    std::array<Steps, 3> rightSum{};
    std::array<Steps, 3> leftSum{};
    std::array<Steps, 3> support{};
    for (std::size_t n = 0; n < 3; ++n) {
        for (int y = kScanRows[n] - kBandHalfHeight; y <= kScanRows[n] + kBandHalfHeight; ++y) {
            const std::uint8_t* magnitude =
                magnitude_[static_cast<std::size_t>(y - kCountedFirstRow)].data();
            const int rightMax = addSearch(magnitude, 1, kLastInnerColumn + 1, kWidth, rightSum[n]);
            const int leftMax = addSearch(magnitude, -1, 0, -1, leftSum[n]);
            // The support rule over all cut values at once (supportedCuts, beside the search).
            const SupportedCuts supported =
                supportedCuts(magnitude[kResetCentre], rightMax, leftMax);
            if (supported.first <= supported.last) {
                support[n].from(supported.first, 1);
                support[n].from(supported.last + 1, -1);
            }
        }
        rightSum[n].resolve();
        leftSum[n].resolve();
        support[n].resolve();
    }

    const std::vector<int>& thresholds = loop_.settings().thresholds;
    out.runs.reserve(thresholds.size());
    int previous = -1; // the previous threshold's cut value
    for (const int t : thresholds) {
        const int v = sobelCut(t);
        CenterRun run;
        for (std::size_t n = 0; n < 3; ++n)
            run.support[n] = support[n].at(v);
        // Neighbouring thresholds often share the band sums, and then the centres and the line.
        bool sameSums = previous >= 0;
        for (std::size_t n = 0; n < 3 && sameSums; ++n)
            sameSums = rightSum[n].at(v) == rightSum[n].at(previous) &&
                       leftSum[n].at(v) == leftSum[n].at(previous);
        if (sameSums) {
            run.centres = out.runs.back().centres;
            run.line = out.runs.back().line;
        } else {
            for (std::size_t n = 0; n < 3; ++n)
                run.centres[n] = bandCentre(rightSum[n].at(v), leftSum[n].at(v));
            if (!out.runs.empty() && out.runs.back().centres == run.centres) {
                run.line = out.runs.back().line;
            } else {
                run.line = fitline(run.centres, kScanRows);
            }
        }
        out.runs.push_back(run);
        previous = v;
    }
}

} // namespace vireo::sweep
