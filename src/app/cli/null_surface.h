#pragma once

#include "state/surface.h"

namespace vireo {

// A surface that draws nothing: the records need the centres, not the pixels, so a run without
// --render-dir gives the engine this and skips all painting.
class NullSurface : public Surface {
public:
    void clear() override {}
    void setPicture(const Picture&) override {}
    void setScaleMode(ScaleMode) override {}
    void setLineWidth(int) override {}
    void setPixel(float, float, Colour) override {}
    void line(float, float, float, float, Colour) override {}
    void circle(float, float, float, Colour) override {}
};

} // namespace vireo
