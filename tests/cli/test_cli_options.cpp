#include "app/cli/cli_options.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

CommandLine parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vireo-cli");
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
          parse({"-d", "in", "-t255", "-r", "1000", "-f", "jsonl", "--edges-dir=e",
                 "--render-dir=r", "3", "5-6"}),
          parse({"-d", "elsewhere", "--threshold=0", "-t", "255", "-r1000", "--format=jsonl", "3",
                 "--dir=in", "--edges-dir", "e", "--render-dir", "r", "--", "5-6"})}) {
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

// Catches a parser that validates or converts names as UTF-8: a folder is bytes.
TEST(CliOptions, FolderNamesAreKeptByteForByte) {
    const std::string name = "frames-\xff\xfe";
    const auto result = parse({"-d", name, "--edges-dir", name + "/e"});
    ASSERT_EQ(result.action, CommandLine::Action::Run) << result.error;
    EXPECT_EQ(result.options.folder.native(), name);
    EXPECT_EQ(result.options.edgesDir->native(), name + "/e");
}

TEST(CliOptions, HelpListsEveryOptionAndColumn) {
    const auto result = parse({"--help"});
    ASSERT_EQ(result.action, CommandLine::Action::ShowHelp);
    EXPECT_EQ(result.usage.rfind("Usage: vireo-cli [options] [FRAMES...]\nFinds the centre", 0), 0u)
        << result.usage;
    for (const char* option :
         {"-d, --dir <DIR>", "-t, --threshold <T>", "-r, --runs <K>", "-f, --format <FMT>",
          "--edges-dir <OUT>", "--render-dir <OUT>", "-h, --help", "--version", "FRAMES"})
        EXPECT_NE(result.usage.find(std::string("\n  ") + option + "  "), std::string::npos)
            << option;
    for (const char* column : {"frame", "threshold", "run", "center40", "center60", "center80",
                               "forecast", "line_top", "line_bottom"})
        EXPECT_NE(result.columnHelp.find(std::string("  ") + column + " "), std::string::npos)
            << column;
    EXPECT_EQ(parse({"--version"}).action, CommandLine::Action::ShowVersion);
}

} // namespace
} // namespace vireo
