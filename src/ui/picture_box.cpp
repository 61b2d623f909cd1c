#include "ui/picture_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vireo {

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent) {
    // The image covers the whole box, so Qt need not erase the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    surface_.setChangeListener([this] { update(); });
}

void PictureBox::setNotice(const QString& text) {
    if (text == notice_)
        return;
    notice_ = text;
    setToolTip(text);
    update();
}

QSize PictureBox::sizeHint() const {
    return {RasterSurface::kWidth, RasterSurface::kHeight};
}

void PictureBox::paintEvent(QPaintEvent*) {
    // Everything drawn so far is about to be shown; the next drawing schedules a new repaint.
    surface_.acknowledgeChanges();

    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(0, 0, RasterSurface::kWidth, RasterSurface::kHeight), surface_.image());
    if (notice_.isEmpty())
        return;

    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    painter.setPen(Qt::black);
    painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     notice_);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    // One image pixel per device-independent pixel: the pixel is the position rounded down.
    const QPointF at = event->position();
    const int x = std::clamp(static_cast<int>(std::floor(at.x())), 0, RasterSurface::kWidth - 1);
    const int y = std::clamp(static_cast<int>(std::floor(at.y())), 0, RasterSurface::kHeight - 1);
    emit pointedAt(QPoint(x, y));
    QWidget::mouseMoveEvent(event);
}

void PictureBox::leaveEvent(QEvent* event) {
    emit left();
    QWidget::leaveEvent(event);
}

} // namespace vireo
