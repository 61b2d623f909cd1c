#pragma once

#include <array>
#include <cstdint>

namespace vireo {

// A 24-bit colour: red + 256 * green + 65536 * blue.
using Colour = std::uint32_t;

constexpr Colour rgb(int red, int green, int blue) {
    return static_cast<Colour>(red) + 256u * static_cast<Colour>(green) +
           65536u * static_cast<Colour>(blue);
}
constexpr Colour grey(std::uint8_t level) {
    return 65793u * level;
}
constexpr int redOf(Colour c) {
    return static_cast<int>(c & 0xFFu);
}
constexpr int greenOf(Colour c) {
    return static_cast<int>((c >> 8) & 0xFFu);
}
constexpr int blueOf(Colour c) {
    return static_cast<int>((c >> 16) & 0xFFu);
}

inline constexpr Colour kGreen = rgb(0, 255, 0);
inline constexpr Colour kBlue = rgb(0, 0, 255);
inline constexpr Colour kRed = rgb(255, 0, 0);

// A frame file's picture as it should be shown: 160 x 120 colours, row 0 at the top, each row
// left to right.
struct Picture {
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 120;
    std::array<Colour, kWidth * kHeight> pixels{};

    Colour at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y) * kWidth + x); }
};

// A picture surface that the engine draws on: the operations a window's picture box offers.
// Coordinates and radius are in pixels; drawing outside the surface is clipped, never an error.
class Surface {
public:
    virtual ~Surface() = default;

    // Everything drawn on the surface disappears; it shows its background colour.
    virtual void clear() = 0;
    // Shows the picture from the top-left corner, replacing what was drawn there.
    virtual void setPicture(const Picture& picture) = 0;
    // Width in pixels of later lines and circle outlines, until it is set again.
    virtual void setLineWidth(int pixels) = 0;
    // Exactly the pixel at (x, y) takes the colour, whatever the line width.
    virtual void setPixel(float x, float y, Colour colour) = 0;
    // A straight line between two absolute points, in the current line width.
    virtual void line(float x1, float y1, float x2, float y2, Colour colour) = 0;
    // The whole outline of a circle around (x, y), in the current line width.
    virtual void circle(float x, float y, float radius, Colour colour) = 0;
};

} // namespace vireo
