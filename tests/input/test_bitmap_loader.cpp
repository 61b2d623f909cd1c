#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "recording_surface.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace vireo {
namespace {

namespace fs = std::filesystem;
using testing::Bgr;
using testing::BmpLayout;
using testing::buildBmp;
using testing::writeFile;

// Every pixel different, and blue, green and red different from one another, so that a swapped
// channel, a flipped row or a transposed index shows.
Bgr patterned(int x, int y) {
    return {static_cast<std::uint8_t>(x + 3 * y), static_cast<std::uint8_t>(7 * x + y),
            static_cast<std::uint8_t>(x * y + 11)};
}

class LoaderTest : public ::testing::Test {
protected:
    void write(int frame, const std::vector<std::uint8_t>& bytes) {
        writeFile(folder.path() / frameFileName(frame), bytes);
    }
    testing::TempFolder folder;
    TrackingState state;
};

// The picture lands upright, picture row r in grey row r, and row 120 and column 160 keep what
// they held; grey (0, 119) is the mean of the first stored bytes (54..56), grey (159, 0) of the
// last. The bytes read are kept and the picture shows the file's colours upright.
TEST_F(LoaderTest, PlacesEveryPixelUprightAndKeepsTheBytes) {
    struct Capture : testing::RecordingSurface {
        void setPicture(const Picture& p) override { shown.push_back(p); }
        std::vector<Picture> shown;
    } surface;
    const std::vector<std::uint8_t> bytes = buildBmp(patterned);
    write(5, bytes);
    state.grayimg.fill(77);
    ASSERT_TRUE(moveme(state, folder.path(), 5, &surface));
    for (int y = 0; y <= 120; ++y)
        for (int x = 0; x <= 160; ++x) {
            const Bgr p = x < 160 && y < 120 ? patterned(x, y) : Bgr{77, 77, 77};
            ASSERT_EQ(state.grayimg.at(x, y), (p.blue + p.green + p.red + 1) / 3) << x << "," << y;
        }
    auto mean = [&](std::size_t at) { return (bytes[at] + bytes[at + 1] + bytes[at + 2] + 1) / 3; };
    EXPECT_EQ(state.grayimg.at(0, 119), mean(54));
    EXPECT_EQ(state.grayimg.at(159, 119), mean(531));
    EXPECT_EQ(state.grayimg.at(0, 118), mean(534));
    EXPECT_EQ(state.grayimg.at(159, 0), mean(57651));
    EXPECT_EQ(state.filebytes, bytes);
    ASSERT_EQ(surface.shown.size(), 1u);
    const Bgr p = patterned(17, 3);
    EXPECT_EQ(surface.shown[0].at(17, 3), rgb(p.red, p.green, p.blue));
}

// The mean rounds to nearest: a truncating or a ceiling division fails one of these.
TEST_F(LoaderTest, RoundsTheMeanToNearest) {
    const std::pair<Bgr, int> cases[] = {{{1, 0, 0}, 0},         {{1, 1, 0}, 1},
                                         {{2, 2, 1}, 2},         {{0, 1, 1}, 1},
                                         {{255, 255, 255}, 255}, {{255, 255, 254}, 255}};
    write(3, buildBmp([&](int x, int) { return cases[x % 6].first; }));
    ASSERT_TRUE(moveme(state, folder.path(), 3));
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(state.grayimg.at(x, 10), cases[x].second) << x;
}

class LoaderVariants : public LoaderTest,
                       public ::testing::WithParamInterface<std::pair<const char*, BmpLayout>> {};

// Other valid ways of storing the same picture give exactly the plain file's grey frame.
TEST_P(LoaderVariants, GiveTheSameGreyFrameAsThePlainFile) {
    write(0, buildBmp(patterned));
    ASSERT_TRUE(moveme(state, folder.path(), 0));
    TrackingState other;
    write(1, buildBmp(patterned, GetParam().second));
    ASSERT_TRUE(moveme(other, folder.path(), 1));
    EXPECT_EQ(other.grayimg, state.grayimg);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LoaderVariants,
    ::testing::Values(std::pair("TopDown", BmpLayout{.topDown = true}),
                      std::pair("InfoHeader52", BmpLayout{.infoHeaderSize = 52}),
                      std::pair("InfoHeader56", BmpLayout{.infoHeaderSize = 56}),
                      std::pair("InfoHeader108", BmpLayout{.infoHeaderSize = 108}),
                      std::pair("InfoHeader124", BmpLayout{.infoHeaderSize = 124}),
                      std::pair("SizeFieldZero", BmpLayout{.sizeField = 0}),
                      std::pair("SizeFieldHuge", BmpLayout{.sizeField = 0xFFFFFFFF}),
                      std::pair("GapBeforePixels", BmpLayout{.gapBeforePixels = 1024})),
    [](const auto& info) { return std::string(info.param.first); });

TEST_F(LoaderTest, EmptyFolderMeansTheCurrentDirectory) {
    write(7, buildBmp(testing::uniform(90)));
    const auto previous = fs::current_path();
    fs::current_path(folder.path());
    EXPECT_TRUE(moveme(state, {}, 7));
    fs::current_path(previous);
    EXPECT_EQ(state.grayimg.at(50, 50), 90);
}

struct RefusalCase {
    const char* name;
    std::function<void(const fs::path& file)> make;
    const char* reason; // a part of the expected reason
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class LoaderRefusals : public LoaderTest, public ::testing::WithParamInterface<RefusalCase> {};

// A refused file names itself and its fault, and leaves the grey frame and the bytes as they
// were, so the previous frame stays intact.
TEST_P(LoaderRefusals, RefuseWithAReasonAndChangeNothing) {
    write(1, buildBmp(patterned));
    ASSERT_TRUE(moveme(state, folder.path(), 1));
    const TrackingState before = state;

    GetParam().make(folder.path() / "pic9.bmp");
    const Expected<void> loaded = moveme(state, folder.path(), 9);
    ASSERT_FALSE(loaded) << "accepted a bad file";
    EXPECT_EQ(loaded.error().subject, "pic9.bmp");
    EXPECT_NE(loaded.error().reason.find(GetParam().reason), std::string::npos)
        << loaded.error().message();
    EXPECT_EQ(state.grayimg, before.grayimg);
    EXPECT_EQ(state.filebytes, before.filebytes);
}

// Writes the patterned picture in `layout`, cut to `size` bytes when given.
std::function<void(const fs::path&)> bmp(BmpLayout layout, std::size_t size = 0, char first = 'B') {
    return [=](const fs::path& file) {
        std::vector<std::uint8_t> bytes = buildBmp(patterned, layout);
        bytes.resize(size ? size : bytes.size());
        bytes[0] = first;
        writeFile(file, bytes);
    };
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, LoaderRefusals,
    ::testing::Values(
        RefusalCase{"Missing", [](const auto&) {}, "no such file"},
        RefusalCase{"Folder", [](const auto& f) { fs::create_directory(f); }, "folder"},
        RefusalCase{"Empty", [](const auto& f) { writeFile(f, {}); }, "too short"},
        RefusalCase{"TenBytes", bmp({}, 10), "too short"},
        RefusalCase{"EndsInHeader", bmp({}, 40), "ends inside its bitmap header"},
        RefusalCase{"EndsInPixels", bmp({}, 57653), "too short for pixel data"},
        RefusalCase{"Signature", bmp({}, 0, 'P'), "not a bitmap"},
        RefusalCase{"InfoHeader12", bmp({.infoHeaderSize = 12}), "header of 12 bytes"},
        RefusalCase{"BitCount8", bmp({.bitCount = 8}), "bit count 8, expected 24"},
        RefusalCase{"BitCount32", bmp({.bitCount = 32}), "bit count 32, expected 24"},
        RefusalCase{"Planes", bmp({.planes = 2}), "2 colour planes"},
        RefusalCase{"Compressed", bmp({.compression = 1}), "compressed"},
        RefusalCase{"Width161", bmp({.width = 161}), "161 x 120, expected 160 x 120"},
        RefusalCase{"Height100", bmp({.height = 100}), "160 x 100"},
        RefusalCase{"OffsetInsideHeader", bmp({.dataOffsetField = 20}), "inside the bitmap header"},
        RefusalCase{"OffsetPastEnd", bmp({.dataOffsetField = 0x7FFFFFF0}),
                    "too short for pixel data"},
        RefusalCase{"Fifo", [](const auto& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); },
                    "not a regular file"},
        RefusalCase{"LinkToDevZero", [](const auto& f) { fs::create_symlink("/dev/zero", f); },
                    "not a regular file"},
        RefusalCase{"DanglingLink",
                    [](const auto& f) { fs::create_symlink(f.string() + ".gone", f); },
                    "no such file"},
        RefusalCase{"LinkLoop", [](const auto& f) { fs::create_symlink(f, f); }, "symbolic links"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vireo
