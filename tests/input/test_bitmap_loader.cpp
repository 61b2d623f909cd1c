#include "bmp_builder.h"
#include "frame_files.h"
#include "input/bitmap_loader.h"
#include "recording_surface.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::buildBmp;
using testing::patterned;
using testing::writeFile;

class LoaderTest : public ::testing::Test {
protected:
    // The plain patterned frame loaded as frame 1, to show whether a refusal changed anything.
    LoaderTest() {
        writeFile(folder.path() / frameFileName(1), buildBmp(patterned));
        EXPECT_TRUE(moveme(state, folder.path(), 1));
    }
    testing::TempFolder folder;
    TrackingState state;
};

// The picture lands upright, picture row r in grey row r, each grey level the mean of blue, green
// and red rounded to nearest; row 120 and column 160 keep what they held. The bytes read are kept
// and the picture shows the file's colours upright.
TEST_F(LoaderTest, PlacesEveryPixelUprightAndKeepsTheBytes) {
    const std::vector<std::uint8_t> bytes = buildBmp(patterned);
    state.grayimg.fill(77);
    testing::RecordingSurface surface;
    ASSERT_TRUE(moveme(state, folder.path(), 1, &surface));
    for (int y = 0; y <= 120; ++y)
        for (int x = 0; x <= 160; ++x) {
            const testing::Bgr p = x < 160 && y < 120 ? patterned(x, y) : testing::Bgr{77, 77, 77};
            ASSERT_EQ(state.grayimg.at(x, y), (p.blue + p.green + p.red + 1) / 3) << x << "," << y;
        }
    EXPECT_EQ(state.filebytes, bytes);
    ASSERT_EQ(surface.count("picture"), 1);
    const testing::Bgr p = patterned(17, 3);
    EXPECT_EQ(surface.picture.at(17, 3), rgb(p.red, p.green, p.blue));
}

// The table of frame files, and any other file in the fuzzer's corpus (the fuzzer's finds).
std::vector<testing::FrameFileCase> casesAndFinds() {
    std::vector<testing::FrameFileCase> cases = testing::frameFileCases();
    std::set<std::string> names;
    for (const auto& c : cases)
        names.insert(c.name + ".bmp");
    for (const auto& entry : fs::directory_iterator(VIREO_FUZZ_CORPUS))
        if (!names.contains(entry.path().filename().string()))
            cases.push_back({entry.path().stem().string(), testing::readFile(entry.path()), {}});
    return cases;
}

// The fuzzer's seed corpus holds the table's files; VIREO_WRITE_CORPUS=1 rewrites them after a
// change to the table.
TEST(FrameFiles, AreTheFuzzersSeedCorpus) {
    for (const auto& c : testing::frameFileCases()) {
        const fs::path file = fs::path(VIREO_FUZZ_CORPUS) / (c.name + ".bmp");
        if (std::getenv("VIREO_WRITE_CORPUS"))
            writeFile(file, c.bytes);
        EXPECT_EQ(testing::readFile(file), c.bytes) << file;
    }
}

class FrameFile : public LoaderTest,
                  public ::testing::WithParamInterface<testing::FrameFileCase> {};

// A valid file gives exactly the plain file's grey frame and keeps its headers and pixels; a
// refused one names itself and its fault and changes nothing, so the previous frame stays whole.
// A load of some grey rows only reads less of the file, refuses the same and gives those rows.
TEST_P(FrameFile, LoadsAsThePlainFrameOrIsRefusedChangingNothing) {
    const TrackingState before = state;
    writeFile(folder.path() / "pic9.bmp", GetParam().bytes);
    TrackingState rows = state;
    const Expected<void> partly = moveme(rows, folder.path(), 9, nullptr, {29, 91});
    Expected<void> loaded = Error{};
    ASSERT_NO_THROW(loaded = moveme(state, folder.path(), 9));
    ASSERT_EQ(partly.ok(), loaded.ok());
    for (int y = 0; y < 120; ++y)
        ASSERT_TRUE(std::ranges::equal(rows.grayimg.row(y),
                                       (y < 29 || y > 91 ? before : state).grayimg.row(y)))
            << "grey row " << y;
    const auto& refusal = GetParam().refusal;
    if (!loaded) {
        ASSERT_NE(refusal, "") << "refused: " << loaded.error().message();
        EXPECT_EQ(loaded.error().subject, "pic9.bmp");
        EXPECT_NE(loaded.error().reason.find(refusal.value_or("")), std::string::npos)
            << loaded.error().reason;
        EXPECT_EQ(state.grayimg, before.grayimg);
        EXPECT_EQ(state.filebytes, before.filebytes);
        return;
    }
    ASSERT_TRUE(!refusal || refusal->empty()) << "accepted a file it must refuse";
    const std::size_t infoSize = state.filebytes.at(14) | (state.filebytes.at(15) << 8);
    EXPECT_EQ(state.filebytes.size(), 14 + infoSize + 160 * 120 * 3);
    EXPECT_TRUE(!refusal || state.grayimg == before.grayimg) << "not the plain file's frame";
}

INSTANTIATE_TEST_SUITE_P(Table, FrameFile, ::testing::ValuesIn(casesAndFinds()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Bytes this process has read through system calls so far.
long long bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value && key != "rchar:") {
    }
    return value;
}

// What is not a frame file is refused with its reason, without blocking on a pipe or a device
// and without reading more than a frame's worth of a huge sparse file whose pixel data would lie
// past its end.
TEST_F(LoaderTest, RefusesWhatIsNotAFrameFile) {
    const fs::path file = folder.path() / "pic9.bmp";
    writeFile(folder.path() / "plain", {1});
    const auto sparse = [&] {
        constexpr off_t kTwoGiB = off_t{1} << 31;
        writeFile(file, buildBmp(patterned, {.dataOffsetField = kTwoGiB - 57600 + 1}));
        fs::resize_file(file, kTwoGiB);
    };
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[] {}, "no such file"},
        {[&] { fs::create_directory(file); }, "folder"},
        {[&] { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }, "not a regular file"},
        {[&] { fs::create_symlink("/dev/zero", file); }, "not a regular file"},
        {[&] { fs::create_symlink(file, file); }, "symbolic links"},
        {[&] { fs::create_symlink(folder.path() / "plain" / "x", file); }, "not a folder"},
        {sparse, "too short for pixel data"}};
    for (const auto& [make, reason] : cases) {
        fs::remove(file);
        make();
        const long long before = bytesReadSoFar();
        const Expected<void> loaded = moveme(state, folder.path(), 9);
        EXPECT_LT(bytesReadSoFar() - before, 1 << 20) << reason;
        ASSERT_FALSE(loaded) << reason;
        EXPECT_NE(loaded.error().reason.find(reason), std::string::npos) << loaded.error().reason;
    }
}

} // namespace
} // namespace vireo
