#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vireo {

inline constexpr int kSampleWidth = 160;
inline constexpr int kSampleHeight = 120;

// A 160 x 120 colour picture, rows from the top, three bytes per pixel in the order
// red, green, blue.
struct RgbPicture {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kSampleWidth * kSampleHeight * 3);

    void set(int x, int y, int red, int green, int blue);
};

// The picture as an uncompressed 24-bit bitmap file: 14-byte file header, 40-byte information
// header, pixel data from offset 54, bottom row first, blue-green-red, 57,654 bytes in all.
std::vector<std::uint8_t> encodeBmp(const RgbPicture& picture);

// Writes the bytes to the file; returns an error text naming the file, or an empty string.
std::string writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace vireo
