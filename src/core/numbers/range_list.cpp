#include "numbers/range_list.h"

#include "errors/decimal.h"

#include <algorithm>

namespace vireo {

Parsed<long long> parseBoundedNumber(std::string_view text, NumberBounds bounds) {
    const bool digitsOnly =
        !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digitsOnly)
        return RangeFault{RangeFault::Kind::NotANumber, std::string(text)};
    // Digits that overflow a long long lie above any bound.
    const std::optional<long long> value = parseDecimal(text);
    if (!value || *value < bounds.lowest || *value > bounds.highest)
        return RangeFault{RangeFault::Kind::OutOfRange, std::string(text)};
    return *value;
}

Parsed<std::vector<NumberRange>> parseRangeList(std::span<const std::string> items,
                                                NumberBounds bounds) {
    std::vector<NumberRange> ranges;
    for (const std::string& item : items) {
        const std::size_t dash = item.find('-');
        if (dash == std::string::npos) {
            const Parsed<long long> number = parseBoundedNumber(item, bounds);
            if (const auto* fault = std::get_if<RangeFault>(&number))
                return *fault;
            ranges.push_back({std::get<long long>(number), std::get<long long>(number)});
            continue;
        }
        const std::string_view text(item);
        const Parsed<long long> first = parseBoundedNumber(text.substr(0, dash), bounds);
        const Parsed<long long> last = parseBoundedNumber(text.substr(dash + 1), bounds);
        for (const Parsed<long long>* end : {&first, &last}) {
            const auto* fault = std::get_if<RangeFault>(end);
            if (fault && fault->kind == RangeFault::Kind::OutOfRange)
                return *fault;
        }
        if (first.index() != 0 || last.index() != 0)
            return RangeFault{RangeFault::Kind::NotARange, item};
        if (std::get<long long>(first) > std::get<long long>(last))
            return RangeFault{RangeFault::Kind::Backwards, item};
        ranges.push_back({std::get<long long>(first), std::get<long long>(last)});
    }
    return ranges;
}

Parsed<std::vector<NumberRange>> parseRangeList(std::string_view list, NumberBounds bounds) {
    std::vector<std::string> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        items.emplace_back(list.substr(start, comma - start));
        if (comma == list.size())
            break;
        start = comma + 1;
    }
    if (items.size() > 1 && std::ranges::any_of(items, &std::string::empty))
        return RangeFault{RangeFault::Kind::EmptyItem, std::string(list)};
    return parseRangeList(items, bounds);
}

Error optionValueError(const RangeFault& fault, std::string_view what, NumberBounds bounds) {
    const std::string name(what);
    const std::string range = std::to_string(bounds.lowest) + ".." + std::to_string(bounds.highest);
    switch (fault.kind) {
    case RangeFault::Kind::OutOfRange:
        return {{}, name + " " + fault.text + " is out of range " + range};
    case RangeFault::Kind::Backwards:
        return {{}, name + " range " + fault.text + " runs backwards"};
    case RangeFault::Kind::EmptyItem:
        return {{}, name + " list \"" + fault.text + "\" has an empty item"};
    case RangeFault::Kind::NotANumber:
    case RangeFault::Kind::NotARange:
        break;
    }
    return {{}, name + " \"" + fault.text + "\" is not a whole number " + range};
}

} // namespace vireo
