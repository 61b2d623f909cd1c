#pragma once

#include "marks/marks.h"
#include "recording/recording_overview.h"
#include "ui/plot_widget.h"

#include <memory>

namespace vireo {

// The recording's timeline at one threshold: the three centres (upper part, columns 0..160) and
// the forecast (lower part) against the frame, for every frame of a RecordingOverview received
// so far. Frames that could not be loaded are gaps in the lines with a red mark below them;
// frames that are not tracked are shaded; a jump of a centre is marked above the plot. Where
// frames outnumber pixel columns, each column draws the lowest and highest value of its frames,
// so that a one-frame spike never disappears. A cursor marks the current frame.
class TimelinePlot : public PlotWidget {
    Q_OBJECT

public:
    explicit TimelinePlot(QWidget* parent = nullptr);

    void setOverview(std::shared_ptr<const RecordingOverview> overview);
    void setThreshold(int threshold);
    // The frame the cursor marks; none when it is not in the overview.
    void setCursorFrame(int frame);
    int cursorFrame() const { return cursorFrame_; }
    // The operator's marks, drawn as dots in their scan row's colour.
    void setMarks(std::vector<Mark> marks);
    // The widget's x of frame index `index`, the middle of its place on the time axis.
    double xOfIndex(long long index) const;

    QSize sizeHint() const override { return {760, 210}; }

signals:
    // A click chose frame `frame` (the nearest one to the click).
    void frameClicked(int frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The overview index under widget position x, or -1 without frames; hovered() reports it.
    long long itemAt(double x) const override;
    void itemClicked(long long index) override;

private:
    std::shared_ptr<const RecordingOverview> overview_;
    int threshold_ = 100;
    int cursorFrame_ = -1;
    std::vector<Mark> marks_;
};

} // namespace vireo
