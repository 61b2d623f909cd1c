#include "input/grey_conversion.h"

#include "input/grey_conversion_variants.h"

#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vireo {

namespace {

constexpr int kWidth = Frame::kPictureWidth;
constexpr int kHeight = Frame::kPictureHeight;

using grey_variants::StoredRow;
using grey_variants::storedRow;

// The portable conversion: plain C++ that the compiler vectorises with its baseline
// instructions.

using RowMeans = std::array<std::uint8_t, kFrameRowBytes>;
constexpr std::size_t kMeans = kFrameRowBytes - 2; // runs of three bytes that fit in a row

// The means at pixel starts, means[3x] for x = 0..159, into grey[0..159]. On little-endian
// machines eight at a time: 24 means are three 64-bit words, and the eight wanted bytes are
// shifted into place and stored as one word.
void pickPixelMeans(const RowMeans& means, Frame::Row grey) {
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t group = 0; group < kWidth / 8; ++group) {
            std::uint64_t a = 0;
            std::uint64_t b = 0;
            std::uint64_t c = 0;
            std::memcpy(&a, means.data() + 24 * group, 8);
            std::memcpy(&b, means.data() + 24 * group + 8, 8);
            std::memcpy(&c, means.data() + 24 * group + 16, 8);
            // Bytes 0, 3, 6 of a, 1, 4, 7 of b and 2, 5 of c are means 0, 3, ..., 21.
            const std::uint64_t eight =
                (a & 0xFFu) | ((a >> 16) & 0xFF00u) | ((a >> 32) & 0xFF0000u) |
                ((b << 16) & 0xFF000000u) | (b & 0xFF00000000u) | ((b >> 16) & 0xFF0000000000u) |
                ((c << 32) & 0xFF000000000000u) | ((c << 16) & 0xFF00000000000000u);
            std::memcpy(grey.data() + 8 * group, &eight, 8);
        }
    } else {
        for (std::size_t x = 0; x < kWidth; ++x)
            grey[x] = means[3 * x];
    }
}

// A walk over every third byte cannot be vectorised without byte shuffles, so the means of all
// runs of three bytes are computed first, in 16-bit lanes, and the ones that start at a pixel
// are picked out after.
void convertRowPortable(StoredRow source, Frame::Row grey) {
    RowMeans means;
    for (std::size_t i = 0; i < kMeans; ++i) {
        const auto sum = static_cast<std::uint16_t>(source[i] + source[i + 1] + source[i + 2] + 1);
        means[i] = static_cast<std::uint8_t>(sum / 3);
    }
    // No run of three starts at the last two bytes; the picking reads them as whole words.
    means[kMeans] = 0;
    means[kMeans + 1] = 0;
    pickPixelMeans(means, grey);
}

void convertPortable(FramePixels pixels, bool bottomUp, Frame& grey, PictureRows rows) {
    for (int y = rows.first; y <= rows.last; ++y)
        convertRowPortable(storedRow(pixels, storedRowOfPicture(bottomUp, y)), grey.row(y));
}

void convertOn(SimdPath path, FramePixels pixels, bool bottomUp, Frame& grey, PictureRows rows) {
    if (rows.first < 0 || rows.first > rows.last || rows.last >= kHeight)
        throw std::out_of_range("grey rows " + std::to_string(rows.first) + ".." +
                                std::to_string(rows.last) + " are not a range within 0.." +
                                std::to_string(kHeight - 1));
    switch (path) {
#if defined(__x86_64__) || defined(__i386__)
    case SimdPath::Avx2:
        grey_variants::convertAvx2(pixels, bottomUp, grey, rows);
        return;
    case SimdPath::Ssse3:
        grey_variants::convertSsse3(pixels, bottomUp, grey, rows);
        return;
#endif
    default:
        convertPortable(pixels, bottomUp, grey, rows);
        return;
    }
}

} // namespace

void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey, SimdPath path,
                   PictureRows rows) {
    if (!runsOn(path))
        throw std::invalid_argument(std::string("this processor cannot run the ") +
                                    simdPathName(path) + " grey conversion");
    convertOn(path, pixels, bottomUp, grey, rows);
}

void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey, PictureRows rows) {
    static const SimdPath fastest = fastestSimdPath();
    convertOn(fastest, pixels, bottomUp, grey, rows);
}

} // namespace vireo
