#pragma once

#include "marks/marks.h"
#include "recording/background_sweep.h"

#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <optional>

namespace vireo {

class SweepPlot;
class TimelinePlot;

// The recording view below the window's controls: the timeline of every frame of the folder at
// the current threshold, and the sweep's summary against threshold. Its numbers come from a
// sweep of the whole folder that runs off the window's thread while the view is shown, started
// anew when the folder changes; the view follows the two sliders and moves them on a click.
class RecordingView : public QWidget {
    Q_OBJECT

public:
    explicit RecordingView(QWidget* parent = nullptr);
    ~RecordingView() override;

    // Frames 0..lastFrame of `source` from now on. A sweep of them starts when the view is
    // shown; one still running for another recording is cancelled.
    void setFolder(const RecordingSource& source, int lastFrame);
    void setThreshold(int threshold);
    void setFrame(int frame);
    // The operator's marks: drawn on the timeline, and their error per threshold on the sweep
    // plot once the sweep is done.
    void setMarks(const Marks& marks);
    // The threshold whose centres lie nearest the marks (see MarkError::suggested); nullopt
    // without marks on loaded frames or while the sweep runs.
    std::optional<int> suggestedThreshold() const { return suggested_; }

    // The next flagged frame after the current one (direction +1) or before it (-1): not loaded,
    // not tracked, or a jump. nullopt when there is none among the frames swept so far.
    std::optional<int> flaggedFrame(int direction) const;

    // What the status line should say about the view: progress while sweeping, the numbers of
    // the frame or threshold under the mouse; empty otherwise.
    const QString& status() const { return status_; }

    // The sweep, for tests that wait for it or cancel it; null before the view was first shown.
    const BackgroundSweep* sweep() const { return sweep_.get(); }

signals:
    void frameChosen(int frame);
    void thresholdChosen(int threshold);
    void statusChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void startSweep();
    void poll();
    void showHoveredFrame(long long index);
    void showHoveredThreshold(int threshold);
    void setStatus(QString text);
    void showMarkErrors();

    TimelinePlot* timeline_;
    SweepPlot* sweepPlot_;
    QTimer poller_;
    RecordingSource source_;
    int lastFrame_ = 0;
    int threshold_ = 100;
    int frame_ = 1;
    bool stale_ = false; // a folder was given since the last sweep started
    std::unique_ptr<BackgroundSweep> sweep_;
    QString status_;
    Marks marks_;
    std::optional<int> suggested_;
};

} // namespace vireo
