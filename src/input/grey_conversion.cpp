#include "input/grey_conversion.h"

#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VIREO_X86 1
#endif

namespace vireo {

namespace {

constexpr int kWidth = Frame::kPictureWidth;
constexpr int kHeight = Frame::kPictureHeight;

using StoredRow = std::span<const std::uint8_t, kFrameRowBytes>;

StoredRow storedRow(FramePixels pixels, int stored) {
    return pixels.subspan(kFrameRowBytes * static_cast<std::size_t>(stored))
        .first<kFrameRowBytes>();
}

// ---- Portable: plain C++ that the compiler vectorises with its baseline instructions.

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

#ifdef VIREO_X86

// ---- SSSE3: byte shuffles gather each pixel's bytes directly.
//
// Eight pixels are 24 bytes, read as two overlapping 16-byte loads at byte 0 and byte 8. One
// shuffle per load puts blue and green of four pixels side by side and red beside a zero;
// multiply-adding adjacent bytes by 1 then gives blue + green and red in 16-bit lanes. The sum
// plus one, at most 766, is divided by 3 as (s * 21846) >> 16, exact for every s up to 767.

constexpr short kThirdOf65536 = 21846;

__attribute__((target("ssse3"))) __m128i eightSums(const std::uint8_t* pixels) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 8));
    // Pixels 0..3 start at bytes 0, 3, 6, 9 of the first load; pixels 4..7 at 4, 7, 10, 13 of
    // the second. -1 selects a zero byte.
    const __m128i firstPick = _mm_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, 2, -1, 5, -1, 8, -1, 11, -1);
    const __m128i secondPick =
        _mm_setr_epi8(4, 5, 7, 8, 10, 11, 13, 14, 6, -1, 9, -1, 12, -1, 15, -1);
    const __m128i ones = _mm_set1_epi8(1);
    const __m128i low = _mm_maddubs_epi16(_mm_shuffle_epi8(first, firstPick), ones);
    const __m128i high = _mm_maddubs_epi16(_mm_shuffle_epi8(second, secondPick), ones);
    // Lanes 0..3 of each hold blue + green, lanes 4..7 red.
    const __m128i sums =
        _mm_add_epi16(_mm_unpacklo_epi64(low, high), _mm_unpackhi_epi64(low, high));
    return _mm_mulhi_epu16(_mm_add_epi16(sums, _mm_set1_epi16(1)), _mm_set1_epi16(kThirdOf65536));
}

__attribute__((target("ssse3"))) void convertRowSsse3(StoredRow source, Frame::Row grey) {
    // 160 pixels are ten groups of 16; group g reads bytes 48g .. 48g + 47, all inside the row.
    for (int group = 0; group < kWidth / 16; ++group) {
        const std::uint8_t* pixels = source.data() + 48 * group;
        const __m128i sixteen = _mm_packus_epi16(eightSums(pixels), eightSums(pixels + 24));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(grey.data() + 16 * group), sixteen);
    }
}

__attribute__((target("ssse3"))) void convertSsse3(FramePixels pixels, bool bottomUp, Frame& grey) {
    for (int stored = 0; stored < kHeight; ++stored)
        convertRowSsse3(storedRow(pixels, stored), grey.row(pictureRowOfStored(bottomUp, stored)));
}

// ---- AVX2: the same in 32-byte vectors, whose two 16-byte halves are shuffled separately. Each
// half takes the loads of its own eight pixels, so sixteen pixels come out in order.

__attribute__((target("avx2"))) __m256i loadHalves(const std::uint8_t* low,
                                                   const std::uint8_t* high) {
    const __m128i lowHalf = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
    const __m128i highHalf = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lowHalf), highHalf, 1);
}

__attribute__((target("avx2"))) __m256i sixteenSums(const std::uint8_t* pixels) {
    const __m256i first = loadHalves(pixels, pixels + 24);
    const __m256i second = loadHalves(pixels + 8, pixels + 32);
    const __m256i firstPick =
        _mm256_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, 2, -1, 5, -1, 8, -1, 11, -1, 0, 1, 3, 4, 6, 7, 9,
                         10, 2, -1, 5, -1, 8, -1, 11, -1);
    const __m256i secondPick =
        _mm256_setr_epi8(4, 5, 7, 8, 10, 11, 13, 14, 6, -1, 9, -1, 12, -1, 15, -1, 4, 5, 7, 8, 10,
                         11, 13, 14, 6, -1, 9, -1, 12, -1, 15, -1);
    const __m256i ones = _mm256_set1_epi8(1);
    const __m256i low = _mm256_maddubs_epi16(_mm256_shuffle_epi8(first, firstPick), ones);
    const __m256i high = _mm256_maddubs_epi16(_mm256_shuffle_epi8(second, secondPick), ones);
    const __m256i sums =
        _mm256_add_epi16(_mm256_unpacklo_epi64(low, high), _mm256_unpackhi_epi64(low, high));
    return _mm256_mulhi_epu16(_mm256_add_epi16(sums, _mm256_set1_epi16(1)),
                              _mm256_set1_epi16(kThirdOf65536));
}

__attribute__((target("avx2"))) void convertRowAvx2(StoredRow source, Frame::Row grey) {
    // 160 pixels are five groups of 32; group g reads bytes 96g .. 96g + 95, all inside the row.
    for (int group = 0; group < kWidth / 32; ++group) {
        const std::uint8_t* pixels = source.data() + 96 * group;
        // Packing works per half: pixels 0..7, 16..23 | 8..15, 24..31; the quarters are put back
        // in order after.
        const __m256i packed = _mm256_packus_epi16(sixteenSums(pixels), sixteenSums(pixels + 48));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(grey.data() + 32 * group),
                            _mm256_permute4x64_epi64(packed, 0xD8));
    }
}

__attribute__((target("avx2"))) void convertAvx2(FramePixels pixels, bool bottomUp, Frame& grey) {
    for (int stored = 0; stored < kHeight; ++stored)
        convertRowAvx2(storedRow(pixels, stored), grey.row(pictureRowOfStored(bottomUp, stored)));
}

#endif

void convertPortable(FramePixels pixels, bool bottomUp, Frame& grey) {
    for (int stored = 0; stored < kHeight; ++stored)
        convertRowPortable(storedRow(pixels, stored),
                           grey.row(pictureRowOfStored(bottomUp, stored)));
}

void convertOn(SimdPath path, FramePixels pixels, bool bottomUp, Frame& grey) {
    switch (path) {
#ifdef VIREO_X86
    case SimdPath::Avx2:
        convertAvx2(pixels, bottomUp, grey);
        return;
    case SimdPath::Ssse3:
        convertSsse3(pixels, bottomUp, grey);
        return;
#endif
    default:
        convertPortable(pixels, bottomUp, grey);
        return;
    }
}

} // namespace

void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey, SimdPath path) {
    if (!runsOn(path))
        throw std::invalid_argument(std::string("this processor cannot run the ") +
                                    simdPathName(path) + " grey conversion");
    convertOn(path, pixels, bottomUp, grey);
}

void convertToGrey(FramePixels pixels, bool bottomUp, Frame& grey) {
    static const SimdPath fastest = fastestSimdPath();
    convertOn(fastest, pixels, bottomUp, grey);
}

} // namespace vireo
