#pragma once

#include "marks/marks.h"
#include "recording/recording_overview.h"

#include <QWidget>
#include <memory>

namespace vireo {

// The recording's timeline at one threshold: the three centres (upper part, columns 0..160) and
// the forecast (lower part) against the frame, for every frame of a RecordingOverview received
// so far. Frames that could not be loaded are gaps in the lines with a red mark below them;
// frames that are not tracked are shaded; a jump of a centre is marked above the plot. Where
// frames outnumber pixel columns, each column draws the lowest and highest value of its frames,
// so that a one-frame spike never disappears. A cursor marks the current frame.
class TimelinePlot : public QWidget {
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
    // The mouse points at frame index `index` of the overview, or at none (-1).
    void hovered(long long index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRectF plotArea() const;
    // The overview index under widget position x, or -1 outside the frames.
    long long indexAt(double x) const;

    std::shared_ptr<const RecordingOverview> overview_;
    int threshold_ = 100;
    int cursorFrame_ = -1;
    std::vector<Mark> marks_;
};

} // namespace vireo
