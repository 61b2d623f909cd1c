// The grey conversion with AVX2.

#include "input/grey_conversion_variants.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace vireo::grey_variants {

namespace {

constexpr int kWidth = Frame::kPictureWidth;

// The SSSE3 conversion in 32-byte vectors, whose two 16-byte halves are shuffled separately. Each
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

} // namespace

__attribute__((target("avx2"))) void convertAvx2(FramePixels pixels, bool bottomUp, Frame& grey,
                                                 PictureRows rows) {
    for (int y = rows.first; y <= rows.last; ++y)
        convertRowAvx2(storedRow(pixels, storedRowOfPicture(bottomUp, y)), grey.row(y));
}

} // namespace vireo::grey_variants

#endif
