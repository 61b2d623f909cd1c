#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <optional>

namespace vireo::testing {
namespace {

constexpr Colour kBlack = grey(0);
constexpr Colour kWhite = grey(255);
constexpr Colour kCleared = RasterSurface::kBackground;

struct Point {
    int x;
    int y;
};

// Paths whose centres come out at known columns on the scan rows 40, 60 and 80.
PixelSource pathCentred70_80_90() {
    return pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}});
}
PixelSource pathCentred70_87_70() {
    return pathBetweenWalls({{50, 50, 90}, {68, 70, 110}, {119, 50, 90}});
}
// Dark left of column 30, bright from it on: edges in columns 29 and 30 of rows 1..118.
PixelSource stepAtColumn30() {
    return verticalBand(0, 200, 30, 160);
}
// A step of 25 grey levels at column 80: an edge only at thresholds of 155 and above.
PixelSource faintStepAtColumn80() {
    return verticalBand(100, 125, 80, 160);
}

// The edge map of stepAtColumn30() as painted: black edges, white elsewhere in 160 x 120, and
// the cleared background in column 160 and row 120, which are never painted.
Colour expectedStepEdgeMap(int x, int y) {
    if (x == 160 || y == 120)
        return kCleared;
    const bool edge = (x == 29 || x == 30) && y >= 1 && y <= 118;
    return edge ? kBlack : kWhite;
}

bool anyMessageBoxOpen() {
    if (QApplication::activeModalWidget())
        return true;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(widget) && widget->isVisible())
            return true;
    return false;
}

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    void layoutTable_data();
    void layoutTable();
    void windowCaptionAndClientArea();
    void slidersAtStartUp_data();
    void slidersAtStartUp();
    void tabOrder();
    void keyboardAloneRunsEverything();

    void startUpLoadsFrameOneAndLeavesEdgesBlank();
    void findCenterBeforeDisplayDoesNothing();
    void thresholdMovesBeforeDisplayOnlyStore();
    void thresholdMovesWhileEdgesShownRepaintLive();
    void draggingThresholdRecomputesBeforeRelease();
    void thresholdClickWhileEdgesShownRepaintsWithoutValueChange();
    void thresholdClickBeforeDisplayPaintsNothing();
    void displayTwiceRepaintsOverTheOverlay();
    void frameChangeBlanksEdgesAndResetsTheScanRows();

    void missingFrameKeepsTheWindowUsable();
    void slidingAcrossMissingFramesOpensNoDialog();

    void edgeMapPixels();
    void edgeMapAfterFindCenterIsStillPixelExact();
    void overlayPixels_data();
    void overlayPixels();
    void picturesArePixelExact();
    void drawingSurvivesHideAndShow();
    void oneRepaintPerEdgeMap();

    void pixelReadout_data();
    void pixelReadout();
    void readoutFollowsTheSurfaceUnderAStillMouse();
};

void FrmMainTest::layoutTable_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");

    const auto row = [](const char* name, const char* kind, const char* container,
                        const char* caption, QRect geometry) {
        QTest::newRow(name) << kind << container << caption << geometry;
    };
    row("Command5", "QPushButton", "frmMain", "Find Center", {440, 8, 65, 65});
    row("Frame7", "QGroupBox", "frmMain", "picture selector", {360, 80, 145, 41});
    row("picslider", "QSlider", "Frame7", "", {8, 16, 129, 17});
    row("Frame6", "QGroupBox", "frmMain", "sobel threshold", {8, 144, 497, 49});
    row("sobelslider", "QSlider", "Frame6", "", {8, 16, 481, 25});
    row("Command4", "QPushButton", "frmMain", "Display Picture", {360, 8, 73, 65});
    row("Picture4", "vireo::PictureBox", "frmMain", "", {184, 8, 161, 121});
    row("Picture3", "vireo::PictureBox", "frmMain", "", {8, 8, 161, 121});
    row("middiff", "QLabel", "frmMain", "N/A", {432, 128, 57, 17});
    row("Label1", "QLabel", "frmMain", "Forecast", {368, 128, 49, 17});
}

void FrmMainTest::layoutTable() {
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);

    FrameFolder folder;
    folder.write(1, uniform(128));
    WindowDriver driver(folder.path());
    auto* control = driver.find<QWidget>(QTest::currentDataTag());
    QVERIFY2(control, "no control of that name");
    QVERIFY2(control->inherits(kind.toLatin1().constData()), control->metaObject()->className());
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(control->geometry(), geometry);

    QString text;
    if (auto* button = qobject_cast<QPushButton*>(control))
        text = button->text();
    else if (auto* frame = qobject_cast<QGroupBox*>(control))
        text = frame->title();
    else if (auto* label = qobject_cast<QLabel*>(control))
        text = label->text();
    QCOMPARE(text, caption);
}

void FrmMainTest::windowCaptionAndClientArea() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    // Started without a folder, in the folder of the frames.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    WindowDriver driver({});
    std::filesystem::current_path(previous);
    QCOMPARE(driver.window().objectName(), QStringLiteral("frmMain"));
    QCOMPARE(driver.window().windowTitle(), QStringLiteral("Vireo"));
    // The ten controls fill the 512 x 199 control area; the status line lies in a strip below.
    QCOMPARE(driver.window().size(), QSize(512, 219));
    const QList<QWidget*> children = driver.window().findChildren<QWidget*>();
    QCOMPARE(children.size(), 11);
    for (const QWidget* child : children) {
        const QRect area(child->mapTo(&driver.window(), QPoint(0, 0)), child->size());
        const bool isStatusLine = child->objectName() == QLatin1String("statusLine");
        const QRect allowed = isStatusLine ? QRect(0, 199, 512, 20) : QRect(0, 0, 512, 199);
        QVERIFY2(allowed.contains(area), qPrintable(child->objectName()));
    }
    QCOMPARE(driver.find<QWidget>("statusLine")->focusPolicy(), Qt::NoFocus);
    // The sliders sit at these window positions.
    QCOMPARE(driver.find<QWidget>("picslider")->mapTo(&driver.window(), QPoint(0, 0)),
             QPoint(368, 96));
    QCOMPARE(driver.find<QWidget>("sobelslider")->mapTo(&driver.window(), QPoint(0, 0)),
             QPoint(16, 160));
}

void FrmMainTest::slidersAtStartUp_data() {
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::newRow("picslider") << 0 << 12 << 1;
    // Start-up overrides the stored value 0 with 100.
    QTest::newRow("sobelslider") << 0 << 255 << 100;
}

void FrmMainTest::slidersAtStartUp() {
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);

    FrameFolder folder;
    folder.write(1, uniform(128));
    WindowDriver driver(folder.path());
    auto* slider = driver.find<ClickSlider>(QTest::currentDataTag());
    QVERIFY(slider);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->minimum(), minimum);
    QCOMPARE(slider->maximum(), maximum);
    QCOMPARE(slider->value(), value);
    QCOMPARE(slider->pageStep(), 5);
    QCOMPARE(slider->singleStep(), 1);
}

void FrmMainTest::tabOrder() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    WindowDriver driver(folder.path());
    driver.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&driver.window()));

    driver.find<QWidget>("Command4")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // Frames, labels and picture surfaces take no focus; the rest follow their tab indices.
    QCOMPARE(visited,
             QStringList({"Command4", "sobelslider", "picslider", "Command5", "Command4"}));
}

// With no mouse at all: Tab to a slider, arrow keys, and the shortcuts of the two buttons and
// of the folder chooser, which work wherever the focus is and leave the captions as they are.
void FrmMainTest::keyboardAloneRunsEverything() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    folder.write(2, pathCentred70_80_90());
    WindowDriver driver(folder.path());
    int chooserCalls = 0;
    driver.window().setFolderChooser([&chooserCalls](QWidget&, const std::filesystem::path&) {
        ++chooserCalls;
        return std::optional<std::filesystem::path>();
    });

    driver.find<QWidget>("Command4")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("picslider"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(driver.shownAt("Picture3", 80, 60), kWhite);

    driver.pressShortcut(Qt::CTRL | Qt::Key_F); // before "Display Picture": nothing
    QCOMPARE(driver.middiff(), QStringLiteral("N/A"));
    driver.pressShortcut(Qt::CTRL | Qt::Key_D);
    QVERIFY(driver.state().picshown && driver.state().edgesready);
    QCOMPARE(driver.shownAt("Picture4", 49, 10), kBlack);
    driver.pressShortcut(Qt::CTRL | Qt::Key_F);
    QCOMPARE(driver.middiff(), QStringLiteral("-10"));
    driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    QCOMPARE(chooserCalls, 1);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("picslider"));

    // The keys are told in the tooltips, not by underlined letters in the captions.
    auto* display = driver.find<QPushButton>("Command4");
    auto* find = driver.find<QPushButton>("Command5");
    QCOMPARE(display->text(), QStringLiteral("Display Picture"));
    QCOMPARE(find->text(), QStringLiteral("Find Center"));
    QVERIFY2(display->toolTip().contains(QStringLiteral("Ctrl+D")), qPrintable(display->toolTip()));
    QVERIFY2(find->toolTip().contains(QStringLiteral("Ctrl+F")), qPrintable(find->toolTip()));
}

void FrmMainTest::startUpLoadsFrameOneAndLeavesEdgesBlank() {
    FrameFolder folder;
    folder.write(0, uniform(10));
    folder.write(1, verticalBand(50, 200, 60, 100));
    WindowDriver driver(folder.path());

    QCOMPARE(driver.middiff(), QStringLiteral("N/A"));
    QCOMPARE(driver.state().sobelthresh, 100);
    QVERIFY(!driver.state().picshown);
    QVERIFY(!driver.state().edgesready);
    QCOMPARE(driver.shownAt("Picture3", 10, 10), grey(50));
    QCOMPARE(driver.shownAt("Picture3", 70, 10), grey(200));
    QCOMPARE(driver.shownAt("Picture3", 160, 10), kCleared);
    QVERIFY(driver.shownBlank("Picture4"));
}

void FrmMainTest::findCenterBeforeDisplayDoesNothing() {
    FrameFolder folder;
    folder.write(1, pathCentred70_80_90());
    WindowDriver driver(folder.path());

    driver.clickFindCenter();
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.middiff(), QStringLiteral("N/A"));
    for (int n = 0; n < 3; ++n)
        QCOMPARE(driver.state().history.at(n, 1), 80);
}

void FrmMainTest::thresholdMovesBeforeDisplayOnlyStore() {
    FrameFolder folder;
    folder.write(1, faintStepAtColumn80());
    WindowDriver driver(folder.path());

    driver.pressKey("sobelslider", Qt::Key_PageUp, 11);
    QCOMPARE(driver.find<ClickSlider>("sobelslider")->value(), 155);
    QCOMPARE(driver.state().sobelthresh, 155);
    QVERIFY(driver.shownBlank("Picture4"));
    QVERIFY(!driver.state().picshown);

    // The next "Display Picture" uses the stored threshold: at 155 the faint step is an edge.
    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 79, 60), kBlack);
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kBlack);
    QCOMPARE(driver.shownAt("Picture4", 78, 60), kWhite);
}

void FrmMainTest::thresholdMovesWhileEdgesShownRepaintLive() {
    FrameFolder folder;
    folder.write(1, faintStepAtColumn80());
    WindowDriver driver(folder.path());

    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite);
    driver.pressKey("sobelslider", Qt::Key_PageUp, 10);
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite); // threshold 150 marks no edge
    driver.pressKey("sobelslider", Qt::Key_PageUp);
    QCOMPARE(driver.state().sobelthresh, 155);
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kBlack);
    driver.pressKey("sobelslider", Qt::Key_Left);
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite);
    QVERIFY(driver.state().picshown);
}

void FrmMainTest::draggingThresholdRecomputesBeforeRelease() {
    FrameFolder folder;
    folder.write(1, faintStepAtColumn80());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();

    auto* slider = driver.find<ClickSlider>("sobelslider");
    const QPoint grip = slider->handleRect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, grip);
    // Drag right until the value passes 155; the edge map follows without a release.
    QPoint at = grip;
    while (slider->value() < 160 && at.x() < slider->width()) {
        at += QPoint(5, 0);
        QTest::mouseMove(slider, at);
    }
    QVERIFY2(slider->value() >= 155, "the drag did not move the slider");
    QCOMPARE(driver.state().sobelthresh, slider->value());
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kBlack);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
}

// A click that leaves the value unchanged must still recompute: it repaints the edge map over
// the overlay.
void FrmMainTest::thresholdClickWhileEdgesShownRepaintsWithoutValueChange() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kRed);

    QSignalSpy clicks(driver.find<ClickSlider>("sobelslider"), &ClickSlider::clicked);
    driver.clickSliderHandle("sobelslider");
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(driver.find<ClickSlider>("sobelslider")->value(), 100);
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite);
    QVERIFY(driver.state().picshown && driver.state().edgesready);
}

void FrmMainTest::thresholdClickBeforeDisplayPaintsNothing() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    driver.clickSliderHandle("sobelslider");
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.state().sobelthresh, 100);
}

void FrmMainTest::displayTwiceRepaintsOverTheOverlay() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.middiff(), QStringLiteral("0"));
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kRed);

    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite);
    QVERIFY(driver.state().picshown && driver.state().edgesready);
    QCOMPARE(driver.middiff(), QStringLiteral("0")); // only a frame change resets the forecast
}

void FrmMainTest::frameChangeBlanksEdgesAndResetsTheScanRows() {
    FrameFolder folder;
    folder.write(1, pathCentred70_80_90());
    folder.write(2, uniform(30));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.middiff(), QStringLiteral("-10"));
    QCOMPARE(driver.state().history.at(2, 1), 90);

    driver.pressKey("picslider", Qt::Key_Right);
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.middiff(), QStringLiteral("N/A"));
    QVERIFY(!driver.state().picshown && !driver.state().edgesready);
    for (int n = 0; n < 3; ++n) {
        QCOMPARE(driver.state().history.at(n, 0), 40 + 20 * n);
        QCOMPARE(driver.state().history.at(n, 1), 80);
    }
    QCOMPARE(driver.shownAt("Picture3", 100, 100), grey(30));

    // Back to the frame-loaded state: "Find Center" waits for the next "Display Picture".
    driver.clickFindCenter();
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.middiff(), QStringLiteral("N/A"));
}

void FrmMainTest::missingFrameKeepsTheWindowUsable() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    folder.write(3, verticalBand(20, 220, 100, 160));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();

    driver.pressKey("picslider", Qt::Key_Right);
    QVERIFY(!anyMessageBoxOpen());
    QVERIFY(driver.window().isVisible());
    QCOMPARE(driver.middiff(), QStringLiteral("N/A"));
    QVERIFY(driver.shownBlank("Picture4"));
    QVERIFY(!driver.state().picshown && !driver.state().edgesready);
    QCOMPARE(driver.state().grayimg, Frame{});

    // Picture3 is cleared and says which file failed and why.
    auto* picture3 = driver.find<PictureBox>("Picture3");
    QCOMPARE(picture3->notice(), QStringLiteral("pic2.bmp: no such file"));
    QCOMPARE(picture3->toolTip(), picture3->notice());
    for (int y = 0; y < 121; y += 10)
        for (int x = 0; x < 161; x += 10)
            QCOMPARE(driver.surfaceAt("Picture3", x, y), kCleared);
    QVERIFY2(!driver.shownBlank("Picture3"), "the reason is drawn over the cleared picture");

    // "Display Picture" now shows the edges of an empty frame, not those of frame 1.
    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 29, 60), kWhite);
    QCOMPARE(driver.shownAt("Picture4", 30, 60), kWhite);
    driver.clickFindCenter();
    QCOMPARE(driver.middiff(), QStringLiteral("0"));

    // A frame that loads restores normal work.
    driver.pressKey("picslider", Qt::Key_Right);
    QVERIFY(picture3->notice().isEmpty());
    QVERIFY(picture3->toolTip().isEmpty());
    QCOMPARE(driver.shownAt("Picture3", 99, 60), grey(20));
    QCOMPARE(driver.shownAt("Picture3", 100, 60), grey(220));
    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 99, 60), kBlack);
    QCOMPARE(driver.shownAt("Picture4", 100, 60), kBlack);
}

void FrmMainTest::slidingAcrossMissingFramesOpensNoDialog() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    WindowDriver driver(folder.path());

    auto* slider = driver.find<ClickSlider>("picslider");
    QSignalSpy changes(slider, &QSlider::valueChanged);
    driver.pressKey("picslider", Qt::Key_Right, 5);
    QCOMPARE(changes.count(), 5);
    QVERIFY(!anyMessageBoxOpen());
    QCOMPARE(driver.find<PictureBox>("Picture3")->notice(),
             QStringLiteral("pic6.bmp: no such file"));

    driver.pressKey("picslider", Qt::Key_Home);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(driver.find<PictureBox>("Picture3")->notice(),
             QStringLiteral("pic0.bmp: no such file"));
    driver.pressKey("picslider", Qt::Key_Right);
    QVERIFY(driver.find<PictureBox>("Picture3")->notice().isEmpty());
    QCOMPARE(driver.shownAt("Picture3", 5, 5), grey(128));
}

void FrmMainTest::edgeMapPixels() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();

    // Every pixel: edges at (x, y) and not at (y, x), a white one-pixel border, and column 160
    // and row 120 untouched.
    for (int y = 0; y < 121; ++y)
        for (int x = 0; x < 161; ++x)
            QVERIFY2(driver.surfaceAt("Picture4", x, y) == expectedStepEdgeMap(x, y),
                     qPrintable(QStringLiteral("at (%1, %2)").arg(x).arg(y)));
    QCOMPARE(driver.shownAt("Picture4", 29, 10), kBlack);
    QCOMPARE(driver.shownAt("Picture4", 10, 29), kWhite);
    QCOMPARE(driver.shownAt("Picture4", 30, 0), kWhite);
    QCOMPARE(driver.shownAt("Picture4", 30, 119), kWhite);
}

// After "Find Center" the surface draws at width 5; the repainted edge map must still be one
// pixel per cell.
void FrmMainTest::edgeMapAfterFindCenterIsStillPixelExact() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.find<PictureBox>("Picture4")->surface().lineWidth(), 5);

    driver.pressKey("sobelslider", Qt::Key_Right);
    for (int y = 0; y < 121; ++y)
        for (int x = 0; x < 161; ++x)
            QVERIFY2(driver.surfaceAt("Picture4", x, y) == expectedStepEdgeMap(x, y),
                     qPrintable(QStringLiteral("at (%1, %2)").arg(x).arg(y)));
    QCOMPARE(driver.shownAt("Picture4", 28, 60), kWhite);
    QCOMPARE(driver.shownAt("Picture4", 31, 60), kWhite);
}

void FrmMainTest::overlayPixels_data() {
    QTest::addColumn<int>("scene");
    QTest::addColumn<QString>("forecast");
    QTest::addColumn<QList<QPoint>>("red");
    QTest::addColumn<QList<QPoint>>("green");
    QTest::addColumn<QList<QPoint>>("blue");

    // No edges: all centres 80, a vertical red line from (80, 40) to (80, 80) over the segments.
    QTest::newRow("centres 80 80 80")
        << 0 << "0" << QList<QPoint>{{80, 40}, {80, 60}, {80, 80}, {78, 50}, {82, 70}}
        << QList<QPoint>{} << QList<QPoint>{{80, 35}, {86, 60}, {74, 60}, {80, 85}};
    // The red line from (70, 40) to (90, 80) runs through all three centres.
    QTest::newRow("centres 70 80 90")
        << 1 << "-10" << QList<QPoint>{{70, 40}, {75, 50}, {80, 60}, {85, 70}, {90, 80}}
        << QList<QPoint>{} << QList<QPoint>{{64, 40}, {96, 80}};
    // Slope 0: the red line is vertical through the first centre; the green segments show.
    QTest::newRow("centres 70 87 70")
        << 2 << "-17" << QList<QPoint>{{70, 40}, {70, 60}, {70, 80}}
        << QList<QPoint>{{78, 50}, {78, 70}} << QList<QPoint>{{93, 60}, {64, 40}, {64, 80}};
}

void FrmMainTest::overlayPixels() {
    QFETCH(int, scene);
    QFETCH(QString, forecast);
    QFETCH(QList<QPoint>, red);
    QFETCH(QList<QPoint>, green);
    QFETCH(QList<QPoint>, blue);

    const PixelSource scenes[] = {uniform(128), pathCentred70_80_90(), pathCentred70_87_70()};
    FrameFolder folder;
    folder.write(1, scenes[scene]);
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.middiff(), forecast);

    const auto expect = [&driver](const QList<QPoint>& points, Colour colour) {
        for (const QPoint& p : points)
            QVERIFY2(driver.shownAt("Picture4", p.x(), p.y()) == colour,
                     qPrintable(QStringLiteral("at (%1, %2)").arg(p.x()).arg(p.y())));
    };
    expect(red, kRed);
    expect(green, kGreen);
    expect(blue, kBlue);
}

// On a display that scales, every device pixel shows one of the image pixels it covers: no
// smoothing blends neighbours. At a whole-number ratio each image pixel is an exact block.
void FrmMainTest::picturesArePixelExact() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();

    for (const char* name : {"Picture3", "Picture4"}) {
        const QImage image = driver.shown(name);
        const double ratio = image.devicePixelRatio();
        const bool wholeRatio = ratio == std::floor(ratio);
        QVERIFY(std::abs(image.width() - 161 * ratio) <= 1);
        QVERIFY(std::abs(image.height() - 121 * ratio) <= 1);
        for (int dy = 0; dy < image.height(); ++dy)
            for (int dx = 0; dx < image.width(); ++dx) {
                const QRgb c = image.pixel(dx, dy);
                const Colour shown = rgb(qRed(c), qGreen(c), qBlue(c));
                const int x = static_cast<int>((dx + 0.5) / ratio);
                const int y = static_cast<int>((dy + 0.5) / ratio);
                bool matches = shown == driver.surfaceAt(name, x, y);
                for (int j = -1; j <= 1 && !matches && !wholeRatio; ++j)
                    for (int i = -1; i <= 1 && !matches; ++i)
                        matches = shown == driver.surfaceAt(name, x + i, y + j);
                QVERIFY2(
                    matches,
                    qPrintable(
                        QStringLiteral("%1 at device pixel (%2, %3)").arg(name).arg(dx).arg(dy)));
            }
    }
}

void FrmMainTest::drawingSurvivesHideAndShow() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    const QImage before = driver.shown("Picture4");
    driver.window().hide();
    QApplication::processEvents();
    driver.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&driver.window()));
    QCOMPARE(driver.shown("Picture4"), before);
}

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// 19,200 set-pixels for one edge map must not become thousands of repaints.
void FrmMainTest::oneRepaintPerEdgeMap() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    QTest::qWait(50);
    PaintCounter counter;
    driver.find<PictureBox>("Picture4")->installEventFilter(&counter);

    driver.clickDisplayPicture();
    QTest::qWait(100);
    QCOMPARE(counter.paints, 1);
}

// Colours whose grey level is known: blue = x, green = y, red 200.
PixelSource tintedByPosition() {
    return [](int x, int y) {
        return Bgr{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 200};
    };
}

enum ReadoutStep { NoStep, Display, DisplayAndFind, MissingFrame };

void FrmMainTest::pixelReadout_data() {
    QTest::addColumn<int>("scene");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QString>("text");

    // Grey = (12 + 40 + 200 + 1) div 3 = 84.
    QTest::newRow("colour and grey") << 0 << int(NoStep) << "Picture3" << QPoint(12, 40)
                                     << "Picture3 (12, 40): rgb(200, 40, 12) grey 84";
    QTest::newRow("colour, last picture pixel")
        << 0 << int(NoStep) << "Picture3" << QPoint(159, 119)
        << "Picture3 (159, 119): rgb(200, 119, 159) grey 159";
    QTest::newRow("Picture3 column 160") << 0 << int(NoStep) << "Picture3" << QPoint(160, 40)
                                         << "Picture3 (160, 40): outside the frame";
    QTest::newRow("refused frame") << 0 << int(MissingFrame) << "Picture3" << QPoint(12, 40)
                                   << "Picture3 (12, 40): no frame loaded";
    QTest::newRow("before Display Picture")
        << 1 << int(NoStep) << "Picture4" << QPoint(49, 10) << "Picture4 (49, 10): no edge map";
    QTest::newRow("edge") << 1 << int(Display) << "Picture4" << QPoint(49, 10)
                          << "Picture4 (49, 10): edge";
    QTest::newRow("background") << 1 << int(Display) << "Picture4" << QPoint(60, 10)
                                << "Picture4 (60, 10): background";
    QTest::newRow("Picture4 row 120") << 1 << int(Display) << "Picture4" << QPoint(40, 120)
                                      << "Picture4 (40, 120): outside the frame";
    // The overlay of centres 70, 87, 70 (see overlayPixels).
    QTest::newRow("red line over an edge")
        << 2 << int(DisplayAndFind) << "Picture4" << QPoint(70, 60)
        << "Picture4 (70, 60): red best-fit line over edge";
    QTest::newRow("green segment") << 2 << int(DisplayAndFind) << "Picture4" << QPoint(78, 50)
                                   << "Picture4 (78, 50): green path segment over background";
    QTest::newRow("blue circle") << 2 << int(DisplayAndFind) << "Picture4" << QPoint(93, 60)
                                 << "Picture4 (93, 60): blue centre circle over background";
    QTest::newRow("no overlay on this pixel")
        << 2 << int(DisplayAndFind) << "Picture4" << QPoint(49, 100) << "Picture4 (49, 100): edge";
}

void FrmMainTest::pixelReadout() {
    QFETCH(int, scene);
    QFETCH(int, step);
    QFETCH(QString, picture);
    QFETCH(QPoint, pixel);
    QFETCH(QString, text);

    const PixelSource scenes[] = {tintedByPosition(), pathCentred70_80_90(), pathCentred70_87_70()};
    FrameFolder folder;
    folder.write(1, scenes[scene]);
    WindowDriver driver(folder.path());
    if (step == MissingFrame)
        driver.pressKey("picslider", Qt::Key_Right);
    if (step == Display || step == DisplayAndFind)
        driver.clickDisplayPicture();
    if (step == DisplayAndFind)
        driver.clickFindCenter();

    const QByteArray name = picture.toLatin1();
    driver.pointAt(name.constData(), pixel.x(), pixel.y());
    QCOMPARE(driver.statusLine(), text);
}

void FrmMainTest::readoutFollowsTheSurfaceUnderAStillMouse() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    const QString idle = driver.statusLine();
    QVERIFY2(idle.contains(QStringLiteral("Ctrl+O")), qPrintable(idle));

    driver.pointAt("Picture4", 30, 60);
    QCOMPARE(driver.statusLine(), QStringLiteral("Picture4 (30, 60): no edge map"));
    driver.pressShortcut(Qt::CTRL | Qt::Key_D);
    QCOMPARE(driver.statusLine(), QStringLiteral("Picture4 (30, 60): edge"));
    driver.pressKey("picslider", Qt::Key_Left);
    QCOMPARE(driver.statusLine(), QStringLiteral("Picture4 (30, 60): no edge map"));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(driver.find<QWidget>("Picture4"), &leave);
    QCOMPARE(driver.statusLine(), idle);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::FrmMainTest)
#include "test_frm_main.moc"
