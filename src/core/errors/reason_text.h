#pragma once

#include <cctype>
#include <string>

namespace vireo {

// A system error text ("No such file or directory") in the lower-case form our messages use.
inline std::string reasonText(std::string text) {
    if (!text.empty())
        text.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(text.front())));
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace vireo
