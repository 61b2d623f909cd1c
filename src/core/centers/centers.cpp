#include "centers/centers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

namespace vireo {

namespace {

constexpr int kSearchEnd = Frame::kPictureWidth; // columns 0..159 are searched
constexpr std::uint8_t kEdge = 0;

// Row, column and sum values are 16-bit quantities; one leaving that range is an error rather
// than a silently wrapped number.
int checked16(long value, const char* what) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        throw std::overflow_error(std::string(what) + " " + std::to_string(value) +
                                  " is outside the 16-bit range");
    return static_cast<int>(value);
}

// The last edge cell in row[0 .. last], or null.
const void* lastEdgeAtOrBefore(const std::uint8_t* row, int last) {
#ifdef __GLIBC__
    return memrchr(row, kEdge, static_cast<std::size_t>(last) + 1);
#else
    for (int x = last; x >= 0; --x)
        if (row[x] == kEdge)
            return row + x;
    return nullptr;
#endif
}

} // namespace

void historyinit(TrackingState& state) {
    for (int n = 0; n < 3; ++n) {
        state.history.at(n, 0) = static_cast<std::int16_t>(kScanRows[n]);
        state.history.at(n, 1) = static_cast<std::int16_t>(kResetCentre);
    }
}

int findedge(const TrackingState& state, int startw, int starth, bool goright) {
    if (startw < 0 || startw >= kSearchEnd)
        return startw;
    // Columns startw .. 159 or 0 .. startw of the row, searched with the C library's vectorised
    // byte search; the row is checked once and both ranges lie inside it.
    const std::uint8_t* row = state.edgeimg.row(starth).data();
    if (goright) {
        const void* hit =
            std::memchr(row + startw, kEdge, static_cast<std::size_t>(kSearchEnd - startw));
        return hit ? static_cast<int>(static_cast<const std::uint8_t*>(hit) - row) : kSearchEnd;
    }
    const void* hit = lastEdgeAtOrBefore(row, startw);
    return hit ? static_cast<int>(static_cast<const std::uint8_t*>(hit) - row) : -1;
}

int centers(TrackingState& state, int hcenter, int wcenter, int hisloc) {
    const int top = checked16(static_cast<long>(hcenter) - kBandHalfHeight, "band top row");
    const int bottom = checked16(static_cast<long>(hcenter) + kBandHalfHeight, "band bottom row");

    long rightSum = 0;
    long leftSum = 0;
    int support = 0;
    for (int r = top; r <= bottom; ++r) {
        const int right = findedge(state, wcenter, r, true);
        const int left = findedge(state, wcenter, r, false);
        rightSum += right;
        leftSum += left;
        if (supportsStart(wcenter, right, left))
            ++support;
    }
    state.history.at(hisloc, 1) = static_cast<std::int16_t>(bandCentre(rightSum, leftSum));
    return support;
}

int bandCentre(long rightSum, long leftSum) {
    const double rightMean = checked16(rightSum, "right edge sum") / static_cast<double>(kBandRows);
    const double leftMean = checked16(leftSum, "left edge sum") / static_cast<double>(kBandRows);
    const double midpoint = (rightMean - leftMean) / 2 + leftMean;

    // nearbyint rounds in the default mode, to nearest with ties to even: 80.5 gives 80.
    int centre = checked16(static_cast<long>(std::nearbyint(midpoint)), "centre column");
    if (centre > kMaxCentre)
        centre = kMaxCentre;
    if (centre < kMinCentre)
        centre = kMinCentre;
    return centre;
}

bool CenterRun::tracked() const {
    return std::all_of(support.begin(), support.end(),
                       [](int rows) { return rows >= kHeldSupport; });
}

int CenterRun::edgePixels(const Frame& edgeimg) {
    // Counted in 16 byte-wide lanes, which the compiler turns into vector compares. A lane adds
    // at most ten columns a row, so it holds up to 25 rows' counts before they are added up.
    constexpr int kLanes = 16;
    constexpr int kRowsPerSum = 25;
    static_assert(Frame::kPictureWidth % kLanes == 0 && kRowsPerSum * 10 <= 255);
    int count = 0;
    for (int first = kCountedFirstRow; first <= kCountedLastRow; first += kRowsPerSum) {
        std::array<std::uint8_t, kLanes> lanes{};
        for (int y = first; y <= std::min(first + kRowsPerSum - 1, kCountedLastRow); ++y) {
            const std::uint8_t* row = edgeimg.row(y).data();
            for (int x = 0; x < Frame::kPictureWidth; x += kLanes)
                for (int i = 0; i < kLanes; ++i)
                    lanes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(
                        lanes[static_cast<std::size_t>(i)] + (row[x + i] == kEdge ? 1 : 0));
        }
        for (const std::uint8_t lane : lanes)
            count += lane;
    }
    return count;
}

CenterRun findcenter(TrackingState& state, Surface& picture4) {
    CenterRun run;
    for (int n = 0; n < 3; ++n)
        run.support[n] = centers(state, state.history.at(n, 0), state.history.at(n, 1), n);
    linesegments(state, picture4);

    run.line = bestfitline(state, picture4);
    for (int n = 0; n < 3; ++n)
        run.centres[n] = state.history.at(n, 1);
    return run;
}

} // namespace vireo
