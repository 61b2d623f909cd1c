#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "input/frame_list.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

using Arguments = std::vector<std::string>;

TEST(FrameList, ParsesIntoRangesInTheOrderGiven) {
    for (const auto& [arguments, expected] :
         {std::pair(Arguments{}, FrameList{}), std::pair(Arguments{"0"}, FrameList{{0, 0}}),
          std::pair(Arguments{"9-11", "3", "4-4"}, FrameList{{9, 11}, {3, 3}, {4, 4}}),
          std::pair(Arguments{"007", "08-010"}, FrameList{{7, 7}, {8, 10}}),
          std::pair(Arguments{"2147483647"}, FrameList{{2147483647, 2147483647}})}) {
        const auto result = parseFrameList(arguments);
        ASSERT_TRUE(result) << result.error().message();
        EXPECT_EQ(*result, expected);
    }
}

// A bad argument refuses the whole list with an error naming it.
TEST(FrameList, RefusesABadArgumentNamingIt) {
    for (const auto& [argument, part] :
         {std::pair("", "\"\""),
          {"five", "five"},
          {"-3", "-3"},
          {"+3", "+3"},
          {"3.0", "3.0"},
          {"3-", "3-"},
          {"1-2-3", "1-2-3"},
          {"5-3", "5-3 runs backwards"},
          {"2147483648", "2147483648 is too large"},
          {"1-99999999999999999999", "99999999999999999999 is too large"}}) {
        const auto result = parseFrameList({"1", argument, "2"});
        ASSERT_FALSE(result) << argument;
        EXPECT_NE(result.error().message().find(part), std::string::npos)
            << result.error().message();
    }
}

// Counting in int would overflow for a range up to the largest frame number.
TEST(FrameList, CountsWholeRangesWithoutOverflow) {
    EXPECT_EQ(frameCount({{3, 3}, {9, 11}}), 4);
    EXPECT_EQ(frameCount({{0, 2147483647}}), 2147483648LL);
}

// Runs of two or more frames without a file are taken out, in place; a single one stays in.
TEST(FrameList, PlanTakesOutRunsOfMissingFramesWhereTheyFall) {
    const FramePlan plan =
        planFrames({{3, 3}, {20, 30}, {0, 1}, {40, 40}, {50, 2147483647}}, {{0, 3}, {25, 25}});
    EXPECT_EQ(plan.present, (FrameList{{3, 3}, {25, 25}, {0, 1}, {40, 40}}));
    EXPECT_EQ(plan.missing, (std::vector<FramePlan::MissingRun>{
                                {1, {20, 24}}, {2, {26, 30}}, {5, {50, 2147483647}}}));
}

TEST(FrameList, FrameFileNamesArePicNumberBmpAndOnlyThat) {
    EXPECT_EQ(frameFileName(12), "pic12.bmp");
    EXPECT_EQ(frameNumberOfFileName("pic0.bmp"), 0);
    EXPECT_EQ(frameNumberOfFileName("pic2147483647.bmp"), 2147483647);
    for (const char* name :
         {"pic2147483648.bmp", "pic00.bmp", "pic01.bmp", "pic.bmp", "pic-1.bmp", "pic+1.bmp",
          "pic1.BMP", "Pic1.bmp", "pic1.bmp.bak", "xpic1.bmp", "pic1a.bmp"})
        EXPECT_EQ(frameNumberOfFileName(name), std::nullopt) << name;
}

TEST(FrameList, FindsFrameFilesAscendingByNumberAndMergesRuns) {
    const testing::TempFolder folder;
    for (const char* name : {"pic10.bmp", "pic2.bmp", "pic3.bmp", "pic0.bmp", "pic01.bmp",
                             "notes.txt", "pic4.bmp.part"})
        testing::writeFile(folder.path() / name, {});
    EXPECT_EQ(findFrames(folder.path()).value(), (FrameList{{0, 0}, {2, 3}, {10, 10}}));
    const auto missing = findFrames(folder.path() / "gone");
    ASSERT_FALSE(missing);
    EXPECT_NE(
        missing.error().message().find("cannot read folder " + (folder.path() / "gone").string()),
        std::string::npos)
        << missing.error().message();
}

} // namespace
} // namespace vireo
