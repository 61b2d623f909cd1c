#include "app/cli/frame_list.h"
#include "cli_test_support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vireo {
namespace {

struct GoodList {
    const char* name;
    std::vector<std::string> arguments;
    FrameList expected;
};

void PrintTo(const GoodList& c, std::ostream* os) {
    *os << c.name;
}

class FrameListGood : public testing::TestWithParam<GoodList> {};

TEST_P(FrameListGood, ParsesIntoRangesInTheOrderGiven) {
    const auto result = parseFrameList(GetParam().arguments);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.frames, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameListGood,
    testing::Values(GoodList{"none", {}, {}}, GoodList{"single", {"5"}, {{5, 5}}},
                    GoodList{"zero", {"0"}, {{0, 0}}}, GoodList{"range", {"0-12"}, {{0, 12}}},
                    GoodList{"one_frame_range", {"4-4"}, {{4, 4}}},
                    GoodList{"mixed_unsorted", {"9-11", "3", "7"}, {{9, 11}, {3, 3}, {7, 7}}},
                    GoodList{"repeated", {"2", "2"}, {{2, 2}, {2, 2}}},
                    GoodList{"padded_digits_are_decimal", {"007", "08-010"}, {{7, 7}, {8, 10}}},
                    GoodList{"largest", {"2147483647"}, {{2147483647, 2147483647}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadList {
    const char* name;
    std::string argument;
    std::string errorPart; // the error must contain this, so it names the culprit
};

void PrintTo(const BadList& c, std::ostream* os) {
    *os << c.name;
}

class FrameListBad : public testing::TestWithParam<BadList> {};

TEST_P(FrameListBad, IsRefusedWithAReasonNamingTheArgument) {
    const auto result = parseFrameList({"1", GetParam().argument, "2"});
    EXPECT_NE(result.error.find(GetParam().errorPart), std::string::npos) << result.error;
    EXPECT_TRUE(result.frames.empty()) << "a refused list must not be half used";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameListBad,
    testing::Values(BadList{"empty", "", "\"\""}, BadList{"word", "five", "five"},
                    BadList{"negative", "-3", "-3"}, BadList{"plus_sign", "+3", "+3"},
                    BadList{"blank", " 3", " 3"}, BadList{"fraction", "3.0", "3.0"},
                    BadList{"hex", "0x10", "0x10"}, BadList{"open_end", "3-", "3-"},
                    BadList{"three_parts", "1-2-3", "1-2-3"}, BadList{"letter_end", "3-x", "3-x"},
                    BadList{"backwards", "5-3", "5-3 runs backwards"},
                    BadList{"too_large", "2147483648", "2147483648 is too large"},
                    BadList{"too_large_in_range", "1-99999999999999999999",
                            "99999999999999999999 is too large"},
                    BadList{"comma_list", "1,2", "1,2"}),
    [](const auto& info) { return std::string(info.param.name); });

// Counting in int would overflow for a range up to the largest frame number.
TEST(FrameCount, CountsWholeRangesWithoutOverflow) {
    EXPECT_EQ(frameCount({}), 0);
    EXPECT_EQ(frameCount({{3, 3}, {9, 11}}), 4);
    EXPECT_EQ(frameCount({{0, 2147483647}}), 2147483648LL);
}

struct FileName {
    const char* name;
    std::optional<int> expected;
};

void PrintTo(const FileName& c, std::ostream* os) {
    *os << c.name;
}

class FrameFileName : public testing::TestWithParam<FileName> {};

TEST_P(FrameFileName, MatchesOnlyTheExactFrameFileForm) {
    EXPECT_EQ(frameNumberOfFileName(GetParam().name), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameFileName,
    testing::Values(FileName{"pic0.bmp", 0}, FileName{"pic7.bmp", 7}, FileName{"pic12.bmp", 12},
                    FileName{"pic2147483647.bmp", 2147483647},
                    FileName{"pic2147483648.bmp", std::nullopt},
                    FileName{"pic00.bmp", std::nullopt}, FileName{"pic01.bmp", std::nullopt},
                    FileName{"pic.bmp", std::nullopt}, FileName{"pic-1.bmp", std::nullopt},
                    FileName{"pic+1.bmp", std::nullopt}, FileName{"pic1.BMP", std::nullopt},
                    FileName{"Pic1.bmp", std::nullopt}, FileName{"pic1.bmp.bak", std::nullopt},
                    FileName{"xpic1.bmp", std::nullopt}, FileName{"pic1a.bmp", std::nullopt},
                    FileName{"pic 1.bmp", std::nullopt}));

TEST(FindFrames, ListsFrameFilesAscendingByNumberAndMergesRuns) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::filesystem::path root = folder.path().toStdString();
    for (const char* name : {"pic10.bmp", "pic2.bmp", "pic3.bmp", "pic0.bmp", "pic01.bmp",
                             "notes.txt", "pic4.bmp.part"})
        test::writeFile(root / name, {});

    const auto result = findFrames(root);

    EXPECT_EQ(result.error, "");
    // Ascending by number (10 after 3), not by name; "pic01.bmp" is not frame 1.
    EXPECT_EQ(result.frames, (FrameList{{0, 0}, {2, 3}, {10, 10}}));
}

TEST(FindFrames, MissingFolderIsAnErrorNamingIt) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto missing = std::filesystem::path(folder.path().toStdString()) / "gone";
    const auto result = findFrames(missing);
    EXPECT_NE(result.error.find("cannot read folder " + missing.string()), std::string::npos)
        << result.error;
    EXPECT_TRUE(result.frames.empty());
}

} // namespace
} // namespace vireo
