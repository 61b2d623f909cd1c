// The real window under a random operator: a seeded session of thousands of steps on the real
// controls, each replayed on the engine's own functions and a tracking state of its own, and the
// window checked against that after every step.
//
//   VIREO_OPERATOR_SEED   the session's seed (a failure report names it); fixed by default
//   VIREO_OPERATOR_STEPS  the number of steps, 10000 by default

#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "operator_frames.h"
#include "random_operator.h"
#include "state/null_surface.h"
#include "tracking/centers.h"
#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace vireo::testing {
namespace {

constexpr std::uint64_t kDefaultSeed = 20240611;
constexpr std::uint64_t kDefaultSteps = 10000;
constexpr std::uint64_t kSnapshotEvery = 100; // steps between checks that no frame was written

// A whole number from the environment, `fallback` when unset, nullopt when not a number.
std::optional<std::uint64_t> setting(const char* name, std::uint64_t fallback) {
    const QString text = qEnvironmentVariable(name);
    bool ok = true;
    const std::uint64_t value = text.isEmpty() ? fallback : text.toULongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// The window's handlers as promised, on the engine's own functions and a state of its own.
class Model {
public:
    // Start-up: flags cleared, kernels filled, threshold 100, scan rows reset, frame 1 loaded.
    explicit Model(std::filesystem::path folder)
        : folder_(std::move(folder)) {
        initmask(state);
        state.sobelthresh = 100;
        historyinit(state);
        load(1);
    }

    void frameChange(int frameNumber) {
        state.picshown = state.edgesready = false;
        middiff = QStringLiteral("N/A");
        historyinit(state);
        load(frameNumber);
    }

    void displayPicture() {
        computeEdges(state);
        state.picshown = state.edgesready = true;
    }

    void thresholdChange(int value) {
        state.sobelthresh = value;
        if (state.picshown)
            computeEdges(state);
    }

    // Whether it ran: only while the edges are shown.
    bool findCenter() {
        if (!state.edgesready)
            return false;
        NullSurface picture4;
        middiff = QString::number(findcenter(state, picture4).forecast);
        return true;
    }

    TrackingState state;
    QString middiff = QStringLiteral("N/A");
    int unloadable = 0; // frame loads refused

private:
    void load(int frameNumber) {
        try {
            moveme(state, folder_, frameNumber);
        } catch (const LoadError&) {
            state.grayimg.fill(0); // a refused frame leaves an empty grey frame behind
            ++unloadable;
        }
    }

    std::filesystem::path folder_;
};

// Flags, threshold, centres and middiff against the model; the first difference, or empty.
QString compare(WindowDriver& driver, const Model& model) {
    const TrackingState& shown = driver.state();
    if (shown.picshown != shown.edgesready || shown.picshown != model.state.picshown)
        return QStringLiteral("picshown %1, edgesready %2, expected both %3")
            .arg(shown.picshown)
            .arg(shown.edgesready)
            .arg(model.state.picshown);
    if (shown.sobelthresh != model.state.sobelthresh)
        return QStringLiteral("sobelthresh %1, expected %2")
            .arg(shown.sobelthresh)
            .arg(model.state.sobelthresh);
    for (int n = 0; n < 3; ++n) {
        const int centre = shown.history.at(n, 1);
        if (centre < kMinCentre || centre > kMaxCentre || centre != model.state.history.at(n, 1))
            return QStringLiteral("centre %1 is %2, the engine gives %3 (within 15..145)")
                .arg(n)
                .arg(centre)
                .arg(model.state.history.at(n, 1));
    }
    if (driver.middiff() != model.middiff)
        return QStringLiteral("middiff reads \"%1\", expected \"%2\"")
            .arg(driver.middiff(), model.middiff);
    return {};
}

// Picture4 against grey(edges), pixel for pixel.
QString compareEdgeMap(WindowDriver& driver, const Frame& edges) {
    const QImage& image = driver.find<PictureBox>("Picture4")->surface().image();
    for (int y = 0; y < Frame::kPictureHeight; ++y)
        for (int x = 0; x < Frame::kPictureWidth; ++x)
            if ((image.pixel(x, y) & 0xFFFFFFu) != 0x010101u * edges.at(x, y))
                return QStringLiteral("Picture4 shows %1 at (%2, %3) where the edge frame holds %4")
                    .arg(image.pixel(x, y) & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                    .arg(x)
                    .arg(y)
                    .arg(edges.at(x, y));
    return {};
}

// The bytes and modification time of every entry of a folder.
using Snapshot = std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>>;

Snapshot snapshot(const std::filesystem::path& folder) {
    Snapshot entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string bytes;
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        entries[entry.path().filename().string()] = {bytes, entry.last_write_time()};
    }
    return entries;
}

QString framesWritten(const Snapshot& before, const std::filesystem::path& folder) {
    const Snapshot now = snapshot(folder);
    for (const auto& [name, entry] : before)
        if (!now.contains(name) || now.at(name) != entry)
            return QStringLiteral("%1 was written").arg(QString::fromStdString(name));
    return now == before ? QString() : QStringLiteral("an entry appeared among the frames");
}

// Closes every message box or other modal window that opens and keeps its text: a failed
// handler that opens one would otherwise wait for an answer that never comes.
class DialogCatcher {
public:
    DialogCatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { closeDialogs(); });
        timer_.start(10);
    }

    // Closes what is open; what opened since the last call, or empty.
    QString take() {
        closeDialogs();
        return std::exchange(seen_, {}).join(", ");
    }

private:
    void closeDialogs() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || !widget->isModal())
                continue;
            const auto* box = qobject_cast<QMessageBox*>(widget);
            seen_ << QStringLiteral("a dialog opened: %1")
                         .arg(box ? box->text() : widget->metaObject()->className());
            widget->close();
        }
    }

    QTimer timer_;
    QStringList seen_;
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
    const auto seed = setting("VIREO_OPERATOR_SEED", kDefaultSeed);
    const auto steps = setting("VIREO_OPERATOR_STEPS", kDefaultSteps);
    QVERIFY2(seed && steps, "VIREO_OPERATOR_SEED and VIREO_OPERATOR_STEPS take whole numbers");

    TempFolder folder;
    writeOperatorFrames(folder.path());
    const Snapshot framesBefore = snapshot(folder.path());
    DialogCatcher dialogs;
    WindowDriver driver(folder.path());
    Model model(folder.path());
    RandomOperator person(driver, *seed);
    const auto* picslider = driver.find<ClickSlider>("picslider");
    const auto* sobelslider = driver.find<ClickSlider>("sobelslider");
    int centreRuns = 0;
    int ignoredFinds = 0;
    int lowest = kMaxCentre;
    int highest = kMinCentre;

    QElapsedTimer clock;
    clock.start();
    QString fault = compare(driver, model);
    RandomOperator::Step done{"start-up"};
    std::uint64_t step = 0;
    while (fault.isEmpty() && step++ < *steps) {
        const int frame = picslider->value();
        done = person.step();
        QCoreApplication::processEvents(); // let the window paint, as between an operator's moves
        if (picslider->value() != frame)
            model.frameChange(picslider->value());
        if (done.display)
            model.displayPicture();
        if (done.threshold)
            model.thresholdChange(sobelslider->value());
        if (done.find && !model.findCenter())
            ++ignoredFinds;
        else if (done.find) {
            ++centreRuns;
            for (int n = 0; n < 3; ++n) {
                lowest = std::min<int>(lowest, model.state.history.at(n, 1));
                highest = std::max<int>(highest, model.state.history.at(n, 1));
            }
        }

        fault = dialogs.take();
        if (fault.isEmpty())
            fault = compare(driver, model);
        if (fault.isEmpty() && done.display)
            fault = compareEdgeMap(driver, model.state.edgeimg);
        if (fault.isEmpty() && (step % kSnapshotEvery == 0 || step == *steps))
            fault = framesWritten(framesBefore, folder.path());
    }
    QVERIFY2(fault.isEmpty(),
             qPrintable(QStringLiteral("seed %1, step %2 (%3): %4\nreplay with "
                                       "VIREO_OPERATOR_SEED=%1 VIREO_OPERATOR_STEPS=%2")
                            .arg(*seed)
                            .arg(step)
                            .arg(QString::fromStdString(done.text), fault)));
    qInfo("seed %llu: %llu steps in %lld ms; Find Center ran %d times, ignored %d times; %d "
          "frames refused; centres %d..%d",
          static_cast<unsigned long long>(*seed), static_cast<unsigned long long>(*steps),
          clock.elapsed(), centreRuns, ignoredFinds, model.unloadable, lowest, highest);

    // A long session must reach every state, or the checks above prove little.
    if (*steps >= 2000)
        QVERIFY(centreRuns > 0 && ignoredFinds > 0 && model.unloadable > 0 &&
                lowest == kMinCentre && highest == kMaxCentre);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::RandomOperatorTest)
#include "test_random_operator.moc"
