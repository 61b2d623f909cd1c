#pragma once

#include <QWidget>

namespace vireo {

// A plot of items (frames, thresholds) along x in an area with room for scales around it. It
// reports the item under the mouse and hands a left click on one to the plot.
class PlotWidget : public QWidget {
    Q_OBJECT

public:
    explicit PlotWidget(const QString& name, QWidget* parent = nullptr);

signals:
    // The mouse points at item `item` (a frame's index, a threshold), or at none (-1).
    void hovered(long long item);

protected:
    QRectF plotArea() const;
    // The item at widget x `x`, or -1 for none.
    virtual long long itemAt(double x) const = 0;
    virtual void itemClicked(long long item) = 0;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

} // namespace vireo
