#pragma once

// The edge map's walk over the grey frame, shared by the portable build in sobel.cpp and the
// AVX2 build in sobel_avx2.cpp, which compile the same templates for different instruction sets.

#include "state/tracking_state.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vireo::edge_walk {

inline constexpr std::uint8_t kEdge = 0;
inline constexpr std::uint8_t kBackground = 255;

inline constexpr int kWidth = Frame::kPictureWidth;
inline constexpr int kHeight = Frame::kPictureHeight;
constexpr std::int16_t gradient(const std::int16_t (&k)[3][3], const std::uint8_t* up,
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

    constexpr std::int16_t gx(const std::uint8_t* up, const std::uint8_t* mid,
                              const std::uint8_t* down, int x) const {
        return gradient(this->x, up, mid, down, x);
    }
    constexpr std::int16_t gy(const std::uint8_t* up, const std::uint8_t* mid,
                              const std::uint8_t* down, int x) const {
        return gradient(this->y, up, mid, down, x);
    }

    friend bool operator==(const Weights&, const Weights&) = default;
};

// The Sobel kernels, [dy + 1][dx + 1]: Gx is the right column minus the left one and Gy the
// upper row minus the lower one, each weighted 1 2 1. initmask() copies them into the state.
inline constexpr Weights kSobelWeights{{{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}},
                                       {{1, 2, 1}, {0, 0, 0}, {-1, -2, -1}}};

// The same kernels written out as differences, which takes the compiler about half the
// instructions of the nine multiply-adds. kSobelWeights stays the one statement of the weights:
// the check after this type proves that both forms agree.
struct SobelKernels {
    static constexpr std::int16_t gx(const std::uint8_t* up, const std::uint8_t* mid,
                                     const std::uint8_t* down, int x) {
        return static_cast<std::int16_t>((up[x + 1] - up[x - 1]) + 2 * (mid[x + 1] - mid[x - 1]) +
                                         (down[x + 1] - down[x - 1]));
    }
    static constexpr std::int16_t gy(const std::uint8_t* up, const std::uint8_t*,
                                     const std::uint8_t* down, int x) {
        return static_cast<std::int16_t>((up[x - 1] - down[x - 1]) + 2 * (up[x] - down[x]) +
                                         (up[x + 1] - down[x + 1]));
    }
};

// True when the difference form gives each weight of kSobelWeights: a grey neighbourhood with a
// single 1 at (dy, dx) has the weight of that neighbour as its gradient.
constexpr bool differencesMatchWeights() {
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx) {
            std::uint8_t rows[3][3]{};
            rows[dy][dx] = 1;
            if (SobelKernels::gx(rows[0], rows[1], rows[2], 1) != kSobelWeights.x[dy][dx] ||
                SobelKernels::gy(rows[0], rows[1], rows[2], 1) != kSobelWeights.y[dy][dx])
                return false;
        }
    return true;
}
static_assert(differencesMatchWeights());

constexpr std::int16_t absolute(std::int16_t value) {
    return static_cast<std::int16_t>(value < 0 ? -value : value);
}

// The walk goes in blocks of 32 columns, a whole number of vectors of 16-bit lanes on every
// instruction set (two or four 16-byte vectors, one or two 32-byte ones), so that no column is
// left to a slow one-at-a-time tail.
inline constexpr int kBlock = 32;

// Columns first .. first + 31 of one edge row from the grey rows above, at and below it. The
// caller has checked that each row holds 161 cells and that first - 1 .. first + 32 lie in
// 0..159, so every read stays inside the rows. The edge row belongs to another frame than the
// grey rows, so nothing aliases and the vectorised loop stores straight into it (a block copied
// after the loop took a round trip through the stack).
template <typename W>
void edgeBlock(const W& w, const std::uint8_t* __restrict up, const std::uint8_t* __restrict mid,
               const std::uint8_t* __restrict down, std::uint8_t* __restrict out, int first,
               std::int16_t cut) {
    for (int i = 0; i < kBlock; ++i) {
        const int x = first + i;
        const auto magnitude = static_cast<std::int16_t>(absolute(w.gx(up, mid, down, x)) +
                                                         absolute(w.gy(up, mid, down, x)));
        out[x] = magnitude < cut ? kBackground : kEdge;
    }
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

// Edge rows first..last, within 1..kHeight - 2.
template <typename W>
void edgeRows(const W& w, TrackingState& state, std::int16_t cut, int first, int last) {
    for (int y = first; y <= last; ++y) {
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

#if defined(__x86_64__) || defined(__i386__)
// The walk compiled for AVX2, 16 columns per instruction; only where runsOn(SimdPath::Avx2).
void edgeRowsAvx2(const Weights& weights, TrackingState& state, std::int16_t cut, int first,
                  int last);
void edgeRowsAvx2(const SobelKernels& kernels, TrackingState& state, std::int16_t cut, int first,
                  int last);
#endif

} // namespace vireo::edge_walk
