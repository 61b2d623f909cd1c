#include "sweep/frame_sweep.h"

#include "edges/edge_walk.h"
#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "tracking/overlay.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vireo::sweep {

namespace {

constexpr int kWidth = Frame::kPictureWidth;
constexpr int kLevels = 256;          // magnitudes (capped) and cuts both lie in 0..255
constexpr int kLastInnerColumn = 158; // columns 0 and 159 are never edges

// Per cut value 0..255, the column the search from column 80 of one row finds: the first column
// whose magnitude reaches the cut, or 160 (right) / -1 (left) when none does.
using EdgeByCut = std::array<std::int16_t, kLevels>;

// One outward walk from column 80 with the running maximum of the magnitude: the cut values the
// maximum passes at a column all find their edge there.
void walk(const std::uint8_t* magnitude, int step, int end, int none, EdgeByCut& found) {
    int reached = -1; // the largest cut value answered so far
    for (int x = kResetCentre; x != end && reached < kLevels - 1; x += step) {
        const int m = magnitude[x];
        for (; reached < m; ++reached)
            found[static_cast<std::size_t>(reached + 1)] = static_cast<std::int16_t>(x);
    }
    for (int v = reached + 1; v < kLevels; ++v)
        found[static_cast<std::size_t>(v)] = static_cast<std::int16_t>(none);
}

} // namespace

void checkSettings(const SweepSettings& settings) {
    if (settings.thresholds.empty())
        throw std::invalid_argument("a sweep needs at least one threshold");
    for (std::size_t i = 0; i < settings.thresholds.size(); ++i) {
        const int t = settings.thresholds[i];
        if (t < 0 || t > 255 || (i > 0 && t <= settings.thresholds[i - 1]))
            throw std::invalid_argument("sweep threshold " + std::to_string(t) +
                                        " is outside 0..255 or out of ascending order");
    }
    if (settings.runs < 1 || settings.runs > kMaxRuns)
        throw std::invalid_argument("sweep run count " + std::to_string(settings.runs) +
                                    " is outside 1.." + std::to_string(kMaxRuns));
}

FrameSweeper::FrameSweeper(std::filesystem::path folder, SweepSettings settings)
    : folder_(std::move(folder))
    , settings_(std::move(settings)) {
    checkSettings(settings_);
    historyinit(loaded_);
    if (settings_.runs > 1)
        (void)tracker_.startUp(folder_, settings_.thresholds.front(), std::nullopt);
}

Expected<void> FrameSweeper::sweep(int frame, FrameSweep& out) {
    out.frame = frame;
    out.runsPerThreshold = settings_.runs;
    out.runs.clear();
    out.edgePixels.clear();
    if (Expected<void> loaded = moveme(loaded_, folder_, frame); !loaded)
        return loaded;
    magnitudes();
    edgeCounts(out);
    if (settings_.runs > 1)
        return throughTracker(frame, out);
    fromColumn80(out);
    return {};
}

void FrameSweeper::magnitudes() {
    const edge_walk::SobelKernels kernels;
    for (int y = kCountedFirstRow; y <= kCountedLastRow; ++y) {
        const std::uint8_t* up = loaded_.grayimg.row(y - 1).data();
        const std::uint8_t* mid = loaded_.grayimg.row(y).data();
        const std::uint8_t* down = loaded_.grayimg.row(y + 1).data();
        auto& row = magnitude_[static_cast<std::size_t>(y - kCountedFirstRow)];
        for (int x = 1; x <= kLastInnerColumn; ++x) {
            const int m = edge_walk::absolute(kernels.gx(up, mid, down, x)) +
                          edge_walk::absolute(kernels.gy(up, mid, down, x));
            row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(std::min(m, 255));
        }
    }
}

void FrameSweeper::edgeCounts(FrameSweep& out) const {
    std::array<int, kLevels + 1> atLeast{}; // atLeast[v]: magnitudes >= v
    for (const auto& row : magnitude_)
        for (int x = 1; x <= kLastInnerColumn; ++x)
            ++atLeast[row[static_cast<std::size_t>(x)]];
    for (int v = kLevels - 2; v >= 0; --v)
        atLeast[static_cast<std::size_t>(v)] += atLeast[static_cast<std::size_t>(v + 1)];
    for (const int t : settings_.thresholds)
        out.edgePixels.push_back(atLeast[static_cast<std::size_t>(sobelCut(t))]);
}

void FrameSweeper::fromColumn80(FrameSweep& out) {
    // Per scan row and cut value: the band's sums of right and left edge columns and its
    // supporting rows, added up from each band row's answers for every cut.
    std::array<std::array<int, kLevels>, 3> rightSum{};
    std::array<std::array<int, kLevels>, 3> leftSum{};
    std::array<std::array<int, kLevels>, 3> support{};
    EdgeByCut right;
    EdgeByCut left;
    for (int y = kCountedFirstRow; y <= kCountedLastRow; ++y) {
        const std::uint8_t* magnitude =
            magnitude_[static_cast<std::size_t>(y - kCountedFirstRow)].data();
        walk(magnitude, 1, kLastInnerColumn + 1, kWidth, right);
        walk(magnitude, -1, 0, -1, left);
        for (std::size_t n = 0; n < 3; ++n) {
            if (y < kScanRows[n] - kBandHalfHeight || y > kScanRows[n] + kBandHalfHeight)
                continue;
            for (std::size_t v = 0; v < kLevels; ++v) {
                rightSum[n][v] += right[v];
                leftSum[n][v] += left[v];
                support[n][v] += supportsStart(kResetCentre, right[v], left[v]) ? 1 : 0;
            }
        }
    }

    out.runs.reserve(settings_.thresholds.size());
    for (const int t : settings_.thresholds) {
        const auto v = static_cast<std::size_t>(sobelCut(t));
        CenterRun run;
        for (std::size_t n = 0; n < 3; ++n) {
            run.centres[n] = bandCentre(rightSum[n][v], leftSum[n][v]);
            run.support[n] = support[n][v];
        }
        run.forecast = run.centres[0] - run.centres[1];
        // Neighbouring thresholds often agree on the centres; the line is fitted once for them.
        if (!out.runs.empty() && out.runs.back().centres == run.centres) {
            run.line = out.runs.back().line;
        } else {
            for (int n = 0; n < 3; ++n)
                loaded_.history.at(n, 1) = static_cast<std::int16_t>(run.centres[n]);
            run.line = fitline(loaded_);
        }
        out.runs.push_back(run);
    }
}

Expected<void> FrameSweeper::throughTracker(int frame, FrameSweep& out) {
    out.runs.reserve(settings_.thresholds.size() * static_cast<std::size_t>(settings_.runs));
    for (const int t : settings_.thresholds) {
        if (Expected<void> loaded = tracker_.changeFrame(frame); !loaded) {
            out.runs.clear();
            out.edgePixels.clear();
            return loaded;
        }
        tracker_.setThreshold(t);
        tracker_.displayPicture();
        for (int run = 0; run < settings_.runs; ++run)
            out.runs.push_back(*tracker_.findCenter());
    }
    return {};
}

} // namespace vireo::sweep
