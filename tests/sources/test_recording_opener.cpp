#include "media_fixture.h"
#include "sources/recording_opener.h"

#include <gtest/gtest.h>
#include <thread>

namespace vireo {
namespace {

using testing::runFfmpeg;
using testing::TempFolder;

// One decoder thread: FFmpeg's own threads synchronise in code that the thread sanitizer does not
// see, and only the opener's thread is under test.
const Conversion kOneThread{Fit::Stretch, std::nullopt, 1};

struct OpeningCase {
    std::string name;
    std::string make;  // ffmpeg arguments that write `input` in the work folder
    std::string input; // a video, or a folder of pictures
    long long frames;
    int stopAt; // a percentage reached in the opening's last phase
};

void PrintTo(const OpeningCase& c, std::ostream* os) {
    *os << c.name;
}

class Opening : public ::testing::TestWithParam<OpeningCase> {
protected:
    void SetUp() override {
        std::filesystem::create_directory(work.path() / "p");
        runFfmpeg(work.path(), GetParam().make);
    }
    std::filesystem::path input() const { return work.path() / GetParam().input; }
    TempFolder work;
};

// The share done rises step by step to 100; a stop ends the opening where it stands, refused,
// with nothing reported after it.
TEST_P(Opening, ReportsProgressAndStops) {
    std::vector<int> reported;
    auto opened = openRecording(input(), kOneThread, {{}, [&](int p) { reported.push_back(p); }});
    ASSERT_TRUE(opened) << opened.error().message();
    EXPECT_EQ((*opened)->frameCount(), GetParam().frames);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()) &&
                std::adjacent_find(reported.begin(), reported.end()) == reported.end());
    EXPECT_GT(reported.size(), 3u);
    EXPECT_EQ(reported.back(), 100);

    std::stop_source stop;
    reported.clear();
    const auto stopped = openRecording(input(), kOneThread, {stop.get_token(), [&](int p) {
                                                                 reported.push_back(p);
                                                                 if (p >= GetParam().stopAt)
                                                                     stop.request_stop();
                                                             }});
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.error().reason, "opening cancelled");
    EXPECT_LT(reported.back(), 100);
    EXPECT_GE(reported.back(), GetParam().stopAt);
}

// The opener hands the recording over once its thread is done; destroyed while it opens, it
// stops without waiting for the end.
TEST_P(Opening, OnAThreadOfItsOwn) {
    RecordingOpener opener({input(), kOneThread});
    while (!opener.finished())
        std::this_thread::yield();
    EXPECT_EQ(opener.percent(), 100);
    auto opened = opener.take();
    ASSERT_TRUE(opened) << opened.error().message();
    EXPECT_EQ((*opened)->frameCount(), GetParam().frames);
    for (int i = 0; i < 8; ++i)
        RecordingOpener{{input(), kOneThread}};
}

const std::string kSource = "-f lavfi -i testsrc2=size=640x480:rate=30 -frames:v ";

INSTANTIATE_TEST_SUITE_P(
    Recordings, Opening,
    ::testing::Values(OpeningCase{"Mp4", kSource + "60 -c:v libx264 a.mp4", "a.mp4", 60, 50},
                      // Decoded whole to learn the order of its pictures.
                      OpeningCase{"RawH264", kSource + "60 -c:v libx264 -bf 3 a.h264", "a.h264", 60,
                                  50},
                      OpeningCase{"PngFolder", kSource + "12 p/IMG_%d.png", "p", 12, 50}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vireo
