// The recording view in the real window: it follows both sliders and moves them on a click,
// steps through flagged frames with F3 and Shift+F3, restarts its sweep on a folder change, and
// "Copy as command" gives a command that prints the window's numbers.

#include "app/window/recording_view.h"
#include "ui/click_slider.h"
#include "ui/sweep_plot.h"
#include "ui/timeline_plot.h"
#include "window_driver.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <fstream>

namespace vireo::testing {
namespace {

// The bundled frames 0..12 without pic4.bmp and with a pic5.bmp that is no bitmap: at the
// threshold 100 frame 3 jumps (column 87 after 74 on row 80), 4 and 5 are refused, 6, 7 and 8
// are not tracked, and after 8 nothing is flagged.
void makeFolder(const std::filesystem::path& folder) {
    for (int frame = 0; frame <= 12; ++frame)
        if (frame != 4 && frame != 5)
            std::filesystem::copy_file(std::filesystem::path(VIREO_SAMPLES_DIR) /
                                           ("pic" + std::to_string(frame) + ".bmp"),
                                       folder / ("pic" + std::to_string(frame) + ".bmp"));
    std::ofstream(folder / "pic5.bmp") << "not a frame";
}

RecordingView& viewOf(WindowDriver& driver) {
    return *driver.find<RecordingView>("recordingView");
}

bool swept(const RecordingView& view) {
    return view.sweep() && view.sweep()->finished();
}

void clickAt(QWidget* widget, double x) {
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      QPoint(static_cast<int>(x), widget->height() / 2));
}

} // namespace

class RecordingViewTest : public QObject {
    Q_OBJECT

private slots:
    void followsAndMovesTheSliders();
    void stepsThroughFlaggedFrames();
    void restartsOnAFolderChange();
    void copiesACommandThatPrintsTheWindowsNumbers();
};

void RecordingViewTest::followsAndMovesTheSliders() {
    TempFolder folder;
    makeFolder(folder.path());
    WindowDriver driver(folder.path());
    auto* command4 = driver.find<QWidget>("Command4");
    const QRect buttonBefore = command4->geometry();
    driver.pressShortcut(Qt::CTRL | Qt::Key_R);
    RecordingView& view = viewOf(driver);
    QVERIFY(view.isVisible());
    QCOMPARE(command4->geometry(), buttonBefore);
    QVERIFY(driver.window().height() > view.geometry().top());
    QTRY_VERIFY(swept(view));

    auto* timeline = driver.find<TimelinePlot>("timeline");
    auto* sweepPlot = driver.find<SweepPlot>("sweep");
    driver.find<ClickSlider>("picslider")->setValue(7);
    QCOMPARE(timeline->cursorFrame(), 7);
    driver.find<ClickSlider>("sobelslider")->setValue(180);
    QCOMPARE(sweepPlot->cursorThreshold(), 180);

    clickAt(timeline, timeline->xOfIndex(9));
    QCOMPARE(driver.find<ClickSlider>("picslider")->value(), 9);
    QCOMPARE(driver.text("middiff"), QStringLiteral("N/A")); // loaded as a slider move does
    clickAt(sweepPlot, sweepPlot->xOfThreshold(37));
    QCOMPARE(driver.find<ClickSlider>("sobelslider")->value(), 37);
    QCOMPARE(driver.state().sobelthresh, 37);

    driver.pressShortcut(Qt::CTRL | Qt::Key_R);
    QVERIFY(!view.isVisible());
    QCOMPARE(driver.window().size(), QSize(512, 219));
}

void RecordingViewTest::stepsThroughFlaggedFrames() {
    TempFolder folder;
    makeFolder(folder.path());
    WindowDriver driver(folder.path());
    driver.pressShortcut(Qt::CTRL | Qt::Key_R);
    QTRY_VERIFY(swept(viewOf(driver)));
    auto* picslider = driver.find<ClickSlider>("picslider");
    for (const int expected : {3, 4, 5, 6, 7, 8, 8}) {
        driver.pressShortcut(QKeyCombination(Qt::Key_F3));
        QCOMPARE(picslider->value(), expected);
    }
    driver.pressShortcut(Qt::SHIFT | Qt::Key_F3);
    QCOMPARE(picslider->value(), 7);
}

// A folder change while the sweep runs cancels it at once and sweeps the new folder.
void RecordingViewTest::restartsOnAFolderChange() {
    TempFolder big;
    makeFolder(big.path());
    std::filesystem::copy_file(big.path() / "pic1.bmp", big.path() / "pic40000.bmp");
    TempFolder small;
    makeFolder(small.path());
    WindowDriver driver(big.path());
    driver.pressShortcut(Qt::CTRL | Qt::Key_R);
    RecordingView& view = viewOf(driver);
    QVERIFY(view.sweep() && !view.sweep()->finished());
    driver.window().openFolder(small.path());
    QCOMPARE(view.sweep()->overview()->frameCount(), 13);
    QTRY_VERIFY(swept(view));
    QCOMPARE(view.sweep()->overview()->received(), 13);
}

void RecordingViewTest::copiesACommandThatPrintsTheWindowsNumbers() {
    TempFolder parent;
    const std::filesystem::path folder = parent.path() / "run 7's \"best\" $HOME";
    std::filesystem::create_directory(folder);
    makeFolder(folder);
    WindowDriver driver(folder);
    driver.find<ClickSlider>("picslider")->setValue(6);
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    driver.clickFindCenter();
    driver.pressShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    const QString command = QGuiApplication::clipboard()->text();
    QVERIFY2(command.endsWith(QStringLiteral(" -t 100 -r 2 6")), qPrintable(command));

    QProcess shell;
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QString(command).replace(QStringLiteral("vireo-cli"),
                                                                QStringLiteral(VIREO_CLI_PATH))});
    QVERIFY(shell.waitForFinished());
    const QStringList lines = QString::fromUtf8(shell.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.size(), 4); // header, two runs, end of the last line
    QCOMPARE(lines[2].section(',', 6, 6), driver.text("middiff"));

    driver.find<ClickSlider>("sobelslider")->setValue(120);
    driver.clickFindCenter();
    driver.pressShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    QVERIFY(QGuiApplication::clipboard()->text().endsWith(QStringLiteral(" -t 120 -r 3 6")));
    QVERIFY2(driver.text("statusLine").contains(QStringLiteral("different thresholds")),
             qPrintable(driver.text("statusLine")));
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::RecordingViewTest)
#include "test_recording_view.moc"
