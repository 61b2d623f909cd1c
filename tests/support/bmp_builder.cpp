#include "bmp_builder.h"

#include "input/bitmap_loader.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <string>

namespace vireo::testing {

namespace {

void put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

std::vector<std::uint8_t> buildBmp(const PixelSource& pixel, const BmpLayout& layout) {
    const int width = layout.width > 0 ? layout.width : 0;
    const int rows = layout.height < 0 ? -layout.height : layout.height;
    const int bytesPerPixel = layout.bitCount / 8 > 0 ? layout.bitCount / 8 : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bytesPerPixel + 3) / 4 * 4;
    const std::size_t offset = 14 + layout.infoHeaderSize + layout.gapBeforePixels;
    std::vector<std::uint8_t> b(offset + rowBytes * rows, 0);

    b[0] = 'B';
    b[1] = 'M';
    put(b, 2, static_cast<std::uint32_t>(layout.sizeField >= 0 ? layout.sizeField : b.size()), 4);
    put(b, 10,
        static_cast<std::uint32_t>(layout.dataOffsetField >= 0 ? layout.dataOffsetField : offset),
        4);
    put(b, 14, static_cast<std::uint32_t>(layout.infoHeaderSize), 4);
    if (layout.infoHeaderSize >= 16) {
        put(b, 18, static_cast<std::uint32_t>(layout.width), 4);
        put(b, 22, static_cast<std::uint32_t>(layout.topDown ? -layout.height : layout.height), 4);
        put(b, 26, layout.planes, 2);
        put(b, 28, layout.bitCount, 2);
    }
    if (layout.infoHeaderSize >= 20)
        put(b, 30, layout.compression, 4);

    for (int stored = 0; stored < rows && bytesPerPixel >= 3; ++stored)
        for (int x = 0; x < width; ++x) {
            const Bgr p = pixel(x, layout.topDown ? stored : rows - 1 - stored);
            const std::size_t at = offset + rowBytes * stored + std::size_t(x) * bytesPerPixel;
            b[at] = p.blue;
            b[at + 1] = p.green;
            b[at + 2] = p.red;
        }
    return b;
}

Bgr patterned(int x, int y) {
    return {static_cast<std::uint8_t>(x + 3 * y), static_cast<std::uint8_t>(7 * x + y),
            static_cast<std::uint8_t>(x * y + 11)};
}

PixelSource uniform(std::uint8_t level) {
    return [level](int, int) { return Bgr{level, level, level}; };
}

PixelSource verticalBand(std::uint8_t floor, std::uint8_t path, int left, int right) {
    return [=](int x, int) {
        const std::uint8_t v = x >= left && x < right ? path : floor;
        return Bgr{v, v, v};
    };
}

PixelSource pathBetweenWalls(std::vector<PathSegment> segments) {
    return [segments = std::move(segments)](int x, int y) {
        for (const PathSegment& segment : segments)
            if (y <= segment.lastRow) {
                const std::uint8_t v = x >= segment.left && x <= segment.right ? 255 : 0;
                return Bgr{v, v, v};
            }
        return Bgr{};
    };
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFrame(const std::filesystem::path& folder, int frameNumber, const PixelSource& pixels) {
    writeFile(folder / frameFileName(frameNumber), buildBmp(pixels));
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vireo-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace vireo::testing
