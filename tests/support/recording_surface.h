#pragma once

#include "drawing/surface.h"

#include <array>
#include <string>
#include <vector>

namespace vireo::testing {

// A surface that records every call but set-pixel, keeps what set-pixel painted in a 161 x 121
// grid and the last picture shown.
class RecordingSurface : public Surface {
public:
    struct Call {
        std::string op; // "clear", "picture", "width", "line", "circle"
        std::array<double, 4> args{};
        Colour colour = 0;
        int lineWidth = 0; // the width in force when the call was made
    };

    void clear() override { record("clear", {}, 0); }
    void setPicture(const Picture& shown) override {
        picture = shown;
        record("picture", {}, 0);
    }
    void setLineWidth(int pixels) override {
        width_ = pixels;
        record("width", {double(pixels)}, 0);
    }
    void setPixel(float x, float y, Colour colour) override {
        ++pixelCalls;
        if (x >= 0 && x < 161 && y >= 0 && y < 121)
            painted[static_cast<std::size_t>(y) * 161 + static_cast<std::size_t>(x)] = colour;
    }
    void line(float x1, float y1, float x2, float y2, Colour colour) override {
        record("line", {x1, y1, x2, y2}, colour);
    }
    void circle(float x, float y, float radius, Colour colour) override {
        record("circle", {x, y, radius}, colour);
    }

    Colour paintedAt(int x, int y) const { return painted[static_cast<std::size_t>(y) * 161 + x]; }
    int count(const char* op) const {
        int n = 0;
        for (const Call& call : calls)
            n += call.op == op;
        return n;
    }

    std::vector<Call> calls;
    long pixelCalls = 0;
    std::array<Colour, 161 * 121> painted{};
    Picture picture;

private:
    void record(const char* op, std::array<double, 4> args, Colour colour) {
        calls.push_back({op, args, colour, width_});
    }
    int width_ = 1;
};

} // namespace vireo::testing
