#include "input/frame_list.h"

#include "errors/reason_text.h"
#include "numbers/range_list.h"

#include <algorithm>
#include <system_error>

namespace vireo {

namespace {

Error frameListError(const RangeFault& fault) {
    switch (fault.kind) {
    case RangeFault::Kind::OutOfRange:
        return {{},
                "frame " + fault.text + " is too large, the largest is " +
                    std::to_string(kLargestFrameNumber)};
    case RangeFault::Kind::NotARange:
        return {{}, "frame range \"" + fault.text + "\" is not of the form A-B"};
    case RangeFault::Kind::Backwards:
        return {{}, "frame range " + fault.text + " runs backwards"};
    case RangeFault::Kind::NotANumber:
    case RangeFault::Kind::EmptyItem:
        break;
    }
    return {{}, "frame \"" + fault.text + "\" is neither a number N nor a range A-B"};
}

} // namespace

long long frameCount(const FrameList& frames) {
    long long count = 0;
    for (const FrameRange& range : frames)
        count += static_cast<long long>(range.last) - range.first + 1;
    return count;
}

Expected<FrameList> parseFrameList(const std::vector<std::string>& arguments) {
    const auto ranges = parseRangeList(arguments, {0, kLargestFrameNumber});
    if (const auto* fault = std::get_if<RangeFault>(&ranges))
        return frameListError(*fault);
    FrameList frames;
    for (const NumberRange& range : std::get<std::vector<NumberRange>>(ranges))
        frames.push_back({static_cast<int>(range.first), static_cast<int>(range.last)});
    return frames;
}

FramePlan planFrames(const FrameList& requested, const FrameList& existing) {
    FramePlan plan;
    long long presentFrames = 0;
    const auto add = [&](long long first, long long last, bool hasFiles) {
        if (!hasFiles && last > first) {
            plan.missing.push_back(
                {presentFrames, {static_cast<int>(first), static_cast<int>(last)}});
            return;
        }
        plan.present.push_back({static_cast<int>(first), static_cast<int>(last)});
        presentFrames += last - first + 1;
    };
    for (const FrameRange& range : requested) {
        // Counted in long long: the range may end at the largest int.
        for (long long frame = range.first; frame <= range.last;) {
            const auto next = std::lower_bound(
                existing.begin(), existing.end(), frame,
                [](const FrameRange& files, long long number) { return files.last < number; });
            const bool hasFile = next != existing.end() && next->first <= frame;
            const long long end =
                hasFile ? next->last
                        : (next == existing.end() ? kLargestFrameNumber : next->first - 1LL);
            const long long last = std::min<long long>(end, range.last);
            add(frame, last, hasFile);
            frame = last + 1;
        }
    }
    return plan;
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
    const auto number = parseBoundedNumber(digits, {0, kLargestFrameNumber});
    if (number.index() != 0)
        return std::nullopt;
    return static_cast<int>(std::get<long long>(number));
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
