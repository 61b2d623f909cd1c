#pragma once

#include "drawing/surface.h"

#include <array>
#include <string>
#include <vector>

namespace vireo::testing {

// A surface that records every call, and keeps what set-pixel painted in a 161 x 121 grid.
class RecordingSurface : public Surface {
public:
    struct Call {
        std::string op; // "clear", "picture", "width", "pixel", "line", "circle"
        std::array<double, 4> args{};
        Colour colour = 0;
        int lineWidth = 0; // the width in force when the call was made
    };

    void clear() override { record("clear", {}, 0); }
    void setPicture(const Picture&) override { record("picture", {}, 0); }
    void setLineWidth(int pixels) override {
        width_ = pixels;
        record("width", {double(pixels)}, 0);
    }
    void setPixel(float x, float y, Colour colour) override {
        ++pixelCalls;
        lastPixel = {x, y};
        if (x >= 0 && x < 161 && y >= 0 && y < 121)
            painted[static_cast<std::size_t>(y) * 161 + static_cast<std::size_t>(x)] = colour;
        if (pixelCalls == 1)
            record("pixel", {x, y}, colour);
    }
    void line(float x1, float y1, float x2, float y2, Colour colour) override {
        record("line", {x1, y1, x2, y2}, colour);
    }
    void circle(float x, float y, float radius, Colour colour) override {
        record("circle", {x, y, radius}, colour);
    }

    // Calls other than set-pixel, and the first set-pixel, in order.
    std::vector<Call> calls;
    long pixelCalls = 0;
    std::array<float, 2> lastPixel{-1, -1};
    std::array<Colour, 161 * 121> painted{};

    Colour paintedAt(int x, int y) const { return painted[static_cast<std::size_t>(y) * 161 + x]; }

private:
    void record(const char* op, std::array<double, 4> args, Colour colour) {
        calls.push_back({op, args, colour, width_});
    }
    int width_ = 1;
};

} // namespace vireo::testing
