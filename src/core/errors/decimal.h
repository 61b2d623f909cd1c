#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace vireo {

// The value of `text` when it is nothing but decimal digits (no sign, no blanks) and fits a long
// long; nullopt otherwise.
inline std::optional<long long> parseDecimal(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace vireo
