#include "app/cli/cli_options.h"

#include "text/decimal.h"
#include "text/reason_text.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <tuple>

namespace vireo {

namespace {

const char* const kDescription =
    "Finds the centre of the path in stored camera frames picN.bmp (uncompressed\n"
    "24-bit, 160 x 120) the way the Vireo window does: for each frame it resets the\n"
    "scan rows to column 80, loads the frame, computes the Sobel edge map at the\n"
    "threshold and runs \"Find Center\" the given number of times, each run starting\n"
    "from the centres the run before it found. One record per run goes to standard\n"
    "output, errors go to standard error. Exit status: 0 when every frame was\n"
    "processed, 1 when a frame failed or none was found, 2 for a usage error.";

const char* const kUsageLine = "Usage: vireo-cli [options] [FRAMES...]";

const char* const kColumns =
    "Columns (CSV header line, or the keys of each JSON Lines object):\n"
    "  frame        frame number N of picN.bmp\n"
    "  threshold    edge threshold used\n"
    "  run          run of \"Find Center\" on the frame, counted from 1\n"
    "  center40     centre column of the path on scan row 40 after the run\n"
    "  center60     centre column on scan row 60\n"
    "  center80     centre column on scan row 80\n"
    "  forecast     center40 - center60, the window's difference label\n"
    "  line_top     column of the fitted red line on row 40 (unrounded)\n"
    "  line_bottom  column of the fitted red line on row 80 (unrounded)\n";

constexpr std::size_t kLineWidth = 79;

// "-t, --threshold <T>": every name of the option and its value.
std::string optionNames(const CLI::Option& option) {
    std::string names;
    const auto add = [&names](const char* dashes, const std::string& name) {
        names.append(names.empty() ? "" : ", ").append(dashes).append(name);
    };
    for (const auto& name : option.get_snames())
        add("-", name);
    for (const auto& name : option.get_lnames())
        add("--", name);
    if (option.get_positional())
        names = option.get_name();
    else if (!option.get_type_name().empty())
        names.append(" <").append(option.get_type_name()).append(">");
    return names;
}

// One entry of the help: the names, then the help text from `column` on, wrapped at word ends so
// that no line is longer than kLineWidth.
void appendEntry(std::string& out, const std::string& names, std::size_t column,
                 const std::string& text) {
    std::string line = "  " + names;
    line.resize(std::max(column, line.size() + 2), ' ');
    bool hasWords = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::size_t length = end - start;
        if (hasWords && line.size() + 1 + length > kLineWidth) {
            out.append(line).push_back('\n');
            line.assign(column, ' ');
            hasWords = false;
        }
        if (hasWords)
            line.push_back(' ');
        line.append(text, start, length);
        hasWords = true;
        start = end + 1;
    }
    out.append(line).push_back('\n');
}

// The usage line, the description, then the options and the arguments with their help.
std::string helpText(const CLI::App& app) {
    const auto all = app.get_options();
    std::size_t column = 0;
    for (const CLI::Option* option : all)
        column = std::max(column, optionNames(*option).size() + 4);

    std::string text = std::string(kUsageLine) + "\n" + kDescription + "\n\nOptions:\n";
    for (const CLI::Option* option : all)
        if (!option->get_positional())
            appendEntry(text, optionNames(*option), column, option->get_description());
    text += "\nArguments:\n";
    for (const CLI::Option* option : all)
        if (option->get_positional())
            appendEntry(text, optionNames(*option), column, option->get_description());
    return text;
}

// "--render-dir=" is an empty folder name, as with a separate "". CLI11 would instead take the
// next argument as the value, so the empty value is made a separate argument up front.
std::vector<std::string> reversedForParser(const std::vector<std::string>& arguments) {
    std::vector<std::string> split;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            split.insert(split.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i),
                         arguments.end());
            break;
        }
        if (argument.size() > 3 && argument.starts_with("--") && argument.back() == '=' &&
            argument.find('=') == argument.size() - 1) {
            split.push_back(argument.substr(0, argument.size() - 1));
            split.emplace_back();
            continue;
        }
        split.push_back(argument);
    }
    // CLI11 takes the arguments last first.
    return {split.rbegin(), split.rend()};
}

// "unknown option 'frames'" for "--frames=3", "unknown option 'x'" for "-xyz".
std::string unknownOption(const std::string& argument) {
    const std::string name = argument.starts_with("--") ? argument.substr(2, argument.find('=') - 2)
                                                        : argument.substr(1, 1);
    return "unknown option '" + name + "'";
}

Expected<int> boundedNumber(const char* what, const std::string& given, int lowest, int highest) {
    const auto range = std::to_string(lowest) + ".." + std::to_string(highest);
    const auto value = parseDecimal(given);
    const Error outOfRange{{}, std::string(what) + " " + given + " is out of range " + range};
    if (!value && !given.empty() && given.find_first_not_of("0123456789") == std::string::npos)
        return outOfRange;
    if (!value)
        return Error{{}, std::string(what) + " \"" + given + "\" is not a whole number " + range};
    if (*value < lowest || *value > highest)
        return outOfRange;
    return static_cast<int>(*value);
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app(kDescription, "vireo-cli");
    app.set_help_flag();
    app.allow_extras(); // unknown options are reported below, in our words
    // A repeated option takes its last value.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    std::string folder;
    std::string threshold;
    std::string runs;
    std::string format;
    std::string edgesDir;
    std::string renderDir;
    bool help = false;
    bool version = false;
    std::vector<std::string> frameArguments;
    app.add_option("-d,--dir", folder, "Folder of the frames (default: the current directory).")
        ->type_name("DIR");
    auto* thresholdOption =
        app.add_option("-t,--threshold", threshold,
                       "Edge threshold 0..255; higher marks more edges (default 100).")
            ->type_name("T");
    auto* runsOption =
        app.add_option("-r,--runs", runs, "\"Find Center\" runs per frame, 1..1000 (default 1).")
            ->type_name("K");
    auto* formatOption =
        app.add_option("-f,--format", format,
                       "Record format: csv (default) or jsonl (one JSON object per line).")
            ->type_name("FMT");
    auto* edgesOption = app.add_option("--edges-dir", edgesDir,
                                       "Also write each frame's edge map as OUT/edgesN.pgm (0 "
                                       "edge, 255 background).")
                            ->type_name("OUT");
    auto* renderOption =
        app.add_option("--render-dir", renderDir,
                       "Also write each frame's edge picture with the overlay of the last run, "
                       "as the window shows it (161 x 121), as OUT/vireoN.png.")
            ->type_name("OUT");
    app.add_flag("-h,--help", help, "Show this help and exit.");
    app.add_flag("--version", version, "Show the version and exit.");
    app.add_option("FRAMES", frameArguments,
                   "Frame numbers N (file picN.bmp) or inclusive ranges A-B, processed in the "
                   "order given, e.g. 3 7 9-11 (default: every picN.bmp of the folder, "
                   "ascending).");

    CommandLine result;
    result.usage = helpText(app);
    result.columnHelp = kColumns;
    const auto usageError = [&result](Error error) {
        result.action = CommandLine::Action::UsageError;
        result.error = std::move(error);
        return result;
    };
    const auto usageReason = [&usageError](std::string reason) {
        return usageError(Error{{}, std::move(reason)});
    };

    try {
        app.parse(reversedForParser(arguments));
    } catch (const CLI::ArgumentMismatch&) {
        // Only raised when the arguments end before an option's value.
        return usageReason("missing value after '" + arguments.back() + "'");
    } catch (const CLI::ParseError& error) {
        return usageReason(reasonText(error.what()));
    }
    for (const std::string& extra : app.remaining())
        if (extra != "--")
            return usageReason(unknownOption(extra));
    if (help) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (version) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }

    CliOptions& options = result.options;
    options.folder = folder;
    if (*thresholdOption) {
        const auto value = boundedNumber("threshold", threshold, 0, 255);
        if (!value)
            return usageError(value.error());
        options.threshold = *value;
    }
    if (*runsOption) {
        const auto value = boundedNumber("runs", runs, 1, 1000);
        if (!value)
            return usageError(value.error());
        options.runs = *value;
    }
    if (*formatOption) {
        if (format == "csv")
            options.format = RecordFormat::Csv;
        else if (format == "jsonl")
            options.format = RecordFormat::Jsonl;
        else
            return usageReason("format \"" + format + "\" is neither csv nor jsonl");
    }
    for (auto [option, name, target] : {std::tuple{edgesOption, &edgesDir, &options.edgesDir},
                                        std::tuple{renderOption, &renderDir, &options.renderDir}}) {
        if (!*option)
            continue;
        if (name->empty())
            return usageReason(option->get_name() + " needs a folder name");
        *target = std::filesystem::path(*name);
    }

    auto frames = parseFrameList(frameArguments);
    if (!frames)
        return usageError(frames.error());
    options.frames = std::move(*frames);
    return result;
}

} // namespace vireo
