#include "app/window/recording_view.h"

#include "marks/mark_error.h"
#include "ui/sweep_plot.h"
#include "ui/timeline_plot.h"

#include <QVBoxLayout>

namespace vireo {

namespace {

// How often a running sweep's progress is shown and its new frames drawn.
constexpr int kPollMilliseconds = 40;

QString optionalNumber(const std::optional<double>& value) {
    return value ? QString::number(*value) : QStringLiteral("-");
}

} // namespace

RecordingView::RecordingView(QWidget* parent)
    : QWidget(parent)
    , timeline_(new TimelinePlot(this))
    , sweepPlot_(new SweepPlot(this)) {
    setObjectName(QStringLiteral("recordingView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(timeline_, 3);
    layout->addWidget(sweepPlot_, 2);
    poller_.setInterval(kPollMilliseconds);
    connect(&poller_, &QTimer::timeout, this, &RecordingView::poll);
    connect(timeline_, &TimelinePlot::frameClicked, this, &RecordingView::frameChosen);
    connect(sweepPlot_, &SweepPlot::thresholdClicked, this, &RecordingView::thresholdChosen);
    connect(timeline_, &TimelinePlot::hovered, this, &RecordingView::showHoveredFrame);
    connect(sweepPlot_, &SweepPlot::hovered, this, &RecordingView::showHoveredThreshold);
}

RecordingView::~RecordingView() = default;

void RecordingView::setFolder(const RecordingSource& source, int lastFrame) {
    source_ = source;
    lastFrame_ = lastFrame;
    stale_ = true;
    sweep_.reset(); // cancels a sweep of the previous folder and waits for its threads
    timeline_->setOverview(nullptr);
    sweepPlot_->setSummary({});
    if (isVisible())
        startSweep();
}

void RecordingView::setThreshold(int threshold) {
    threshold_ = threshold;
    timeline_->setThreshold(threshold);
    sweepPlot_->setCursorThreshold(threshold);
}

void RecordingView::setFrame(int frame) {
    frame_ = frame;
    timeline_->setCursorFrame(frame);
}

void RecordingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_)
        startSweep();
}

void RecordingView::startSweep() {
    stale_ = false;
    sweep_ = std::make_unique<BackgroundSweep>(source_, FrameList{{0, lastFrame_}});
    timeline_->setOverview(sweep_->overview());
    timeline_->setThreshold(threshold_);
    timeline_->setCursorFrame(frame_);
    sweepPlot_->setCursorThreshold(threshold_);
    poller_.start();
    poll();
}

void RecordingView::poll() {
    if (!sweep_)
        return;
    const auto overview = sweep_->overview();
    timeline_->update();
    if (!sweep_->finished()) {
        setStatus(QStringLiteral("Recording view: sweeping frame %1 of %2")
                      .arg(overview->received())
                      .arg(overview->frameCount()));
        return;
    }
    poller_.stop();
    if (!sweep_->failure().empty()) {
        setStatus(QStringLiteral("Recording view: the sweep failed: %1")
                      .arg(QString::fromStdString(sweep_->failure())));
        return;
    }
    sweepPlot_->setSummary(overview->summary());
    showMarkErrors();
    setStatus({});
}

void RecordingView::setMarks(const Marks& marks) {
    marks_ = marks;
    timeline_->setMarks(marks_.all());
    showMarkErrors();
}

void RecordingView::showMarkErrors() {
    suggested_.reset();
    if (!sweep_ || !sweep_->finished() || !sweep_->overview()->complete()) {
        sweepPlot_->setMarkErrors({}, std::nullopt);
        return;
    }
    const MarkError errors = markErrorOver(marks_, *sweep_->overview());
    const auto index = errors.suggested();
    if (!index) { // no mark on a loaded frame: nothing to draw
        sweepPlot_->setMarkErrors({}, std::nullopt);
        return;
    }
    std::vector<std::optional<double>> curve;
    for (const MarkError::Line& line : errors.lines())
        curve.push_back(line.error);
    suggested_ = RecordingOverview::sweepSettings().thresholds[*index];
    sweepPlot_->setMarkErrors(std::move(curve), suggested_);
}

std::optional<int> RecordingView::flaggedFrame(int direction) const {
    if (!sweep_)
        return std::nullopt;
    const auto overview = sweep_->overview();
    if (overview->received() == 0)
        return std::nullopt;
    const auto next = overview->nextFlagged(overview->indexNearest(frame_), threshold_, direction);
    if (!next)
        return std::nullopt;
    return overview->frameAt(*next);
}

void RecordingView::showHoveredFrame(long long index) {
    if (index < 0 || !sweep_ || index >= sweep_->overview()->received()) {
        setStatus({});
        return;
    }
    const RecordingOverview::Point p = sweep_->overview()->at(index, threshold_);
    if (!p.loaded) {
        setStatus(QStringLiteral("frame %1: could not be loaded").arg(p.frame));
        return;
    }
    QString marked;
    for (const Mark& mark : marks_.ofFrame(p.frame))
        marked +=
            QStringLiteral(", mark on row %1 at %2").arg(mark.row).arg(mark.column(), 0, 'f', 1);
    setStatus(QStringLiteral("frame %1 at threshold %2: centres %3 / %4 / %5, forecast %6, "
                             "support %7 / %8 / %9%10%11%12")
                  .arg(p.frame)
                  .arg(threshold_)
                  .arg(p.centres[0])
                  .arg(p.centres[1])
                  .arg(p.centres[2])
                  .arg(p.forecast)
                  .arg(p.support[0])
                  .arg(p.support[1])
                  .arg(p.support[2])
                  .arg(p.tracked ? QString() : QStringLiteral(", not tracked"))
                  .arg(p.jumped ? QStringLiteral(", jump") : QString())
                  .arg(marked));
}

void RecordingView::showHoveredThreshold(int threshold) {
    if (threshold < 0 || !sweep_ || !sweep_->finished() || sweep_->overview()->summary().empty()) {
        setStatus({});
        return;
    }
    const auto& line = sweep_->overview()->summary()[static_cast<std::size_t>(threshold)];
    setStatus(
        QStringLiteral("threshold %1: %2 of %3 frames tracked, jitter %4, edge share %5, "
                       "%6 clamped")
            .arg(line.threshold)
            .arg(line.tracked)
            .arg(line.frames)
            .arg(optionalNumber(line.jitter))
            .arg(line.edgeShare ? QString::number(*line.edgeShare, 'f', 3) : QStringLiteral("-"))
            .arg(line.clamped));
}

void RecordingView::setStatus(QString text) {
    if (text == status_)
        return;
    status_ = std::move(text);
    emit statusChanged();
}

} // namespace vireo
