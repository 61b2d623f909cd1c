#include "input/frame_list.h"

#include "errors/decimal.h"
#include "errors/reason_text.h"

#include <algorithm>
#include <system_error>

namespace vireo {

namespace {

std::optional<int> frameNumber(std::string_view text) {
    const auto value = parseDecimal(text);
    if (!value || *value > kLargestFrameNumber)
        return std::nullopt;
    return static_cast<int>(*value);
}

// Digits only, but more than a frame number can be.
bool isTooLarge(std::string_view text) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit) && !frameNumber(text);
}

Error tooLarge(std::string_view text) {
    return {{},
            "frame " + std::string(text) + " is too large, the largest is " +
                std::to_string(kLargestFrameNumber)};
}

} // namespace

long long frameCount(const FrameList& frames) {
    long long count = 0;
    for (const FrameRange& range : frames)
        count += static_cast<long long>(range.last) - range.first + 1;
    return count;
}

Expected<FrameList> parseFrameList(const std::vector<std::string>& arguments) {
    FrameList frames;
    for (const std::string& argument : arguments) {
        const std::string_view text(argument);
        const auto dash = text.find('-');
        if (dash == std::string_view::npos) {
            const auto number = frameNumber(text);
            if (!number && isTooLarge(text))
                return tooLarge(text);
            if (!number)
                return Error{{},
                             "frame \"" + argument + "\" is neither a number N nor a range A-B"};
            frames.push_back({*number, *number});
            continue;
        }
        const auto firstText = text.substr(0, dash);
        const auto lastText = text.substr(dash + 1);
        const auto first = frameNumber(firstText);
        const auto last = frameNumber(lastText);
        if (!first && isTooLarge(firstText))
            return tooLarge(firstText);
        if (!last && isTooLarge(lastText))
            return tooLarge(lastText);
        if (!first || !last)
            return Error{{}, "frame range \"" + argument + "\" is not of the form A-B"};
        if (*first > *last)
            return Error{{}, "frame range " + argument + " runs backwards"};
        frames.push_back({*first, *last});
    }
    return frames;
}

std::optional<int> frameNumberOfFileName(std::string_view name) {
    constexpr std::string_view prefix = "pic";
    constexpr std::string_view suffix = ".bmp";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return std::nullopt;
    const auto digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 1 && digits.front() == '0')
        return std::nullopt;
    return frameNumber(digits);
}

Expected<FrameList> findFrames(const std::filesystem::path& folder) {
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    const auto unreadable = [&where](const std::error_code& error) {
        return Error{{},
                     "cannot read folder " + where.string() + ": " + reasonText(error.message())};
    };
    std::error_code error;
    std::filesystem::directory_iterator entry(where, error);
    if (error)
        return unreadable(error);

    std::vector<int> numbers;
    for (; entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        if (const auto number = frameNumberOfFileName(entry->path().filename().native()))
            numbers.push_back(*number);
    }
    if (error)
        return unreadable(error);
    std::sort(numbers.begin(), numbers.end());

    FrameList frames;
    for (const int number : numbers) {
        if (!frames.empty() && frames.back().last + 1 == number)
            frames.back().last = number;
        else
            frames.push_back({number, number});
    }
    return frames;
}

} // namespace vireo
