#include "bmp_builder.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace vireo::testing {

namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

} // namespace

std::vector<std::uint8_t> buildBmp(const PixelSource& pixel, const BmpLayout& layout) {
    const int width = layout.width > 0 ? layout.width : 0;
    const int rows = layout.height < 0 ? -layout.height : layout.height;
    const int bytesPerPixel = layout.bitCount / 8 > 0 ? layout.bitCount / 8 : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bytesPerPixel + 3) / 4 * 4;
    const std::size_t headers = 14 + static_cast<std::size_t>(layout.infoHeaderSize);
    const std::size_t offset = headers + layout.gapBeforePixels;
    std::vector<std::uint8_t> b(offset + rowBytes * rows, 0);

    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(layout.sizeField >= 0 ? layout.sizeField : b.size()));
    put32(
        b, 10,
        static_cast<std::uint32_t>(layout.dataOffsetField >= 0 ? layout.dataOffsetField : offset));
    put32(b, 14, static_cast<std::uint32_t>(layout.infoHeaderSize));
    if (layout.infoHeaderSize >= 16) {
        put32(b, 18, static_cast<std::uint32_t>(layout.width));
        put32(b, 22, static_cast<std::uint32_t>(layout.topDown ? -layout.height : layout.height));
        put16(b, 26, layout.planes);
        put16(b, 28, layout.bitCount);
    }
    if (layout.infoHeaderSize >= 20)
        put32(b, 30, layout.compression);

    for (int stored = 0; stored < rows; ++stored) {
        const int y = layout.topDown ? stored : rows - 1 - stored;
        for (int x = 0; x < width; ++x) {
            const Bgr p = pixel(x, y);
            const std::size_t at =
                offset + rowBytes * stored + static_cast<std::size_t>(x) * bytesPerPixel;
            if (at + 2 >= b.size() || bytesPerPixel < 3)
                continue;
            b[at] = p.blue;
            b[at + 1] = p.green;
            b[at + 2] = p.red;
        }
    }
    return b;
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

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

TempFolder::TempFolder() {
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            std::filesystem::temp_directory_path() / ("vireo-test-" + std::to_string(seed()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace vireo::testing
