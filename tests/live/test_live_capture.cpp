#include "bmp_builder.h"
#include "live/live_capture.h"
#include "live_input.h"
#include "sources/live_stream.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::LiveInput;
using testing::readFile;

struct Case {
    const char* name;
    Fit fit;
    const char* chain; // the README's filter chain for it
    const char* size;  // of the clip's pictures
    int frames;        // in the clip
    bool realTime;     // played at its rate, or as fast as it goes
    int processingMs;  // the test's throttle: how long the consumer takes per frame
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class LiveFrames : public LiveInput, public ::testing::WithParamInterface<Case> {};

// Each frame taken is the one that arrived as its number, with the bytes the README's command
// writes for it; the frames dropped before it account for every one never taken, and a consumer
// slower than the input drops some; then the input ends.
TEST_P(LiveFrames, AreTheNewestAndEqualTheDocumentedConversion) {
    const Case& c = GetParam();
    make(c.frames, c.size, c.chain);
    writeInto(c.realTime);
    LiveCapture capture(fifo(), {c.fit, std::nullopt, 0});
    LiveFrame frame;
    long long taken = 0;
    long long dropped = 0;
    long long previous = -1;
    while (capture.frames().wait(frame)) {
        EXPECT_EQ(frame.droppedBefore, frame.arrived - previous - 1);
        EXPECT_EQ(frame.file, offline(frame.arrived)) << "frame " << frame.arrived;
        previous = frame.arrived;
        ++taken;
        dropped += frame.droppedBefore;
        std::this_thread::sleep_for(std::chrono::milliseconds(c.processingMs));
    }
    EXPECT_EQ(previous, c.frames - 1);
    EXPECT_EQ(taken + dropped, c.frames);
    EXPECT_EQ(capture.frames().dropped(), dropped);
    EXPECT_TRUE(c.processingMs == 0 || dropped > 0);
    EXPECT_EQ(capture.frames().end()->reason, "the stream ended");
    EXPECT_FALSE(capture.frames().end()->failed);
    std::string size = c.size;
    size.replace(size.find('x'), 1, " x ");
    EXPECT_EQ(capture.description(), fifo() + ": " + size + " mjpeg, " +
                                         (c.fit == Fit::Crop ? "cropped" : "stretched") +
                                         " to 160 x 120");
}

constexpr const char* kStretch = "scale=160:120";
constexpr const char* kCrop = "scale=160:120:force_original_aspect_ratio=increase,crop=160:120";

INSTANTIATE_TEST_SUITE_P(
    Inputs, LiveFrames,
    ::testing::Values(Case{"stretched", Fit::Stretch, kStretch, "640x360", 20, true, 0},
                      Case{"cropped", Fit::Crop, kCrop, "640x360", 20, true, 0},
                      Case{"throttled", Fit::Stretch, kStretch, "160x120", 150, false, 5}),
    [](const auto& info) { return std::string(info.param.name); });

// Whatever the reading thread waits for (a writer that never comes, a stream that never ends),
// a stop ends it, and the end says why.
TEST_F(LiveInput, AStopEndsAReadThatWaits) {
    ASSERT_EQ(::mkfifo(fifo().c_str(), 0600), 0);
    LiveCapture capture(fifo(), {});
    capture.stop();
    LiveFrame frame;
    EXPECT_FALSE(capture.frames().wait(frame));
    EXPECT_EQ(capture.frames().end()->reason, fifo() + ": stopped before the first picture");
    EXPECT_TRUE(capture.frames().end()->failed);
}

// What is not a live input, or does not carry pictures, is refused naming it.
TEST_F(LiveInput, RefusesWhatIsNotALiveInput) {
    const std::string file = (folder.path() / "clip.mjpeg").string();
    testing::writeFile(file, {1, 2, 3});
    for (const auto& [input, reason] :
         {std::pair{file, "not a camera, a pipe or a stream"},
          std::pair{(folder.path() / "none").string(), "no such device or pipe"}}) {
        EXPECT_FALSE(isLiveInput(input));
        LiveCapture capture(input, {});
        LiveFrame frame;
        EXPECT_FALSE(capture.frames().wait(frame));
        EXPECT_EQ(capture.frames().end()->reason, input + ": " + reason);
    }
    EXPECT_TRUE(isLiveInput("udp://127.0.0.1:5000"));
}

// A real camera, named by VIREO_TEST_CAMERA (a webcam, or the kernel's vivid virtual camera):
// its frames arrive converted, and a stop ends them.
TEST(Camera, GivesFrames) {
    const char* device = std::getenv("VIREO_TEST_CAMERA");
    if (device == nullptr)
        GTEST_SKIP() << "VIREO_TEST_CAMERA names no camera";
    EXPECT_TRUE(isLiveInput(device));
    LiveCapture capture(device, {});
    LiveFrame frame;
    for (int n = 0; n < 5; ++n) {
        ASSERT_TRUE(capture.frames().wait(frame)) << capture.frames().end()->reason;
        EXPECT_EQ(frame.file.size(), 54u + 160 * 120 * 3);
    }
    capture.stop();
    while (capture.frames().wait(frame)) {
    }
    EXPECT_EQ(capture.frames().end()->reason, "stopped");
}

} // namespace
} // namespace vireo
