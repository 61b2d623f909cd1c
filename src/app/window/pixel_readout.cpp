#include "app/window/pixel_readout.h"

#include "state/tracking_state.h"
#include "tracker/tracker.h"
#include "ui/raster_surface.h"

namespace vireo {

namespace {

bool insideFrame(QPoint pixel) {
    return pixel.x() >= 0 && pixel.x() < Frame::kPictureWidth && pixel.y() >= 0 &&
           pixel.y() < Frame::kPictureHeight;
}

QString heading(const char* pictureName, QPoint pixel) {
    return QStringLiteral("%1 (%2, %3): ")
        .arg(QLatin1String(pictureName))
        .arg(pixel.x())
        .arg(pixel.y());
}

QString rgbText(Colour colour) {
    return QStringLiteral("rgb(%1, %2, %3)")
        .arg(redOf(colour))
        .arg(greenOf(colour))
        .arg(blueOf(colour));
}

// The part of the centre overlay drawn in `colour`, or its rgb() text for any other colour.
QString overlayName(Colour colour) {
    switch (colour) {
    case kRed:
        return QStringLiteral("red best-fit line");
    case kGreen:
        return QStringLiteral("green path segment");
    case kBlue:
        return QStringLiteral("blue centre circle");
    default:
        return rgbText(colour);
    }
}

} // namespace

QString readPicture3(QPoint pixel, const RasterSurface& picture, const TrackingState& state,
                     bool frameLoaded) {
    const QString head = heading("Picture3", pixel);
    if (!insideFrame(pixel))
        return head + QStringLiteral("outside the frame");
    if (!frameLoaded)
        return head + QStringLiteral("no frame loaded");
    return head + rgbText(picture.pixel(pixel.x(), pixel.y())) + QStringLiteral(" grey ") +
           QString::number(state.grayimg.at(pixel.x(), pixel.y()));
}

QString readPicture4(QPoint pixel, const RasterSurface& picture, const Tracker& tracker) {
    const QString head = heading("Picture4", pixel);
    if (!insideFrame(pixel))
        return head + QStringLiteral("outside the frame");
    if (!tracker.edgesShown())
        return head + QStringLiteral("no edge map");
    const TrackingState& state = tracker.state();

    const bool edge = state.edgeimg.at(pixel.x(), pixel.y()) == 0;
    const QString under = edge ? QStringLiteral("edge") : QStringLiteral("background");
    const Colour shown = picture.pixel(pixel.x(), pixel.y());
    if (shown == (edge ? grey(0) : grey(255)))
        return head + under;
    return head + overlayName(shown) + QStringLiteral(" over ") + under;
}

} // namespace vireo
