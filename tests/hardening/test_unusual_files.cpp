// Frame files that are not plain frames: huge sparse files, files that change between loads or
// while they are loaded, files the user may not read, and folders with unusual names.

#include "bmp_builder.h"
#include "input/bitmap_loader.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::buildBmp;
using testing::TempFolder;
using testing::writeFile;

std::vector<std::uint8_t> frameA(const testing::BmpLayout& layout = {}) {
    return buildBmp(testing::verticalBand(200, 40, 60, 100), layout);
}

// Another picture, stored top-down with a longer header, so that a mix of the two frames shows.
std::vector<std::uint8_t> frameB() {
    return buildBmp(testing::verticalBand(30, 220, 10, 90),
                    {.infoHeaderSize = 124, .topDown = true});
}

// Loads `frame` and returns the refusal's reason, or nullopt when it loaded.
std::optional<std::string> load(TrackingState& state, const fs::path& folder, int frame) {
    const Expected<void> loaded = moveme(state, folder, frame);
    if (loaded)
        return std::nullopt;
    EXPECT_EQ(loaded.error().subject, frameFileName(frame));
    return loaded.error().reason;
}

// The state a fresh load of `bytes` gives.
TrackingState loadedFresh(const std::vector<std::uint8_t>& bytes) {
    TempFolder folder;
    writeFile(folder.path() / frameFileName(0), bytes);
    TrackingState state;
    EXPECT_EQ(load(state, folder.path(), 0), std::nullopt);
    return state;
}

bool sameState(const TrackingState& a, const TrackingState& b) {
    return a.grayimg == b.grayimg && a.filebytes == b.filebytes;
}

// Bytes this process has read through system calls so far.
long long bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

// A 2 GiB sparse file: the plain header loads with a frame's worth of bytes; pixel data placed
// one byte past the end is refused. A loader that sized its buffer or its reading by the file's
// size would allocate or read 2 GiB.
TEST(SparseFile, TwoGiBIsHandledReadingAndAllocatingOnlyAFramesWorth) {
    constexpr off_t kTwoGiB = off_t{1} << 31;
    for (const std::uint32_t offset : {54u, static_cast<std::uint32_t>(kTwoGiB - 57600 + 1)}) {
        SCOPED_TRACE("pixel data at " + std::to_string(offset));
        TempFolder folder;
        const std::vector<std::uint8_t> frame = frameA({.dataOffsetField = offset});
        const int fd = ::open((folder.path() / "pic2.bmp").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        if (::ftruncate(fd, kTwoGiB) != 0) {
            ::close(fd);
            GTEST_SKIP() << "this file system cannot hold a 2 GiB sparse file";
        }
        ASSERT_EQ(::pwrite(fd, frame.data(), frame.size(), 0), static_cast<ssize_t>(frame.size()));
        ::close(fd);

        TrackingState state;
        state.filebytes = {1, 2, 3};
        const long long readBefore = bytesReadSoFar();
        const auto refusal = load(state, folder.path(), 2);
        EXPECT_LT(bytesReadSoFar() - readBefore, 1 << 20) << "read far more than a frame";
        if (offset == 54) {
            EXPECT_EQ(refusal, std::nullopt);
            EXPECT_TRUE(state.filebytes == frame);
        } else {
            EXPECT_NE(refusal.value_or("").find("too short for pixel data"), std::string::npos);
            EXPECT_EQ(state.filebytes, (std::vector<std::uint8_t>{1, 2, 3}));
        }
    }
}

// Each load reads the file as it is then: what a fresh load of the new content gives, or a
// refusal that keeps the previous load whole; never a mix.
TEST(ChangedBetweenLoads, EachLoadReflectsTheContentThenOrChangesNothing) {
    TempFolder folder;
    const fs::path file = folder.path() / frameFileName(6);
    const std::vector<std::uint8_t> a = frameA();
    writeFile(file, {a.begin(), a.begin() + 30000});
    TrackingState state;
    EXPECT_NE(load(state, folder.path(), 6), std::nullopt) << "a part of a frame";
    std::ofstream(file, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(a.data()) + 30000, std::streamsize(a.size() - 30000));
    EXPECT_EQ(load(state, folder.path(), 6), std::nullopt) << "grown to a whole frame";
    EXPECT_TRUE(sameState(state, loadedFresh(a)));
    writeFile(file, frameB());
    EXPECT_EQ(load(state, folder.path(), 6), std::nullopt) << "rewritten in place";
    const TrackingState stateB = loadedFresh(frameB());
    EXPECT_TRUE(sameState(state, stateB));
    fs::resize_file(file, 40000);
    EXPECT_NE(load(state, folder.path(), 6), std::nullopt) << "shrunk inside its pixels";
    EXPECT_TRUE(sameState(state, stateB));
}

// A writer swaps two frames in by atomic rename while frames are loaded: every load gives one
// frame or the other whole, never bytes of both, and never fails.
TEST(ReplacedWhileLoading, EveryLoadGivesOneWholeFrame) {
    TempFolder folder;
    const fs::path file = folder.path() / frameFileName(8);
    const fs::path a = folder.path() / "a.bmp";
    const fs::path b = folder.path() / "b.bmp";
    writeFile(a, frameA());
    writeFile(b, frameB());
    fs::copy_file(a, file);
    const TrackingState stateA = loadedFresh(frameA());
    const TrackingState stateB = loadedFresh(frameB());

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const fs::path staged = folder.path() / "staged.bmp";
        for (bool useB = true; !stop; useB = !useB)
            if (::link((useB ? b : a).c_str(), staged.c_str()) != 0 ||
                ::rename(staged.c_str(), file.c_str()) != 0)
                return;
    });
    for (int i = 0; i < 200; ++i) {
        TrackingState state;
        const auto refusal = load(state, folder.path(), 8);
        if (refusal || !(sameState(state, stateA) || sameState(state, stateB))) {
            ADD_FAILURE() << "load " << i << ": " << refusal.value_or("mixed the two frames");
            break;
        }
    }
    stop = true;
    writer.join();
}

// An unreadable frame is refused as "permission denied", not shown as an empty or missing file.
// As root the load runs in a child that has become the user nobody.
TEST(UnreadableFile, IsRefusedAsPermissionDenied) {
    TempFolder folder;
    fs::permissions(folder.path(), fs::perms(0755));
    const fs::path file = folder.path() / frameFileName(9);
    writeFile(file, frameA());
    fs::permissions(file, fs::perms::none);
    const auto refusedAsDenied = [&] {
        TrackingState state;
        const auto refusal = load(state, folder.path(), 9);
        EXPECT_EQ(refusal, std::optional<std::string>("permission denied"));
        return refusal == "permission denied" && state.filebytes.empty();
    };
    if (::geteuid() != 0) {
        if (::access(file.c_str(), R_OK) == 0)
            GTEST_SKIP() << "this user reads files whatever their permissions";
        EXPECT_TRUE(refusedAsDenied());
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool nobody =
            ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(nobody && refusedAsDenied() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "as nobody: status " << status;
}

// The folder's name reaches the file system unchanged: no quoting, splitting, encoding or
// format-string handling on the way. A name too long or a plain file is refused with a reason.
TEST(Folder, UnusualNamesLoadAndBadOnesAreRefused) {
    const TrackingState expected = loadedFresh(frameA());
    TempFolder base;
    for (const char* name : {"frames ü 漢字", "two  spaces and a trailing one ",
                             "quotes ' \" %s%n $HOME *?", "not utf-8 \xff\xfe", "a b/ü c/nested"}) {
        fs::create_directories(base.path() / name);
        writeFile(base.path() / name / frameFileName(5), frameA());
        TrackingState state;
        EXPECT_EQ(load(state, base.path() / name, 5), std::nullopt) << name;
        EXPECT_TRUE(sameState(state, expected)) << name;
    }
    writeFile(base.path() / "plain", {1, 2, 3});
    for (const auto& [folder, reason] : {std::pair(std::string(300, 'x'), "file name too long"),
                                         std::pair(std::string("plain"), "not a folder")}) {
        TrackingState state;
        EXPECT_NE(load(state, base.path() / folder, 1).value_or("").find(reason), std::string::npos)
            << reason;
        EXPECT_TRUE(state.filebytes.empty());
    }
}

} // namespace
} // namespace vireo
