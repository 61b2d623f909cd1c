#include "ui/plot_widget.h"

#include <QMouseEvent>
#include <algorithm>

namespace vireo {

PlotWidget::PlotWidget(const QString& name, QWidget* parent)
    : QWidget(parent) {
    // The plot fills its whole area, so Qt need not paint the background under it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setObjectName(name);
}

QRectF PlotWidget::plotArea() const {
    return QRectF(34, 16, std::max(10, width() - 34 - 34), std::max(10, height() - 16 - 18));
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    const long long item = itemAt(event->position().x());
    if (event->button() == Qt::LeftButton && item >= 0)
        itemClicked(item);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    const QRectF area = plotArea();
    const bool inside =
        event->position().x() >= area.left() && event->position().x() <= area.right();
    emit hovered(inside ? itemAt(event->position().x()) : -1);
}

void PlotWidget::leaveEvent(QEvent*) {
    emit hovered(-1);
}

} // namespace vireo
