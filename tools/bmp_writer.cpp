#include "bmp_writer.h"

#include <fstream>

namespace vireo {

namespace {

constexpr std::uint32_t kHeaderBytes = 14 + 40;
constexpr std::uint32_t kRowBytes = kSampleWidth * 3; // 480, a multiple of four: no padding
constexpr std::uint32_t kPixelBytes = kRowBytes * kSampleHeight;
constexpr std::int32_t kPixelsPerMetre = 2835; // 72 dots per inch

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::uint8_t clampByte(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

} // namespace

void RgbPicture::set(int x, int y, int red, int green, int blue) {
    const auto at = static_cast<std::size_t>((y * kSampleWidth + x) * 3);
    bytes[at] = clampByte(red);
    bytes[at + 1] = clampByte(green);
    bytes[at + 2] = clampByte(blue);
}

std::vector<std::uint8_t> encodeBmp(const RgbPicture& picture) {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderBytes + kPixelBytes);
    out.push_back('B');
    out.push_back('M');
    putLe(out, kHeaderBytes + kPixelBytes, 4); // file size
    putLe(out, 0, 4);                          // two reserved words
    putLe(out, kHeaderBytes, 4);               // offset of the pixel data
    putLe(out, 40, 4);                         // information header size
    putLe(out, kSampleWidth, 4);
    putLe(out, kSampleHeight, 4); // positive: bottom row stored first
    putLe(out, 1, 2);             // planes
    putLe(out, 24, 2);            // bits per pixel
    putLe(out, 0, 4);             // no compression
    putLe(out, kPixelBytes, 4);
    putLe(out, kPixelsPerMetre, 4);
    putLe(out, kPixelsPerMetre, 4);
    putLe(out, 0, 4); // colours used
    putLe(out, 0, 4); // important colours
    for (int y = kSampleHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kSampleWidth; ++x) {
            const auto at = static_cast<std::size_t>((y * kSampleWidth + x) * 3);
            out.push_back(picture.bytes[at + 2]);
            out.push_back(picture.bytes[at + 1]);
            out.push_back(picture.bytes[at]);
        }
    }
    return out;
}

std::string writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return path.string() + ": cannot open for writing";
    }
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        return path.string() + ": write failed";
    }
    return {};
}

} // namespace vireo
