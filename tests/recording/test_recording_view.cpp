// The recording view in the real window: it follows both sliders and moves them on a click,
// steps through flagged frames with F3 and Shift+F3, restarts its sweep on a folder change, and
// "Copy as command" gives a command that prints the window's numbers. Marking: clicks on the left
// picture snap to scan rows, undo, the marks file beside the frames, and the suggested
// threshold.

#include "app/window/recording_view.h"
#include "ui/click_slider.h"
#include "ui/elided_label.h"
#include "ui/sweep_plot.h"
#include "ui/timeline_plot.h"
#include "window_driver.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QToolTip>
#include <fstream>
#include <sys/stat.h>

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

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
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
    void marksClicksAndUndoesThemInTheFile();
    void keepsBadAndUnwritableMarksFilesSafe();
    void movesTheThresholdToTheSuggestedOne();
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
    QTRY_VERIFY(swept(view) && view.sweep()->overview()->received() == 13);
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

void RecordingViewTest::marksClicksAndUndoesThemInTheFile() {
    TempFolder folder;
    makeFolder(folder.path());
    WindowDriver driver(folder.path());
    auto* picture3 = driver.find<QWidget>("Picture3");
    const std::filesystem::path file = folder.path() / "vireo-marks.csv";
    QTest::mouseClick(picture3, Qt::LeftButton, {}, QPoint(83, 45));
    QVERIFY2(!std::filesystem::exists(file), "a click marks only while marking is on");

    driver.pressShortcut(Qt::CTRL | Qt::Key_M);
    QVERIFY(driver.text("statusLine").contains(QStringLiteral("Marking on")));
    // Rows 30 and 50 are the edges of row 40's band; 51 snaps to row 60, 19 to nothing.
    for (const auto& [x, y] : {std::pair(83, 45), std::pair(84, 30), std::pair(70, 51)})
        QTest::mouseClick(picture3, Qt::LeftButton, {}, QPoint(x, y));
    QCOMPARE(fileText(file), std::string("frame,row,column\n1,40,84.0\n1,60,70.0\n"));
    QTest::mouseClick(picture3, Qt::LeftButton, {}, QPoint(90, 19));
    QVERIFY2(driver.text("statusLine").contains(QStringLiteral("too far")),
             qPrintable(driver.text("statusLine")));
    QCOMPARE(fileText(file), std::string("frame,row,column\n1,40,84.0\n1,60,70.0\n"));
    QVERIFY2(driver.shownAt("Picture3", 84, 40) != driver.surfaceAt("Picture3", 84, 40),
             "a cross shows the mark while marking is on");

    driver.pressShortcut(Qt::CTRL | Qt::Key_Z);
    QCOMPARE(fileText(file), std::string("frame,row,column\n1,40,84.0\n"));
    driver.pressShortcut(Qt::CTRL | Qt::Key_Z);
    QCOMPARE(fileText(file), std::string("frame,row,column\n1,40,83.0\n"));
    driver.pressShortcut(Qt::CTRL | Qt::Key_M);
    QVERIFY(driver.text("statusLine").contains(QStringLiteral("Marking off")));
    QVERIFY2(driver.shownAt("Picture3", 83, 40) == driver.surfaceAt("Picture3", 83, 40),
             "no crosses once marking is off");

    // The marks come back with the folder.
    WindowDriver again(folder.path());
    QCOMPARE(again.window().marks().size(), std::size_t{1});
}

void RecordingViewTest::keepsBadAndUnwritableMarksFilesSafe() {
    TempFolder folder;
    makeFolder(folder.path());
    const std::filesystem::path file = folder.path() / "vireo-marks.csv";
    const std::string bad = "frame,row,column\n1,40,83.0\n2,50,80.0\n";
    std::ofstream(file) << bad;
    WindowDriver driver(folder.path());
    // A file that was not read whole is never replaced: a click marks nothing and says why, where
    // and how to go on, the whole of it in the status line's tooltip.
    driver.pressShortcut(Qt::CTRL | Qt::Key_M);
    QTest::mouseClick(driver.find<QWidget>("Picture3"), Qt::LeftButton, {}, QPoint(81, 60));
    QCOMPARE(fileText(file), bad);
    QVERIFY(driver.window().marks().empty());
    auto* status = driver.find<ElidedLabel>("statusLine");
    QVERIFY2(status->text().contains(QStringLiteral("line 3")) &&
                 status->text().endsWith(QStringLiteral("keeps new marks in another file")),
             qPrintable(status->text()));
    QVERIFY(status->shownText().endsWith(QChar(0x2026)));
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), status->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(status, &help);
    QCOMPARE(QToolTip::text(), status->text());

    const std::filesystem::path elsewhere = folder.path() / "saved.csv";
    driver.window().setMarksFileChooser(
        [&](QWidget&, const std::filesystem::path&) { return std::optional(elsewhere); });
    driver.pressShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    QTest::mouseClick(driver.find<QWidget>("Picture3"), Qt::LeftButton, {}, QPoint(81, 60));
    QCOMPARE(fileText(elsewhere), std::string("frame,row,column\n1,60,81.0\n"));
    QCOMPARE(fileText(file), bad);

    // A pipe as the marks file is refused without waiting for a writer.
    TempFolder piped;
    makeFolder(piped.path());
    QCOMPARE(::mkfifo((piped.path() / "vireo-marks.csv").c_str(), 0600), 0);
    driver.window().openFolder(piped.path());
    QVERIFY2(status->text().contains(QStringLiteral("not a regular file")),
             qPrintable(status->text()));

    // A marks file that cannot be written (a link into a folder that is not there) keeps the
    // marks in memory.
    TempFolder other;
    makeFolder(other.path());
    std::filesystem::create_symlink("gone/marks.csv", other.path() / "vireo-marks.csv");
    driver.window().openFolder(other.path());
    QTest::mouseClick(driver.find<QWidget>("Picture3"), Qt::LeftButton, {}, QPoint(79, 80));
    QVERIFY2(status->text().contains(QStringLiteral("in memory")), qPrintable(status->text()));
    QCOMPARE(driver.window().marks().size(), std::size_t{1});
}

void RecordingViewTest::movesTheThresholdToTheSuggestedOne() {
    const QString real = QStringLiteral(VIREO_SAMPLES_DIR "/real");
    QProcess cli;
    cli.start(QStringLiteral(VIREO_CLI_PATH),
              {QStringLiteral("--dir"), real, QStringLiteral("-t"), QStringLiteral("0-255"),
               QStringLiteral("--summary")});
    QVERIFY(cli.waitForFinished());
    QString suggested;
    for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split('\n'))
        if (line.endsWith(QStringLiteral(",1")))
            suggested = line.section(',', 0, 0);
    QVERIFY(!suggested.isEmpty());

    WindowDriver driver(std::filesystem::path(real.toStdString()));
    driver.pressShortcut(Qt::CTRL | Qt::Key_R);
    // The suggestion comes with the view's next poll after the sweep has finished.
    QTRY_VERIFY(viewOf(driver).suggestedThreshold().has_value());
    driver.pressShortcut(Qt::CTRL | Qt::Key_T);
    QCOMPARE(QString::number(driver.find<ClickSlider>("sobelslider")->value()), suggested);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::RecordingViewTest)
#include "test_recording_view.moc"
