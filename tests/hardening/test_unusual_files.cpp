// Frame files that are not plain frames: huge sparse files, files that change between loads or
// while they are loaded, files the user may not read, and folders with unusual names.

#include "bmp_builder.h"
#include "input/bitmap_loader.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::Bgr;
using testing::BmpLayout;
using testing::buildBmp;
using testing::TempFolder;
using testing::writeFile;

constexpr std::size_t kPixelBytes = 160 * 120 * 3;

Bgr patterned(int x, int y) {
    return {static_cast<std::uint8_t>(x + 3 * y), static_cast<std::uint8_t>(7 * x + y),
            static_cast<std::uint8_t>(x * y + 11)};
}

Bgr otherPattern(int x, int y) {
    return {static_cast<std::uint8_t>(200 - x), static_cast<std::uint8_t>(y * 2),
            static_cast<std::uint8_t>(x ^ y)};
}

// The state that loading `bytes` as a fresh file into a fresh state gives.
TrackingState loadedFresh(const std::vector<std::uint8_t>& bytes) {
    TempFolder folder;
    writeFile(folder.path() / frameFileName(0), bytes);
    TrackingState state;
    moveme(state, folder.path(), 0);
    return state;
}

// Loads frame `frame` and returns the refusal's reason, or nullopt when it loaded.
std::optional<std::string> load(TrackingState& state, const fs::path& folder, int frame) {
    try {
        moveme(state, folder, frame);
    } catch (const LoadError& error) {
        EXPECT_EQ(error.file(), frameFileName(frame));
        return error.reason();
    }
    return std::nullopt;
}

void expectSameState(const TrackingState& actual, const TrackingState& expected) {
    EXPECT_TRUE(actual.grayimg == expected.grayimg) << "grey frames differ";
    EXPECT_TRUE(actual.filebytes == expected.filebytes) << "file bytes differ";
}

// Bytes this process has read through system calls so far.
std::optional<long long> bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return std::nullopt;
}

// ---- 2 GiB sparse files ----

constexpr off_t kTwoGiB = off_t{1} << 31;

struct SparseCase {
    const char* name;
    std::optional<std::uint32_t> dataOffset; // nullopt: no header at all, only zeros
    const char* refusal;                     // nullptr: it must load
};

void PrintTo(const SparseCase& c, std::ostream* os) {
    *os << c.name;
}

class SparseFile : public ::testing::TestWithParam<SparseCase> {};

// A loader that sized its buffer or its reading by the file's size would allocate or read 2 GiB;
// this one must read the headers and one frame of pixels and nothing more.
TEST_P(SparseFile, LoadsOrIsRefusedReadingOnlyAFramesWorth) {
    const SparseCase& c = GetParam();
    TempFolder folder;
    const fs::path file = folder.path() / frameFileName(2);
    BmpLayout layout;
    if (c.dataOffset)
        layout.dataOffsetField = *c.dataOffset;
    const std::vector<std::uint8_t> frame = buildBmp(patterned, layout);
    {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        if (::ftruncate(fd, kTwoGiB) != 0) {
            ::close(fd);
            GTEST_SKIP() << "this file system cannot hold a 2 GiB sparse file";
        }
        if (c.dataOffset) {
            ASSERT_EQ(::pwrite(fd, frame.data(), 54, 0), 54);
            if (*c.dataOffset + kPixelBytes <= static_cast<std::uint64_t>(kTwoGiB)) {
                ASSERT_EQ(::pwrite(fd, frame.data() + 54, kPixelBytes, *c.dataOffset),
                          static_cast<ssize_t>(kPixelBytes));
            }
        }
        ::close(fd);
    }

    TrackingState state;
    state.filebytes = {1, 2, 3};
    const TrackingState before = state;
    const auto readBefore = bytesReadSoFar();
    const auto refusal = load(state, folder.path(), 2);
    const auto readAfter = bytesReadSoFar();
    if (readBefore && readAfter) {
        EXPECT_LT(*readAfter - *readBefore, 1 << 20) << "the loader read far more than a frame";
    }

    if (c.refusal != nullptr) {
        ASSERT_TRUE(refusal.has_value()) << "accepted a file it must refuse";
        EXPECT_NE(refusal->find(c.refusal), std::string::npos) << *refusal;
        expectSameState(state, before);
        return;
    }
    ASSERT_FALSE(refusal.has_value()) << *refusal;
    // The headers as written, then the pixels from wherever the header placed them.
    EXPECT_EQ(state.filebytes.size(), 54 + kPixelBytes);
    EXPECT_TRUE(state.filebytes == frame) << "file bytes differ";
    EXPECT_TRUE(state.grayimg == loadedFresh(buildBmp(patterned)).grayimg) << "grey frames differ";
}

INSTANTIATE_TEST_SUITE_P(
    TwoGiB, SparseFile,
    ::testing::Values(SparseCase{"PlainHeader", 54, nullptr},
                      SparseCase{"PixelsAtTheVeryEnd",
                                 static_cast<std::uint32_t>(kTwoGiB - kPixelBytes), nullptr},
                      SparseCase{"PixelsOneBytePastTheEnd",
                                 static_cast<std::uint32_t>(kTwoGiB - kPixelBytes + 1),
                                 "too short for pixel data"},
                      SparseCase{"OffsetNear4GiB", 0xFFFFFFFFu, "too short for pixel data"},
                      SparseCase{"OnlyZeros", std::nullopt, "not a bitmap file"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- files that change between two loads ----

std::vector<std::uint8_t> frameA() {
    return buildBmp(patterned);
}

// Another picture, stored differently, so that a mix of the two frames shows.
std::vector<std::uint8_t> frameB() {
    BmpLayout layout;
    layout.infoHeaderSize = 124;
    layout.topDown = true;
    return buildBmp(otherPattern, layout);
}

void append(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

enum class Outcome { ShowsA, ShowsB, RefusedKeepsFirst };

struct ChangeCase {
    const char* name;
    std::size_t firstBytes; // how much of frame A the file holds at the first load
    void (*change)(const fs::path& file, const fs::path& elsewhere);
    Outcome second;
};

void PrintTo(const ChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class ChangedBetweenLoads : public ::testing::TestWithParam<ChangeCase> {};

// The second load reads the file as it is then: it gives exactly what a fresh load of the new
// content gives, or it refuses the file and leaves the first load's state whole.
TEST_P(ChangedBetweenLoads, SecondLoadReflectsTheNewContentOrChangesNothing) {
    const ChangeCase& c = GetParam();
    TempFolder folder;
    TempFolder elsewhere;
    const fs::path file = folder.path() / frameFileName(6);
    std::vector<std::uint8_t> first = frameA();
    first.resize(c.firstBytes);
    writeFile(file, first);

    TrackingState state;
    const bool firstLoads = !load(state, folder.path(), 6).has_value();
    ASSERT_EQ(firstLoads, c.firstBytes == frameA().size());
    const TrackingState afterFirst = state;

    c.change(file, elsewhere.path());
    const auto refusal = load(state, folder.path(), 6);
    switch (c.second) {
    case Outcome::ShowsA:
        ASSERT_FALSE(refusal.has_value()) << *refusal;
        expectSameState(state, loadedFresh(frameA()));
        break;
    case Outcome::ShowsB:
        ASSERT_FALSE(refusal.has_value()) << *refusal;
        expectSameState(state, loadedFresh(frameB()));
        break;
    case Outcome::RefusedKeepsFirst:
        ASSERT_TRUE(refusal.has_value()) << "the changed file loaded";
        expectSameState(state, afterFirst);
        break;
    }
}

const std::size_t kWholeA = frameA().size();

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedBetweenLoads,
    ::testing::Values(
        ChangeCase{"GrowsFromAPartToAWholeFrame", 30000,
                   [](const fs::path& file, const fs::path&) {
                       const auto whole = frameA();
                       append(file, {whole.begin() + 30000, whole.end()});
                   },
                   Outcome::ShowsA},
        ChangeCase{"GrowsPastItsPixels", kWholeA,
                   [](const fs::path& file, const fs::path&) {
                       append(file, std::vector<std::uint8_t>(100000, 0xEE));
                   },
                   Outcome::ShowsA},
        ChangeCase{"RewrittenInPlace", kWholeA,
                   [](const fs::path& file, const fs::path&) { writeFile(file, frameB()); },
                   Outcome::ShowsB},
        ChangeCase{"ReplacedByRename", kWholeA,
                   [](const fs::path& file, const fs::path&) {
                       const fs::path fresh = file.string() + ".new";
                       writeFile(fresh, frameB());
                       fs::rename(fresh, file);
                   },
                   Outcome::ShowsB},
        ChangeCase{"ReplacedByALinkToAnotherFrame", kWholeA,
                   [](const fs::path& file, const fs::path& elsewhere) {
                       writeFile(elsewhere / "other.bmp", frameB());
                       fs::remove(file);
                       fs::create_symlink(elsewhere / "other.bmp", file);
                   },
                   Outcome::ShowsB},
        ChangeCase{"ShrunkInsideItsPixels", kWholeA,
                   [](const fs::path& file, const fs::path&) { fs::resize_file(file, 40000); },
                   Outcome::RefusedKeepsFirst},
        ChangeCase{"ShrunkToNothing", kWholeA,
                   [](const fs::path& file, const fs::path&) { fs::resize_file(file, 0); },
                   Outcome::RefusedKeepsFirst},
        ChangeCase{"ReplacedByAFolder", kWholeA,
                   [](const fs::path& file, const fs::path&) {
                       fs::remove(file);
                       fs::create_directory(file);
                   },
                   Outcome::RefusedKeepsFirst},
        ChangeCase{"Removed", kWholeA,
                   [](const fs::path& file, const fs::path&) { fs::remove(file); },
                   Outcome::RefusedKeepsFirst}),
    [](const auto& info) { return std::string(info.param.name); });

// A writer that swaps two frames in by atomic rename while frames are loaded: every load must
// give one frame or the other whole, never rows or bytes of both, and never fail.
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
        for (bool useB = true; !stop.load(); useB = !useB) {
            if (::link((useB ? b : a).c_str(), staged.c_str()) != 0 ||
                ::rename(staged.c_str(), file.c_str()) != 0)
                return;
        }
    });
    int sawA = 0;
    int sawB = 0;
    for (int i = 0; i < 400; ++i) {
        TrackingState state;
        const auto refusal = load(state, folder.path(), 8);
        if (refusal) {
            ADD_FAILURE() << "load " << i << " refused: " << *refusal;
            break;
        }
        const bool isA = state.grayimg == stateA.grayimg && state.filebytes == stateA.filebytes;
        const bool isB = state.grayimg == stateB.grayimg && state.filebytes == stateB.filebytes;
        if (!isA && !isB) {
            ADD_FAILURE() << "load " << i << " mixed the two frames";
            break;
        }
        (isA ? sawA : sawB)++;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(sawA + sawB, 400);
}

// ---- a file the user may not read ----

// Loads `file`'s frame as the user nobody in a child process; returns the child's answer.
std::string loadAsNobody(const fs::path& folder, int frame) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "cannot create a pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "cannot fork";
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string answer;
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            answer = "cannot become nobody";
        } else {
            TrackingState state;
            try {
                moveme(state, folder, frame);
                answer = "loaded";
            } catch (const LoadError& error) {
                answer = state.filebytes.empty() ? error.reason() : "refused but changed state";
            } catch (...) {
                answer = "another exception escaped";
            }
        }
        const ssize_t ignored = ::write(pipeFds[1], answer.data(), answer.size());
        static_cast<void>(ignored);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child crashed";
    return answer;
}

// An unreadable frame is refused as "permission denied", not shown as an empty or missing file.
TEST(UnreadableFile, IsRefusedAsPermissionDenied) {
    TempFolder folder;
    fs::permissions(folder.path(), fs::perms(0755));
    const fs::path file = folder.path() / frameFileName(9);
    writeFile(file, frameA());
    fs::permissions(file, fs::perms::none);

    if (::geteuid() == 0) {
        EXPECT_EQ(loadAsNobody(folder.path(), 9), "permission denied");
        return;
    }
    if (::access(file.c_str(), R_OK) == 0)
        GTEST_SKIP() << "this user reads files whatever their permissions";
    TrackingState state;
    EXPECT_EQ(load(state, folder.path(), 9), std::optional<std::string>("permission denied"));
    EXPECT_TRUE(state.filebytes.empty());
}

// ---- unusual folder names ----

struct FolderNameCase {
    const char* name;
    const char* folder;
};

void PrintTo(const FolderNameCase& c, std::ostream* os) {
    *os << c.name;
}

class UnusualFolderName : public ::testing::TestWithParam<FolderNameCase> {};

// The folder's name reaches the file system unchanged: no quoting, splitting, encoding or
// format-string handling on the way.
TEST_P(UnusualFolderName, LoadsFromItByAbsoluteAndRelativePath) {
    TempFolder base;
    const fs::path relative(GetParam().folder);
    fs::create_directories(base.path() / relative);
    writeFile(base.path() / relative / frameFileName(5), frameA());
    const TrackingState expected = loadedFresh(frameA());

    TrackingState state;
    ASSERT_EQ(load(state, base.path() / relative, 5), std::nullopt);
    expectSameState(state, expected);

    const fs::path previous = fs::current_path();
    fs::current_path(base.path());
    TrackingState fromRelative;
    const auto refusal = load(fromRelative, relative, 5);
    fs::current_path(previous);
    ASSERT_EQ(refusal, std::nullopt);
    expectSameState(fromRelative, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnusualFolderName,
    ::testing::Values(FolderNameCase{"NonAscii", "frames ü 漢字"},
                      FolderNameCase{"Spaces", "two  spaces and a trailing one "},
                      FolderNameCase{"TabAndNewline", "tab\there and\nnewline"},
                      FolderNameCase{"LeadingDash", "-starts-with-a-dash"},
                      FolderNameCase{"Quotes", "quotes ' and \" and `"},
                      FolderNameCase{"GlobAndBackslash", "back\\slash *?[glob]"},
                      FolderNameCase{"FormatDirectives", "%s%n%x percent"},
                      FolderNameCase{"ShellExpansions", "$HOME and ~"},
                      FolderNameCase{"NotUtf8", "not utf-8 \xff\xfe"},
                      FolderNameCase{"NestedNonAscii", "a b/ü c/漢 字/nested"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadFolderCase {
    const char* name;
    fs::path (*folder)(const fs::path& base);
    const char* reason;
};

void PrintTo(const BadFolderCase& c, std::ostream* os) {
    *os << c.name;
}

class BadFolder : public ::testing::TestWithParam<BadFolderCase> {};

TEST_P(BadFolder, IsRefusedWithAReason) {
    TempFolder base;
    TrackingState state;
    const auto refusal = load(state, GetParam().folder(base.path()), 1);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_NE(refusal->find(GetParam().reason), std::string::npos) << *refusal;
    EXPECT_TRUE(state.filebytes.empty());
}

INSTANTIATE_TEST_SUITE_P(Folders, BadFolder,
                         ::testing::Values(BadFolderCase{"NameLongerThan255Bytes",
                                                         [](const fs::path& base) {
                                                             return base / std::string(300, 'x');
                                                         },
                                                         "file name too long"},
                                           BadFolderCase{"PathLongerThan4096Bytes",
                                                         [](const fs::path& base) {
                                                             fs::path deep = base;
                                                             for (int level = 0; level < 25;
                                                                  ++level)
                                                                 deep /= std::string(200, 'y');
                                                             return deep;
                                                         },
                                                         "file name too long"},
                                           BadFolderCase{"AFileInsteadOfAFolder",
                                                         [](const fs::path& base) {
                                                             writeFile(base / "plain", {1, 2, 3});
                                                             return base / "plain";
                                                         },
                                                         "not a folder"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vireo
