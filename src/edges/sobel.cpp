#include "edges/sobel.h"

#include "edges/translate.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace vireo {

namespace {

constexpr int kWidth = Frame::kPictureWidth;
constexpr int kHeight = Frame::kPictureHeight;
constexpr std::uint8_t kEdge = 0;
constexpr std::uint8_t kBackground = 255;

// The nine weights of a kernel as plain numbers, [dy + 1][dx + 1]. Weights are checked to lie in
// -2..2 here, once, so that no product or sum below can leave the 16-bit range: a product is at
// most 2 * 255 and a sum of nine at most 4590.
struct Weights {
    std::int16_t w[3][3];
};

Weights checkedWeights(const Kernel& kernel, const char* name) {
    Weights weights{};
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int value = kernel.at(dy + 2, dx + 2);
            if (value < -2 || value > 2)
                throw std::out_of_range(std::string(name) + " weight " + std::to_string(value) +
                                        " is outside -2..2");
            weights.w[dy + 1][dx + 1] = static_cast<std::int16_t>(value);
        }
    return weights;
}

int gradient(const Weights& k, const std::uint8_t* up, const std::uint8_t* mid,
             const std::uint8_t* down, int x) {
    return k.w[0][0] * up[x - 1] + k.w[0][1] * up[x] + k.w[0][2] * up[x + 1] +
           k.w[1][0] * mid[x - 1] + k.w[1][1] * mid[x] + k.w[1][2] * mid[x + 1] +
           k.w[2][0] * down[x - 1] + k.w[2][1] * down[x] + k.w[2][2] * down[x + 1];
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
    if (state.sobelthresh < 0 || state.sobelthresh > 255)
        throw std::out_of_range("threshold " + std::to_string(state.sobelthresh) +
                                " is outside 0..255");
    const Weights kx = checkedWeights(state.maskx, "horizontal kernel");
    const Weights ky = checkedWeights(state.masky, "vertical kernel");
    const int cut = sobelCut(state.sobelthresh);

    // The border ring has no full neighbourhood and is always background.
    fillBackground(state.edgeimg.row(0));
    fillBackground(state.edgeimg.row(kHeight - 1));
    for (int y = 1; y < kHeight - 1; ++y) {
        // Rows y - 1 .. y + 1 lie in 0..119 and columns x - 1 .. x + 1 in 0..159, inside the
        // 161-cell rows, so the walk below needs no further checks.
        const std::uint8_t* up = state.grayimg.row(y - 1).data();
        const std::uint8_t* mid = state.grayimg.row(y).data();
        const std::uint8_t* down = state.grayimg.row(y + 1).data();
        std::uint8_t* out = state.edgeimg.row(y).data();
        out[0] = kBackground;
        out[kWidth - 1] = kBackground;
        for (int x = 1; x < kWidth - 1; ++x) {
            const int magnitude =
                std::abs(gradient(kx, up, mid, down, x)) + std::abs(gradient(ky, up, mid, down, x));
            out[x] = magnitude < cut ? kBackground : kEdge;
        }
    }
}

void Sobel(TrackingState& state, Surface& picture4) {
    computeEdges(state);
    translate(state, picture4);
}

} // namespace vireo
