#include "random_frames.h"

#include "input/bitmap_loader.h"

#include <array>
#include <memory>
#include <random>

namespace vireo::testing {

PixelSource randomFrame(std::uint64_t seed) {
    // mt19937_64's output is fixed by the standard; values are taken from it by remainder, so
    // that no library-specific distribution enters the frames.
    std::mt19937_64 random(seed);
    const auto below = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(n));
    };
    const int kind = static_cast<int>(seed % 5);
    const int floor = below(256);
    const int path = below(256);
    const int left = below(160);
    const int width = 1 + below(100);
    const int drift = below(5) - 2;
    const int noise = kind == 1 ? 24 : 1 + below(kind == 0 ? 256 : 60);

    auto grey = std::make_shared<std::array<std::array<std::uint8_t, 160>, 120>>();
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            int level = 0;
            switch (kind) {
            case 0:
                level = below(256);
                break;
            case 1:
                level = 116 + below(noise);
                break;
            case 2:
                level = (x >= left && x < left + width ? path : floor) + below(noise);
                break;
            case 3: {
                const int shifted = left + drift * (y - 60) / 2;
                level = (x >= shifted && x < shifted + width ? path : floor) + below(noise);
                break;
            }
            default:
                level = (y / 7) % 2 ? floor : (x >= left && x < left + width ? path : 255 - path);
                break;
            }
            (*grey)[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(level % 256);
        }
    return [grey](int x, int y) {
        const std::uint8_t v = (*grey)[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        return Bgr{v, v, v};
    };
}

} // namespace vireo::testing
