// The frames are input only: vireo-cli, over a whole session, never opens a frame file for
// writing, changes its bytes or times, replaces or removes it. (The window's session is checked
// by the random-operator test.)

#include "bmp_builder.h"
#include "input/bitmap_loader.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vireo {
namespace {

#ifdef VIREO_CLI
// Several runs over pic0..pic3 (pic1 top-down, pic3 refused), writing edge maps and pictures to
// a folder of its own and next to the frames; an inotify watch on the frames' folder sees any
// write, change of attributes, replacement or removal.
TEST(FramesNeverWritten, ByVireoCli) {
    testing::TempFolder frames, output;
    for (int frame = 0; frame < 4; ++frame) {
        testing::BmpLayout layout{.topDown = frame == 1,
                                  .bitCount = std::uint16_t(frame == 3 ? 8 : 24)};
        testing::writeFile(
            frames.path() / frameFileName(frame),
            testing::buildBmp(testing::verticalBand(200, 40, 60 + frame, 100), layout));
    }
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, frames.path().c_str(),
                                  IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE |
                                      IN_MOVED_FROM | IN_MOVED_TO),
              0);

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
    EXPECT_GT(std::filesystem::file_size(output.path() / "records.txt"), 0u);

    alignas(inotify_event) char buffer[16384];
    for (ssize_t got; (got = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            EXPECT_FALSE(event->mask & IN_Q_OVERFLOW) << "events were lost";
            // The program's own output next to the frames may change.
            const std::string name = event->len > 0 ? event->name : "";
            if (name.starts_with("pic"))
                ADD_FAILURE() << name << " was written: event mask " << event->mask;
        }
    ::close(watch);
}
#endif

} // namespace
} // namespace vireo
