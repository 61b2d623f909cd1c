#include "input/bitmap_loader.h"
#include "media_fixture.h"
#include "sources/natural_order.h"
#include "sources/recording.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace vireo {
namespace {

using testing::readFile;
using testing::runFfmpeg;
using testing::TempFolder;

const Conversion kCrop{Fit::Crop, std::nullopt, 0};
const Conversion kSampled{Fit::Stretch, FrameRate{17, 1}, 0};

struct ByteCase {
    std::string name;
    std::string make;  // ffmpeg arguments that write `input` in the work folder
    std::string input; // a video file, or the folder of pictures prefix<1..>.ext
    Conversion conversion;
};

void PrintTo(const ByteCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertedAsReadmeSays : public ::testing::TestWithParam<ByteCase> {};

// Frame N, read in-process, is byte for byte the picN.bmp that the README's command writes, and
// loads into the state exactly as that file does.
TEST_P(ConvertedAsReadmeSays, FrameIsTheCommandsBitmapFile) {
    const ByteCase& c = GetParam();
    const bool folder = c.input.back() == '/';
    if (c.make.empty() && !std::filesystem::exists(c.input))
        GTEST_SKIP() << c.input << " is not here";
    const TempFolder work;
    std::filesystem::create_directory(work.path() / "p");
    testing::writeFile(work.path() / "p" / "notes.txt", {'h', 'i'});
    if (!c.make.empty())
        runFfmpeg(work.path(), c.make);
    auto opened = openRecording(work.path() / c.input, c.conversion);
    ASSERT_TRUE(opened) << opened.error().message();
    const auto frames = testing::readAll(testing::converted(*opened));

    const std::string convert =
        "-vf '" + conversionChain(c.conversion) + "' -pix_fmt bgr24 -start_number 0 ";
    std::filesystem::create_directory(work.path() / "out");
    // Pictures come in the order of the numbers in their names (IMG_9.png before IMG_10.png).
    const auto numberIn = [&](std::size_t n) {
        const std::string name = (*opened)->frameName(static_cast<long long>(n));
        return std::stoi(name.substr(name.find_first_of("0123456789")));
    };
    for (std::size_t n = 1; folder && n < frames.size(); ++n)
        EXPECT_LT(numberIn(n - 1), numberIn(n));
    if (folder)
        for (std::size_t n = 0; n < frames.size(); ++n)
            runFfmpeg(work.path(), "-i " + c.input +
                                       (*opened)->frameName(static_cast<long long>(n)) + " " +
                                       convert + "out/pic" + std::to_string(n) + ".bmp");
    else
        runFfmpeg(work.path(), "-i " + c.input + " " + convert + "out/pic%d.bmp");
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(work.path() / "out"), {}),
              static_cast<long>(frames.size()));
    ASSERT_GT(frames.size(), 1u);
    for (std::size_t n = 0; n < frames.size(); ++n)
        ASSERT_EQ(frames[n], readFile(work.path() / "out" / frameFileName(static_cast<int>(n))))
            << "frame " << n;

    TrackingState fromRecording;
    TrackingState fromFile;
    ASSERT_TRUE((*opened)->loadFrame(fromRecording, 1));
    ASSERT_TRUE(moveme(fromFile, work.path() / "out", 1));
    EXPECT_EQ(fromRecording.grayimg, fromFile.grayimg);
    EXPECT_EQ(fromRecording.filebytes, fromFile.filebytes);
}

const std::string kSource = "-f lavfi -i testsrc2=size=";
const std::string kHevc = kSource + "320x240:rate=30:duration=2 -c:v libx265 -x265-params "
                                    "no-vui-timing-info=1:bframes=3:log-level=error a.hevc";
const std::string kPictures = kSource + "800x600:rate=5 -frames:v 12 -start_number 1 ";

INSTANTIATE_TEST_SUITE_P(
    Recordings, ConvertedAsReadmeSays,
    ::testing::Values(
        ByteCase{"H264WithBFrames",
                 kSource + "640x480:rate=30:duration=2 -c:v libx264 -bf 3 a.mp4",
                 "a.mp4",
                 {}},
        ByteCase{"CroppedWide", kSource + "1280x720:rate=25:duration=1 -c:v libx264 a.mkv", "a.mkv",
                 kCrop},
        ByteCase{"SampledAt17", kSource + "640x480:rate=30:duration=2 -c:v libx264 a.mp4", "a.mp4",
                 kSampled},
        ByteCase{
            "OddSizeMjpeg", kSource + "321x241:rate=25:duration=1 -c:v mjpeg a.avi", "a.avi", {}},
        ByteCase{
            "LosslessFfv1", kSource + "640x480:rate=25:duration=1 -c:v ffv1 a.mkv", "a.mkv", {}},
        ByteCase{
            "SameSize", kSource + "160x120:rate=25:duration=1 -c:v libx264 a.mp4", "a.mp4", {}},
        ByteCase{"BundledFramesScaledUp",
                 "-i " VIREO_SAMPLES "/pic%d.bmp -vf scale=640:480 -c:v libx264 a.mp4", "a.mp4",
                 kCrop},
        // Raw HEVC without timing in its headers: FFmpeg takes it for 25 frames a second.
        ByteCase{"WithoutFrameRate", kHevc, "a.hevc", {}},
        ByteCase{"WithoutFrameRateSampled", kHevc, "a.hevc", kSampled},
        ByteCase{"PngFolder", kPictures + "p/IMG_%d.png", "p/", {}},
        ByteCase{"JpegFolder", kPictures + "-f image2 p/%d.jpg", "p/", kCrop},
        ByteCase{"RealJpegFolder", "", VIREO_REAL_PICTURES "/", {}}),
    [](const auto& info) { return info.param.name; });

struct ShuffleCase {
    std::string name;
    std::string make; // ffmpeg arguments that write a.<ext>
    std::string file;
};

void PrintTo(const ShuffleCase& c, std::ostream* os) {
    *os << c.name;
}

class AnyOrder : public ::testing::TestWithParam<ShuffleCase> {};

// Frame N is the same pixels however it is reached: forwards, backwards, far ahead, the last.
TEST_P(AnyOrder, GivesWhatReadingInOrderGives) {
    const TempFolder work;
    runFfmpeg(work.path(), GetParam().make);
    auto opened = openRecording(work.path() / GetParam().file);
    ASSERT_TRUE(opened) << opened.error().message();
    auto& recording = testing::converted(*opened);
    const auto inOrder = testing::readAll(recording);
    std::vector<long long> order(inOrder.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    order.resize(std::min<std::size_t>(order.size(), 40));
    order.push_back(static_cast<long long>(inOrder.size()) - 1);
    order.push_back(order[0] + 1 < static_cast<long long>(inOrder.size()) ? order[0] + 1 : 0);
    std::vector<std::uint8_t> file;
    for (long long n : order) {
        ASSERT_TRUE(recording.readFrame(n, file)) << "frame " << n;
        ASSERT_EQ(file, inOrder[static_cast<std::size_t>(n)]) << "frame " << n;
    }
}

const std::string kLong = kSource + "320x240:rate=30 -frames:v 600 -c:v libx264 -bf 3 -g 250 ";

INSTANTIATE_TEST_SUITE_P(
    Videos, AnyOrder,
    ::testing::Values(ShuffleCase{"KeyFrameEvery250", kLong + "a.mp4", "a.mp4"},
                      ShuffleCase{"RawH264", kLong + "-f h264 a.h264", "a.h264"},
                      ShuffleCase{"VariableFrameRate",
                                  kSource +
                                      "320x240:rate=30:duration=4,setpts='N*(1+mod(N\\,3))/30/TB' "
                                      "-fps_mode vfr -c:v libx264 -bf 2 -g 40 a.mkv",
                                  "a.mkv"}),
    [](const auto& info) { return info.param.name; });

TEST(NaturalOrder, ComparesDigitRunsAsNumbers) {
    std::vector<std::string> names{
        "IMG_10.jpg", "b",   "IMG_2.jpg", "IMG_007.jpg", "IMG_7.jpg", "IMG_2.jpg.txt",
        "a10b",       "a9c", "IMG_",      "10",          "9"};
    std::sort(names.begin(), names.end(), comesBeforeNaturally);
    EXPECT_EQ(names, (std::vector<std::string>{"9", "10", "IMG_", "IMG_2.jpg", "IMG_2.jpg.txt",
                                               "IMG_7.jpg", "IMG_007.jpg", "IMG_10.jpg", "a9c",
                                               "a10b", "b"}));
}

} // namespace
} // namespace vireo
