#include "app/cli/cli_options.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

CommandLine parse(QStringList arguments) {
    arguments.prepend("vireo-cli");
    return parseCommandLine(arguments);
}

TEST(CliOptions, DefaultsAreTheWindowsStartUpValues) {
    const auto result = parse({});
    ASSERT_EQ(result.action, CommandLine::Action::Run) << result.error;
    EXPECT_EQ(result.options.threshold, 100);
    EXPECT_EQ(result.options.runs, 1);
    EXPECT_EQ(result.options.format, RecordFormat::Csv);
    EXPECT_FALSE(result.options.edgesDir || result.options.renderDir);
}

TEST(CliOptions, ReadsEveryOptionInLongAndShortForm) {
    for (const auto& result :
         {parse({"--dir", "in", "--threshold", "255", "--runs", "1000", "--format", "jsonl",
                 "--edges-dir", "e", "--render-dir", "r", "3", "5-6"}),
          parse({"-d", "in", "-t", "255", "-r", "1000", "-f", "jsonl", "--edges-dir=e",
                 "--render-dir=r", "3", "5-6"})}) {
        ASSERT_EQ(result.action, CommandLine::Action::Run) << result.error;
        EXPECT_EQ(result.options.folder, "in");
        EXPECT_EQ(result.options.threshold, 255);
        EXPECT_EQ(result.options.runs, 1000);
        EXPECT_EQ(result.options.format, RecordFormat::Jsonl);
        EXPECT_EQ(result.options.edgesDir, std::filesystem::path("e"));
        EXPECT_EQ(result.options.renderDir, std::filesystem::path("r"));
        EXPECT_EQ(result.options.frames, (FrameList{{3, 3}, {5, 6}}));
    }
}

TEST(CliOptions, HelpListsEveryOptionAndColumn) {
    const auto result = parse({"--help"});
    ASSERT_EQ(result.action, CommandLine::Action::ShowHelp);
    for (const char* option : {"--dir", "--threshold", "--runs", "--format", "--edges-dir",
                               "--render-dir", "--help", "--version"})
        EXPECT_NE(result.usage.find(option), std::string::npos) << option;
    for (const char* column : {"frame", "threshold", "run", "center40", "center60", "center80",
                               "forecast", "line_top", "line_bottom"})
        EXPECT_NE(result.columnHelp.find(std::string("  ") + column + " "), std::string::npos)
            << column;
}

} // namespace
} // namespace vireo
