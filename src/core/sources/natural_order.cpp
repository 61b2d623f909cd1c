#include "sources/natural_order.h"

#include <algorithm>

namespace vireo {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool comesBeforeNaturally(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (!isDigit(a[i]) || !isDigit(b[j])) {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
            continue;
        }
        // Two runs of digits: the values compare by their length without leading zeros, then
        // digit by digit; equal values by the length of the runs.
        const std::size_t runA = std::min(a.find_first_not_of("0123456789", i), a.size()) - i;
        const std::size_t runB = std::min(b.find_first_not_of("0123456789", j), b.size()) - j;
        const std::string_view digitsA = a.substr(i, runA);
        const std::string_view digitsB = b.substr(j, runB);
        const std::string_view valueA =
            digitsA.substr(std::min(digitsA.find_first_not_of('0'), digitsA.size()));
        const std::string_view valueB =
            digitsB.substr(std::min(digitsB.find_first_not_of('0'), digitsB.size()));
        if (valueA.size() != valueB.size())
            return valueA.size() < valueB.size();
        if (valueA != valueB)
            return valueA < valueB;
        if (runA != runB)
            return runA < runB;
        i += runA;
        j += runB;
    }
    return a.size() - i < b.size() - j;
}

} // namespace vireo
