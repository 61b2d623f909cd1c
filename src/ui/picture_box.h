#pragma once

#include "ui/raster_surface.h"

#include <QString>
#include <QWidget>

namespace vireo {

// A picture surface on screen: shows its RasterSurface from the top-left corner at one image
// pixel per device-independent pixel, with no border. The image is the whole drawing, so the
// box shows it again unchanged after being covered and uncovered. A burst of drawing (say the
// 19,200 set-pixels of an edge map) schedules one repaint, not one per pixel. On a display that
// scales (device pixel ratio other than 1) every image pixel is enlarged without smoothing.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    RasterSurface& surface() { return surface_; }
    const RasterSurface& surface() const { return surface_; }

    // A short note drawn in small type over the picture, and its tooltip; empty for none.
    void setNotice(const QString& text);
    const QString& notice() const { return notice_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RasterSurface surface_;
    QString notice_;
};

} // namespace vireo
