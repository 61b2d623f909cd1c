// Replays every file of the fuzzer's corpus through the loader, so that a file the fuzzer once
// found troublesome stays tested in every ordinary test run.

#include "bmp_builder.h"
#include "input/bitmap_loader.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vireo {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpusFiles() {
    std::vector<fs::path> files;
    std::error_code error; // a missing folder gives no files, which IsNotEmpty reports
    for (const auto& entry : fs::directory_iterator(VIREO_FUZZ_CORPUS, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A corpus left empty or unreadable would make the replay below pass by running nothing.
TEST(Corpus, IsNotEmpty) {
    EXPECT_GE(corpusFiles().size(), 17u) << "corpus folder " << VIREO_FUZZ_CORPUS;
}

class CorpusReplay : public ::testing::TestWithParam<fs::path> {};

// A corpus file loads as a whole frame or is refused with an error naming the file and leaving
// the state alone; an exception, or a crash, fails. valid-* must load, refused-* must not;
// other files (the fuzzer's finds) may do either.
TEST_P(CorpusReplay, LoadsOrIsRefusedCleanly) {
    const std::string kind = GetParam().filename().string();
    testing::TempFolder folder;
    fs::copy_file(GetParam(), folder.path() / frameFileName(4));

    TrackingState before;
    for (int x = 0; x < 160; ++x)
        before.grayimg.at(x, x % 120) = static_cast<std::uint8_t>(x + 1);
    before.filebytes = {'o', 'l', 'd'};
    TrackingState state = before;
    Expected<void> loaded = Error{};
    ASSERT_NO_THROW(loaded = moveme(state, folder.path(), 4));
    if (!loaded) {
        EXPECT_FALSE(kind.starts_with("valid-")) << "refused: " << loaded.error().message();
        EXPECT_EQ(loaded.error().subject, "pic4.bmp");
        EXPECT_EQ(state.grayimg, before.grayimg);
        EXPECT_EQ(state.filebytes, before.filebytes);
        return;
    }
    EXPECT_FALSE(kind.starts_with("refused-")) << "accepted a file it must refuse";
    ASSERT_GE(state.filebytes.size(), 18u);
    const std::size_t infoSize = state.filebytes[14] | (state.filebytes[15] << 8);
    EXPECT_EQ(state.filebytes.size(), 14 + infoSize + 160 * 120 * 3);
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusReplay, ::testing::ValuesIn(corpusFiles()),
                         [](const auto& info) {
                             std::string name = info.param.stem().string();
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](unsigned char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

} // namespace
} // namespace vireo
