#include "app/cli/cli_options.h"

#include "app/cli/threshold_list.h"
#include "errors/decimal.h"
#include "errors/reason_text.h"
#include "tracker/frame_loop.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <tuple>

namespace vireo {

namespace {

const char* const kDescription =
    "Finds the centre of the path in stored camera frames picN.bmp (uncompressed\n"
    "24-bit, 160 x 120) the way the Vireo window does: for each frame it resets the\n"
    "scan rows to column 80, loads the frame, computes the Sobel edge map at the\n"
    "threshold and runs \"Find Center\" the given number of times, each run starting\n"
    "from the centres the run before it found. One record per run goes to standard\n"
    "output, errors go to standard error. Given several thresholds it does this for\n"
    "each of them, frame by frame; --summary prints one line per threshold instead.";

const char* const kFooter =
    "Columns (CSV header line, or the keys of each JSON Lines object):\n"
    "  frame        frame number N of picN.bmp\n"
    "  threshold    edge threshold used\n"
    "  run          run of \"Find Center\" on the frame, counted from 1\n"
    "  center40     centre column of the path on scan row 40 after the run\n"
    "  center60     centre column on scan row 60\n"
    "  center80     centre column on scan row 80\n"
    "  forecast     center40 - center60, the window's Forecast\n"
    "  line_top     column of the fitted red line on row 40 (unrounded)\n"
    "  line_bottom  column of the fitted red line on row 80 (unrounded)\n"
    "JSON Lines records also have support40, support60 and support80: how many of\n"
    "the scan row's 21 band rows have an edge on both sides of the run's start.\n"
    "\n"
    "Summary columns (--summary), one line per threshold over the frames taken:\n"
    "  threshold    edge threshold\n"
    "  frames       frames loaded\n"
    "  failed       frames that could not be loaded\n"
    "  tracked      frames whose last run held every scan row (11 of 21 rows)\n"
    "  jitter       median change of the forecast between consecutive frames\n"
    "  edge_share   share of edge pixels in rows 30..90, 0 to 1\n"
    "  clamped      centres that ended at column 15 or 145\n"
    "With marks (--marks, or the folder's vireo-marks.csv), three more columns:\n"
    "  marked       marked (frame, scan row) pairs whose frame loaded\n"
    "  error        mean distance in columns between the last run's centre and the\n"
    "               mark over those pairs; empty (JSON null) when there are none\n"
    "  suggested    1 on the threshold with the lowest error (the middle of the\n"
    "               longest run of thresholds that share it), 0 on the others\n"
    "\n"
    "Exit status:\n"
    "  0  every frame was processed\n"
    "  1  a frame failed, the folder holds no frames or the marks cannot be read\n"
    "  2  usage error";

// CLI11's layout with two changes: the usage line comes before the description, and an option's
// help is wrapped at word ends so that no line is longer than 79 columns.
class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter() {
        column_width(kColumnWidth);
        label("Positionals", "Arguments");
    }

    std::string make_usage(const CLI::App* app, std::string name) const override {
        return Formatter::make_usage(app, std::move(name)) + Formatter::make_description(app);
    }
    std::string make_description(const CLI::App*) const override { return {}; }

    std::string make_option_desc(const CLI::Option* option) const override {
        const std::string& text = option->get_description();
        std::string wrapped;
        std::size_t lineLength = 0;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find(' ', start), text.size());
            const std::size_t length = end - start;
            if (lineLength > 0 && kColumnWidth + lineLength + 1 + length > kLineWidth) {
                wrapped.push_back('\n');
                lineLength = 0;
            } else if (lineLength > 0) {
                wrapped.push_back(' ');
                ++lineLength;
            }
            wrapped.append(text, start, length);
            lineLength += length;
            start = end + 1;
        }
        return wrapped;
    }

private:
    static constexpr std::size_t kColumnWidth = 22;
    static constexpr std::size_t kLineWidth = 79;
};

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
    app.formatter(std::make_shared<HelpFormatter>());
    app.footer(kFooter);
    app.set_help_flag();
    app.allow_extras(); // unknown options are reported below, in our words
    // A repeated option takes its last value.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    std::string folder;
    std::string threshold;
    std::string runs;
    std::string format;
    std::string jobs;
    bool summary = false;
    std::string edgesDir;
    std::string renderDir;
    std::string marksFile;
    bool help = false;
    bool version = false;
    std::vector<std::string> frameArguments;
    app.add_option("-d,--dir", folder, "Folder of the frames (default: the current directory).")
        ->type_name("DIR");
    auto* thresholdOption =
        app.add_option("-t,--threshold", threshold,
                       "Edge threshold 0..255, or a list of thresholds and ranges such as "
                       "80-120 or 40-60,100; higher marks more edges (default 100).")
            ->type_name("T");
    auto* runsOption =
        app.add_option("-r,--runs", runs, "\"Find Center\" runs per frame, 1..1000 (default 1).")
            ->type_name("K");
    auto* formatOption =
        app.add_option("-f,--format", format,
                       "Record format: csv (default) or jsonl (one JSON object per line).")
            ->type_name("FMT");
    app.add_flag("-s,--summary", summary,
                 "Print one summary line per threshold instead of the records.");
    auto* jobsOption =
        app.add_option("-j,--jobs", jobs,
                       "Frames processed at once, 1..256 (default: one per processor core); "
                       "the output is the same for any number.")
            ->type_name("N");
    auto* edgesOption = app.add_option("--edges-dir", edgesDir,
                                       "Also write each frame's edge map as OUT/edgesN.pgm (0 "
                                       "edge, 255 background).")
                            ->type_name("OUT");
    auto* renderOption =
        app.add_option("--render-dir", renderDir,
                       "Also write each frame's edge picture with the overlay of the last run, "
                       "as the window shows it (161 x 121), as OUT/vireoN.png.")
            ->type_name("OUT");
    auto* marksOption =
        app.add_option("--marks", marksFile,
                       "Marks of where the path really is (frame,row,column) for the summary's "
                       "marked, error and suggested columns (default: the folder's "
                       "vireo-marks.csv when it exists).")
            ->type_name("FILE");
    app.add_flag("-h,--help", help, "Show this help and exit.");
    app.add_flag("-v,-V,--version", version, "Show the version and exit.");
    app.add_option("FRAMES", frameArguments,
                   "Frame numbers N (file picN.bmp) or inclusive ranges A-B, processed in the "
                   "order given, e.g. 3 7 9-11 (default: every picN.bmp of the folder, "
                   "ascending).")
        ->type_name("");

    CommandLine result;
    result.help = app.help();
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
        auto thresholds = parseThresholdList(threshold);
        if (!thresholds)
            return usageError(thresholds.error());
        options.thresholds = std::move(*thresholds);
    }
    if (*runsOption) {
        const auto value = boundedNumber("runs", runs, 1, kMaxRuns);
        if (!value)
            return usageError(value.error());
        options.runs = *value;
    }
    if (*jobsOption) {
        const auto value = boundedNumber("jobs", jobs, 1, 256);
        if (!value)
            return usageError(value.error());
        options.jobs = *value;
    }
    options.summary = summary;
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
    if (*marksOption) {
        if (marksFile.empty())
            return usageReason("--marks needs a file name");
        options.marksFile = std::filesystem::path(marksFile);
    }

    auto frames = parseFrameList(frameArguments);
    if (!frames)
        return usageError(frames.error());
    options.frames = std::move(*frames);
    return result;
}

} // namespace vireo
