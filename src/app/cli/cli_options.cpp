#include "app/cli/cli_options.h"

#include "edges/sobel.h"
#include "errors/decimal.h"
#include "errors/reason_text.h"
#include "numbers/range_list.h"
#include "tracker/frame_loop.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <memory>
#include <tuple>

namespace vireo {

namespace {

const char* const kDescription =
    "Finds the centre of the path in stored camera frames (picN.bmp files, 24-bit,\n"
    "160 x 120, or the pictures of a folder or a video converted to such frames) the\n"
    "way the Vireo window does: for each frame it resets the scan rows to column 80,\n"
    "loads the frame, computes the Sobel edge map at the threshold and runs\n"
    "\"Find Center\" the given number of times, each run starting from the centres\n"
    "the run before it found. One record per run goes to standard output, errors go\n"
    "to standard error. Given several thresholds it does this for each of them,\n"
    "frame by frame; --summary prints one line per threshold instead.\n"
    "Given a live input (--input: a camera, a pipe or a stream) it does the same for\n"
    "each frame as it arrives, and can record the frames it processed (--record).\n";

const char* const kFooter =
    "Columns (CSV header line, or the keys of each JSON Lines object):\n"
    "  frame        frame number N (of picN.bmp, or counted from 0; live: of the\n"
    "               frames processed, as --record names them)\n"
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
    "  0  every frame was processed (live: the input ended, was stopped with\n"
    "     Ctrl+C or gave --frames frames)\n"
    "  1  a frame failed, the folder holds no frames, the marks cannot be read,\n"
    "     the live input cannot be opened or its recording failed\n"
    "  2  usage error";

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

constexpr NumberBounds kThresholds{0, kMaxThreshold};
constexpr NumberBounds kRuns{1, kMaxRuns};
constexpr NumberBounds kJobs{1, 256};
constexpr NumberBounds kFrameLimit{1, kLargestFrameNumber};

Expected<int> boundedOption(const char* what, const std::string& given, NumberBounds bounds) {
    const Parsed<long long> value = parseBoundedNumber(given, bounds);
    if (const auto* fault = std::get_if<RangeFault>(&value))
        return optionValueError(*fault, what, bounds);
    return static_cast<int>(std::get<long long>(value));
}

// The value of --threshold: thresholds and ranges ("80-120", "40-60,100"), each threshold once,
// ascending.
Expected<std::vector<int>> thresholdList(const std::string& given) {
    const Parsed<std::vector<NumberRange>> ranges = parseRangeList(given, kThresholds);
    if (const auto* fault = std::get_if<RangeFault>(&ranges))
        return optionValueError(*fault, "threshold", kThresholds);
    std::array<bool, kThresholds.highest + 1> chosen{};
    for (const NumberRange& range : std::get<std::vector<NumberRange>>(ranges))
        std::fill(chosen.begin() + range.first, chosen.begin() + range.last + 1, true);
    std::vector<int> thresholds;
    for (std::size_t t = 0; t < chosen.size(); ++t)
        if (chosen[t])
            thresholds.push_back(static_cast<int>(t));
    return thresholds;
}

} // namespace

Expected<FrameRate> parseFrameRate(const std::string& text) {
    const std::size_t slash = text.find('/');
    const auto numerator = parseDecimal(text.substr(0, slash));
    const auto denominator = slash == std::string::npos ? std::optional<long long>(1)
                                                        : parseDecimal(text.substr(slash + 1));
    if (!numerator || !denominator || *numerator < 1 || *denominator < 1 ||
        *numerator > 1000 * *denominator || *denominator > 1000 * *numerator)
        return Error{
            {}, "fps \"" + text + "\" is not a rate from 1/1000 to 1000, such as 10 or 30000/1001"};
    return FrameRate{static_cast<int>(*numerator), static_cast<int>(*denominator)};
}

Expected<Fit> parseFit(const std::string& text) {
    if (text != "stretch" && text != "crop")
        return Error{{}, "fit \"" + text + "\" is neither stretch nor crop"};
    return text == "crop" ? Fit::Crop : Fit::Stretch;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app(kDescription, "vireo-cli");
    app.footer(kFooter);
    app.set_help_flag();
    app.allow_extras(); // unknown options are reported below, in our words
    // A repeated option takes its last value.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    std::string folder;
    std::string fit;
    std::string fps;
    std::string threshold;
    std::string runs;
    std::string format;
    std::string jobs;
    bool summary = false;
    std::array<std::string, kPathOptions.size()> paths;
    std::string frameLimit;
    bool carry = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> frameArguments;
    app.add_option("-i,--input", folder,
                   "The recording: a folder of frames picN.bmp, a\n"
                   "folder of pictures or a video file (default: the\n"
                   "current directory); or a live input: a camera\n"
                   "(/dev/videoN), a pipe or FIFO carrying MJPEG,\n"
                   "Y4M or another stream FFmpeg reads (\"-\":\n"
                   "standard input), or a stream's URL, whose frames\n"
                   "are processed as they arrive (the newest when\n"
                   "processing falls behind) until it ends, --frames\n"
                   "are done or Ctrl+C.")
        ->type_name("PATH");
    app.add_option("-d,--dir", folder, "The same as --input.")->type_name("DIR");
    auto* fitOption = app.add_option("--fit", fit,
                                     "How pictures that are not 160 x 120 become\n"
                                     "frames: stretch (default) or crop (scaled to\n"
                                     "cover 160 x 120, cut around the middle).")
                          ->type_name("FIT");
    auto* fpsOption = app.add_option("--fps", fps,
                                     "Sample a video at R frames per second, such as\n"
                                     "10 or 30000/1001 (default: every frame).")
                          ->type_name("R");
    auto* thresholdOption = app.add_option("-t,--threshold", threshold,
                                           "Edge threshold 0..255, or a list of thresholds\n"
                                           "and ranges such as 80-120 or 40-60,100; higher\n"
                                           "marks more edges (default 100).")
                                ->type_name("T");
    auto* runsOption =
        app.add_option("-r,--runs", runs, "\"Find Center\" runs per frame, 1..1000\n(default 1).")
            ->type_name("K");
    auto* formatOption = app.add_option("-f,--format", format,
                                        "Record format: csv (default) or jsonl (one\n"
                                        "JSON object per line).")
                             ->type_name("FMT");
    app.add_flag("-s,--summary", summary,
                 "Print one summary line per threshold instead\nof the records.");
    auto* jobsOption = app.add_option("-j,--jobs", jobs,
                                      "Frames processed at once, 1..256 (default: one\n"
                                      "per processor core); the output is the same\n"
                                      "for any number.")
                           ->type_name("N");
    std::array<CLI::Option*, kPathOptions.size()> pathOptions{};
    for (std::size_t i = 0; i < kPathOptions.size(); ++i)
        pathOptions[i] = app.add_option(kPathOptions[i].name, paths[i], kPathOptions[i].help)
                             ->type_name(kPathOptions[i].valueName);
    auto* framesOption =
        app.add_option("--frames", frameLimit, "End a live input after N frames.")->type_name("N");
    app.add_flag("--carry", carry,
                 "Start each frame's search from the previous\n"
                 "frame's centres instead of column 80, as a robot\n"
                 "running the search does (one threshold; frames\n"
                 "in order).");
    app.add_flag("-h,--help", help, "Show this help and exit.");
    app.add_flag("-v,-V,--version", version, "Show the version and exit.");
    app.add_option("FRAMES", frameArguments,
                   "Frame numbers N (file picN.bmp, or counted from\n"
                   "0) or inclusive ranges A-B, processed in the\n"
                   "order given, such as 3 7 9-11 (default: every\n"
                   "frame of the recording, ascending).")
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
    if (*fitOption) {
        const auto chosen = parseFit(fit);
        if (!chosen)
            return usageError(chosen.error());
        options.conversion.fit = *chosen;
    }
    if (*fpsOption) {
        const auto rate = parseFrameRate(fps);
        if (!rate)
            return usageError(rate.error());
        options.conversion.fps = *rate;
    }
    if (*thresholdOption) {
        auto thresholds = thresholdList(threshold);
        if (!thresholds)
            return usageError(thresholds.error());
        options.thresholds = std::move(*thresholds);
    }
    if (*runsOption) {
        const auto value = boundedOption("runs", runs, kRuns);
        if (!value)
            return usageError(value.error());
        options.runs = *value;
    }
    if (*jobsOption) {
        const auto value = boundedOption("jobs", jobs, kJobs);
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
    for (std::size_t i = 0; i < kPathOptions.size(); ++i) {
        if (!*pathOptions[i])
            continue;
        if (paths[i].empty())
            return usageReason(std::string(kPathOptions[i].name) + " needs " +
                               kPathOptions[i].needs);
        options.*kPathOptions[i].target = std::filesystem::path(paths[i]);
    }

    if (*framesOption) {
        const auto value = boundedOption("frames", frameLimit, kFrameLimit);
        if (!value)
            return usageError(value.error());
        options.frameLimit = *value;
    }
    options.carry = carry;
    if (carry && options.thresholds.size() > 1)
        return usageReason("--carry takes one threshold");

    auto frames = parseFrameList(frameArguments);
    if (!frames)
        return usageError(frames.error());
    options.frames = std::move(*frames);
    return result;
}

} // namespace vireo
