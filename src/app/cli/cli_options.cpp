#include "app/cli/cli_options.h"

#include "input/decimal.h"
#include "input/reason_text.h"

#include <QCommandLineParser>
#include <QFile>

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

std::filesystem::path toPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

// Qt's parser messages ("Unknown option 'x'.") in our lower-case form.
std::string parserError(const QCommandLineParser& parser) {
    return reasonText(parser.errorText().toStdString());
}

struct Bounded {
    std::optional<int> value;
    std::string error;
};

Bounded boundedNumber(const char* what, const QString& text, int lowest, int highest) {
    const std::string given = text.toStdString();
    const auto range = std::to_string(lowest) + ".." + std::to_string(highest);
    const auto value = parseDecimal(given);
    if (!value && !given.empty() && given.find_first_not_of("0123456789") == std::string::npos)
        return {std::nullopt, std::string(what) + " " + given + " is out of range " + range};
    if (!value)
        return {std::nullopt,
                std::string(what) + " \"" + given + "\" is not a whole number " + range};
    if (*value < lowest || *value > highest)
        return {std::nullopt, std::string(what) + " " + given + " is out of range " + range};
    return {static_cast<int>(*value), {}};
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption dirOption(
        {"d", "dir"}, "Folder of the frames (default: the current directory).", "DIR");
    const QCommandLineOption thresholdOption(
        {"t", "threshold"}, "Edge threshold 0..255; higher marks more edges (default 100).", "T");
    const QCommandLineOption runsOption(
        {"r", "runs"}, "\"Find Center\" runs per frame, 1..1000 (default 1).", "K");
    const QCommandLineOption formatOption(
        {"f", "format"}, "Record format: csv (default) or jsonl (one JSON object per line).",
        "FMT");
    const QCommandLineOption edgesOption(
        "edges-dir", "Also write each frame's edge map as OUT/edgesN.pgm (0 edge, 255 background).",
        "OUT");
    const QCommandLineOption renderOption(
        "render-dir",
        "Also write each frame's edge picture with the overlay of the last run, as the window "
        "shows it (161 x 121), as OUT/vireoN.png.",
        "OUT");
    const QCommandLineOption helpOption({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption versionOption("version", "Show the version and exit.");
    for (const auto* option : {&dirOption, &thresholdOption, &runsOption, &formatOption,
                               &edgesOption, &renderOption, &helpOption, &versionOption})
        parser.addOption(*option);
    parser.addPositionalArgument(
        "FRAMES",
        "Frame numbers N (file picN.bmp) or inclusive ranges A-B, processed in the order given, "
        "e.g. 3 7 9-11 (default: every picN.bmp of the folder, ascending).",
        "[FRAMES...]");

    CommandLine result;
    // Qt names the program by the path it was started with; the usage names it plainly.
    result.usage = parser.helpText().toStdString();
    result.usage.replace(0, result.usage.find('\n'), kUsageLine);
    result.columnHelp = kColumns;
    const auto usageError = [&result](std::string reason) {
        result.action = CommandLine::Action::UsageError;
        result.error = std::move(reason);
        return result;
    };

    if (!parser.parse(arguments))
        return usageError(parserError(parser));
    if (parser.isSet(helpOption)) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }

    CliOptions& options = result.options;
    options.folder = toPath(parser.value(dirOption));
    if (parser.isSet(thresholdOption)) {
        const auto threshold = boundedNumber("threshold", parser.value(thresholdOption), 0, 255);
        if (!threshold.value)
            return usageError(threshold.error);
        options.threshold = *threshold.value;
    }
    if (parser.isSet(runsOption)) {
        const auto runs = boundedNumber("runs", parser.value(runsOption), 1, 1000);
        if (!runs.value)
            return usageError(runs.error);
        options.runs = *runs.value;
    }
    if (parser.isSet(formatOption)) {
        const QString format = parser.value(formatOption);
        if (format == "csv")
            options.format = RecordFormat::Csv;
        else if (format == "jsonl")
            options.format = RecordFormat::Jsonl;
        else
            return usageError("format \"" + format.toStdString() + "\" is neither csv nor jsonl");
    }
    for (const auto* option : {&edgesOption, &renderOption}) {
        if (!parser.isSet(*option))
            continue;
        const QString folder = parser.value(*option);
        if (folder.isEmpty())
            return usageError("--" + option->names().constFirst().toStdString() +
                              " needs a folder name");
        (option == &edgesOption ? options.edgesDir : options.renderDir) = toPath(folder);
    }

    std::vector<std::string> frameArguments;
    for (const QString& argument : parser.positionalArguments())
        frameArguments.push_back(argument.toStdString());
    auto frames = parseFrameList(frameArguments);
    if (!frames.error.empty())
        return usageError(frames.error);
    options.frames = std::move(frames.frames);
    return result;
}

} // namespace vireo
