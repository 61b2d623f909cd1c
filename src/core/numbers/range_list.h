#pragma once

#include "errors/error.h"

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vireo {

// The numbers a list item may take, inclusive.
struct NumberBounds {
    long long lowest = 0;
    long long highest = 0;
};

// What is wrong with a typed number, range or list, for the caller to word as its users know it.
struct RangeFault {
    enum class Kind {
        NotANumber, // not decimal digits alone: "x", "+3", "3.0", ""
        OutOfRange, // decimal digits, but outside the bounds
        NotARange,  // has a dash but is not two numbers A-B: "3-", "-5", "1-2-3"
        Backwards,  // A-B with A above B
        EmptyItem,  // an empty item of a comma-separated list: "1,,2"
    };
    Kind kind = Kind::NotANumber;
    std::string text; // the number when OutOfRange, the whole list when EmptyItem, else the item
};

// An inclusive run of numbers, first <= last.
struct NumberRange {
    long long first = 0;
    long long last = 0;
};

template <typename T> using Parsed = std::variant<T, RangeFault>;

// `text` as a number within `bounds`: decimal digits only, no sign or blanks.
Parsed<long long> parseBoundedNumber(std::string_view text, NumberBounds bounds);

// Items each a number N or an inclusive range A-B within `bounds`, kept in the order given. The
// first bad item gives the fault; a range with a number out of bounds is OutOfRange before it is
// anything else.
Parsed<std::vector<NumberRange>> parseRangeList(std::span<const std::string> items,
                                                NumberBounds bounds);
// The same for one comma-separated list ("40-60,100").
Parsed<std::vector<NumberRange>> parseRangeList(std::string_view list, NumberBounds bounds);

// The fault in the words of an option's value named `what`: "runs 0 is out of range 1..1000",
// "threshold \"x\" is not a whole number 0..255" (also for a malformed range, quoting it as
// typed), "threshold range 90-80 runs backwards", "threshold list \"1,,2\" has an empty item".
Error optionValueError(const RangeFault& fault, std::string_view what, NumberBounds bounds);

} // namespace vireo
