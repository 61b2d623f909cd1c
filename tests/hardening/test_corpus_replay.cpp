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

constexpr int kFrame = 4;
constexpr std::size_t kPixelBytes = 160 * 120 * 3;

std::vector<fs::path> corpusFiles() {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(VIREO_FUZZ_CORPUS, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A state with a pattern in the picture area, so a refusal that changed anything shows.
TrackingState patternedState() {
    TrackingState state;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            state.grayimg.at(x, y) = static_cast<std::uint8_t>(3 * x + y);
    state.filebytes = {'o', 'l', 'd'};
    return state;
}

TEST(Corpus, HoldsAcceptedAndRefusedFiles) {
    const auto files = corpusFiles();
    const auto named = [&](const char* prefix) {
        return std::count_if(files.begin(), files.end(), [prefix](const fs::path& file) {
            return startsWith(file.filename().string(), prefix);
        });
    };
    EXPECT_GE(named("valid-"), 5) << "corpus folder " << VIREO_FUZZ_CORPUS;
    EXPECT_GE(named("refused-"), 12) << "corpus folder " << VIREO_FUZZ_CORPUS;
}

class CorpusReplay : public ::testing::TestWithParam<fs::path> {};

// A corpus file either loads as a whole frame or is refused with a LoadError naming the file and
// leaving the state alone; any other exception, or a crash, fails. Files named valid-* must load
// and files named refused-* must be refused; other files (the fuzzer's finds) may do either.
TEST_P(CorpusReplay, LoadsOrIsRefusedCleanly) {
    const fs::path& source = GetParam();
    const std::string kind = source.filename().string();
    testing::TempFolder folder;
    fs::copy_file(source, folder.path() / frameFileName(kFrame));

    const TrackingState before = patternedState();
    TrackingState state = before;
    try {
        moveme(state, folder.path(), kFrame);
    } catch (const LoadError& error) {
        EXPECT_FALSE(startsWith(kind, "valid-")) << "refused: " << error.what();
        EXPECT_TRUE(startsWith(error.what(), frameFileName(kFrame) + ": ")) << error.what();
        EXPECT_EQ(state.grayimg, before.grayimg);
        EXPECT_EQ(state.filebytes, before.filebytes);
        return;
    } catch (const std::exception& other) {
        FAIL() << "escaped the loader: " << other.what();
    }
    EXPECT_FALSE(startsWith(kind, "refused-")) << "accepted a file it must refuse";
    ASSERT_GE(state.filebytes.size(), 18u);
    const std::size_t infoSize = state.filebytes[14] | (state.filebytes[15] << 8);
    EXPECT_EQ(state.filebytes.size(), 14 + infoSize + kPixelBytes);
    for (int x = 0; x <= 160; ++x)
        EXPECT_EQ(state.grayimg.at(x, 120), 0) << "row 120 written at column " << x;
    for (int y = 0; y <= 120; ++y)
        EXPECT_EQ(state.grayimg.at(160, y), 0) << "column 160 written at row " << y;
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusReplay, ::testing::ValuesIn(corpusFiles()),
                         [](const auto& info) {
                             std::string name = info.param.stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
} // namespace vireo
