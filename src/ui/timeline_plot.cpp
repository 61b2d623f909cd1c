#include "ui/timeline_plot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace vireo {

namespace {

constexpr int kSeries = 4; // centres on rows 40, 60, 80, then the forecast
const std::array<QColor, kSeries> kColours{QColor(0, 90, 200), QColor(0, 150, 60),
                                           QColor(200, 120, 0), QColor(120, 0, 160)};
const std::array<const char*, kSeries> kNames{"row 40", "row 60", "row 80", "forecast"};
constexpr double kForecastRange = 40; // the forecast strip shows -40..40, larger values clipped

// One pixel column's values of one series: the first, lowest, highest and last of its frames.
struct Column {
    bool any = false;
    double first = 0, low = 0, high = 0, last = 0;
    void add(double value) {
        if (!any)
            first = low = high = value;
        low = std::min(low, value);
        high = std::max(high, value);
        last = value;
        any = true;
    }
};

} // namespace

TimelinePlot::TimelinePlot(QWidget* parent)
    : QWidget(parent) {
    // The plot fills its whole area, so Qt need not paint the background under it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setObjectName(QStringLiteral("timeline"));
}

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

QRectF TimelinePlot::plotArea() const {
    return QRectF(34, 16, std::max(10, width() - 34 - 34), std::max(10, height() - 16 - 18));
}

double TimelinePlot::xOfIndex(long long index) const {
    const QRectF area = plotArea();
    const double count = overview_ ? static_cast<double>(overview_->frameCount()) : 1;
    return area.left() + (static_cast<double>(index) + 0.5) * area.width() / count;
}

long long TimelinePlot::indexAt(double x) const {
    if (!overview_ || overview_->frameCount() == 0)
        return -1;
    const QRectF area = plotArea();
    const double at =
        (x - area.left()) / area.width() * static_cast<double>(overview_->frameCount());
    return std::clamp(static_cast<long long>(std::floor(at)), 0LL, overview_->frameCount() - 1);
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
    const auto columnOf = [&](long long index) {
        return std::min(columns - 1, static_cast<int>((static_cast<double>(index) + 0.5) * columns /
                                                      static_cast<double>(count)));
    };
    const auto xOf = [&](int column) { return area.left() + column + 0.5; };
    const auto centreY = [&](double column) {
        return centres.top() + column / 160.0 * centres.height();
    };
    const auto forecastY = [&](double value) {
        const double clipped = std::clamp(value, -kForecastRange, kForecastRange);
        return forecast.center().y() - clipped / kForecastRange * forecast.height() / 2;
    };

    // One walk over the frames fills each pixel column; lines join columns only across frames
    // that loaded one after the other.
    std::vector<std::array<Column, kSeries>> values(static_cast<std::size_t>(columns));
    std::vector<char> gap(static_cast<std::size_t>(columns), 0);
    std::vector<char> untracked(static_cast<std::size_t>(columns), 0);
    std::vector<char> jump(static_cast<std::size_t>(columns), 0);
    std::vector<char> joinsPrevious(static_cast<std::size_t>(columns), 0);
    bool previousLoaded = false;
    int previousColumn = -1;
    for (long long i = 0; i < received; ++i) {
        const RecordingOverview::Point point = overview_->at(i, threshold_);
        const auto c = static_cast<std::size_t>(columnOf(i));
        if (!point.loaded) {
            gap[c] = 1;
            previousLoaded = false;
            continue;
        }
        if (previousLoaded && previousColumn != static_cast<int>(c))
            joinsPrevious[c] = 1;
        for (int s = 0; s < 3; ++s)
            values[c][static_cast<std::size_t>(s)].add(point.centres[static_cast<std::size_t>(s)]);
        values[c][3].add(point.forecast);
        untracked[c] = untracked[c] || !point.tracked;
        jump[c] = jump[c] || point.jumped;
        previousLoaded = true;
        previousColumn = static_cast<int>(c);
    }

    // Everything of one kind is gathered first and drawn with one call: a timeline of 10,000
    // frames has thousands of short lines.
    // Untracked frames shaded over their own width, or over their pixel column where frames
    // outnumber columns; neighbouring shaded columns make one rectangle. The shade is opaque:
    // semi-transparent fills are many times slower to draw.
    QList<QRectF> shaded;
    const auto shade = [&](double left, double width) {
        if (!shaded.isEmpty() && std::abs(shaded.back().right() - left) < 1e-6)
            shaded.back().setRight(left + width);
        else
            shaded.append(QRectF(left, centres.top() + 1, width, centres.height() - 1));
    };
    if (count <= columns) {
        const double frameWidth = area.width() / static_cast<double>(count);
        for (long long i = 0; i < received; ++i)
            if (untracked[static_cast<std::size_t>(columnOf(i))])
                shade(area.left() + frameWidth * static_cast<double>(i), frameWidth);
    } else {
        for (int c = 0; c < columns; ++c)
            if (untracked[static_cast<std::size_t>(c)])
                shade(area.left() + c, 1);
    }
    for (const QRectF& r : shaded)
        painter.fillRect(r, QColor(255, 232, 204));

    QList<QLineF> lines;
    for (int s = 0; s < kSeries; ++s) {
        const auto y = [&](double v) { return s < 3 ? centreY(v) : forecastY(v); };
        const Column* previous = nullptr;
        int previousAt = -1;
        lines.clear();
        for (int c = 0; c < columns; ++c) {
            const Column& column = values[static_cast<std::size_t>(c)][static_cast<std::size_t>(s)];
            if (!column.any) {
                if (gap[static_cast<std::size_t>(c)])
                    previous = nullptr;
                continue;
            }
            if (previous && joinsPrevious[static_cast<std::size_t>(c)])
                lines.append(QLineF(xOf(previousAt), y(previous->last), xOf(c), y(column.first)));
            if (column.low != column.high || !previous ||
                !joinsPrevious[static_cast<std::size_t>(c)])
                lines.append(QLineF(xOf(c), y(column.low), xOf(c), y(column.high)));
            previous = &column;
            previousAt = c;
        }
        painter.setPen(QPen(kColours[static_cast<std::size_t>(s)], 1));
        painter.drawLines(lines);
    }
    lines.clear();
    std::vector<double> jumps;
    for (int c = 0; c < columns; ++c) {
        const double x = xOf(c);
        if (gap[static_cast<std::size_t>(c)])
            lines.append(QLineF(x, area.bottom() + 3, x, area.bottom() + 9));
        if (jump[static_cast<std::size_t>(c)])
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

void TimelinePlot::mousePressEvent(QMouseEvent* event) {
    const long long index = indexAt(event->position().x());
    if (event->button() == Qt::LeftButton && index >= 0)
        emit frameClicked(overview_->frameAt(index));
}

void TimelinePlot::mouseMoveEvent(QMouseEvent* event) {
    const QRectF area = plotArea();
    const bool inside =
        event->position().x() >= area.left() && event->position().x() <= area.right();
    emit hovered(inside ? indexAt(event->position().x()) : -1);
}

void TimelinePlot::leaveEvent(QEvent*) {
    emit hovered(-1);
}

} // namespace vireo
