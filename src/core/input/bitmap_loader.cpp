#include "input/bitmap_loader.h"

#include "errors/reason_text.h"
#include "files/file_descriptor.h"
#include "input/grey_conversion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
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
constexpr std::size_t kRowBytes = kFrameRowBytes;
constexpr std::size_t kPixelBytes = kFramePixelBytes;

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

// Reads the headers and the pixel data of `path` into `bytes` (headers first, then the pixel data)
// and describes where the rows lie in it. Refuses anything that is not a frame file; `bytes` then
// holds nothing of value.
//
// A file whose pixel data follows its headers directly, as nearly every one does, is read with
// one read of the headers and the pixel data together; any other with a second read at its
// pixel-data offset. For some picture rows only (`rows`), the headers are read alone and then
// only the stored rows that hold those picture rows. Never more than a frame's worth is read,
// whatever size the file claims.
Expected<PixelLayout> readFrameFile(const std::filesystem::path& path, const std::string& name,
                                    std::vector<std::uint8_t>& bytes, PictureRows rows) {
    const auto refuse = [&name](std::string reason) { return Error{name, std::move(reason)}; };
    PixelLayout layout;
    // Non-blocking, so that opening a pipe cannot wait for a writer; it is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(describeOpenError(errno));
    const FileDescriptor file(fd);

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return refuse(describeOpenError(errno));
    if (S_ISDIR(info.st_mode))
        return refuse("is a folder, not a frame file");
    if (!S_ISREG(info.st_mode))
        return refuse("not a regular file");
    const long long fileSize = info.st_size;

    // Asking for no more than the file holds saves the read that would only report its end.
    constexpr std::size_t kMostRead = kLargestHeaders + kPixelBytes;
    const bool allRows = rows.first == 0 && rows.last == kHeight - 1;
    const std::size_t most = allRows ? kMostRead : kLargestHeaders;
    const std::size_t wanted =
        fileSize < static_cast<long long>(most) ? static_cast<std::size_t>(fileSize) : most;
    bytes.resize(kMostRead);
    const long got = readAt(fd, bytes.data(), wanted, 0);
    if (got < 0)
        return refuse(describeOpenError(errno));
    if (std::string reason =
            checkHeaders(bytes.data(), static_cast<std::size_t>(got), fileSize, layout);
        !reason.empty())
        return refuse(std::move(reason));

    const std::size_t frameBytes = layout.headerBytes + kPixelBytes;
    if (!allRows) {
        // Only the stored rows that hold the picture rows wanted.
        const int a = storedRowOfPicture(layout.bottomUp, rows.first);
        const int b = storedRowOfPicture(layout.bottomUp, rows.last);
        const std::size_t start = kRowBytes * static_cast<std::size_t>(std::min(a, b));
        const std::size_t count = kRowBytes * static_cast<std::size_t>(std::abs(a - b) + 1);
        const long read = readAt(fd, bytes.data() + layout.headerBytes + start, count,
                                 static_cast<off_t>(layout.dataOffset + start));
        if (read < 0)
            return refuse(describeOpenError(errno));
        if (static_cast<std::size_t>(read) < count)
            return refuse("file ended while its pixel data was read (it was shortened)");
        bytes.resize(frameBytes);
        return layout;
    }
    std::size_t pixels = static_cast<std::size_t>(got) - layout.headerBytes;
    if (layout.dataOffset != layout.headerBytes) {
        const long read = readAt(fd, bytes.data() + layout.headerBytes, kPixelBytes,
                                 static_cast<off_t>(layout.dataOffset));
        if (read < 0)
            return refuse(describeOpenError(errno));
        pixels = static_cast<std::size_t>(read);
    }
    if (pixels < kPixelBytes)
        return refuse("file ended while its pixel data was read (it was shortened)");
    bytes.resize(frameBytes);
    return layout;
}

// The file's pixels as colours, top row first.
Picture toPicture(const std::uint8_t* pixelData, const PixelLayout& layout) {
    Picture shown;
    for (int stored = 0; stored < kHeight; ++stored) {
        const std::uint8_t* source = pixelData + kRowBytes * static_cast<std::size_t>(stored);
        Colour* target =
            shown.pixels.data() +
            static_cast<std::size_t>(pictureRowOfStored(layout.bottomUp, stored)) * kWidth;
        for (int x = 0; x < kWidth; ++x)
            target[x] = rgb(source[3 * x + 2], source[3 * x + 1], source[3 * x]);
    }
    return shown;
}

} // namespace

std::string frameFileName(int frameNumber) {
    return "pic" + std::to_string(frameNumber) + ".bmp";
}

namespace {

// Converts a frame file read into `bytes` (headers, then the pixel data) into the state and shows
// it: the step that every load ends with. Nothing here can fail.
void acceptFrame(TrackingState& state, std::vector<std::uint8_t>& bytes, const PixelLayout& layout,
                 Surface* picture, PictureRows greyRows) {
    const std::uint8_t* pixelData = bytes.data() + layout.headerBytes;
    convertToGrey(FramePixels(pixelData, kPixelBytes), layout.bottomUp, state.grayimg, greyRows);
    if (picture != nullptr)
        picture->setPicture(toPicture(pixelData, layout));
    state.filebytes.swap(bytes);
}

// Each load reads into the buffer the load before it replaced, which therefore needs neither a
// fresh allocation nor clearing; a refused file leaves only this buffer changed.
std::vector<std::uint8_t>& spareBuffer() {
    thread_local std::vector<std::uint8_t> spare;
    return spare;
}

} // namespace

Expected<void> moveme(TrackingState& state, const std::filesystem::path& folder, int frameNumber,
                      Surface* picture, PictureRows greyRows) {
    const std::string name = frameFileName(frameNumber);
    std::vector<std::uint8_t>& spare = spareBuffer();
    const Expected<PixelLayout> read = readFrameFile(folder / name, name, spare, greyRows);
    if (!read)
        return read.error();
    // The state changes only once the whole frame has been read.
    acceptFrame(state, spare, *read, picture, greyRows);
    return {};
}

Expected<void> loadFrameFile(TrackingState& state, const std::string& name,
                             std::span<const std::uint8_t> file, Surface* picture) {
    PixelLayout layout;
    if (std::string reason =
            checkHeaders(file.data(), file.size(), static_cast<long long>(file.size()), layout);
        !reason.empty())
        return Error{name, std::move(reason)};
    std::vector<std::uint8_t>& spare = spareBuffer();
    spare.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(layout.headerBytes));
    const auto pixels = file.begin() + static_cast<std::ptrdiff_t>(layout.dataOffset);
    spare.insert(spare.end(), pixels, pixels + static_cast<std::ptrdiff_t>(kPixelBytes));
    acceptFrame(state, spare, layout, picture, {});
    return {};
}

} // namespace vireo
