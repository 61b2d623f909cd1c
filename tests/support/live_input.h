#pragma once

#include "media_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace vireo::testing {

// An MJPEG clip of testsrc2 (`frames` frames of `size`), the frame files the README's command
// writes for it (pic0.bmp ...), and a FIFO that writeInto() plays the clip into with the ffmpeg
// tool on a thread of the test's.
class LiveInput : public ::testing::Test {
protected:
    void make(int frames, const std::string& size, const std::string& chain) {
        run("-f lavfi -i testsrc2=size=" + size + ":rate=30 -frames:v " + std::to_string(frames) +
            " -q:v 5 clip.mjpeg");
        run("-i clip.mjpeg -vf " + chain + " -pix_fmt bgr24 -start_number 0 pic%d.bmp");
        ASSERT_EQ(::mkfifo(fifo().c_str(), 0600), 0);
    }
    void run(const std::string& arguments) { testing::runFfmpeg(folder.path(), arguments); }
    // Plays the clip into the FIFO, in real time with `realTime`, as fast as it goes otherwise.
    void writeInto(bool realTime) {
        writer = std::thread([this, realTime] {
            run(std::string(realTime ? "-re " : "") + "-i clip.mjpeg -c copy -f mjpeg fifo");
        });
    }
    std::string fifo() const { return (folder.path() / "fifo").string(); }
    std::vector<std::uint8_t> offline(long long frame) const {
        return readFile(folder.path() / ("pic" + std::to_string(frame) + ".bmp"));
    }
    ~LiveInput() override {
        if (writer.joinable())
            writer.join();
    }

    testing::TempFolder folder;
    std::thread writer;
};

} // namespace vireo::testing
