// The grey conversion with SSSE3 byte shuffles, which gather each pixel's bytes directly.

#include "input/grey_conversion_variants.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace vireo::grey_variants {

namespace {

constexpr int kWidth = Frame::kPictureWidth;

// Eight pixels are 24 bytes, read as two overlapping 16-byte loads at byte 0 and byte 8. One
// shuffle per load puts blue and green of four pixels side by side and red beside a zero;
// multiply-adding adjacent bytes by 1 then gives blue + green and red in 16-bit lanes. The sum
// plus one, at most 766, is divided by 3 as (s * 21846) >> 16, exact for every s up to 767.

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

} // namespace

__attribute__((target("ssse3"))) void convertSsse3(FramePixels pixels, bool bottomUp, Frame& grey,
                                                   PictureRows rows) {
    for (int y = rows.first; y <= rows.last; ++y)
        convertRowSsse3(storedRow(pixels, storedRowOfPicture(bottomUp, y)), grey.row(y));
}

} // namespace vireo::grey_variants

#endif
