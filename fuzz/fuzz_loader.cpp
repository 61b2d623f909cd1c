// libFuzzer target for the frame loader. Each input is written as a frame file picN.bmp in a
// private folder and loaded through moveme(), exactly as the programs load a frame. A refusal
// is an expected answer; anything else that escapes, a crash, a leak, a sanitizer report or a
// broken check below is a finding.

#include "input/bitmap_loader.h"
#include "state/tracking_state.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using vireo::Colour;
using vireo::Frame;
using vireo::TrackingState;

constexpr int kFrameNumber = 3;
constexpr int kWidth = Frame::kPictureWidth;
constexpr int kHeight = Frame::kPictureHeight;
constexpr std::size_t kRowBytes = 3 * kWidth;
constexpr std::size_t kPixelBytes = kRowBytes * kHeight;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "vireo-fuzz-loader: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition)
        fail(what);
}

// A private folder for the frame file, on /dev/shm when there is one, so that the many writes
// cost no disk; removed when the fuzzer ends normally.
class ScratchFolder {
public:
    ScratchFolder() {
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "vireo-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            fail("cannot create a scratch folder");
        path_ = pattern;
        file_ = path_ / vireo::frameFileName(kFrameNumber);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& path() const { return path_; }

    void writeFrame(const std::uint8_t* data, std::size_t size) const {
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            fail("cannot write the frame file");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t wrote = ::write(fd, data + done, size - done);
            if (wrote <= 0)
                fail("cannot write the frame file");
            done += static_cast<std::size_t>(wrote);
        }
        ::close(fd);
    }

private:
    std::filesystem::path path_;
    std::filesystem::path file_;
};

// Keeps the picture the loader shows.
class PictureCapture : public vireo::Surface {
public:
    void clear() override { fail("the loader cleared the picture surface"); }
    void setPicture(const vireo::Picture& picture) override {
        shown = picture;
        ++count;
    }
    void setLineWidth(int) override {}
    void setPixel(float, float, Colour) override { fail("the loader painted a pixel"); }
    void line(float, float, float, float, Colour) override { fail("the loader drew a line"); }
    void circle(float, float, float, Colour) override { fail("the loader drew a circle"); }

    vireo::Picture shown;
    int count = 0;
};

std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// The state before every load: a grey frame with a pattern in the picture area, zeros in row 120
// and column 160, and some file bytes, so that a refusal that touched anything shows.
TrackingState stateBefore() {
    TrackingState state;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            state.grayimg.at(x, y) = static_cast<std::uint8_t>(x * 5 + y);
    state.filebytes = {'o', 'l', 'd'};
    return state;
}

void checkRefusal(const vireo::Error& error, const TrackingState& state,
                  const TrackingState& before, const PictureCapture& picture) {
    check(error.subject == vireo::frameFileName(kFrameNumber), "a refusal names another file");
    const std::string& reason = error.reason;
    check(!reason.empty(), "a refusal without a reason");
    check(reason.back() != '.' && !(reason[0] >= 'A' && reason[0] <= 'Z'),
          "a reason that is not lower-case without a trailing period");
    check(state.grayimg == before.grayimg, "a refused file changed the grey frame");
    check(state.filebytes == before.filebytes, "a refused file changed the file bytes");
    check(picture.count == 0, "a refused file was shown");
}

// A successful load must have accepted only a frame file the loader's contract accepts, and must
// give what a plain reading of the bytes gives.
void checkLoad(const std::uint8_t* data, std::size_t size, const TrackingState& state,
               const PictureCapture& picture) {
    check(size >= 54 && data[0] == 'B' && data[1] == 'M', "accepted a file without \"BM\"");
    const std::uint32_t infoSize = u32(data + 14);
    check(infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124,
          "accepted an unsupported information header");
    const std::size_t headers = 14 + infoSize;
    const std::uint32_t offset = u32(data + 10);
    const auto height = static_cast<std::int32_t>(u32(data + 22));
    check(static_cast<std::int32_t>(u32(data + 18)) == kWidth &&
              (height == kHeight || height == -kHeight),
          "accepted a picture that is not 160 x 120");
    check(u16(data + 26) == 1 && u16(data + 28) == 24 && u32(data + 30) == 0,
          "accepted planes, bit count or compression it does not read");
    check(offset >= headers && offset + kPixelBytes <= size,
          "accepted pixel data outside the file or inside the header");

    check(state.filebytes.size() == headers + kPixelBytes,
          "the file bytes are not the headers and one frame of pixels");
    check(std::equal(data, data + headers, state.filebytes.begin()),
          "the file bytes do not start with the file's headers");
    check(std::equal(data + offset, data + offset + kPixelBytes,
                     state.filebytes.begin() + static_cast<std::ptrdiff_t>(headers)),
          "the file bytes do not hold the file's pixel data");

    check(picture.count == 1, "a loaded frame was not shown once");
    for (int y = 0; y < kHeight; ++y) {
        const int stored = height > 0 ? kHeight - 1 - y : y;
        const std::uint8_t* row = data + offset + kRowBytes * static_cast<std::size_t>(stored);
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* p = row + 3 * x;
            check(state.grayimg.at(x, y) == (p[0] + p[1] + p[2] + 1) / 3,
                  "a grey level is not the rounded mean of its pixel");
            check(picture.shown.at(x, y) == vireo::rgb(p[2], p[1], p[0]),
                  "a shown colour is not the file's pixel");
        }
    }
    for (int x = 0; x <= Frame::kColumns - 1; ++x)
        check(state.grayimg.at(x, 120) == 0, "the loader wrote row 120");
    for (int y = 0; y <= Frame::kRows - 1; ++y)
        check(state.grayimg.at(160, y) == 0, "the loader wrote column 160");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFolder folder;
    static const TrackingState before = stateBefore();

    folder.writeFrame(data, size);
    TrackingState state = before;
    PictureCapture picture;
    if (const auto loaded = vireo::moveme(state, folder.path(), kFrameNumber, &picture); !loaded) {
        checkRefusal(loaded.error(), state, before, picture);
        return 0;
    }
    checkLoad(data, size, state, picture);
    return 0;
}
