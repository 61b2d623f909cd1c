// The real window under a random operator: a seeded session of thousands of steps on the real
// controls, each replayed on the engine's own functions and a tracking state of its own, and the
// window checked against that after every step.
//
//   VIREO_OPERATOR_SEED   the session's seed (a failure report names it); fixed by default
//   VIREO_OPERATOR_STEPS  the number of steps, 10000 by default

#include "bmp_builder.h"
#include "drawing/null_surface.h"
#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "tracking/centers.h"
#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace vireo::testing {
namespace {

Bgr level(std::uint8_t v) {
    return {v, v, v};
}

// Vertical steps of falling contrast: a step of d grey levels is an edge from threshold 255 - 4d
// on. Each "Find Center" at a higher threshold finds a nearer left edge and moves the centres
// right, to 145.
Bgr staircaseWalkingRight(int x, int) {
    return level(x < 40 ? 20 : x < 90 ? 84 : x < 120 ? 124 : x < 138 ? 149 : 164);
}

// The mirror image: the centres walk left, to 15.
Bgr staircaseWalkingLeft(int x, int) {
    return level(x < 22 ? 100 : x < 40 ? 115 : x < 70 ? 140 : x < 120 ? 180 : 244);
}

// Fixed blotchy noise: squares of 3 x 3 pixels with hashed colours.
Bgr noise(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x / 3) * 73856093u ^
                      static_cast<std::uint32_t>(y / 3) * 19349663u;
    h = (h ^ (h >> 13)) * 0x5bd1e995u;
    h ^= h >> 15;
    return {static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
            static_cast<std::uint8_t>(h >> 16)};
}

// Fills an empty folder with frames up to pic12.bmp, what picslider reaches: frames whose paths
// give "Find Center" real work (walls, staircases that walk the centres to the clamps over rising
// thresholds, noise), a file of 10 bytes (4) and gaps (2, 6, 7, 9, 11), which cannot be loaded.
void writeOperatorFrames(const std::filesystem::path& folder) {
    const auto write = [&folder](int frameNumber, const PixelSource& pixels) {
        writeFile(folder / frameFileName(frameNumber), buildBmp(pixels));
    };
    // A path that winds right as it goes down, and one centred on 70, 80 and 90.
    write(0, pathBetweenWalls(
                 {{30, 40, 100}, {50, 55, 110}, {70, 70, 125}, {90, 85, 135}, {119, 95, 150}}));
    write(1, pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}}));
    write(3, staircaseWalkingRight);
    writeFile(folder / frameFileName(4), {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0});
    write(5, verticalBand(30, 220, 60, 100));
    // A path that narrows to the left edge and a wall that leaves no right edge.
    write(8, pathBetweenWalls({{45, 0, 30}, {65, 10, 60}, {119, 100, 200}}));
    write(10, staircaseWalkingLeft);
    write(12, noise);
}

// What a step did besides a frame change (which picslider's value tells), in this order.
struct Step {
    bool display = false;
    bool threshold = false; // the threshold slider was worked, whether or not it moved
    bool find = false;
};

// Works the real controls at random: frame changes by value, keys and handle clicks; threshold
// changes by keys, mouse drags and clicks on the handle and the groove; both buttons. Now and
// then it tunes instead: "Display Picture", threshold 0, then raises with a "Find Center" after
// each, which walks the centres to the clamps. Frame changes are rare enough that the centres
// carry over between several finds.
class RandomOperator {
public:
    RandomOperator(WindowDriver& driver, std::uint64_t seed)
        : driver_(driver)
        , random_(seed) {}

    Step step() {
        if (tuningLeft_ > 0 || below(60) == 0)
            return tuningStep();
        const int pick = below(60);
        if (pick < 10)
            driver_.clickDisplayPicture();
        else if (pick < 26)
            driver_.clickFindCenter();
        else if (pick < 35)
            frameStep();
        else
            thresholdStep();
        return {pick < 10, pick >= 35, pick >= 10 && pick < 26};
    }

private:
    // mt19937_64's output is fixed by the standard: a seed gives the same steps everywhere.
    int below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }

    void pressRandomKey(const char* slider, int times) {
        static constexpr Qt::Key kKeys[] = {Qt::Key_Right, Qt::Key_Left,   Qt::Key_Up,
                                            Qt::Key_Down,  Qt::Key_PageUp, Qt::Key_PageDown,
                                            Qt::Key_Home,  Qt::Key_End};
        driver_.pressKey(slider, kKeys[below(8)], times);
    }

    void frameStep() {
        const int pick = below(9);
        if (pick < 4)
            driver_.find<ClickSlider>("picslider")->setValue(below(13));
        else if (pick < 8)
            pressRandomKey("picslider", 1);
        else
            driver_.clickSliderHandle("picslider");
    }

    void thresholdStep() {
        auto* slider = driver_.find<ClickSlider>("sobelslider");
        const int pick = below(18);
        if (pick < 9) {
            pressRandomKey("sobelslider", below(4) == 0 ? between(2, 6) : 1);
        } else if (pick < 12) {
            // The mouse takes the handle, moves it, inside the slider or beyond, and lets go.
            QPoint at = slider->handleRect().center();
            QTest::mousePress(slider, Qt::LeftButton, {}, at);
            for (int i = between(1, 4); i > 0; --i) {
                at.rx() += between(-120, 120);
                QTest::mouseMove(slider, at);
            }
            QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
        } else if (pick < 15) {
            driver_.clickSliderHandle("sobelslider");
        } else {
            const QPoint at(below(slider->width()), slider->height() / 2);
            if (!slider->handleRect().contains(at))
                QTest::mouseClick(slider, Qt::LeftButton, {}, at);
        }
    }

    Step tuningStep() {
        if (tuningLeft_ == 0) {
            tuningLeft_ = 2 * between(4, 14);
            driver_.clickDisplayPicture();
            driver_.pressKey("sobelslider", Qt::Key_Home);
            return {true, true};
        }
        if (tuningLeft_-- % 2 == 1) {
            driver_.clickFindCenter();
            return {false, false, true};
        }
        driver_.pressKey("sobelslider", Qt::Key_PageUp, between(1, 8));
        return {false, true};
    }

    WindowDriver& driver_;
    std::mt19937_64 random_;
    int tuningLeft_ = 0; // steps of the tuning under way
};

// The window's handlers as promised, on the engine's own functions and a state of its own.
struct Model {
    // Start-up: kernels filled, threshold 100, scan rows reset, frame 1 loaded.
    explicit Model(std::filesystem::path folder)
        : folder(std::move(folder)) {
        initmask(state);
        state.sobelthresh = 100;
        frameChange(1);
    }

    void frameChange(int frameNumber) {
        state.picshown = state.edgesready = false;
        middiff = QStringLiteral("N/A");
        historyinit(state);
        if (!moveme(state, folder, frameNumber)) {
            state.grayimg.fill(0); // a refused frame leaves an empty grey frame behind
            ++unloadable;
        }
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

    // Runs only while the edges are shown.
    void findCenter() {
        if (!state.edgesready) {
            ++ignoredFinds;
            return;
        }
        NullSurface picture4;
        middiff = QString::number(findcenter(state, picture4).forecast);
        for (int n = 0; n < 3; ++n) {
            lowest = std::min<int>(lowest, state.history.at(n, 1));
            highest = std::max<int>(highest, state.history.at(n, 1));
        }
    }

    std::filesystem::path folder;
    TrackingState state;
    QString middiff;
    // How much of the window's work the session reached.
    int unloadable = 0;
    int ignoredFinds = 0;
    int lowest = kMaxCentre;
    int highest = kMinCentre;
};

// Flags, threshold, centres and forecast in one line, to compare window and model.
QString describe(const TrackingState& s, const QString& middiff) {
    return QStringLiteral("picshown %1 edgesready %2 sobelthresh %3 centres %4 %5 %6 middiff %7")
        .arg(s.picshown)
        .arg(s.edgesready)
        .arg(s.sobelthresh)
        .arg(s.history.at(0, 1))
        .arg(s.history.at(1, 1))
        .arg(s.history.at(2, 1))
        .arg(middiff);
}

// Picture4 against grey(edges), pixel for pixel.
QString compareEdgeMap(WindowDriver& driver, const Frame& edges) {
    const RasterSurface& picture4 = driver.find<PictureBox>("Picture4")->surface();
    for (int y = 0; y < Frame::kPictureHeight; ++y)
        for (int x = 0; x < Frame::kPictureWidth; ++x)
            if (picture4.pixel(x, y) != grey(edges.at(x, y)))
                return QStringLiteral("Picture4 at (%1, %2) is not the edge frame's %3")
                    .arg(x)
                    .arg(y)
                    .arg(edges.at(x, y));
    return {};
}

// The bytes and modification time of every entry of a folder.
using Snapshot =
    std::map<std::filesystem::path, std::pair<std::string, std::filesystem::file_time_type>>;

Snapshot snapshot(const std::filesystem::path& folder) {
    Snapshot entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes;
        if (entry.is_regular_file())
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        entries[entry.path()] = {bytes, entry.last_write_time()};
    }
    return entries;
}

} // namespace

class RandomOperatorTest : public QObject {
    Q_OBJECT

private slots:
    void randomSession();
};

// Any difference between the window and the engine replayed on its own, after any sequence of
// steps: a handler that drops a flag, keeps a stale edge map or centre, or paints off by a pixel.
void RandomOperatorTest::randomSession() {
    bool seedOk = false;
    bool stepsOk = false;
    const auto seed = qEnvironmentVariable("VIREO_OPERATOR_SEED", "20240611").toULongLong(&seedOk);
    const auto steps = qEnvironmentVariable("VIREO_OPERATOR_STEPS", "10000").toULongLong(&stepsOk);
    QVERIFY2(seedOk && stepsOk, "VIREO_OPERATOR_SEED and VIREO_OPERATOR_STEPS take whole numbers");

    TempFolder folder;
    writeOperatorFrames(folder.path());
    const Snapshot framesBefore = snapshot(folder.path());
    // A handler that opens a modal dialog would wait for an answer: close it and report it.
    QStringList dialogs;
    const auto closeDialogs = [&dialogs] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->isModal() && widget->close())
                dialogs << QStringLiteral("a %1 opened").arg(widget->metaObject()->className());
    };
    QTimer dialogCloser;
    QObject::connect(&dialogCloser, &QTimer::timeout, closeDialogs);
    dialogCloser.start(10);
    WindowDriver driver(folder.path());
    Model model(folder.path());
    RandomOperator person(driver, seed);
    const auto* picslider = driver.find<ClickSlider>("picslider");
    const auto* sobelslider = driver.find<ClickSlider>("sobelslider");

    QString fault;
    std::uint64_t step = 0;
    while (fault.isEmpty() && step++ < steps) {
        const int frame = picslider->value();
        const int threshold = sobelslider->value();
        const Step done = person.step();
        QCoreApplication::processEvents(); // let the window paint, as between an operator's moves
        if (picslider->value() != frame)
            model.frameChange(picslider->value());
        if (done.display)
            model.displayPicture();
        if (done.threshold)
            model.thresholdChange(sobelslider->value());
        if (done.find)
            model.findCenter();

        closeDialogs();
        fault = dialogs.join(", ");
        const QString shown = describe(driver.state(), driver.text("middiff"));
        const QString expected = describe(model.state, model.middiff);
        if (fault.isEmpty() && shown != expected)
            fault = "the window has " + shown + ", the engine " + expected;
        const bool repainted = done.display || sobelslider->value() != threshold;
        if (fault.isEmpty() && repainted && model.state.picshown)
            fault = compareEdgeMap(driver, model.state.edgeimg);
        if (fault.isEmpty() && (step % 100 == 0 || step == steps) &&
            snapshot(folder.path()) != framesBefore)
            fault = QStringLiteral("the frames folder was written");
    }
    QVERIFY2(fault.isEmpty(),
             qPrintable(QStringLiteral("seed %1, step %2: %3\nreplay with "
                                       "VIREO_OPERATOR_SEED=%1 VIREO_OPERATOR_STEPS=%2")
                            .arg(seed)
                            .arg(step)
                            .arg(fault)));
    qInfo("Find Center ignored %d times; %d frames refused; centres %d..%d", model.ignoredFinds,
          model.unloadable, model.lowest, model.highest);
    // A long session must reach every state, or the checks above prove little.
    if (steps >= 2000)
        QVERIFY(model.ignoredFinds > 0 && model.unloadable > 0 && model.lowest == kMinCentre &&
                model.highest == kMaxCentre);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::RandomOperatorTest)
#include "test_random_operator.moc"
