#pragma once

#include "drawing/surface.h"

#include <QImage>
#include <functional>

namespace vireo {

// A picture surface drawn into an image of 161 x 121 pixels, the size of the window's picture
// boxes. The window shows it and vireo-cli saves it, so both show the same pixels.
//
// Lines and circle outlines are drawn without smoothing, with round ends, in the current line
// width; set-pixel always paints exactly one pixel. Anything outside the image is clipped.
class RasterSurface : public Surface {
public:
    static constexpr int kWidth = 161;
    static constexpr int kHeight = 121;
    // The colour of a cleared surface (a light grey, like a picture box without a picture).
    static constexpr Colour kBackground = rgb(240, 240, 240);

    RasterSurface();

    void clear() override;
    void setPicture(const Picture& picture) override;
    void setLineWidth(int pixels) override;
    void setPixel(float x, float y, Colour colour) override;
    void line(float x1, float y1, float x2, float y2, Colour colour) override;
    void circle(float x, float y, float radius, Colour colour) override;

    // The pixels drawn so far (format RGB32).
    const QImage& image() const { return image_; }
    // The colour of pixel (x, y); the background colour outside the image.
    Colour pixel(int x, int y) const;
    int lineWidth() const { return lineWidth_; }

    // Called after the first change that follows acknowledgeChanges(), so that a widget showing
    // the surface schedules one repaint per burst of drawing rather than one per pixel.
    void setChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }
    void acknowledgeChanges() { changed_ = false; }

private:
    void noteChange();

    QImage image_;
    int lineWidth_ = 1;
    bool changed_ = false;
    std::function<void()> listener_;
};

} // namespace vireo
