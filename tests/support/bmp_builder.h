#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace vireo::testing {

struct Bgr {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};

// Picture pixel (x, y), y counted from the top.
using PixelSource = std::function<Bgr(int x, int y)>;

// How to lay out a test bitmap; the defaults give the plain 57,654-byte frame file.
struct BmpLayout {
    int infoHeaderSize = 40;
    bool topDown = false;
    std::int32_t width = 160;
    std::int32_t height = 120; // negated in the file when topDown
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t gapBeforePixels = 0; // bytes between the headers and the pixel data
    std::int64_t sizeField = -1;       // -1: the true file size
    std::int64_t dataOffsetField = -1; // -1: where the pixel data really starts
};

// A bitmap file of the layout's size whose pixels come from `pixel` (row padding to 4 bytes).
std::vector<std::uint8_t> buildBmp(const PixelSource& pixel, const BmpLayout& layout = {});

// A uniform grey picture and a frame with a vertical band of `path` between columns
// [left, right) on a `floor` background.
PixelSource uniform(std::uint8_t level);
PixelSource verticalBand(std::uint8_t floor, std::uint8_t path, int left, int right);

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A fresh empty folder under the system's temporary folder, removed when this object dies.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace vireo::testing
