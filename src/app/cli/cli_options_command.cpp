// The command line that repeats a run: the way back from CliOptions to arguments.
#include "app/cli/cli_options.h"

#include <string_view>

namespace vireo {

namespace {

// "40-60,100" for the thresholds 40..60 and 100.
std::string thresholdList(const std::vector<int>& thresholds) {
    std::string list;
    for (std::size_t first = 0; first < thresholds.size();) {
        std::size_t last = first;
        while (last + 1 < thresholds.size() && thresholds[last + 1] == thresholds[last] + 1)
            ++last;
        if (!list.empty())
            list += ',';
        list += std::to_string(thresholds[first]);
        if (last > first)
            list.append(1, '-').append(std::to_string(thresholds[last]));
        first = last + 1;
    }
    return list;
}

// `word` as one word for a POSIX shell: as it is when the shell leaves each of its characters
// alone, else in single quotes, each quote in it written '\''.
std::string shellWord(const std::string& word) {
    constexpr std::string_view plain = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                       "0123456789@%_+=:,./-";
    if (!word.empty() && word.find_first_not_of(plain) == std::string::npos)
        return word;
    std::string quoted = "'";
    for (const char c : word)
        quoted.append(c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1));
    return quoted + "'";
}

} // namespace

std::vector<std::string> commandArguments(const CliOptions& options) {
    std::vector<std::string> arguments;
    if (!options.folder.empty())
        arguments.insert(arguments.end(), {"--input", options.folder.native()});
    if (options.conversion.fit == Fit::Crop)
        arguments.insert(arguments.end(), {std::string("--fit"), std::string("crop")});
    if (const auto& rate = options.conversion.fps) {
        std::string fps = std::to_string(rate->numerator);
        if (rate->denominator != 1)
            fps.append(1, '/').append(std::to_string(rate->denominator));
        arguments.insert(arguments.end(), {std::string("--fps"), std::move(fps)});
    }
    arguments.insert(arguments.end(), {"-t", thresholdList(options.thresholds)});
    arguments.insert(arguments.end(), {"-r", std::to_string(options.runs)});
    if (options.summary)
        arguments.emplace_back("--summary");
    if (options.jobs > 0)
        arguments.insert(arguments.end(), {"-j", std::to_string(options.jobs)});
    if (options.format == RecordFormat::Jsonl)
        arguments.insert(arguments.end(), {std::string("-f"), std::string("jsonl")});
    for (const PathOption& option : kPathOptions)
        if (const auto& path = options.*option.target)
            arguments.insert(arguments.end(), {std::string(option.name), path->native()});
    if (options.frameLimit)
        arguments.insert(arguments.end(), {"--frames", std::to_string(*options.frameLimit)});
    if (options.carry)
        arguments.emplace_back("--carry");
    for (const FrameRange& range : options.frames) {
        std::string frames = std::to_string(range.first);
        if (range.last != range.first)
            frames.append(1, '-').append(std::to_string(range.last));
        arguments.push_back(std::move(frames));
    }
    return arguments;
}

std::string shellCommand(const CliOptions& options) {
    std::string command = "vireo-cli";
    for (const std::string& argument : commandArguments(options))
        command.append(1, ' ').append(shellWord(argument));
    return command;
}

} // namespace vireo
