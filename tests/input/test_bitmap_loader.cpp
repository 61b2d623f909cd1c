#include "bmp_builder.h"
#include "input/bitmap_loader.h"
#include "recording_surface.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vireo {
namespace {

using testing::Bgr;
using testing::BmpLayout;
using testing::buildBmp;
using testing::TempFolder;
using testing::writeFile;

// Every pixel different, and blue, green and red different from one another, so that a swapped
// channel, a flipped row or a transposed index shows.
Bgr patterned(int x, int y) {
    return {static_cast<std::uint8_t>(x + 3 * y), static_cast<std::uint8_t>(7 * x + y),
            static_cast<std::uint8_t>(x * y + 11)};
}

std::uint8_t expectedGrey(Bgr p) {
    return static_cast<std::uint8_t>((p.blue + p.green + p.red + 1) / 3);
}

class LoaderTest : public ::testing::Test {
protected:
    void write(int frame, const std::vector<std::uint8_t>& bytes) {
        writeFile(folder.path() / frameFileName(frame), bytes);
    }
    TempFolder folder;
    TrackingState state;
};

TEST(FrameFileName, IsPicNumberBmpWithoutPadding) {
    EXPECT_EQ(frameFileName(0), "pic0.bmp");
    EXPECT_EQ(frameFileName(5), "pic5.bmp");
    EXPECT_EQ(frameFileName(12), "pic12.bmp");
    EXPECT_EQ(frameFileName(-3), "pic-3.bmp");
}

// The picture lands upright: picture row r in grey row r, blue/green/red averaged and rounded.
TEST_F(LoaderTest, PlacesEveryPixelUprightInRowsZeroTo119) {
    write(5, buildBmp(patterned));
    moveme(state, folder.path(), 5);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(state.grayimg.at(x, y), expectedGrey(patterned(x, y))) << x << "," << y;
}

// Grey (0, 119) comes from the first stored bytes (offsets 54..56), grey (159, 0) from the last.
TEST_F(LoaderTest, BottomRowComesFromTheFirstStoredBytes) {
    const std::vector<std::uint8_t> bytes = buildBmp(patterned);
    write(1, bytes);
    moveme(state, folder.path(), 1);
    auto mean = [&](std::size_t at) { return (bytes[at] + bytes[at + 1] + bytes[at + 2] + 1) / 3; };
    EXPECT_EQ(state.grayimg.at(0, 119), mean(54));
    EXPECT_EQ(state.grayimg.at(159, 119), mean(531));
    EXPECT_EQ(state.grayimg.at(0, 118), mean(534));
    EXPECT_EQ(state.grayimg.at(159, 0), mean(57651));
}

TEST_F(LoaderTest, NeverWritesRow120OrColumn160) {
    for (int x = 0; x <= 160; ++x)
        state.grayimg.at(x, 120) = 77;
    for (int y = 0; y <= 120; ++y)
        state.grayimg.at(160, y) = 77;
    write(2, buildBmp(testing::uniform(200)));
    moveme(state, folder.path(), 2);
    moveme(state, folder.path(), 2);
    for (int x = 0; x <= 160; ++x)
        EXPECT_EQ(state.grayimg.at(x, 120), 77);
    for (int y = 0; y <= 120; ++y)
        EXPECT_EQ(state.grayimg.at(160, y), 77);
    EXPECT_EQ(state.grayimg.at(159, 119), 200);
}

struct RoundingCase {
    Bgr pixel;
    int grey;
};

void PrintTo(const RoundingCase& c, std::ostream* os) {
    *os << int(c.pixel.blue) << "," << int(c.pixel.green) << "," << int(c.pixel.red) << " -> "
        << c.grey;
}

class LoaderRounding : public LoaderTest, public ::testing::WithParamInterface<RoundingCase> {};

// The mean rounds to nearest: a truncating or a ceiling division fails one of these.
TEST_P(LoaderRounding, RoundsTheMeanToNearest) {
    const Bgr p = GetParam().pixel;
    write(3, buildBmp([p](int, int) { return p; }));
    moveme(state, folder.path(), 3);
    EXPECT_EQ(state.grayimg.at(10, 10), GetParam().grey);
}

INSTANTIATE_TEST_SUITE_P(Means, LoaderRounding,
                         ::testing::Values(RoundingCase{{1, 0, 0}, 0}, RoundingCase{{1, 1, 0}, 1},
                                           RoundingCase{{2, 2, 1}, 2}, RoundingCase{{0, 1, 1}, 1},
                                           RoundingCase{{255, 255, 255}, 255},
                                           RoundingCase{{255, 255, 254}, 255},
                                           RoundingCase{{0, 0, 0}, 0}));

struct VariantCase {
    const char* name;
    BmpLayout layout;
};

void PrintTo(const VariantCase& c, std::ostream* os) {
    *os << c.name;
}

class LoaderVariants : public LoaderTest, public ::testing::WithParamInterface<VariantCase> {};

// Other valid ways of storing the same picture give exactly the plain file's grey frame.
TEST_P(LoaderVariants, GiveTheSameGreyFrameAsThePlainFile) {
    write(0, buildBmp(patterned));
    moveme(state, folder.path(), 0);
    const Frame plain = state.grayimg;

    TrackingState other;
    write(1, buildBmp(patterned, GetParam().layout));
    moveme(other, folder.path(), 1);
    EXPECT_EQ(other.grayimg, plain);
}

BmpLayout with(void (*change)(BmpLayout&)) {
    BmpLayout layout;
    change(layout);
    return layout;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LoaderVariants,
    ::testing::Values(
        VariantCase{"TopDown", with([](BmpLayout& l) { l.topDown = true; })},
        VariantCase{"InfoHeader52", with([](BmpLayout& l) { l.infoHeaderSize = 52; })},
        VariantCase{"InfoHeader56", with([](BmpLayout& l) { l.infoHeaderSize = 56; })},
        VariantCase{"InfoHeader108", with([](BmpLayout& l) { l.infoHeaderSize = 108; })},
        VariantCase{"InfoHeader124", with([](BmpLayout& l) { l.infoHeaderSize = 124; })},
        VariantCase{"SizeFieldZero", with([](BmpLayout& l) { l.sizeField = 0; })},
        VariantCase{"SizeFieldHuge", with([](BmpLayout& l) { l.sizeField = 0xFFFFFFFF; })},
        VariantCase{"GapBeforePixels", with([](BmpLayout& l) { l.gapBeforePixels = 1024; })}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoaderTest, ShowsTheFilesColoursUprightOnThePicture) {
    struct Capture : testing::RecordingSurface {
        void setPicture(const Picture& p) override {
            shown = p;
            ++count;
        }
        Picture shown;
        int count = 0;
    } surface;
    write(4, buildBmp(patterned));
    moveme(state, folder.path(), 4, &surface);
    ASSERT_EQ(surface.count, 1);
    const Bgr p = patterned(17, 3);
    EXPECT_EQ(surface.shown.at(17, 3), rgb(p.red, p.green, p.blue));
}

TEST_F(LoaderTest, KeepsTheBytesItReadInFilebytes) {
    const std::vector<std::uint8_t> bytes = buildBmp(patterned);
    write(6, bytes);
    moveme(state, folder.path(), 6);
    ASSERT_EQ(state.filebytes.size(), bytes.size());
    EXPECT_EQ(state.filebytes, bytes);
}

TEST_F(LoaderTest, EmptyFolderMeansTheCurrentDirectory) {
    write(7, buildBmp(testing::uniform(90)));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    EXPECT_NO_THROW(moveme(state, {}, 7));
    std::filesystem::current_path(previous);
    EXPECT_EQ(state.grayimg.at(50, 50), 90);
}

struct RefusalCase {
    const char* name;
    std::function<void(const std::filesystem::path& file)> make;
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
    moveme(state, folder.path(), 1);
    const TrackingState before = state;

    GetParam().make(folder.path() / "pic9.bmp");
    try {
        moveme(state, folder.path(), 9);
        FAIL() << "accepted a bad file";
    } catch (const LoadError& error) {
        EXPECT_EQ(error.file(), "pic9.bmp");
        EXPECT_NE(error.reason().find(GetParam().reason), std::string::npos) << error.what();
        EXPECT_EQ(std::string(error.what()), "pic9.bmp: " + error.reason());
    }
    EXPECT_EQ(state.grayimg, before.grayimg);
    EXPECT_EQ(state.filebytes, before.filebytes);
}

void writeLayout(const std::filesystem::path& file, void (*change)(BmpLayout&)) {
    writeFile(file, buildBmp(patterned, with(change)));
}

void bindSocket(const std::filesystem::path& file) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(file.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, file.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd); // the socket file stays
}

std::vector<std::uint8_t> truncated(std::size_t size) {
    std::vector<std::uint8_t> bytes = buildBmp(patterned);
    bytes.resize(size);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, LoaderRefusals,
    ::testing::Values(
        RefusalCase{"Missing", [](const auto&) {}, "no such file"},
        RefusalCase{"Folder", [](const auto& f) { std::filesystem::create_directory(f); },
                    "folder"},
        RefusalCase{"Empty", [](const auto& f) { writeFile(f, {}); }, "too short"},
        RefusalCase{"TenBytes", [](const auto& f) { writeFile(f, truncated(10)); }, "too short"},
        RefusalCase{"EndsInHeader", [](const auto& f) { writeFile(f, truncated(40)); },
                    "ends inside its bitmap header"},
        RefusalCase{"EndsInPixels", [](const auto& f) { writeFile(f, truncated(57653)); },
                    "too short for pixel data"},
        RefusalCase{"Signature",
                    [](const auto& f) {
                        auto bytes = buildBmp(patterned);
                        bytes[0] = 'P';
                        writeFile(f, bytes);
                    },
                    "not a bitmap"},
        RefusalCase{
            "InfoHeader12",
            [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.infoHeaderSize = 12; }); },
            "header of 12 bytes"},
        RefusalCase{"BitCount8",
                    [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.bitCount = 8; }); },
                    "bit count 8, expected 24"},
        RefusalCase{"BitCount32",
                    [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.bitCount = 32; }); },
                    "bit count 32, expected 24"},
        RefusalCase{"Planes",
                    [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.planes = 2; }); },
                    "2 colour planes"},
        RefusalCase{"Compressed",
                    [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.compression = 1; }); },
                    "compressed"},
        RefusalCase{"Width161",
                    [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.width = 161; }); },
                    "161 x 120, expected 160 x 120"},
        RefusalCase{"Height100",
                    [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.height = 100; }); },
                    "160 x 100"},
        RefusalCase{
            "OffsetInsideHeader",
            [](const auto& f) { writeLayout(f, [](BmpLayout& l) { l.dataOffsetField = 20; }); },
            "inside the bitmap header"},
        RefusalCase{"OffsetPastEnd",
                    [](const auto& f) {
                        writeLayout(f, [](BmpLayout& l) { l.dataOffsetField = 0x7FFFFFF0; });
                    },
                    "too short for pixel data"},
        RefusalCase{"Fifo", [](const auto& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); },
                    "not a regular file"},
        RefusalCase{"Socket", [](const auto& f) { bindSocket(f); }, "not a regular file"},
        RefusalCase{"LinkToDevZero",
                    [](const auto& f) { std::filesystem::create_symlink("/dev/zero", f); },
                    "not a regular file"},
        RefusalCase{"DanglingLink",
                    [](const auto& f) { std::filesystem::create_symlink(f.string() + ".gone", f); },
                    "no such file"},
        RefusalCase{"LinkLoop", [](const auto& f) { std::filesystem::create_symlink(f, f); },
                    "symbolic links"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vireo
