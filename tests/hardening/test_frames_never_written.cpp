// The frames are input only: neither the loader nor vireo-cli, over a whole session, opens a
// frame file for writing or changes its bytes or modification time.

#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "recording_surface.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::BmpLayout;
using testing::TempFolder;

constexpr int kFrames = 4; // pic0.bmp .. pic3.bmp; pic3.bmp is refused

struct FileRecord {
    std::vector<char> bytes;
    fs::file_time_type modified;
};

FileRecord record(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {{std::istreambuf_iterator<char>(in), {}}, fs::last_write_time(file)};
}

// Frame files, a record of each, and an inotify watch that sees any of them opened for writing,
// modified, re-timed, replaced or removed.
class FramesNeverWritten : public ::testing::Test {
protected:
    void SetUp() override {
        for (int frame = 0; frame < kFrames; ++frame) {
            BmpLayout layout;
            layout.topDown = frame == 1;
            layout.bitCount = frame == kFrames - 1 ? 8 : 24;
            const fs::path file = frames.path() / frameFileName(frame);
            testing::writeFile(
                file, testing::buildBmp(testing::verticalBand(200, 40, 60 + frame, 100), layout));
            before[file.filename().string()] = record(file);
        }
        watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, frames.path().c_str(),
                                      IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE |
                                          IN_MOVED_FROM | IN_MOVED_TO),
                  0);
    }

    void TearDown() override { ::close(watch); }

    void expectFramesUntouched() const {
        alignas(inotify_event) char buffer[16384];
        for (ssize_t got; (got = ::read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                at += sizeof(inotify_event) + event->len;
                // Other files, such as a program's output written next to the frames, may change.
                if (event->len > 0 && before.count(event->name) > 0)
                    ADD_FAILURE() << event->name << " was written: event mask " << event->mask;
            }
        }
        for (const auto& [name, was] : before) {
            const FileRecord now = record(frames.path() / name);
            EXPECT_TRUE(now.bytes == was.bytes) << name << " changed its bytes";
            EXPECT_TRUE(now.modified == was.modified) << name << " changed its mtime";
        }
    }

    TempFolder frames;
    std::map<std::string, FileRecord> before;
    int watch = -1;
};

TEST_F(FramesNeverWritten, ByTheLoader) {
    TrackingState state;
    testing::RecordingSurface picture;
    int refused = 0;
    for (int round = 0; round < 3; ++round) {
        for (int frame = 0; frame <= kFrames; ++frame) {
            try {
                moveme(state, frames.path(), frame, &picture);
            } catch (const LoadError&) {
                ++refused;
            }
        }
    }
    EXPECT_EQ(refused, 3 * 2) << "pic3.bmp (bit count 8) and the missing pic4.bmp";
    expectFramesUntouched();
}

#ifdef VIREO_CLI
// Several runs over every frame, writing edge maps and pictures to a folder of its own and next
// to the frames.
TEST_F(FramesNeverWritten, ByVireoCli) {
    TempFolder output;
    const std::string in = frames.path().string();
    const std::string out = output.path().string();
    for (const std::string& arguments :
         {" --dir " + in + " --runs 5 --format jsonl --edges-dir " + out + " --render-dir " + out,
          " --dir " + in + " --threshold 30 --edges-dir " + in + " --render-dir " + in + " 0-20"}) {
        const int status =
            std::system((VIREO_CLI + arguments + " >> " + out + "/records.txt").c_str());
        ASSERT_TRUE(WIFEXITED(status)) << "vireo-cli" << arguments << ": status " << status;
        EXPECT_LE(WEXITSTATUS(status), 1) << "vireo-cli" << arguments;
    }
    EXPECT_GT(fs::file_size(output.path() / "records.txt"), 0u) << "vireo-cli wrote no records";
    expectFramesUntouched();
}
#endif

} // namespace
} // namespace vireo
