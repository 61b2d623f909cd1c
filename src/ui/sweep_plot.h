#pragma once

#include "sweep/sweep_summary.h"
#include "ui/plot_widget.h"

#include <optional>
#include <vector>

namespace vireo {

// The sweep's summary against threshold 0..255: the share of frames tracked and the share of
// edge pixels (left scale, 0..1) and the jitter (right scale, in columns), with a cursor at the
// current threshold.
class SweepPlot : public PlotWidget {
    Q_OBJECT

public:
    explicit SweepPlot(QWidget* parent = nullptr);

    // One line per threshold 0..255, or none while the sweep runs.
    void setSummary(std::vector<sweep::ThresholdSummary> lines);
    void setCursorThreshold(int threshold);
    // The mean distance of the centres from the operator's marks per threshold 0..255 (right
    // scale, with the jitter), and the suggested threshold; none to draw none.
    void setMarkErrors(std::vector<std::optional<double>> errors, std::optional<int> suggested);
    int cursorThreshold() const { return cursor_; }
    // The widget's x of threshold `threshold`.
    double xOfThreshold(int threshold) const;

    QSize sizeHint() const override { return {760, 150}; }

signals:
    // A click chose threshold `threshold`.
    void thresholdClicked(int threshold);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The threshold nearest to widget position x; hovered() reports it.
    long long itemAt(double x) const override;
    void itemClicked(long long threshold) override;

private:
    std::vector<sweep::ThresholdSummary> lines_;
    int cursor_ = 100;
    std::vector<std::optional<double>> errors_;
    std::optional<int> suggested_;
};

} // namespace vireo
