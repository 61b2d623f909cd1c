#pragma once

#include "bmp_builder.h"

#include <cstdint>

namespace vireo::testing {

// A seeded random frame, the same for a seed on every machine. The seed also picks its kind:
// noise over the whole grey range, faint noise around mid grey, a path band between random
// columns with noise, a path that drifts sideways down the picture, and bands crossed by
// horizontal stripes, so that edges fall on, beside and away from the search start.
PixelSource randomFrame(std::uint64_t seed);

} // namespace vireo::testing
