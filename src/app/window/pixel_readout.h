#pragma once

#include <QPoint>
#include <QString>

namespace vireo {

class RasterSurface;
class Tracker;
struct TrackingState;

// The status line's reading of pixel (x, y) of Picture3, which shows the loaded frame file:
// "Picture3 (12, 40): rgb(200, 180, 90) grey 157", the colour shown and the grey frame's level
// at that cell. "no frame loaded" when the frame was refused, "outside the frame" in column 160
// and row 120.
QString readPicture3(QPoint pixel, const RasterSurface& picture, const TrackingState& state,
                     bool frameLoaded);

// The status line's reading of pixel (x, y) of Picture4: "edge" or "background" from the edge
// frame while it is shown; where the centre overlay covers the pixel, what is drawn there and
// what lies under it ("red best-fit line over edge"); "no edge map" before "Display Picture",
// "outside the frame" in column 160 and row 120.
QString readPicture4(QPoint pixel, const RasterSurface& picture, const Tracker& tracker);

} // namespace vireo
