#include "ui/sweep_plot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace vireo {

namespace {

constexpr int kLastThreshold = 255;
const QColor kTrackedColour(0, 120, 200);
const QColor kEdgeColour(0, 150, 60);
const QColor kJitterColour(200, 80, 0);
const QColor kErrorColour(200, 0, 120);

} // namespace

SweepPlot::SweepPlot(QWidget* parent)
    : QWidget(parent) {
    // The plot fills its whole area, so Qt need not paint the background under it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setObjectName(QStringLiteral("sweep"));
}

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

QRectF SweepPlot::plotArea() const {
    return QRectF(34, 16, std::max(10, width() - 34 - 34), std::max(10, height() - 16 - 18));
}

double SweepPlot::xOfThreshold(int threshold) const {
    const QRectF area = plotArea();
    return area.left() + area.width() * threshold / kLastThreshold;
}

int SweepPlot::thresholdAt(double x) const {
    const QRectF area = plotArea();
    const double at = (x - area.left()) / area.width() * kLastThreshold;
    return std::clamp(static_cast<int>(std::lround(at)), 0, kLastThreshold);
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
        double largestJitter = 1;
        for (const auto& line : lines_)
            largestJitter = std::max(largestJitter, line.jitter.value_or(0));
        for (const auto& error : errors_)
            largestJitter = std::max(largestJitter, error.value_or(0));
        painter.setPen(kJitterColour);
        painter.drawText(QRectF(area.right() + 2, area.top() - 6, 32, 12), Qt::AlignLeft,
                         QString::number(largestJitter));
        const auto draw = [&](const QColor& colour, auto value) {
            QPainterPath path;
            bool drawing = false;
            for (const auto& line : lines_) {
                const std::optional<double> v = value(line);
                if (!v) {
                    drawing = false;
                    continue;
                }
                const QPointF point(x(line.threshold), area.bottom() - *v * area.height());
                drawing ? path.lineTo(point) : path.moveTo(point);
                drawing = true;
            }
            painter.setPen(QPen(colour, 1.5));
            painter.drawPath(path);
        };
        draw(kTrackedColour, [](const sweep::ThresholdSummary& line) -> std::optional<double> {
            if (line.frames == 0)
                return std::nullopt;
            return static_cast<double>(line.tracked) / static_cast<double>(line.frames);
        });
        draw(kEdgeColour, [](const sweep::ThresholdSummary& line) { return line.edgeShare; });
        draw(kJitterColour, [largestJitter](const sweep::ThresholdSummary& line) {
            return line.jitter ? std::optional<double>(*line.jitter / largestJitter) : std::nullopt;
        });
        if (errors_.size() == lines_.size()) {
            draw(kErrorColour, [&](const sweep::ThresholdSummary& line) {
                const auto& error = errors_[static_cast<std::size_t>(line.threshold)];
                return error ? std::optional<double>(*error / largestJitter) : std::nullopt;
            });
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

void SweepPlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit thresholdClicked(thresholdAt(event->position().x()));
}

void SweepPlot::mouseMoveEvent(QMouseEvent* event) {
    const QRectF area = plotArea();
    const bool inside =
        event->position().x() >= area.left() && event->position().x() <= area.right();
    emit hovered(inside ? thresholdAt(event->position().x()) : -1);
}

void SweepPlot::leaveEvent(QEvent*) {
    emit hovered(-1);
}

} // namespace vireo
