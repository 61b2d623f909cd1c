#pragma once

#include "drawing/surface.h"

namespace vireo {

// A surface that draws nothing, for callers that need the centres and not the pixels (vireo-cli
// without --render-dir skips all painting this way).
class NullSurface : public Surface {
public:
    void clear() override {}
    void setPicture(const Picture&) override {}
    void setLineWidth(int) override {}
    void setPixel(float, float, Colour) override {}
    void line(float, float, float, float, Colour) override {}
    void circle(float, float, float, Colour) override {}
};

} // namespace vireo
