#pragma once

#include <string_view>

namespace vireo {

// Whether `a` comes before `b` in the natural order of names: runs of digits compare as numbers
// ("IMG_2.jpg" before "IMG_10.jpg"; with equal values the shorter run first, "7" before "007"),
// everything else byte by byte.
bool comesBeforeNaturally(std::string_view a, std::string_view b);

} // namespace vireo
