#pragma once

#include "ui/raster_surface.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace vireo {

// A picture surface on screen: shows its RasterSurface from the top-left corner at one image
// pixel per device-independent pixel, with no border. The image is the whole drawing, so the
// box shows it again unchanged after being covered and uncovered. A burst of drawing (say the
// 19,200 set-pixels of an edge map) schedules one repaint, not one per pixel. On a display that
// scales (device pixel ratio other than 1) every image pixel is enlarged without smoothing.
// It reports which of its pixels the mouse points at, so that the window can read them out.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    RasterSurface& surface() { return surface_; }
    const RasterSurface& surface() const { return surface_; }

    // A short note drawn in small type over the picture, and its tooltip; empty for none.
    void setNotice(const QString& text);
    const QString& notice() const { return notice_; }

    // Small crosses drawn over the picture at these pixels (they are not part of the surface);
    // none to draw none.
    void setCrosses(QList<QPoint> pixels);

    QSize sizeHint() const override;

signals:
    // The mouse has moved over the surface's pixel `pixel` (x 0..160, y 0..120), with or
    // without a button held.
    void pointedAt(QPoint pixel);
    // The mouse has left the box.
    void left();
    // The left button was pressed on the surface's pixel `pixel`.
    void clicked(QPoint pixel);
    // The box has just painted what its surface holds.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    RasterSurface surface_;
    QString notice_;
    QList<QPoint> crosses_;
};

} // namespace vireo
