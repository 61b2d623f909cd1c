#include "app/cli/cli_options.h"

#include <gtest/gtest.h>
#include <string>

namespace vireo {
namespace {

CommandLine parse(QStringList arguments) {
    arguments.prepend("vireo-cli");
    return parseCommandLine(arguments);
}

TEST(CliOptions, DefaultsAreTheWindowsStartUpValues) {
    const auto result = parse({});
    ASSERT_EQ(result.action, CommandLine::Action::Run) << result.error;
    EXPECT_TRUE(result.options.folder.empty());
    EXPECT_EQ(result.options.threshold, 100);
    EXPECT_EQ(result.options.runs, 1);
    EXPECT_EQ(result.options.format, RecordFormat::Csv);
    EXPECT_FALSE(result.options.edgesDir);
    EXPECT_FALSE(result.options.renderDir);
    EXPECT_TRUE(result.options.frames.empty());
}

TEST(CliOptions, ReadsEveryOptionInLongAndShortForm) {
    const auto longForm = parse({"--dir", "in", "--threshold", "0", "--runs", "1000", "--format",
                                 "jsonl", "--edges-dir", "e", "--render-dir", "r", "3", "5-6"});
    const auto shortForm = parse({"-d", "in", "-t", "0", "-r", "1000", "-f", "jsonl", "--edges-dir",
                                  "e", "--render-dir", "r", "3", "5-6"});
    for (const auto& result : {longForm, shortForm}) {
        ASSERT_EQ(result.action, CommandLine::Action::Run) << result.error;
        EXPECT_EQ(result.options.folder, "in");
        EXPECT_EQ(result.options.threshold, 0);
        EXPECT_EQ(result.options.runs, 1000);
        EXPECT_EQ(result.options.format, RecordFormat::Jsonl);
        EXPECT_EQ(result.options.edgesDir, std::filesystem::path("e"));
        EXPECT_EQ(result.options.renderDir, std::filesystem::path("r"));
        EXPECT_EQ(result.options.frames, (FrameList{{3, 3}, {5, 6}}));
    }
}

TEST(CliOptions, AcceptsTheLimitsOfEachRange) {
    EXPECT_EQ(parse({"-t", "255"}).options.threshold, 255);
    EXPECT_EQ(parse({"-r", "1"}).options.runs, 1);
    EXPECT_EQ(parse({"-f", "csv"}).options.format, RecordFormat::Csv);
}

struct UsageCase {
    const char* name;
    QStringList arguments;
    std::string reason; // the exact one-line reason
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class CliUsageError : public testing::TestWithParam<UsageCase> {};

TEST_P(CliUsageError, IsRefusedWithAOneLineReason) {
    const auto result = parse(GetParam().arguments);
    ASSERT_EQ(result.action, CommandLine::Action::UsageError);
    EXPECT_EQ(result.error, GetParam().reason);
    EXPECT_EQ(result.usage.rfind("Usage: vireo-cli [options] [FRAMES...]\n", 0), 0u)
        << result.usage;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageError,
    testing::Values(
        UsageCase{"threshold_above", {"-t", "256"}, "threshold 256 is out of range 0..255"},
        UsageCase{"threshold_huge",
                  {"-t", "99999999999999999999"},
                  "threshold 99999999999999999999 is out of range 0..255"},
        UsageCase{"threshold_negative",
                  {"--threshold=-1"},
                  "threshold \"-1\" is not a whole number 0..255"},
        UsageCase{
            "threshold_word", {"-t", "ten"}, "threshold \"ten\" is not a whole number 0..255"},
        UsageCase{"threshold_missing", {"-t"}, "missing value after '-t'"},
        UsageCase{"runs_zero", {"-r", "0"}, "runs 0 is out of range 1..1000"},
        UsageCase{"runs_above", {"--runs", "1001"}, "runs 1001 is out of range 1..1000"},
        UsageCase{"format_xml", {"-f", "xml"}, "format \"xml\" is neither csv nor jsonl"},
        UsageCase{"format_case", {"-f", "CSV"}, "format \"CSV\" is neither csv nor jsonl"},
        UsageCase{"unknown_long", {"--frames", "3"}, "unknown option 'frames'"},
        UsageCase{"unknown_short", {"-x"}, "unknown option 'x'"},
        UsageCase{"empty_edges_dir", {"--edges-dir", ""}, "--edges-dir needs a folder name"},
        UsageCase{"empty_render_dir", {"--render-dir="}, "--render-dir needs a folder name"},
        UsageCase{"backwards_range", {"5-3"}, "frame range 5-3 runs backwards"},
        UsageCase{"bad_frame", {"3", "x"}, "frame \"x\" is neither a number N nor a range A-B"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliOptions, HelpShowsUsageOptionsAndEveryColumn) {
    const auto result = parse({"--help"});
    ASSERT_EQ(result.action, CommandLine::Action::ShowHelp);
    EXPECT_EQ(result.usage.rfind("Usage: vireo-cli [options] [FRAMES...]\n", 0), 0u);
    for (const char* option : {"--dir", "--threshold", "--runs", "--format", "--edges-dir",
                               "--render-dir", "--help", "--version"})
        EXPECT_NE(result.usage.find(option), std::string::npos) << option;
    for (const char* column : {"frame", "threshold", "run", "center40", "center60", "center80",
                               "forecast", "line_top", "line_bottom"})
        EXPECT_NE(result.columnHelp.find(std::string("  ") + column + " "), std::string::npos)
            << column;
    EXPECT_EQ(parse({"-h"}).action, CommandLine::Action::ShowHelp);
}

} // namespace
} // namespace vireo
