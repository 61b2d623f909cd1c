#include "frame_files.h"

#include "bmp_builder.h"

namespace vireo::testing {

std::vector<FrameFileCase> frameFileCases() {
    const auto bmp = [](BmpLayout layout) { return buildBmp(patterned, layout); };
    const std::vector<std::uint8_t> plain = bmp({});
    const auto cut = [&plain](std::size_t size) {
        return std::vector<std::uint8_t>(plain.begin(), plain.begin() + long(size));
    };
    std::vector<std::uint8_t> signature = plain;
    signature[0] = 'P';
    return {
        {"valid-bottom-up", plain, ""},
        {"valid-top-down", bmp({.topDown = true}), ""},
        {"valid-info-header-52", bmp({.infoHeaderSize = 52}), ""},
        {"valid-info-header-56", bmp({.infoHeaderSize = 56}), ""},
        {"valid-info-header-108", bmp({.infoHeaderSize = 108}), ""},
        {"valid-info-header-124", bmp({.infoHeaderSize = 124}), ""},
        {"valid-size-field-0", bmp({.sizeField = 0}), ""},
        {"valid-size-field-huge", bmp({.sizeField = 0xFFFFFFFF}), ""},
        {"valid-gap-before-pixels", bmp({.gapBeforePixels = 1024}), ""},
        {"refused-empty", {}, "too short"},
        {"refused-ten-bytes", cut(10), "too short"},
        {"refused-truncated-in-header", cut(30), "ends inside its bitmap header"},
        {"refused-truncated-in-pixels", cut(plain.size() - 1), "too short for pixel data"},
        {"refused-missing-signature", signature, "not a bitmap"},
        {"refused-info-header-12", bmp({.infoHeaderSize = 12}), "header of 12 bytes"},
        {"refused-bit-count-8", bmp({.bitCount = 8}), "bit count 8, expected 24"},
        {"refused-bit-count-32", bmp({.bitCount = 32}), "bit count 32, expected 24"},
        {"refused-planes-0", bmp({.planes = 0}), "0 colour planes, expected 1"},
        {"refused-planes-2", bmp({.planes = 2}), "2 colour planes, expected 1"},
        {"refused-compressed", bmp({.compression = 1}), "compressed"},
        {"refused-width-161", bmp({.width = 161}), "161 x 120, expected 160 x 120"},
        {"refused-height-100", bmp({.height = 100}), "160 x 100"},
        {"refused-offset-inside-header", bmp({.dataOffsetField = 20}), "inside the bitmap header"},
        {"refused-offset-past-end", bmp({.dataOffsetField = 0x7FFFFFF0}),
         "too short for pixel data"},
    };
}

} // namespace vireo::testing
