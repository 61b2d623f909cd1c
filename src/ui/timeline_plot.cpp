#include "ui/timeline_plot.h"

#include "recording/timeline_bins.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <vector>

namespace vireo {

namespace {

constexpr int kSeries = kTimelineSeries;
const std::array<QColor, kSeries> kColours{QColor(0, 90, 200), QColor(0, 150, 60),
                                           QColor(200, 120, 0), QColor(120, 0, 160)};
const std::array<const char*, kSeries> kNames{"row 40", "row 60", "row 80", "forecast"};
constexpr double kForecastRange = 40; // the forecast strip shows -40..40, larger values clipped

} // namespace

TimelinePlot::TimelinePlot(QWidget* parent)
    : PlotWidget(QStringLiteral("timeline"), parent) {}

void TimelinePlot::setOverview(std::shared_ptr<const RecordingOverview> overview) {
    overview_ = std::move(overview);
    update();
}

void TimelinePlot::setThreshold(int threshold) {
    threshold_ = threshold;
    update();
}

void TimelinePlot::setMarks(std::vector<Mark> marks) {
    marks_ = std::move(marks);
    update();
}

void TimelinePlot::setCursorFrame(int frame) {
    cursorFrame_ = frame;
    update();
}

double TimelinePlot::xOfIndex(long long index) const {
    const QRectF area = plotArea();
    const double count = overview_ ? static_cast<double>(overview_->frameCount()) : 1;
    return area.left() + (static_cast<double>(index) + 0.5) * area.width() / count;
}

long long TimelinePlot::itemAt(double x) const {
    if (!overview_ || overview_->frameCount() == 0)
        return -1;
    const QRectF area = plotArea();
    return timelineIndexAt((x - area.left()) / area.width(), overview_->frameCount());
}

void TimelinePlot::itemClicked(long long index) {
    emit frameClicked(overview_->frameAt(index));
}

void TimelinePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QRectF area = plotArea();
    const double centresBottom = area.top() + area.height() * 0.68;
    const QRectF centres(area.left(), area.top(), area.width(), centresBottom - area.top() - 4);
    const QRectF forecast(area.left(), centresBottom + 4, area.width(),
                          area.bottom() - centresBottom - 4);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(centres);
    painter.drawRect(forecast);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRectF(0, centres.top() - 6, 30, 12), Qt::AlignRight, QStringLiteral("0"));
    painter.drawText(QRectF(0, centres.bottom() - 6, 30, 12), Qt::AlignRight,
                     QStringLiteral("160"));
    painter.drawText(QRectF(0, forecast.center().y() - 6, 30, 12), Qt::AlignRight,
                     QStringLiteral("0"));
    painter.drawText(QRectF(0, forecast.top() - 2, 30, 12), Qt::AlignRight, QStringLiteral("40"));
    painter.drawText(QRectF(0, forecast.bottom() - 10, 30, 12), Qt::AlignRight,
                     QStringLiteral("-40"));
    for (int s = 0; s < kSeries; ++s) {
        painter.setPen(kColours[static_cast<std::size_t>(s)]);
        painter.drawText(QPointF(area.left() + 4 + 70 * s, 11), QString::fromLatin1(kNames[s]));
    }
    if (!overview_)
        return;

    const long long count = overview_->frameCount();
    const long long received = overview_->received();
    if (count == 0)
        return;
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRectF(area.left(), area.bottom() + 2, 80, 14), Qt::AlignLeft,
                     QStringLiteral("frame %1").arg(overview_->frameAt(0)));
    painter.drawText(QRectF(area.right() - 80, area.bottom() + 2, 80, 14), Qt::AlignRight,
                     QString::number(overview_->frameAt(count - 1)));
    const int columns = static_cast<int>(area.width());
    const auto columnOf = [&](long long index) { return timelineColumnOf(index, count, columns); };
    const auto xOf = [&](int column) { return area.left() + column + 0.5; };
    const auto centreY = [&](double column) {
        return centres.top() + column / 160.0 * centres.height();
    };
    const auto forecastY = [&](double value) {
        const double clipped = std::clamp(value, -kForecastRange, kForecastRange);
        return forecast.center().y() - clipped / kForecastRange * forecast.height() / 2;
    };
    const TimelineBins bins = binTimeline(count, received, columns, [this](long long index) {
        return overview_->at(index, threshold_);
    });

    // Everything of one kind is drawn with one call: a timeline of 10,000 frames has thousands
    // of short lines. Untracked frames are shaded over their own width, or over their pixel
    // column where frames outnumber columns. The shade is opaque: semi-transparent fills are many
    // times slower to draw.
    const double slotWidth = bins.slotsAreFrames ? area.width() / static_cast<double>(count) : 1;
    for (const auto& [first, last] : bins.untrackedRuns) {
        QRectF shade(area.left() + slotWidth * static_cast<double>(first), centres.top() + 1,
                     slotWidth, centres.height() - 1);
        if (last > first)
            shade.setRight(area.left() + slotWidth * static_cast<double>(last) + slotWidth);
        painter.fillRect(shade, QColor(255, 232, 204));
    }

    QList<QLineF> lines;
    for (int s = 0; s < kSeries; ++s) {
        const auto y = [&](double v) { return s < 3 ? centreY(v) : forecastY(v); };
        lines.clear();
        for (const TimelineSegment& segment : bins.lines[static_cast<std::size_t>(s)])
            lines.append(QLineF(xOf(segment.fromColumn), y(segment.fromValue),
                                xOf(segment.toColumn), y(segment.toValue)));
        painter.setPen(QPen(kColours[static_cast<std::size_t>(s)], 1));
        painter.drawLines(lines);
    }
    lines.clear();
    std::vector<double> jumps;
    for (int c = 0; c < columns; ++c) {
        const double x = xOf(c);
        if (bins.columns[static_cast<std::size_t>(c)].gap)
            lines.append(QLineF(x, area.bottom() + 3, x, area.bottom() + 9));
        if (bins.columns[static_cast<std::size_t>(c)].jump)
            jumps.push_back(x);
    }
    painter.setPen(QPen(Qt::red, 2));
    painter.drawLines(lines);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    for (const double x : jumps)
        painter.drawPolygon(QPolygonF({QPointF(x - 3, centres.top()), QPointF(x + 3, centres.top()),
                                       QPointF(x, centres.top() + 5)}));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::NoPen);
    for (const Mark& mark : marks_) {
        const long long index = overview_->indexNearest(mark.frame);
        if (overview_->frameAt(index) != mark.frame)
            continue;
        painter.setBrush(kColours[static_cast<std::size_t>((mark.row - 40) / 20)]);
        painter.drawEllipse(QPointF(xOf(columnOf(index)), centreY(mark.column())), 2.5, 2.5);
    }
    painter.setBrush(Qt::NoBrush);
    if (cursorFrame_ >= 0 && overview_->frameCount() > 0) {
        const long long index = overview_->indexNearest(cursorFrame_);
        if (overview_->frameAt(index) == cursorFrame_) {
            painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DashLine));
            const double x = xOf(columnOf(index));
            painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        }
    }
}

} // namespace vireo
