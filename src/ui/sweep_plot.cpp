#include "ui/sweep_plot.h"

#include "recording/sweep_curves.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vireo {

namespace {

constexpr int kLastThreshold = 255;
const QColor kTrackedColour(0, 120, 200);
const QColor kEdgeColour(0, 150, 60);
const QColor kJitterColour(200, 80, 0);
const QColor kErrorColour(200, 0, 120);

} // namespace

SweepPlot::SweepPlot(QWidget* parent)
    : PlotWidget(QStringLiteral("sweep"), parent) {}

void SweepPlot::setSummary(std::vector<sweep::ThresholdSummary> lines) {
    lines_ = std::move(lines);
    update();
}

void SweepPlot::setMarkErrors(std::vector<std::optional<double>> errors,
                              std::optional<int> suggested) {
    errors_ = std::move(errors);
    suggested_ = suggested;
    update();
}

void SweepPlot::setCursorThreshold(int threshold) {
    cursor_ = threshold;
    update();
}

double SweepPlot::xOfThreshold(int threshold) const {
    const QRectF area = plotArea();
    return area.left() + area.width() * threshold / kLastThreshold;
}

long long SweepPlot::itemAt(double x) const {
    const QRectF area = plotArea();
    return sweepThresholdAt((x - area.left()) / area.width());
}

void SweepPlot::itemClicked(long long threshold) {
    emit thresholdClicked(static_cast<int>(threshold));
}

void SweepPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QRectF area = plotArea();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRectF(0, area.top() - 6, 30, 12), Qt::AlignRight, QStringLiteral("1"));
    painter.drawText(QRectF(0, area.bottom() - 6, 30, 12), Qt::AlignRight, QStringLiteral("0"));
    for (const int t : {0, 64, 128, 192, 255})
        painter.drawText(
            QRectF(area.left() + area.width() * t / kLastThreshold - 15, area.bottom() + 2, 30, 14),
            Qt::AlignHCenter, QString::number(t));
    painter.setPen(kTrackedColour);
    painter.drawText(QPointF(area.left() + 4, 11), QStringLiteral("tracked share"));
    painter.setPen(kEdgeColour);
    painter.drawText(QPointF(area.left() + 104, 11), QStringLiteral("edge share"));
    painter.setPen(kJitterColour);
    painter.drawText(QPointF(area.left() + 190, 11), QStringLiteral("jitter (right scale)"));

    const auto x = [&](int threshold) { return xOfThreshold(threshold); };
    if (lines_.size() == static_cast<std::size_t>(kLastThreshold + 1)) {
        const SweepCurves curves = sweepCurves(lines_, errors_);
        painter.setPen(kJitterColour);
        painter.drawText(QRectF(area.right() + 2, area.top() - 6, 32, 12), Qt::AlignLeft,
                         QString::number(curves.rightScale));
        const auto draw = [&](const QColor& colour,
                              const std::vector<std::optional<double>>& curve) {
            QPainterPath path;
            bool drawing = false;
            for (std::size_t i = 0; i < curve.size(); ++i) {
                if (!curve[i]) {
                    drawing = false;
                    continue;
                }
                const QPointF point(x(lines_[i].threshold),
                                    area.bottom() - *curve[i] * area.height());
                drawing ? path.lineTo(point) : path.moveTo(point);
                drawing = true;
            }
            painter.setPen(QPen(colour, 1.5));
            painter.drawPath(path);
        };
        draw(kTrackedColour, curves.tracked);
        draw(kEdgeColour, curves.edgeShare);
        draw(kJitterColour, curves.jitter);
        if (!curves.error.empty()) {
            draw(kErrorColour, curves.error);
            painter.setPen(kErrorColour);
            painter.drawText(QPointF(area.left() + 330, 11),
                             QStringLiteral("error from the marks (right scale)"));
        }
    }
    if (suggested_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kErrorColour);
        const double at = x(*suggested_);
        painter.drawPolygon(
            QPolygonF({QPointF(at - 4, area.bottom()), QPointF(at + 4, area.bottom()),
                       QPointF(at, area.bottom() - 7)}));
        painter.setBrush(Qt::NoBrush);
    }
    painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DashLine));
    painter.drawLine(QPointF(x(cursor_), area.top()), QPointF(x(cursor_), area.bottom()));
}

} // namespace vireo
