#include "edges/sobel.h"

#include "edges/edge_walk.h"
#include "edges/translate.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vireo {

namespace {

using namespace edge_walk;

// Kernel cells in the order initmask() writes them: (1, 1), (1, 2), (1, 3), (2, 1) ... (3, 3).
template <typename Visit> void forEachKernelCell(Visit visit) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            visit(dy + 2, dx + 2, dy + 1, dx + 1);
}

// Copies a kernel's weights, checked to lie in -2..2 so that every product and sum of the walk
// fits 16 bits: a product is at most 2 * 255 in magnitude, a gradient at most 4590 and a
// magnitude at most 9180.
void checkWeights(const Kernel& kernel, const char* name, std::int16_t (&weights)[3][3]) {
    forEachKernelCell([&](int row, int column, int wy, int wx) {
        const int value = kernel.at(row, column);
        if (value < -2 || value > 2)
            throw std::out_of_range(std::string(name) + " weight " + std::to_string(value) +
                                    " is outside -2..2");
        weights[wy][wx] = static_cast<std::int16_t>(value);
    });
}

Weights checkedWeights(const TrackingState& state) {
    Weights weights{};
    checkWeights(state.maskx, "horizontal kernel", weights.x);
    checkWeights(state.masky, "vertical kernel", weights.y);
    return weights;
}

template <typename W>
void edgeRowsOn(SimdPath path, const W& w, TrackingState& state, std::int16_t cut, int first,
                int last) {
#if defined(__x86_64__) || defined(__i386__)
    // SSSE3 adds nothing the walk uses, so that path takes the portable walk.
    if (path == SimdPath::Avx2) {
        edgeRowsAvx2(w, state, cut, first, last);
        return;
    }
#endif
    edgeRows(w, state, cut, first, last);
}

void fillBackground(Frame::Row row) {
    for (int x = 0; x < kWidth; ++x)
        row[x] = kBackground;
}

// Rows first..last (within 0..kHeight - 1) of the edge map on `path`.
void computeRows(TrackingState& state, SimdPath path, int first, int last) {
    if (!runsOn(path))
        throw std::invalid_argument(std::string("this processor cannot run the ") +
                                    simdPathName(path) + " edge map");
    if (state.sobelthresh < 0 || state.sobelthresh > 255)
        throw std::out_of_range("threshold " + std::to_string(state.sobelthresh) +
                                " is outside 0..255");
    const Weights weights = checkedWeights(state);
    const auto cut = static_cast<std::int16_t>(sobelCut(state.sobelthresh));

    // The border ring has no full neighbourhood and is always background.
    if (first == 0)
        fillBackground(state.edgeimg.row(0));
    if (last == kHeight - 1)
        fillBackground(state.edgeimg.row(kHeight - 1));
    const int inner = std::max(first, 1);
    const int innerLast = std::min(last, kHeight - 2);
    if (weights == kSobelWeights)
        edgeRowsOn(path, SobelKernels{}, state, cut, inner, innerLast);
    else
        edgeRowsOn(path, weights, state, cut, inner, innerLast);
}

SimdPath fastest() {
    static const SimdPath path = fastestSimdPath();
    return path;
}

} // namespace

void initmask(TrackingState& state) {
    forEachKernelCell([&state](int row, int column, int wy, int wx) {
        state.maskx.at(row, column) = kSobelWeights.x[wy][wx];
    });
    forEachKernelCell([&state](int row, int column, int wy, int wx) {
        state.masky.at(row, column) = kSobelWeights.y[wy][wx];
    });
}

void computeEdges(TrackingState& state) {
    computeRows(state, fastest(), 0, kHeight - 1);
}

void computeEdges(TrackingState& state, SimdPath path) {
    computeRows(state, path, 0, kHeight - 1);
}

void computeEdgeRows(TrackingState& state, int firstRow, int lastRow) {
    if (firstRow < 0 || lastRow >= kHeight || firstRow > lastRow)
        throw std::out_of_range("edge rows " + std::to_string(firstRow) + ".." +
                                std::to_string(lastRow) + " are not a range within 0..119");
    computeRows(state, fastest(), firstRow, lastRow);
}

void Sobel(TrackingState& state, Surface& picture4) {
    computeEdges(state);
    translate(state, picture4);
}

} // namespace vireo
