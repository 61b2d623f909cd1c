#include "input/grey_conversion.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace vireo {
namespace {

// The plain reading: pixel x of stored row s is bytes 480 s + 3 x .. + 2, blue first.
Frame referenceGrey(const std::vector<std::uint8_t>& pixels, bool bottomUp, Frame grey) {
    for (int s = 0; s < 120; ++s)
        for (int x = 0; x < 160; ++x) {
            const std::size_t i =
                480 * static_cast<std::size_t>(s) + 3 * static_cast<std::size_t>(x);
            grey.at(x, bottomUp ? 119 - s : s) =
                static_cast<std::uint8_t>((pixels[i] + pixels[i + 1] + pixels[i + 2] + 1) / 3);
        }
    return grey;
}

class GreyPaths : public ::testing::TestWithParam<SimdPath> {};

// Every instruction set gives the plain reading's bytes for every sum of three bytes, in both
// row orders, and leaves column 160 and row 120 alone. A wrong shuffle index, a lost pixel at a
// vector seam, a division that is off at large sums or a flipped row shows here.
TEST_P(GreyPaths, MatchThePlainReading) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> pixels(kFramePixelBytes);
    for (int round = 0; round < 6; ++round) {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            // Rounds 0 and 1 cover every sum 0..765 in order; the others are random or extreme.
            const int pixel = static_cast<int>(i / 3);
            pixels[i] = round < 2   ? static_cast<std::uint8_t>((pixel % 766 + i % 3) / 3)
                        : round < 4 ? static_cast<std::uint8_t>(random())
                                    : static_cast<std::uint8_t>(round == 4 ? 255 : 254 + i % 2);
        }
        for (bool bottomUp : {true, false}) {
            Frame grey;
            grey.fill(77);
            const Frame expected = referenceGrey(pixels, bottomUp, grey);
            convertToGrey(FramePixels(pixels.data(), pixels.size()), bottomUp, grey, GetParam());
            ASSERT_EQ(grey, expected) << "round " << round << (bottomUp ? " bottom-up" : "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRunnablePath, GreyPaths, ::testing::ValuesIn(runnableSimdPaths()),
                         [](const auto& info) { return std::string(simdPathName(info.param)); });

} // namespace
} // namespace vireo
