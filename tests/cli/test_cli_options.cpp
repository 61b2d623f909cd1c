#include "app/cli/cli_options.h"

#include <climits>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <tuple>

namespace vireo {
namespace {

CommandLine parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vireo-cli");
    return parseCommandLine(arguments);
}

TEST(CliOptions, DefaultsAreTheWindowsStartUpValuesAndNoOutputFiles) {
    const CliOptions o = parse({}).options;
    EXPECT_EQ(std::tuple(o.thresholds, o.runs, o.format),
              std::tuple(std::vector{100}, 1, RecordFormat::Csv));
    EXPECT_FALSE(o.edgesDir || o.renderDir || !o.frames.empty());
}

// The folder names are not UTF-8: a parser that validates or converts them fails here.
TEST(CliOptions, ReadsEveryOptionInLongAndShortFormKeepingFolderNameBytes) {
    const std::string in = "in-\xff\xfe";
    for (const auto& result :
         {parse({"--dir", in, "--threshold", "255", "--runs", "1000", "--format", "jsonl",
                 "--edges-dir", in + "/e", "--render-dir", "r", "3", "5-6"}),
          parse({"-d", in, "-t255", "-r", "1000", "-f", "jsonl", "--edges-dir=" + in + "/e",
                 "--render-dir=r", "3", "5-6"}),
          parse({"-d", "elsewhere", "--threshold=0", "-t", "255", "-r1000", "--format=jsonl", "3",
                 "--dir=" + in, "--edges-dir", in + "/e", "--render-dir", "r", "--", "5-6"})}) {
        ASSERT_EQ(result.action, CommandLine::Action::Run) << result.error.message();
        EXPECT_EQ(result.options.folder.native(), in);
        EXPECT_EQ(result.options.thresholds, std::vector{255});
        EXPECT_EQ(result.options.runs, 1000);
        EXPECT_EQ(result.options.format, RecordFormat::Jsonl);
        EXPECT_EQ(result.options.edgesDir->native(), in + "/e");
        EXPECT_EQ(result.options.renderDir, std::filesystem::path("r"));
        EXPECT_EQ(result.options.frames, (FrameList{{3, 3}, {5, 6}}));
    }
}

// What sh makes of a command line: its arguments after the program's name, as printf gives
// them back.
std::vector<std::string> shellArguments(std::string command) {
    command.replace(0, command.find(' '), "printf '%s\\0'");
    FILE* shell = popen(command.c_str(), "r");
    std::string output;
    for (int c; (c = std::fgetc(shell)) != EOF;)
        output.push_back(static_cast<char>(c));
    pclose(shell);
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start < output.size(); start = output.find('\0', start) + 1)
        arguments.emplace_back(output.substr(start, output.find('\0', start) - start));
    return arguments;
}

// Random options, with names of bytes that a shell or the parser could take for something else,
// come back from their arguments, also through sh.
TEST(CliOptions, CommandOfRandomOptionsRepeatsThem) {
    std::mt19937 random(20);
    const auto pick = [&](int lowest, int highest) {
        return std::uniform_int_distribution(lowest, highest)(random);
    };
    const std::string bytes = " '\"$`\\;&|*?!#~(){}<>=,-\n\t\xff"
                              "aZ0";
    const auto name = [&] {
        std::string text;
        for (int n = pick(1, 8); n > 0; --n)
            text += bytes[static_cast<std::size_t>(pick(0, static_cast<int>(bytes.size()) - 1))];
        return text;
    };
    for (int round = 0; round < 100; ++round) {
        CliOptions options;
        options.folder = name();
        options.runs = pick(1, 1000);
        options.summary = pick(0, 1) == 1;
        options.jobs = pick(0, 256);
        options.format = pick(0, 1) ? RecordFormat::Jsonl : RecordFormat::Csv;
        if (pick(0, 1))
            options.frameLimit = pick(1, INT_MAX);
        options.conversion.fit = pick(0, 1) ? Fit::Crop : Fit::Stretch;
        if (pick(0, 1))
            options.conversion.fps = FrameRate{pick(1, 1000), pick(1, 2) == 1 ? 1 : pick(1, 1000)};
        options.thresholds.clear();
        for (int t = pick(0, 255); t <= 255; t += pick(1, 40))
            options.thresholds.push_back(t);
        options.carry = options.thresholds.size() == 1 && pick(0, 1);
        for (const PathOption& option : kPathOptions)
            if (pick(0, 1))
                options.*option.target = name();
        for (int n = pick(0, 3); n > 0; --n) {
            const int first = pick(0, INT_MAX);
            options.frames.push_back({first, pick(0, 1) ? first : pick(first, INT_MAX)});
        }
        const std::vector<std::string> arguments = commandArguments(options);
        const CommandLine parsed = parse(arguments);
        ASSERT_EQ(parsed.action, CommandLine::Action::Run) << parsed.error.message();
        EXPECT_EQ(parsed.options, options) << shellCommand(options);
        EXPECT_EQ(shellArguments(shellCommand(options)), arguments) << shellCommand(options);
    }
    EXPECT_EQ(commandArguments(parse({"-t", "60,40-60,0"}).options)[1], "0,40-60");
}

class CliUsageError
    : public ::testing::TestWithParam<std::pair<std::vector<std::string>, std::string>> {};

TEST_P(CliUsageError, NamesTheProblem) {
    const auto result = parse(GetParam().first);
    EXPECT_EQ(result.action, CommandLine::Action::UsageError);
    EXPECT_EQ(result.error.message(), GetParam().second);
}

using Args = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageError,
    ::testing::Values(
        std::pair(Args{"-t", "256"}, "threshold 256 is out of range 0..255"),
        std::pair(Args{"--threshold=-1"}, "threshold \"-1\" is not a whole number 0..255"),
        std::pair(Args{"-t=-5"}, "threshold \"=-5\" is not a whole number 0..255"),
        std::pair(Args{"-t", "1,,2"}, "threshold list \"1,,2\" has an empty item"),
        std::pair(Args{"-t", "90-80"}, "threshold range 90-80 runs backwards"),
        std::pair(Args{"-t", "ten"}, "threshold \"ten\" is not a whole number 0..255"),
        std::pair(Args{"-t"}, "missing value after '-t'"),
        std::pair(Args{"-r", "0"}, "runs 0 is out of range 1..1000"),
        std::pair(Args{"-f", "xml"}, "format \"xml\" is neither csv nor jsonl"),
        std::pair(Args{"-f", "CSV"}, "format \"CSV\" is neither csv nor jsonl"),
        std::pair(Args{"--frame", "3"}, "unknown option 'frame'"),
        std::pair(Args{"--frames", "0"}, "frames 0 is out of range 1..2147483647"),
        std::pair(Args{"--carry", "-t", "40,60"}, "--carry takes one threshold"),
        std::pair(Args{"--edges-dir", ""}, "--edges-dir needs a folder name"),
        std::pair(Args{"--render-dir="}, "--render-dir needs a folder name"),
        std::pair(Args{"1", "5-3"}, "frame range 5-3 runs backwards")));

// The help is also the source of the manual page, so it must hold every option, column and exit
// status, within 79 columns.
TEST(CliOptions, HelpListsEveryOptionColumnAndExitStatus) {
    const auto result = parse({"--help"});
    ASSERT_EQ(result.action, CommandLine::Action::ShowHelp);
    const std::string& help = result.help;
    EXPECT_NE(help.find("\nUsage: vireo-cli [OPTIONS] [FRAMES...]\n"), std::string::npos) << help;
    std::istringstream entries("-i,--input PATH|-d,--dir DIR|--fit FIT|--fps R|"
                               "-t,--threshold T|-r,--runs K|-f,--format FMT|"
                               "--edges-dir OUT|--render-dir OUT|--record DIR|--frames N|"
                               "--carry|-h,--help|-v,-V,--version|"
                               "FRAMES ...|frame|threshold|run|center40|center60|center80|"
                               "forecast|line_top|line_bottom|0|1|2");
    for (std::string entry; std::getline(entries, entry, '|');)
        EXPECT_NE(help.find("\n  " + entry + "  "), std::string::npos) << entry;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 79u) << line;
    for (const char* flag : {"--version", "-v", "-V"})
        EXPECT_EQ(parse({flag}).action, CommandLine::Action::ShowVersion) << flag;
}

} // namespace
} // namespace vireo
