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

void PictureBox::setCrosses(QList<QPoint> pixels) {
    if (pixels == crosses_)
        return;
    crosses_ = std::move(pixels);
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
    for (const QPoint& at : crosses_) {
        const QPointF centre = QPointF(at) + QPointF(0.5, 0.5);
        painter.setPen(QPen(Qt::magenta, 1));
        painter.drawLine(centre - QPointF(3, 3), centre + QPointF(3, 3));
        painter.drawLine(centre - QPointF(3, -3), centre + QPointF(3, -3));
    }
    if (!notice_.isEmpty()) {
        QFont small = font();
        small.setPixelSize(10);
        painter.setFont(small);
        painter.setPen(Qt::black);
        painter.drawText(rect().adjusted(4, 4, -4, -4),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, notice_);
    }
    emit painted();
}

namespace {

// One image pixel per device-independent pixel: the pixel is the position rounded down.
QPoint pixelAt(const QPointF& at) {
    return {std::clamp(static_cast<int>(std::floor(at.x())), 0, RasterSurface::kWidth - 1),
            std::clamp(static_cast<int>(std::floor(at.y())), 0, RasterSurface::kHeight - 1)};
}

} // namespace

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    emit pointedAt(pixelAt(event->position()));
    QWidget::mouseMoveEvent(event);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked(pixelAt(event->position()));
    QWidget::mousePressEvent(event);
}

void PictureBox::leaveEvent(QEvent* event) {
    emit left();
    QWidget::leaveEvent(event);
}

} // namespace vireo
