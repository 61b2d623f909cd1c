// The real window under a random operator: a seeded session of thousands of steps on the real
// controls, the recording view's keys and clicks, and marking. After every step the window must
// hold what a Tracker given the same steps holds, and show what the window must show: "N/A"
// after a frame change and the forecast after a run, the loader's reason on Picture3 for a
// refused frame, a blank Picture4 until "Display Picture"; and its marks must be what a
// MarkEditor given the same clicks holds, also after the folder is opened again. At the end the
// marks file holds every mark made.
//
//   VIREO_OPERATOR_SEED   the session's seed (a failure report names it); fixed by default
//   VIREO_OPERATOR_STEPS  the number of steps, 10000 by default

#include "input/bitmap_loader.h"
#include "marks/marks_file.h"
#include "random_frames.h"
#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "ui/sweep_plot.h"
#include "ui/timeline_plot.h"
#include "window_driver.h"

#include <QPushButton>
#include <QTest>
#include <random>

namespace vireo::testing {
namespace {

Bgr level(std::uint8_t v) {
    return {v, v, v};
}

// Fills an empty folder with frames up to pic12.bmp, what picslider reaches: paths between walls,
// staircases of falling contrast that walk the centres to 145 (3) and 15 (10) over rising
// thresholds, a random frame (12), a file of 10 bytes (4) and gaps (2, 6, 7, 9, 11).
void writeOperatorFrames(const std::filesystem::path& folder) {
    writeFrame(folder, 0,
               pathBetweenWalls(
                   {{30, 40, 100}, {50, 55, 110}, {70, 70, 125}, {90, 85, 135}, {119, 95, 150}}));
    writeFrame(folder, 1, pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}}));
    writeFrame(folder, 3, [](int x, int) {
        return level(x < 40 ? 20 : x < 90 ? 84 : x < 120 ? 124 : x < 138 ? 149 : 164);
    });
    writeFile(folder / "pic4.bmp", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0});
    writeFrame(folder, 5, verticalBand(30, 220, 60, 100));
    writeFrame(folder, 8, pathBetweenWalls({{45, 0, 30}, {65, 10, 60}, {119, 100, 200}}));
    writeFrame(folder, 10, [](int x, int) {
        return level(x < 22 ? 100 : x < 40 ? 115 : x < 70 ? 140 : x < 120 ? 180 : 244);
    });
    writeFrame(folder, 12, randomFrame(12));
}

// Works the real controls at random: both buttons, both sliders' values, clicks on the threshold
// slider's handle (a click without a move), the recording view (shown or hidden, stepping to
// flagged frames, clicks on its plots, the suggested threshold) and marking (on or off, clicks on
// Picture3, undo, the folder opened again), keeping its own MarkEditor of the clicks. The window's
// own events drive the tracker, so how a value is set matters less than the order of the events.
// Now and then it tunes instead: "Display Picture", threshold 0, then raises with a "Find Center"
// after each, which walks the centres to the clamps.
class RandomOperator {
public:
    RandomOperator(WindowDriver& driver, std::uint64_t seed, std::filesystem::path folder)
        : driver_(driver)
        , random_(seed)
        , folder_(std::move(folder)) {}

    const Marks& marks() const { return marks_.marks(); }

    void step() {
        const int pick = tuningLeft_ > 0 || below(60) == 0 ? -1 : below(12);
        if (pick >= 10) {
            viewOrMarks();
            return;
        }
        if (pick < 0)
            tune();
        else if (pick < 1)
            driver_.clickDisplayPicture();
        else if (pick < 3)
            driver_.clickFindCenter();
        else if (pick < 5)
            driver_.find<ClickSlider>("picslider")->setValue(below(13));
        else if (pick < 8)
            driver_.find<ClickSlider>("sobelslider")->setValue(below(256));
        else
            driver_.clickSliderHandle("sobelslider");
    }

private:
    // mt19937_64's output is fixed by the standard: a seed gives the same steps everywhere.
    int below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }

    void viewOrMarks() {
        const int pick = below(12);
        auto* view = driver_.find<QWidget>("recordingView");
        if (pick == 0) {
            driver_.pressShortcut(Qt::CTRL | Qt::Key_R);
        } else if (pick == 1) {
            driver_.pressShortcut(below(2) ? QKeyCombination(Qt::Key_F3) : Qt::SHIFT | Qt::Key_F3);
        } else if (pick == 2 && view->isVisible()) {
            auto* plot = driver_.find<QWidget>(below(2) ? "timeline" : "sweep");
            QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(below(plot->width()), 40));
        } else if (pick == 3) {
            driver_.pressShortcut(Qt::CTRL | Qt::Key_T);
        } else if (pick == 4) {
            driver_.pressShortcut(Qt::CTRL | Qt::Key_M);
            marking_ = !marking_;
        } else if (pick <= 8 && marking_) {
            const QPoint at(below(160), below(120));
            QTest::mouseClick(driver_.find<QWidget>("Picture3"), Qt::LeftButton, {}, at);
            (void)marks_.mark(driver_.find<ClickSlider>("picslider")->value(), at.x(), at.y());
        } else if (pick == 9) {
            driver_.pressShortcut(Qt::CTRL | Qt::Key_Z);
            marks_.undo();
        } else if (pick == 10) {
            driver_.window().openFolder(folder_); // the marks come back, without their history
            marks_.reset(marks_.marks());
        }
    }

    void tune() {
        if (tuningLeft_ == 0) {
            tuningLeft_ = 2 * between(4, 14);
            driver_.clickDisplayPicture();
            driver_.pressKey("sobelslider", Qt::Key_Home);
        } else if (tuningLeft_-- % 2 == 1) {
            driver_.clickFindCenter();
        } else {
            driver_.pressKey("sobelslider", Qt::Key_PageUp, between(1, 8));
        }
    }

    WindowDriver& driver_;
    std::mt19937_64 random_;
    std::filesystem::path folder_;
    MarkEditor marks_;
    bool marking_ = false;
    int tuningLeft_ = 0; // steps of the tuning under way
};

// The first difference between the window and the tracker, or an empty string.
QString difference(WindowDriver& driver, const Tracker& tracker, const RasterSurface& picture3,
                   const RasterSurface& picture4) {
    const TrackingState& w = driver.state();
    const TrackingState& t = tracker.state();
    const auto centres = [](const TrackingState& s) {
        return std::tuple(s.history.at(0, 1), s.history.at(1, 1), s.history.at(2, 1));
    };
    if (std::tuple(w.picshown, w.edgesready, w.sobelthresh, centres(w)) !=
        std::tuple(t.picshown, t.edgesready, t.sobelthresh, centres(t)))
        return QStringLiteral("the flags, the threshold or the centres differ");
    if (w.grayimg != t.grayimg || w.edgeimg != t.edgeimg)
        return QStringLiteral("the grey or the edge frame differs");
    if (driver.find<PictureBox>("Picture3")->surface().image() != picture3.image() ||
        driver.find<PictureBox>("Picture4")->surface().image() != picture4.image())
        return QStringLiteral("a picture differs");
    return {};
}

} // namespace

class FrmMainOperatorTest : public QObject {
    Q_OBJECT

private slots:
    void randomSession();
};

void FrmMainOperatorTest::randomSession() {
    const auto seed = qEnvironmentVariable("VIREO_OPERATOR_SEED", "20240611").toULongLong();
    const auto steps = qEnvironmentVariable("VIREO_OPERATOR_STEPS", "10000").toULongLong();

    TempFolder folder;
    writeOperatorFrames(folder.path());
    std::vector<std::vector<std::uint8_t>> framesBefore;
    for (int frame = 0; frame <= 12; ++frame)
        framesBefore.push_back(readFile(folder.path() / frameFileName(frame)));
    WindowDriver driver(folder.path());
    RasterSurface picture3, picture4;
    const RasterSurface blank;
    Tracker tracker({&picture3, &picture4});
    QVERIFY(tracker.startUp(folder.path(), 100, 1));
    RandomOperator person(driver, seed, folder.path());
    auto* sobelslider = driver.find<ClickSlider>("sobelslider");
    const auto* picture3Box = driver.find<PictureBox>("Picture3");
    const auto* picture4Box = driver.find<PictureBox>("Picture4");
    QString middiff = QStringLiteral("N/A");
    QString notice;
    int refused = 0, ignoredFinds = 0, lowest = kMaxCentre, highest = kMinCentre;
    // The tracker takes a step on each of the window's events, after the window.
    QObject::connect(&driver.window(), &frmMain::frameChanged, [&](int frame) {
        const Expected<void> loaded = tracker.changeFrame(frame);
        middiff = QStringLiteral("N/A");
        notice = loaded ? QString() : QString::fromStdString(loaded.error().message());
        refused += !loaded;
    });
    const auto setThreshold = [&] { tracker.setThreshold(sobelslider->value()); };
    QObject::connect(sobelslider, &QSlider::valueChanged, setThreshold);
    QObject::connect(sobelslider, &ClickSlider::clicked, setThreshold);
    QObject::connect(driver.find<QPushButton>("Command4"), &QPushButton::clicked,
                     [&] { tracker.displayPicture(); });
    QObject::connect(driver.find<QPushButton>("Command5"), &QPushButton::clicked, [&] {
        const auto run = tracker.findCenter();
        ignoredFinds += !run;
        if (run)
            middiff = QString::number(run->forecast());
        for (int n = 0; run && n < 3; ++n) {
            lowest = std::min(lowest, run->centres[n]);
            highest = std::max(highest, run->centres[n]);
        }
    });

    QString fault;
    std::uint64_t step = 0;
    while (fault.isEmpty() && step++ < steps) {
        person.step();
        QCoreApplication::processEvents(); // let the window paint, as between an operator's moves
        fault = difference(driver, tracker, picture3, picture4);
        // What the window must show: the forecast, the notice, and a blank Picture4 exactly
        // while the edges are not shown.
        const QStringList shown{driver.text("middiff"), picture3Box->notice(),
                                picture4Box->surface().image() == blank.image() ? "blank"
                                                                                : "drawn"};
        const QStringList expected{middiff, notice, tracker.edgesShown() ? "drawn" : "blank"};
        if (fault.isEmpty() && shown != expected)
            fault = "the window shows " + shown.join(" | ") + ", not " + expected.join(" | ");
        if (fault.isEmpty() && driver.window().marks() != person.marks())
            fault = QStringLiteral("the window's marks differ from the clicks made");
    }
    QVERIFY2(fault.isEmpty(),
             qPrintable(QStringLiteral("seed %1, step %2: %3\nreplay with "
                                       "VIREO_OPERATOR_SEED=%1 VIREO_OPERATOR_STEPS=%2")
                            .arg(seed)
                            .arg(step)
                            .arg(fault)));
    for (int frame = 0; frame <= 12; ++frame)
        QVERIFY2(readFile(folder.path() / frameFileName(frame)) == framesBefore[frame],
                 "a frame file was written");
    const Expected<Marks> saved = readMarksFile(folder.path() / kMarksFileName);
    QVERIFY2(person.marks().empty() || (saved && *saved == person.marks()),
             "the marks file does not hold every mark made");
    qInfo("Find Center ignored %d times; %d frames refused; centres %d..%d; %zu marks",
          ignoredFinds, refused, lowest, highest, person.marks().size());
    // A long session must reach every state, or the checks above prove little.
    if (steps >= 2000)
        QVERIFY(ignoredFinds > 0 && refused > 0 && lowest == kMinCentre && highest == kMaxCentre &&
                person.marks().size() > 3);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::FrmMainOperatorTest)
#include "test_frm_main_operator.moc"
