#include "media_fixture.h"
#include "sources/recording.h"

#include <fstream>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::runFfmpeg;
using testing::TempFolder;

struct BadCase {
    std::string name;
    std::string make; // ffmpeg arguments that write `input`; "" for a text file
    std::string input;
    std::string refusal;    // a part of the reason for refusing to open it
    std::string retag = {}; // a tag that replaces every "MJPG" in the file
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedRecording : public ::testing::TestWithParam<BadCase> {};

TEST_P(RefusedRecording, NamesTheFileAndWhy) {
    const BadCase& c = GetParam();
    const TempFolder work;
    std::filesystem::create_directory(work.path() / "p");
    if (c.make.empty())
        testing::writeFile(work.path() / "p" / "notes.txt", {'n', 'o', 't', 'e', 's'});
    else
        runFfmpeg(work.path(), c.make);
    if (!c.retag.empty()) {
        std::string bytes;
        for (std::uint8_t b : testing::readFile(work.path() / c.input))
            bytes.push_back(static_cast<char>(b));
        for (std::size_t at = bytes.find("MJPG"); at != std::string::npos; at = bytes.find("MJPG"))
            bytes.replace(at, 4, c.retag);
        testing::writeFile(work.path() / c.input, {bytes.begin(), bytes.end()});
    }
    const auto opened = openRecording(work.path() / c.input);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().subject, std::filesystem::path(c.input).filename().string());
    EXPECT_NE(opened.error().reason.find(c.refusal), std::string::npos) << opened.error().reason;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedRecording,
    ::testing::Values(
        BadCase{"NotAVideo", "", "p/notes.txt", "not a video or picture that FFmpeg reads"},
        BadCase{"NoPictureStream", "-f lavfi -i sine=duration=1 a.wav", "a.wav",
                "has no picture stream"},
        BadCase{"NoFrames", "-f lavfi -i testsrc2 -frames:v 0 -c:v mjpeg a.avi", "a.avi",
                "has no frames"},
        BadCase{"EightK", "-f lavfi -i testsrc2=size=7680x4320 -frames:v 1 -c:v mjpeg a.avi",
                "a.avi", "is 7680 x 4320, larger than the largest read, 4096 x 2304"},
        BadCase{"UnsupportedCodec", "-f lavfi -i testsrc2 -frames:v 1 -c:v mjpeg a.avi", "a.avi",
                "unsupported codec avs2", "AVS2"},
        BadCase{"UnknownCodec", "-f lavfi -i testsrc2 -frames:v 1 -c:v mjpeg a.avi", "a.avi",
                "unsupported codec (tag QQQQ)", "QQQQ"},
        BadCase{"Missing", "-version", "gone.mp4", "no such file"}),
    [](const auto& info) { return info.param.name; });

// Damage in the middle or a missing end costs only the frames it touches: every frame loads or
// is refused with its own name, and the frames before the damage load.
TEST(DamagedRecording, RefusesOnlyTheFramesItCannotDecode) {
    const TempFolder work;
    runFfmpeg(work.path(), "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 -c:v mjpeg "
                           "a.avi -c:v libx264 b.mp4");
    for (const char* name : {"a.avi", "b.mp4"}) {
        std::vector<std::uint8_t> bytes = testing::readFile(work.path() / name);
        for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 3000; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 37);
        testing::writeFile(work.path() / name, bytes);
        auto opened = openRecording(work.path() / name);
        ASSERT_TRUE(opened) << opened.error().message();
        TrackingState state;
        int refused = 0;
        for (long long n = 0; n < (*opened)->frameCount(); ++n)
            if (const Expected<void> loaded = (*opened)->loadFrame(state, n); !loaded) {
                EXPECT_EQ(loaded.error().subject, (*opened)->frameName(n));
                ++refused;
            }
        EXPECT_LT(refused, (*opened)->frameCount() / 2) << name;
        EXPECT_TRUE((*opened)->loadFrame(state, 0)) << name;
    }
}

// Pictures that all fail each give a refusal naming the picture; a 1 x 1 picture is a frame.
TEST(PictureFolder, RefusesEachBrokenPictureAndTakesATinyOne) {
    const TempFolder work;
    runFfmpeg(work.path(), "-f lavfi -i testsrc2=size=64x64 -frames:v 1 a.png");
    runFfmpeg(work.path(), "-f lavfi -i color=c=white:s=2x2 -vf scale=1:1 -frames:v 1 tiny.png");
    std::vector<std::uint8_t> broken = testing::readFile(work.path() / "a.png");
    broken.resize(broken.size() / 2);
    testing::writeFile(work.path() / "a.png", broken);
    testing::writeFile(work.path() / "b.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 1, 2});
    std::filesystem::create_directory(work.path() / "tiny");
    std::filesystem::rename(work.path() / "tiny.png", work.path() / "tiny" / "tiny.png");

    auto opened = openRecording(work.path());
    ASSERT_TRUE(opened) << opened.error().message();
    ASSERT_EQ((*opened)->frameCount(), 2);
    TrackingState state;
    for (long long n : {0, 1}) {
        const Expected<void> loaded = (*opened)->loadFrame(state, n);
        ASSERT_FALSE(loaded);
        EXPECT_EQ(loaded.error().subject, n == 0 ? "a.png" : "b.png");
    }
    auto tiny = openRecording(work.path() / "tiny");
    ASSERT_TRUE(tiny) << tiny.error().message();
    ASSERT_TRUE((*tiny)->loadFrame(state, 0));
    EXPECT_EQ(state.grayimg.at(80, 60), 255);
}

} // namespace
} // namespace vireo
