#include "ui/raster_surface.h"

#include <QPainter>
#include <QPen>

namespace vireo {

namespace {

QColor toQColor(Colour c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

QRgb toQRgb(Colour c) {
    return qRgb(redOf(c), greenOf(c), blueOf(c));
}

Colour fromQRgb(QRgb c) {
    return rgb(qRed(c), qGreen(c), qBlue(c));
}

} // namespace

RasterSurface::RasterSurface()
    : image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(toQColor(kBackground));
}

void RasterSurface::clear() {
    image_.fill(toQColor(kBackground));
    noteChange();
}

void RasterSurface::setPicture(const Picture& picture) {
    for (int y = 0; y < Picture::kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < Picture::kWidth; ++x)
            line[x] = toQRgb(picture.pixels[static_cast<std::size_t>(y) * Picture::kWidth + x]);
    }
    noteChange();
}

void RasterSurface::setLineWidth(int pixels) {
    lineWidth_ = pixels < 1 ? 1 : pixels;
}

void RasterSurface::setPixel(float x, float y, Colour colour) {
    // A point lies in the pixel that contains it: (3.7, 2.2) in pixel (3, 2), (-0.5, 2) in none.
    // Only points in [0, 161) x [0, 121) pass this test (NaN fails it), and for them truncation
    // is the floor, so the pixel is inside the image.
    if (!(x >= 0 && x < kWidth && y >= 0 && y < kHeight))
        return;
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
    line[static_cast<int>(x)] = toQRgb(colour);
    noteChange();
}

void RasterSurface::line(float x1, float y1, float x2, float y2, Colour colour) {
    QPainter painter(&image_);
    painter.setPen(QPen(toQColor(colour), lineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    noteChange();
}

void RasterSurface::circle(float x, float y, float radius, Colour colour) {
    QPainter painter(&image_);
    painter.setPen(QPen(toQColor(colour), lineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(x, y), radius, radius);
    noteChange();
}

Colour RasterSurface::pixel(int x, int y) const {
    if (x < 0 || x >= kWidth || y < 0 || y >= kHeight)
        return kBackground;
    return fromQRgb(image_.pixel(x, y));
}

void RasterSurface::noteChange() {
    if (changed_)
        return;
    changed_ = true;
    if (listener_)
        listener_();
}

} // namespace vireo
