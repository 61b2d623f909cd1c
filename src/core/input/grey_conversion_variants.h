#pragma once

// The instruction-set variants of the grey conversion, for grey_conversion.cpp to choose from.
// Each writes exactly what the portable conversion writes; call one only where runsOn() says the
// processor has its instruction set.

#include "input/grey_conversion.h"

namespace vireo::grey_variants {

using StoredRow = std::span<const std::uint8_t, kFrameRowBytes>;

inline StoredRow storedRow(FramePixels pixels, int stored) {
    return pixels.subspan(kFrameRowBytes * static_cast<std::size_t>(stored))
        .first<kFrameRowBytes>();
}

// (sum * kThirdOf65536) >> 16 equals sum / 3 for every sum up to 767, so the vector variants
// divide with one high multiply.
inline constexpr short kThirdOf65536 = 21846;

#if defined(__x86_64__) || defined(__i386__)
void convertSsse3(FramePixels pixels, bool bottomUp, Frame& grey, PictureRows rows);
void convertAvx2(FramePixels pixels, bool bottomUp, Frame& grey, PictureRows rows);
#endif

} // namespace vireo::grey_variants
