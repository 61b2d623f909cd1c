// The frames are input only: over a whole session no program opens a frame file for writing, and
// every frame keeps its bytes, its modification time and its status-change time.

#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "recording_surface.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::BmpLayout;
using testing::buildBmp;
using testing::TempFolder;
using testing::writeFile;

constexpr int kFrames = 13; // pic0.bmp .. pic12.bmp; pic12.bmp is refused

struct FileRecord {
    std::vector<char> bytes;
    struct timespec modified {};
    struct timespec changed {};
    mode_t mode = 0;
};

// "pic", a decimal number and ".bmp": the name of a frame file.
bool isFrameFileName(const std::string& name) {
    if (name.size() < 8 || name.rfind("pic", 0) != 0 || name.substr(name.size() - 4) != ".bmp")
        return false;
    std::string number = name.substr(3, name.size() - 7);
    if (number.front() == '-')
        number.erase(0, 1);
    return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

FileRecord record(const fs::path& file) {
    FileRecord result;
    std::ifstream in(file, std::ios::binary);
    result.bytes.assign(std::istreambuf_iterator<char>(in), {});
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        result.modified = info.st_mtim;
        result.changed = info.st_ctim;
        result.mode = info.st_mode;
    }
    return result;
}

// A folder of frame files, a record of each and a watch on the folder that sees every file opened
// for writing (reported when it is closed), modified, re-timed, created, removed or renamed.
class FramesNeverWritten : public ::testing::Test {
protected:
    void SetUp() override {
        for (int frame = 0; frame < kFrames; ++frame) {
            BmpLayout layout;
            layout.topDown = frame % 3 == 1;
            layout.infoHeaderSize = frame % 3 == 2 ? 124 : 40;
            if (frame == kFrames - 1)
                layout.bitCount = 8;
            writeFile(frames.path() / frameFileName(frame),
                      buildBmp(testing::verticalBand(200, 40, 60 + frame, 100 + frame), layout));
        }
        for (const auto& entry : fs::directory_iterator(frames.path()))
            before[entry.path().filename().string()] = record(entry.path());

        watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0) << "inotify: " << std::strerror(errno);
        ASSERT_GE(::inotify_add_watch(watch, frames.path().c_str(),
                                      IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE |
                                          IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                          IN_MOVE_SELF),
                  0);
    }

    void TearDown() override {
        if (watch >= 0)
            ::close(watch);
    }

    // Every event that touched a frame file or the folder itself since SetUp. Other files in the
    // folder, such as a program's output written next to the frames, are not frames.
    std::vector<std::string> frameEvents() const {
        std::vector<std::string> found;
        alignas(inotify_event) char buffer[16384];
        for (ssize_t got; (got = ::read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                at += sizeof(inotify_event) + event->len;
                const std::string name = event->len > 0 ? event->name : "";
                if (event->mask & IN_Q_OVERFLOW)
                    found.push_back("too many events to tell");
                else if (name.empty() || isFrameFileName(name))
                    found.push_back("event 0x" + hex(event->mask) + " on \"" + name + "\"");
            }
        }
        return found;
    }

    void expectFramesUntouched() const {
        for (const std::string& event : frameEvents())
            ADD_FAILURE() << "a frame file or the frames folder was written: " << event;
        std::size_t frameFiles = 0;
        for (const auto& [name, was] : before) {
            ++frameFiles;
            const FileRecord now = record(frames.path() / name);
            EXPECT_TRUE(now.bytes == was.bytes) << name << " changed its bytes";
            EXPECT_TRUE(sameTime(now.modified, was.modified)) << name << " changed its mtime";
            EXPECT_TRUE(sameTime(now.changed, was.changed)) << name << " changed its ctime";
            EXPECT_EQ(now.mode, was.mode) << name << " changed its mode";
        }
        EXPECT_EQ(frameFiles, static_cast<std::size_t>(kFrames));
    }

    static std::string hex(std::uint32_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "%x", value);
        return text;
    }

    TempFolder frames;
    std::map<std::string, FileRecord> before;
    int watch = -1;
};

// A loader that opened frames read-write, or wrote anything back, shows here.
TEST_F(FramesNeverWritten, ByTheLoaderOverManyLoads) {
    TrackingState state;
    testing::RecordingSurface picture;
    int refused = 0;
    for (int round = 0; round < 20; ++round) {
        for (int frame = 0; frame <= kFrames; ++frame) {
            try {
                moveme(state, frames.path(), frame, &picture);
            } catch (const LoadError&) {
                ++refused;
            }
        }
    }
    EXPECT_EQ(refused, 20 * 2) << "pic12.bmp (bit count 8) and the missing pic13.bmp";
    expectFramesUntouched();
}

#ifdef VIREO_CLI
// Runs a program with `arguments`, its standard output into `output`; returns its wait status.
int runProgram(const std::vector<std::string>& arguments, const fs::path& output) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int error = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

// vireo-cli over every frame, several runs each, writing its edge maps and pictures both to a
// folder of its own and next to the frames.
TEST_F(FramesNeverWritten, ByVireoCli) {
    TempFolder output;
    const std::string folder = frames.path().string();
    const std::string out = output.path().string();
    const std::vector<std::vector<std::string>> sessions{
        {VIREO_CLI, "--dir", folder},
        {VIREO_CLI, "--dir", folder, "--runs", "5", "--format", "jsonl", "--edges-dir", out,
         "--render-dir", out},
        {VIREO_CLI, "--dir", folder, "--threshold", "30", "--edges-dir", folder, "--render-dir",
         folder, "0-20", "3", "3"},
    };
    for (const auto& arguments : sessions) {
        const int status = runProgram(arguments, output.path() / "records.txt");
        ASSERT_TRUE(WIFEXITED(status)) << "vireo-cli did not exit normally: status " << status;
        EXPECT_LE(WEXITSTATUS(status), 1) << "vireo-cli exit status";
    }
    EXPECT_GT(fs::file_size(output.path() / "records.txt"), 0u) << "vireo-cli wrote no records";
    expectFramesUntouched();
}
#else
TEST_F(FramesNeverWritten, ByVireoCli) {
    GTEST_SKIP() << "vireo-cli is not part of this build";
}
#endif

// The window's session over the same frames goes here: start it on `frames`, move the frame
// slider over every frame, press "Display Picture" and "Find Center", move the threshold slider,
// close it, then call expectFramesUntouched().

} // namespace
} // namespace vireo
