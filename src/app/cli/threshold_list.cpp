#include "app/cli/threshold_list.h"

#include "edges/sobel.h"
#include "errors/decimal.h"

#include <algorithm>
#include <array>
#include <string>

namespace vireo {

namespace {

constexpr int kHighest = kMaxThreshold;

Expected<int> threshold(std::string_view text) {
    const std::string range = "0.." + std::to_string(kHighest);
    const auto value = parseDecimal(text);
    const bool digitsOnly =
        !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    if (!value && !digitsOnly)
        return Error{{}, "threshold \"" + std::string(text) + "\" is not a whole number " + range};
    if (!value || *value > kHighest)
        return Error{{}, "threshold " + std::string(text) + " is out of range " + range};
    return static_cast<int>(*value);
}

} // namespace

Expected<std::vector<int>> parseThresholdList(std::string_view text) {
    std::array<bool, kHighest + 1> chosen{};
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        if (item.empty() && text.find(',') != std::string_view::npos)
            return Error{{}, "threshold list \"" + std::string(text) + "\" has an empty item"};
        // A dash with digits on both sides makes a range; "-5" stays one (bad) number.
        const std::size_t dash = item.find('-');
        if (dash != std::string_view::npos && dash > 0 && dash + 1 < item.size()) {
            const auto first = threshold(item.substr(0, dash));
            if (!first)
                return first.error();
            const auto last = threshold(item.substr(dash + 1));
            if (!last)
                return last.error();
            if (*first > *last)
                return Error{{}, "threshold range " + std::string(item) + " runs backwards"};
            std::fill(chosen.begin() + *first, chosen.begin() + *last + 1, true);
        } else {
            const auto value = threshold(item);
            if (!value)
                return value.error();
            chosen[static_cast<std::size_t>(*value)] = true;
        }
        if (comma == text.size())
            break;
        start = comma + 1;
    }
    std::vector<int> thresholds;
    for (int t = 0; t <= kHighest; ++t)
        if (chosen[static_cast<std::size_t>(t)])
            thresholds.push_back(t);
    return thresholds;
}

} // namespace vireo
