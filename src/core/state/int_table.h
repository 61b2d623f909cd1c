#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vireo {

// A fixed two-dimensional table of 16-bit integers, first index 0..kFirst-1, second index
// 0..kSecond-1, zero-filled on construction. The first index varies fastest in storage: cell
// (a, b) lies at a + kFirst * b. Every access is bounds-checked.
template <int kFirst, int kSecond> class IntTable {
public:
    std::int16_t at(int a, int b) const { return cells_[checkedIndex(a, b)]; }
    std::int16_t& at(int a, int b) { return cells_[checkedIndex(a, b)]; }

    friend bool operator==(const IntTable&, const IntTable&) = default;

private:
    static std::size_t checkedIndex(int a, int b) {
        if (a < 0 || a >= kFirst || b < 0 || b >= kSecond)
            throw std::out_of_range("table cell (" + std::to_string(a) + ", " + std::to_string(b) +
                                    ") is outside 0.." + std::to_string(kFirst - 1) + " x 0.." +
                                    std::to_string(kSecond - 1));
        return static_cast<std::size_t>(a) + static_cast<std::size_t>(kFirst) * b;
    }

    std::array<std::int16_t, kFirst * kSecond> cells_{};
};

// A 3 x 3 convolution kernel held at (row offset + 2, column offset + 2); cells with an index 0
// are never written or read.
using Kernel = IntTable<4, 4>;

// The scan-row table: (n, 0) is the row of scan entry n, (n, 1) its current centre column.
// Only entries 0..2 and second indices 0..1 are written or read.
using History = IntTable<4, 3>;

} // namespace vireo
