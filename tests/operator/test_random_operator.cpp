// The real window under a random operator: a seeded session of thousands of steps on the real
// controls, checked after every step against the engine replayed on a tracking state of its own.
//
//   VIREO_OPERATOR_SEED   the session's seed (a failure report names it); fixed by default
//   VIREO_OPERATOR_STEPS  the number of steps, 10000 by default

#include "event_log.h"
#include "folder_snapshot.h"
#include "input/bitmap_loader.h"
#include "operator_frames.h"
#include "random_operator.h"
#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"
#include "window_model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <deque>
#include <map>

namespace vireo::testing {
namespace {

constexpr std::uint64_t kDefaultSeed = 20240611;
constexpr int kDefaultSteps = 10000;
constexpr int kRecentSteps = 12;    // steps a failure report lists
constexpr int kSnapshotEvery = 100; // steps between checks that no frame was written

// A whole number from the environment, or `fallback` when the variable is not set.
bool settingFromEnvironment(const char* name, std::uint64_t fallback, std::uint64_t& value,
                            QString& error) {
    const QString text = qEnvironmentVariable(name);
    if (text.isEmpty()) {
        value = fallback;
        return true;
    }
    bool ok = false;
    value = text.toULongLong(&ok);
    if (!ok)
        error = QStringLiteral("%1: \"%2\" is not a whole number").arg(name, text);
    return ok;
}

// Closes every message box or other modal window that opens, and keeps its text. A handler that
// failed opens one and would otherwise wait for an answer that never comes.
class DialogCatcher {
public:
    DialogCatcher() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { closeDialogs(); });
        timer_.start();
    }

    void closeDialogs() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                seen_ << QStringLiteral("message box \"%1\"").arg(box->text());
                box->done(0);
            } else if (widget->isModal()) {
                seen_ << QStringLiteral("modal %1").arg(widget->metaObject()->className());
                widget->close();
            }
        }
    }

    QStringList take() { return std::exchange(seen_, {}); }

private:
    QTimer timer_;
    QStringList seen_;
};

QString cellText(int x, int y) {
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

QString firstDifference(const Frame& shown, const Frame& expected) {
    for (int y = 0; y < Frame::kRows; ++y)
        for (int x = 0; x < Frame::kColumns; ++x)
            if (shown.at(x, y) != expected.at(x, y))
                return QStringLiteral("at %1: %2, the engine's %3")
                    .arg(cellText(x, y))
                    .arg(shown.at(x, y))
                    .arg(expected.at(x, y));
    return {};
}

// Flags, threshold, scan rows, middiff, both frames, the file bytes and the load notice, against
// the model; the first difference, or empty.
QString compareState(WindowDriver& driver, const WindowModel& model) {
    const TrackingState& shown = driver.state();
    const TrackingState& expected = model.state();
    if (shown.picshown != shown.edgesready)
        return QStringLiteral("picshown is %1 but edgesready %2")
            .arg(shown.picshown)
            .arg(shown.edgesready);
    if (shown.picshown != model.edgesShown())
        return QStringLiteral("the flags are %1, expected %2")
            .arg(shown.picshown)
            .arg(model.edgesShown());
    const int slider = driver.find<ClickSlider>("sobelslider")->value();
    if (shown.sobelthresh != expected.sobelthresh || shown.sobelthresh != slider)
        return QStringLiteral("sobelthresh %1, expected %2 (sobelslider at %3)")
            .arg(shown.sobelthresh)
            .arg(expected.sobelthresh)
            .arg(slider);
    for (int n = 0; n < 3; ++n) {
        const int row = shown.history.at(n, 0);
        const int centre = shown.history.at(n, 1);
        if (row != 40 + 20 * n)
            return QStringLiteral("scan row %1 is %2").arg(n).arg(row);
        if (centre < 15 || centre > 145)
            return QStringLiteral("centre %1 is %2, outside 15..145").arg(n).arg(centre);
        if (centre != expected.history.at(n, 1))
            return QStringLiteral("centre %1 is %2, the engine gives %3")
                .arg(n)
                .arg(centre)
                .arg(expected.history.at(n, 1));
    }
    if (driver.middiff() != model.middiff())
        return QStringLiteral("middiff reads \"%1\", expected \"%2\"")
            .arg(driver.middiff(), model.middiff());
    if (shown.grayimg != expected.grayimg)
        return QStringLiteral("the grey frame differs from the engine's ") +
               firstDifference(shown.grayimg, expected.grayimg);
    if (shown.edgeimg != expected.edgeimg)
        return QStringLiteral("the edge frame differs from the engine's ") +
               firstDifference(shown.edgeimg, expected.edgeimg);
    if (shown.filebytes != expected.filebytes)
        return QStringLiteral("the file bytes differ from the engine's");
    const QString notice = driver.find<PictureBox>("Picture3")->notice();
    if (notice != model.loadFailure())
        return QStringLiteral("Picture3 says \"%1\", expected \"%2\"")
            .arg(notice, model.loadFailure());
    return {};
}

// Picture4 against what it should show: blank, or exactly the edge frame.
QString compareEdgeSurface(WindowDriver& driver, const WindowModel& model) {
    const QImage& image = driver.find<PictureBox>("Picture4")->surface().image();
    switch (model.edgeSurface()) {
    case EdgeSurface::Blank:
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFFu) != (qRgb(240, 240, 240) & 0xFFFFFFu))
                    return QStringLiteral("Picture4 should be blank but shows %1 at %2")
                        .arg(line[x] & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                        .arg(cellText(x, y));
        }
        return {};
    case EdgeSurface::EdgeMap:
        for (int y = 0; y < Frame::kPictureHeight; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            const Frame::ConstRow edges = model.state().edgeimg.row(y);
            for (int x = 0; x < Frame::kPictureWidth; ++x)
                if ((line[x] & 0xFFFFFFu) != 0x010101u * edges[x])
                    return QStringLiteral("Picture4 shows %1 at %2 where the edge frame holds %3")
                        .arg(line[x] & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                        .arg(cellText(x, y))
                        .arg(edges[x]);
        }
        return {};
    case EdgeSurface::Overlay:
        return {};
    }
    return {};
}

// Picture3 after a frame change: the frame file's picture, or cleared when it could not load.
QString compareFramePicture(WindowDriver& driver, const WindowModel& model) {
    const QImage& image = driver.find<PictureBox>("Picture3")->surface().image();
    const bool loaded = model.loadFailure().isEmpty();
    for (int y = 0; y < Picture::kHeight; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < Picture::kWidth; ++x) {
            const Colour shown = rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
            const Colour expected =
                loaded ? model.framePicture().at(x, y) : RasterSurface::kBackground;
            if (shown != expected)
                return QStringLiteral("Picture3 shows %1 at %2, expected %3")
                    .arg(shown, 6, 16, QLatin1Char('0'))
                    .arg(cellText(x, y))
                    .arg(expected, 6, 16, QLatin1Char('0'));
        }
    }
    return {};
}

// Replays the events one step raised on the model, as the window's handlers must have answered
// them; returns how many "Find Center" ran.
int replay(const std::vector<ControlEvent>& events, WindowModel& model) {
    int centreRuns = 0;
    for (const ControlEvent& event : events) {
        switch (event.kind) {
        case ControlEvent::FrameChange:
            model.frameChange(event.value);
            break;
        case ControlEvent::FrameClick:
            break; // the frame slider answers only a change of value
        case ControlEvent::ThresholdChange:
        case ControlEvent::ThresholdClick:
            model.thresholdChange(event.value);
            break;
        case ControlEvent::DisplayClick:
            model.displayPicture();
            break;
        case ControlEvent::FindClick:
            centreRuns += model.findCenter() ? 1 : 0;
            break;
        }
    }
    return centreRuns;
}

bool holds(const std::vector<ControlEvent>& events, ControlEvent::Kind kind) {
    return std::any_of(events.begin(), events.end(),
                       [kind](const ControlEvent& e) { return e.kind == kind; });
}

// A button click the window did not receive would make the step a silent no-op.
QString checkButtonClicked(RandomOperator::Action action, const std::vector<ControlEvent>& events) {
    const bool display = action == RandomOperator::Action::DisplayPicture;
    if (!display && action != RandomOperator::Action::FindCenter)
        return {};
    const ControlEvent::Kind kind = display ? ControlEvent::DisplayClick : ControlEvent::FindClick;
    if (events.size() != 1 || events.front().kind != kind)
        return QStringLiteral("the button click raised %1 events, expected one click")
            .arg(events.size());
    return {};
}

bool frameLoads(const std::filesystem::path& folder, int frameNumber) {
    TrackingState scratch;
    try {
        moveme(scratch, folder, frameNumber);
        return true;
    } catch (const LoadError&) {
        return false;
    }
}

// What a session covered, for its summary line.
struct Coverage {
    std::array<int, RandomOperator::kActions> actions{};
    int frameChanges = 0;
    int unloadableFrames = 0;
    int centreRuns = 0;
    int ignoredCentreClicks = 0;
    int edgeMapComparisons = 0;
    std::map<int, int> centres; // centre column -> how often a run gave it

    int centresAt(int column) const {
        const auto found = centres.find(column);
        return found == centres.end() ? 0 : found->second;
    }

    QString summary() const {
        QString text;
        for (int a = 0; a < RandomOperator::kActions; ++a)
            text += QStringLiteral("%1 %2, ")
                        .arg(RandomOperator::name(static_cast<RandomOperator::Action>(a)))
                        .arg(actions[static_cast<std::size_t>(a)]);
        return text +
               QStringLiteral("frame changes %1 (%2 unloadable), Find Center ran %3 times and was "
                              "ignored %4 times, %5 full edge-map comparisons, centres from %6 to "
                              "%7 (15 %8 times, 145 %9 times)")
                   .arg(frameChanges)
                   .arg(unloadableFrames)
                   .arg(centreRuns)
                   .arg(ignoredCentreClicks)
                   .arg(edgeMapComparisons)
                   .arg(centres.empty() ? 0 : centres.begin()->first)
                   .arg(centres.empty() ? 0 : centres.rbegin()->first)
                   .arg(centresAt(15))
                   .arg(centresAt(145));
    }
};

// One seeded session: the window, the model beside it, the operator and what the steps covered.
class Session {
public:
    Session(const std::filesystem::path& folder, std::uint64_t seed, std::uint64_t steps)
        : folder_(folder)
        , seed_(seed)
        , steps_(steps)
        , framesBefore_(folder)
        , driver_(folder)
        , model_(folder)
        , log_(driver_.window())
        , person_(driver_, seed) {}

    // The first difference from what is promised before any step, or empty.
    QString checkStart() { return compareState(driver_, model_); }

    // Performs step `step` (from 1) and checks the window after it; the first fault, or empty.
    QString runStep(std::uint64_t step) {
        const RandomOperator::Step done = person_.step();
        recent_.push_back(done.text);
        if (recent_.size() > kRecentSteps)
            recent_.pop_front();
        ++coverage_.actions[static_cast<std::size_t>(done.action)];

        // Let the window paint, as it would between an operator's moves.
        QCoreApplication::processEvents();
        dialogs_.closeDialogs();
        if (const QStringList opened = dialogs_.take(); !opened.isEmpty())
            return QStringLiteral("a dialog opened: ") + opened.join(", ");
        if (!driver_.window().isVisible())
            return QStringLiteral("the window closed");

        const std::vector<ControlEvent> events = log_.take();
        if (QString fault = checkButtonClicked(done.action, events); !fault.isEmpty())
            return fault;
        replayStep(done.action, events);

        if (QString fault = compareState(driver_, model_); !fault.isEmpty())
            return fault;
        coverage_.edgeMapComparisons += model_.edgeSurface() == EdgeSurface::EdgeMap ? 1 : 0;
        if (QString fault = compareEdgeSurface(driver_, model_); !fault.isEmpty())
            return fault;
        if (holds(events, ControlEvent::FrameChange)) {
            ++coverage_.frameChanges;
            coverage_.unloadableFrames += model_.loadFailure().isEmpty() ? 0 : 1;
            if (QString fault = compareFramePicture(driver_, model_); !fault.isEmpty())
                return fault;
        }
        if (step % kSnapshotEvery == 0 || step == steps_)
            return framesWritten();
        return {};
    }

    // The frame files whose bytes or modification times changed since the start, or empty.
    QString framesWritten() const {
        const std::string changes = framesBefore_.changesIn(folder_);
        if (changes.empty())
            return {};
        return QStringLiteral("frames were written:\n") + QString::fromStdString(changes).trimmed();
    }

    // A failure report that names the seed, the step, the steps before it and how to replay them.
    QString report(std::uint64_t step, const QString& fault) const {
        QString text = QStringLiteral("seed %1, step %2 of %3: %4\nthe last steps:\n")
                           .arg(seed_)
                           .arg(step)
                           .arg(steps_)
                           .arg(fault);
        for (std::size_t i = 0; i < recent_.size(); ++i)
            text += QStringLiteral("  %1: %2\n")
                        .arg(step + 1 - recent_.size() + i)
                        .arg(QString::fromStdString(recent_[i]));
        return text + QStringLiteral("replay with VIREO_OPERATOR_SEED=%1 VIREO_OPERATOR_STEPS=%2")
                          .arg(seed_)
                          .arg(step);
    }

    const Coverage& coverage() const { return coverage_; }

private:
    void replayStep(RandomOperator::Action action, const std::vector<ControlEvent>& events) {
        const bool shownBefore = model_.edgesShown();
        const int runs = replay(events, model_);
        coverage_.centreRuns += runs;
        if (action == RandomOperator::Action::FindCenter && !shownBefore)
            ++coverage_.ignoredCentreClicks;
        for (int n = 0; runs > 0 && n < 3; ++n)
            ++coverage_.centres[model_.state().history.at(n, 1)];
    }

    std::filesystem::path folder_;
    std::uint64_t seed_;
    std::uint64_t steps_;
    FolderSnapshot framesBefore_;
    WindowDriver driver_;
    WindowModel model_;
    EventLog log_;
    DialogCatcher dialogs_;
    RandomOperator person_;
    Coverage coverage_;
    std::deque<std::string> recent_;
};

} // namespace

class RandomOperatorTest : public QObject {
    Q_OBJECT

private slots:
    void randomSession();
};

// Any difference between the window and the engine replayed on its own, after any sequence of
// steps: a handler that drops a flag, keeps a stale edge map or centre, or paints off by a pixel.
void RandomOperatorTest::randomSession() {
    std::uint64_t seed = 0;
    std::uint64_t steps = 0;
    QString error;
    if (!settingFromEnvironment("VIREO_OPERATOR_SEED", kDefaultSeed, seed, error) ||
        !settingFromEnvironment("VIREO_OPERATOR_STEPS", kDefaultSteps, steps, error))
        QFAIL(qPrintable(error));

    TempFolder folder;
    writeOperatorFrames(folder.path());
    for (int frame = 0; frame < kOperatorFrames; ++frame)
        QVERIFY2(frameLoads(folder.path(), frame) == operatorFrameLoads(frame),
                 qPrintable(QStringLiteral("frame %1 is not the good or bad frame the session "
                                           "needs")
                                .arg(frame)));
    Session session(folder.path(), seed, steps);
    const QString atStart = session.checkStart();
    QVERIFY2(atStart.isEmpty(), qPrintable(session.report(0, atStart)));

    QElapsedTimer clock;
    clock.start();
    for (std::uint64_t step = 1; step <= steps; ++step)
        if (const QString fault = session.runStep(step); !fault.isEmpty())
            QFAIL(qPrintable(session.report(step, fault)));
    qInfo("seed %llu: %llu steps in %lld ms; %s", static_cast<unsigned long long>(seed),
          static_cast<unsigned long long>(steps), clock.elapsed(),
          qPrintable(session.coverage().summary()));

    // A long enough session must have reached every kind of step and every state; otherwise the
    // checks above prove little.
    if (steps < 2000)
        return;
    const Coverage& covered = session.coverage();
    for (int a = 0; a < RandomOperator::kActions; ++a)
        QVERIFY2(covered.actions[static_cast<std::size_t>(a)] > 0,
                 RandomOperator::name(static_cast<RandomOperator::Action>(a)));
    QVERIFY(covered.unloadableFrames > 0);
    QVERIFY(covered.centreRuns > 0);
    QVERIFY(covered.ignoredCentreClicks > 0);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::RandomOperatorTest)
#include "test_random_operator.moc"
