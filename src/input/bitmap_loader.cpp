#include "input/bitmap_loader.h"

#include "input/reason_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vireo {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::array<std::uint32_t, 5> kInfoHeaderSizes{40, 52, 56, 108, 124};
constexpr std::size_t kLargestHeaders = kFileHeaderSize + 124;
constexpr int kWidth = Frame::kPictureWidth;
constexpr int kHeight = Frame::kPictureHeight;
constexpr std::size_t kRowBytes = 3 * kWidth; // 480: a multiple of 4, so rows carry no padding
constexpr std::size_t kPixelBytes = kRowBytes * kHeight;

std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t readI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(readU32(p));
}

// Closes the descriptor when the load ends, however it ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::string describeOpenError(int error) {
    switch (error) {
    case ENOENT:
        return "no such file";
    case EACCES:
        return "permission denied";
    case ELOOP:
        return "too many levels of symbolic links";
    case ENOTDIR:
        return "a part of the path is not a folder";
    case ENXIO:
        // What opening a socket gives; pipes and devices are refused after opening.
        return "not a regular file";
    default:
        return "cannot open: " + reasonText(std::strerror(error));
    }
}

// Reads exactly `count` bytes at `offset`, or fewer when the file ends first. Returns the number
// read, or -1 on a read error.
long readAt(int fd, std::uint8_t* buffer, std::size_t count, off_t offset) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd, buffer + done, count - done, offset + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

std::string str(long long value) {
    return std::to_string(value);
}

// The checked description of a frame file's pixel data.
struct PixelLayout {
    std::size_t headerBytes = 0;  // file header plus information header
    std::uint32_t dataOffset = 0; // where the pixel data starts
    bool bottomUp = true;         // the bottom row is stored first
};

// Checks the headers of a file of `fileSize` bytes; `headers` holds its first bytes (at most the
// largest file plus information header). Returns the reason for refusing it, or an empty string.
std::string checkHeaders(const std::uint8_t* headers, std::size_t available, long long fileSize,
                         PixelLayout& layout) {
    if (available < kFileHeaderSize + 4)
        return "file is " + str(fileSize) + " bytes, too short for a bitmap header";
    if (headers[0] != 'B' || headers[1] != 'M')
        return "not a bitmap file (it does not start with \"BM\")";
    const std::uint32_t infoSize = readU32(headers + 14);
    if (std::find(kInfoHeaderSizes.begin(), kInfoHeaderSizes.end(), infoSize) ==
        kInfoHeaderSizes.end())
        return "unsupported bitmap information header of " + str(infoSize) +
               " bytes, expected 40, 52, 56, 108 or 124";
    layout.headerBytes = kFileHeaderSize + infoSize;
    if (available < layout.headerBytes)
        return "file is " + str(fileSize) + " bytes and ends inside its bitmap header";

    const std::int32_t width = readI32(headers + 18);
    const std::int32_t height = readI32(headers + 22);
    const std::uint16_t planes = readU16(headers + 26);
    const std::uint16_t bitCount = readU16(headers + 28);
    const std::uint32_t compression = readU32(headers + 30);
    if (planes != 1)
        return str(planes) + " colour planes, expected 1";
    if (bitCount != 24)
        return "bit count " + str(bitCount) + ", expected 24";
    if (compression != 0)
        return "compressed pixel data (compression " + str(compression) +
               "), expected uncompressed";
    if (width != kWidth || (height != kHeight && height != -kHeight))
        return "picture is " + str(width) + " x " +
               str(height < 0 ? -static_cast<long long>(height) : height) + ", expected 160 x 120";
    layout.bottomUp = height > 0;
    layout.dataOffset = readU32(headers + 10);
    if (layout.dataOffset < layout.headerBytes)
        return "pixel data offset " + str(layout.dataOffset) + " lies inside the bitmap header";
    const long long dataEnd = static_cast<long long>(layout.dataOffset) + kPixelBytes;
    if (dataEnd > fileSize)
        return "file is " + str(fileSize) + " bytes, too short for pixel data that ends at byte " +
               str(dataEnd);
    return {};
}

// Reads the headers and the pixel data of `path` into a fresh buffer (headers first, then the
// pixel data) and describes where the rows lie in it. Throws LoadError for anything that is not a
// frame file.
std::vector<std::uint8_t> readFrameFile(const std::filesystem::path& path, const std::string& name,
                                        PixelLayout& layout) {
    // Non-blocking, so that opening a pipe cannot wait for a writer; it is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw LoadError(name, describeOpenError(errno));
    const FileDescriptor file(fd);

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw LoadError(name, describeOpenError(errno));
    if (S_ISDIR(info.st_mode))
        throw LoadError(name, "is a folder, not a frame file");
    if (!S_ISREG(info.st_mode))
        throw LoadError(name, "not a regular file");
    const long long fileSize = info.st_size;

    std::array<std::uint8_t, kLargestHeaders> headers{};
    const long got = readAt(fd, headers.data(), headers.size(), 0);
    if (got < 0)
        throw LoadError(name, describeOpenError(errno));
    if (const std::string reason =
            checkHeaders(headers.data(), static_cast<std::size_t>(got), fileSize, layout);
        !reason.empty())
        throw LoadError(name, reason);

    std::vector<std::uint8_t> bytes(layout.headerBytes + kPixelBytes);
    std::copy_n(headers.begin(), layout.headerBytes, bytes.begin());
    const long pixels = readAt(fd, bytes.data() + layout.headerBytes, kPixelBytes,
                               static_cast<off_t>(layout.dataOffset));
    if (pixels < 0)
        throw LoadError(name, describeOpenError(errno));
    if (static_cast<std::size_t>(pixels) != kPixelBytes)
        throw LoadError(name, "file ended while its pixel data was read (it was shortened)");
    return bytes;
}

// The picture row (0 = top) that stored row `stored` holds.
int pictureRow(const PixelLayout& layout, int stored) {
    return layout.bottomUp ? kHeight - 1 - stored : stored;
}

// The file's pixels as colours, top row first.
Picture toPicture(const std::uint8_t* pixelData, const PixelLayout& layout) {
    Picture shown;
    for (int stored = 0; stored < kHeight; ++stored) {
        const std::uint8_t* source = pixelData + kRowBytes * static_cast<std::size_t>(stored);
        Colour* target =
            shown.pixels.data() + static_cast<std::size_t>(pictureRow(layout, stored)) * kWidth;
        for (int x = 0; x < kWidth; ++x)
            target[x] = rgb(source[3 * x + 2], source[3 * x + 1], source[3 * x]);
    }
    return shown;
}

using StoredRow = std::span<const std::uint8_t, kRowBytes>;
using RowMeans = std::array<std::uint8_t, kRowBytes>;

constexpr std::size_t kMeans = kRowBytes - 2; // runs of three bytes that fit in a row

// The means at pixel starts, means[3x] for x = 0..159, into grey[0..159]. On little-endian
// machines eight at a time: 24 means are three 64-bit words, and the eight wanted bytes are
// shifted into place and stored as one word.
void pickPixelMeans(const RowMeans& means, Frame::Row grey) {
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t group = 0; group < kWidth / 8; ++group) {
            std::uint64_t a = 0;
            std::uint64_t b = 0;
            std::uint64_t c = 0;
            std::memcpy(&a, means.data() + 24 * group, 8);
            std::memcpy(&b, means.data() + 24 * group + 8, 8);
            std::memcpy(&c, means.data() + 24 * group + 16, 8);
            // Bytes 0, 3, 6 of a, 1, 4, 7 of b and 2, 5 of c are means 0, 3, ..., 21.
            const std::uint64_t eight =
                (a & 0xFFu) | ((a >> 16) & 0xFF00u) | ((a >> 32) & 0xFF0000u) |
                ((b << 16) & 0xFF000000u) | (b & 0xFF00000000u) | ((b >> 16) & 0xFF0000000000u) |
                ((c << 32) & 0xFF000000000000u) | ((c << 16) & 0xFF00000000000000u);
            std::memcpy(grey.data() + 8 * group, &eight, 8);
        }
    } else {
        for (std::size_t x = 0; x < kWidth; ++x)
            grey[x] = means[3 * x];
    }
}

// Grey levels of one stored row into columns 0..159 of `grey`: (blue + green + red + 1) div 3,
// the mean rounded to nearest (the sum divided by 3 never ends in exactly one half). A walk over
// every third byte cannot be vectorised without byte shuffles, so the means of all runs of three
// bytes are computed first, in 16-bit lanes, and the ones that start at a pixel are picked out
// after.
void convertRow(StoredRow source, Frame::Row grey) {
    RowMeans means;
    for (std::size_t i = 0; i < kMeans; ++i) {
        const auto sum = static_cast<std::uint16_t>(source[i] + source[i + 1] + source[i + 2] + 1);
        means[i] = static_cast<std::uint8_t>(sum / 3);
    }
    // No run of three starts at the last two bytes; the picking reads them as whole words.
    means[kMeans] = 0;
    means[kMeans + 1] = 0;
    pickPixelMeans(means, grey);
}

} // namespace

LoadError::LoadError(std::string file, std::string reason)
    : std::runtime_error(file + ": " + reason)
    , file_(std::move(file))
    , reason_(std::move(reason)) {}

std::string frameFileName(int frameNumber) {
    return "pic" + std::to_string(frameNumber) + ".bmp";
}

void moveme(TrackingState& state, const std::filesystem::path& folder, int frameNumber,
            Surface* picture) {
    const std::string name = frameFileName(frameNumber);
    PixelLayout layout;
    std::vector<std::uint8_t> bytes = readFrameFile(folder / name, name, layout);

    // Nothing below can fail: the state changes only once the whole frame has been read.
    const std::uint8_t* pixelData = bytes.data() + layout.headerBytes;
    for (int stored = 0; stored < kHeight; ++stored) {
        // The buffer holds all 120 rows of 480 bytes after the headers (readFrameFile).
        const StoredRow source(pixelData + kRowBytes * static_cast<std::size_t>(stored), kRowBytes);
        convertRow(source, state.grayimg.row(pictureRow(layout, stored)));
    }
    if (picture != nullptr)
        picture->setPicture(toPicture(pixelData, layout));
    state.filebytes = std::move(bytes);
}

} // namespace vireo
