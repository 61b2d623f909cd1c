#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vireo::bench {

// The median of `values` (the mean of the middle two for an even count); NaN for none.
inline double medianOf(std::vector<double> values) {
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The value that `share` (0..1) of the values do not exceed, the nearest rank; NaN for none.
inline double percentileOf(std::vector<double> values, double share) {
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

} // namespace vireo::bench
