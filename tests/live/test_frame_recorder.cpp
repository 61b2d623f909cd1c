#include "bmp_builder.h"
#include "live/frame_recorder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace vireo {
namespace {

using namespace std::chrono_literals;
using testing::readFile;

class FrameRecorderTest : public ::testing::Test {
protected:
    FrameRecorder start() {
        Expected<FrameRecorder> recorder = FrameRecorder::start(parent.path(), started);
        EXPECT_TRUE(recorder) << recorder.error().message();
        return std::move(*recorder);
    }
    // What is in the recording's folder, by name.
    std::vector<std::string> names(const std::filesystem::path& folder) const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    std::string list(const std::filesystem::path& folder) const {
        const std::vector<std::uint8_t> bytes = readFile(folder / kFramesCsvName);
        return {bytes.begin(), bytes.end()};
    }

    testing::TempFolder parent;
    std::chrono::system_clock::time_point started = std::chrono::system_clock::now();
    std::chrono::steady_clock::time_point arrival = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> frame = std::vector<std::uint8_t>(57654, 7);
};

// Each frame is a picN.bmp of the bytes given, listed with its arrival after the first and the
// frames dropped before it; a recording started in the same second gets a folder of its own.
TEST_F(FrameRecorderTest, WritesEachFrameAndItsLine) {
    FrameRecorder recorder = start();
    const std::string name = recorder.folder().filename().string();
    EXPECT_EQ(name.size(), 21u);
    EXPECT_EQ(name.find_first_not_of("0123456789", 6), 14u) << name;
    EXPECT_EQ(name.find_first_not_of("0123456789", 15), std::string::npos) << name;
    EXPECT_TRUE(name.starts_with("vireo-")) << name;
    ASSERT_TRUE(recorder.add(frame, arrival, 0));
    frame[100] = 9;
    ASSERT_TRUE(recorder.add(frame, arrival + 1234567us, 3));
    EXPECT_EQ(recorder.frames(), 2);
    EXPECT_EQ(names(recorder.folder()),
              (std::vector<std::string>{"pic0.bmp", "pic1.bmp", "vireo-frames.csv"}));
    EXPECT_EQ(readFile(recorder.folder() / "pic1.bmp"), frame);
    EXPECT_EQ(list(recorder.folder()),
              "frame,arrival_ms,dropped_before\n0,0.000,0\n1,1234.567,3\n");
    EXPECT_EQ(start().folder().filename(), recorder.folder().filename().string() + "-2");
}

// A full disk (here the largest file allowed) or a folder gone stops the recording with a message
// naming the file; the frames written before stay, listed whole, and no part of a file is left.
TEST_F(FrameRecorderTest, AFailedWriteStopsTheRecordingAndKeepsWhatWasWritten) {
    for (const bool full : {true, false}) {
        FrameRecorder recorder = start();
        ASSERT_TRUE(recorder.add(frame, arrival, 0));
        rlimit before{};
        ::getrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_IGN);
        if (full) {
            rlimit small = before;
            small.rlim_cur = 40000;
            ::setrlimit(RLIMIT_FSIZE, &small);
        } else {
            std::filesystem::rename(recorder.folder(), parent.path() / "moved");
        }
        const Expected<void> refused = recorder.add(frame, arrival + 10ms, 0);
        ::setrlimit(RLIMIT_FSIZE, &before);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().subject, (recorder.folder() / "pic1.bmp").string());
        EXPECT_EQ(refused.error().reason, full ? "cannot write: file too large"
                                               : "cannot write: no such file or directory");
        EXPECT_FALSE(recorder.add(frame, arrival + 20ms, 0));
        const std::filesystem::path kept = full ? recorder.folder() : parent.path() / "moved";
        EXPECT_EQ(names(kept), (std::vector<std::string>{"pic0.bmp", "vireo-frames.csv"}));
        EXPECT_EQ(list(kept), "frame,arrival_ms,dropped_before\n0,0.000,0\n");
        std::filesystem::remove_all(kept);
    }
}

} // namespace
} // namespace vireo
