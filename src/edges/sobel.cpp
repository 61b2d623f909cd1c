#include "edges/sobel.h"

#include "edges/translate.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vireo {

namespace {

constexpr int kWidth = Frame::kPictureWidth;
constexpr int kHeight = Frame::kPictureHeight;
constexpr std::uint8_t kEdge = 0;
constexpr std::uint8_t kBackground = 255;

std::int16_t gradient(const std::int16_t (&k)[3][3], const std::uint8_t* up,
                      const std::uint8_t* mid, const std::uint8_t* down, int x) {
    return static_cast<std::int16_t>(k[0][0] * up[x - 1] + k[0][1] * up[x] + k[0][2] * up[x + 1] +
                                     k[1][0] * mid[x - 1] + k[1][1] * mid[x] +
                                     k[1][2] * mid[x + 1] + k[2][0] * down[x - 1] +
                                     k[2][1] * down[x] + k[2][2] * down[x + 1]);
}

// The weights of both kernels, [dy + 1][dx + 1]. Weights are checked to lie in -2..2 once, so
// that every product and sum below fits 16 bits: a product is at most 2 * 255 in magnitude, a
// gradient at most 4590 and a magnitude at most 9180. The walk therefore computes in 16-bit
// lanes, which the compiler vectorises eight or more pixels at a time.
struct Weights {
    std::int16_t x[3][3];
    std::int16_t y[3][3];

    std::int16_t gx(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                    int x) const {
        return gradient(this->x, up, mid, down, x);
    }
    std::int16_t gy(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                    int x) const {
        return gradient(this->y, up, mid, down, x);
    }

    friend bool operator==(const Weights&, const Weights&) = default;
};

// The kernels initmask() writes, as numbers.
constexpr Weights kSobelWeights{{{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}},
                                {{1, 2, 1}, {0, 0, 0}, {-1, -2, -1}}};

// The same kernels written out as differences, which takes the compiler about half the
// instructions of the nine multiply-adds: Gx is the right column minus the left one and Gy the
// upper row minus the lower one, each weighted 1 2 1.
struct SobelKernels {
    static std::int16_t gx(const std::uint8_t* up, const std::uint8_t* mid,
                           const std::uint8_t* down, int x) {
        return static_cast<std::int16_t>((up[x + 1] - up[x - 1]) + 2 * (mid[x + 1] - mid[x - 1]) +
                                         (down[x + 1] - down[x - 1]));
    }
    static std::int16_t gy(const std::uint8_t* up, const std::uint8_t*, const std::uint8_t* down,
                           int x) {
        return static_cast<std::int16_t>((up[x - 1] - down[x - 1]) + 2 * (up[x] - down[x]) +
                                         (up[x + 1] - down[x + 1]));
    }
};

void checkWeights(const Kernel& kernel, const char* name, std::int16_t (&weights)[3][3]) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int value = kernel.at(dy + 2, dx + 2);
            if (value < -2 || value > 2)
                throw std::out_of_range(std::string(name) + " weight " + std::to_string(value) +
                                        " is outside -2..2");
            weights[dy + 1][dx + 1] = static_cast<std::int16_t>(value);
        }
}

Weights checkedWeights(const TrackingState& state) {
    Weights weights{};
    checkWeights(state.maskx, "horizontal kernel", weights.x);
    checkWeights(state.masky, "vertical kernel", weights.y);
    return weights;
}

std::int16_t absolute(std::int16_t value) {
    return static_cast<std::int16_t>(value < 0 ? -value : value);
}

// The walk goes in blocks of 32 columns, a whole number of vectors of 16-bit lanes on every
// instruction set (two or four 16-byte vectors, one or two 32-byte ones), so that no column is
// left to a slow one-at-a-time tail.
constexpr int kBlock = 32;

// Columns first .. first + 31 of one edge row from the grey rows above, at and below it. The
// caller has checked that each row holds 161 cells and that first - 1 .. first + 32 lie in
// 0..159, so every read stays inside the rows.
template <typename W>
void edgeBlock(const W& w, const std::uint8_t* up, const std::uint8_t* mid,
               const std::uint8_t* down, std::uint8_t* out, int first, std::int16_t cut) {
    std::array<std::uint8_t, kBlock> block{};
    for (int i = 0; i < kBlock; ++i) {
        const int x = first + i;
        const auto magnitude = static_cast<std::int16_t>(absolute(w.gx(up, mid, down, x)) +
                                                         absolute(w.gy(up, mid, down, x)));
        block[static_cast<std::size_t>(i)] = magnitude < cut ? kBackground : kEdge;
    }
    std::copy(block.begin(), block.end(), out + first);
}

// Columns 1..158 of one edge row: blocks from columns 1, 33, 65 and 97, then one from 127 that
// overlaps the one before it and writes the same values into the overlap.
template <typename W>
void edgeRow(const W& w, const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
             std::uint8_t* out, std::int16_t cut) {
    constexpr int kLastFirst = kWidth - 1 - kBlock;
    static_assert(kLastFirst >= 1 && kLastFirst + kBlock <= kWidth - 1);
    for (int first = 1; first < kLastFirst; first += kBlock)
        edgeBlock(w, up, mid, down, out, first, cut);
    edgeBlock(w, up, mid, down, out, kLastFirst, cut);
}

template <typename W> void edgeRows(const W& w, TrackingState& state, std::int16_t cut) {
    for (int y = 1; y < kHeight - 1; ++y) {
        // Rows y - 1 .. y + 1 lie in 0..119; each span is checked once here.
        const std::uint8_t* up = state.grayimg.row(y - 1).data();
        const std::uint8_t* mid = state.grayimg.row(y).data();
        const std::uint8_t* down = state.grayimg.row(y + 1).data();
        std::uint8_t* out = state.edgeimg.row(y).data();
        out[0] = kBackground;
        out[kWidth - 1] = kBackground;
        edgeRow(w, up, mid, down, out, cut);
    }
}

// The rows on each instruction set. `flatten` compiles the whole walk, templates included, for the
// function's own target, so the AVX2 version works on 16 columns per instruction. SSSE3 adds
// nothing the walk uses, so that path takes the portable walk.
template <typename W> void edgeRowsPortable(const W& w, TrackingState& state, std::int16_t cut) {
    edgeRows(w, state, cut);
}

#if defined(__x86_64__) || defined(__i386__)
template <typename W>
__attribute__((target("avx2"), flatten)) void edgeRowsAvx2(const W& w, TrackingState& state,
                                                           std::int16_t cut) {
    edgeRows(w, state, cut);
}
#endif

template <typename W>
void edgeRowsOn(SimdPath path, const W& w, TrackingState& state, std::int16_t cut) {
#if defined(__x86_64__) || defined(__i386__)
    if (path == SimdPath::Avx2) {
        edgeRowsAvx2(w, state, cut);
        return;
    }
#endif
    edgeRowsPortable(w, state, cut);
}

void fillBackground(Frame::Row row) {
    for (int x = 0; x < kWidth; ++x)
        row[x] = kBackground;
}

} // namespace

void initmask(TrackingState& state) {
    Kernel& mx = state.maskx;
    mx.at(1, 1) = -1;
    mx.at(1, 2) = 0;
    mx.at(1, 3) = 1;
    mx.at(2, 1) = -2;
    mx.at(2, 2) = 0;
    mx.at(2, 3) = 2;
    mx.at(3, 1) = -1;
    mx.at(3, 2) = 0;
    mx.at(3, 3) = 1;

    Kernel& my = state.masky;
    my.at(1, 1) = 1;
    my.at(1, 2) = 2;
    my.at(1, 3) = 1;
    my.at(2, 1) = 0;
    my.at(2, 2) = 0;
    my.at(2, 3) = 0;
    my.at(3, 1) = -1;
    my.at(3, 2) = -2;
    my.at(3, 3) = -1;
}

void computeEdges(TrackingState& state) {
    static const SimdPath fastest = fastestSimdPath();
    computeEdges(state, fastest);
}

void computeEdges(TrackingState& state, SimdPath path) {
    if (!runsOn(path))
        throw std::invalid_argument(std::string("this processor cannot run the ") +
                                    simdPathName(path) + " edge map");
    if (state.sobelthresh < 0 || state.sobelthresh > 255)
        throw std::out_of_range("threshold " + std::to_string(state.sobelthresh) +
                                " is outside 0..255");
    const Weights weights = checkedWeights(state);
    const auto cut = static_cast<std::int16_t>(sobelCut(state.sobelthresh));

    // The border ring has no full neighbourhood and is always background.
    fillBackground(state.edgeimg.row(0));
    fillBackground(state.edgeimg.row(kHeight - 1));
    if (weights == kSobelWeights)
        edgeRowsOn(path, SobelKernels{}, state, cut);
    else
        edgeRowsOn(path, weights, state, cut);
}

void Sobel(TrackingState& state, Surface& picture4) {
    computeEdges(state);
    translate(state, picture4);
}

} // namespace vireo
