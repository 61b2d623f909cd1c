#pragma once

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

// Every pixel different, and blue, green and red different from one another, so that a swapped
// channel, a flipped row or a transposed index shows.
Bgr patterned(int x, int y);
// A uniform grey picture, and a vertical band of `path` in columns [left, right) on `floor`.
PixelSource uniform(std::uint8_t level);
PixelSource verticalBand(std::uint8_t floor, std::uint8_t path, int left, int right);

// A bright path between two dark walls: rows up to `lastRow` of a segment (and below the
// previous segment) are 255 in columns left..right and 0 elsewhere.
struct PathSegment {
    int lastRow;
    int left;
    int right;
};
PixelSource pathBetweenWalls(std::vector<PathSegment> segments);

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
// Writes frame `frameNumber` (picN.bmp) of `pixels` into `folder`.
void writeFrame(const std::filesystem::path& folder, int frameNumber, const PixelSource& pixels);

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
