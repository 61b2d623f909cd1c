#pragma once

#include "state/frame.h"
#include "errors/error.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace vireo {

// Each function's error names the path and the reason, e.g. subject "/proc/edges3.pgm" and
// reason "cannot write: no such file or directory". A file that could not be written whole is
// removed again.

// Creates `folder` and its parents when they do not exist yet.
Expected<void> makeOutputFolder(const std::filesystem::path& folder);

// Writes columns 0..159, rows 0..119 of an edge frame as a binary PGM: the header
// "P5\n160 120\n255\n" and then the rows top first, each left to right, one byte per pixel.
class EdgeFileWriter {
public:
    static constexpr char kHeader[] = "P5\n160 120\n255\n";
    static constexpr std::size_t kHeaderSize = sizeof kHeader - 1;

    EdgeFileWriter();
    Expected<void> write(const std::filesystem::path& file, const Frame& edges);

private:
    // The whole file, reused for every frame.
    std::array<std::uint8_t, kHeaderSize + Frame::kPictureWidth * Frame::kPictureHeight> bytes_{};
};

} // namespace vireo
