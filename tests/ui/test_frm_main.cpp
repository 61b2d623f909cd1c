#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"

#include <QApplication>
#include <QTest>
#include <tuple>

namespace vireo::testing {
namespace {

constexpr Colour kBlack = grey(0);
constexpr Colour kWhite = grey(255);
constexpr Colour kCleared = RasterSurface::kBackground;

// Paths whose centres come out at known columns on the scan rows 40, 60 and 80.
PixelSource pathCentred70_80_90() {
    return pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}});
}
PixelSource pathCentred70_87_70() {
    return pathBetweenWalls({{50, 50, 90}, {68, 70, 110}, {119, 50, 90}});
}
// Edges in columns 29 and 30 of rows 1..118.
PixelSource stepAtColumn30() {
    return verticalBand(0, 200, 30, 160);
}
// A step of 25 grey levels at column 80: an edge only at thresholds of 155 and above.
PixelSource faintStepAtColumn80() {
    return verticalBand(100, 125, 80, 160);
}

// The edge map of stepAtColumn30(): black edges, a white border, and column 160 and row 120
// never painted.
void expectStepEdgeMap(const WindowDriver& driver) {
    for (int y = 0; y < 121; ++y)
        for (int x = 0; x < 161; ++x) {
            const bool edge = (x == 29 || x == 30) && y >= 1 && y <= 118;
            const Colour expected = x == 160 || y == 120 ? kCleared : edge ? kBlack : kWhite;
            QVERIFY2(driver.surfaceAt("Picture4", x, y) == expected,
                     qPrintable(QStringLiteral("at (%1, %2)").arg(x).arg(y)));
        }
}

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAtStartUp();
    void eventsBeforeAndAfterDisplay();
    void frameChangesAndAMissingFrame();
    void picturesArePixelExact();
    void overlayPixels_data();
    void overlayPixels();
    void pixelReadout();
};

// The ten controls' container, caption and geometry; the window's size; the sliders' settings
// and what start-up shows; the keyboard.
void FrmMainTest::controlsAtStartUp() {
    FrameFolder folder;
    folder.write(1, verticalBand(50, 200, 60, 100));
    folder.write(2, pathCentred70_80_90());
    WindowDriver driver(folder.path());
    const struct {
        const char* name;
        const char* container;
        const char* caption;
        QRect geometry;
    } controls[] = {{"Command5", "frmMain", "Find Center", {440, 8, 65, 65}},
                    {"Frame7", "frmMain", "picture selector", {360, 80, 145, 41}},
                    {"picslider", "Frame7", "", {8, 16, 129, 17}},
                    {"Frame6", "frmMain", "sobel threshold", {8, 144, 497, 49}},
                    {"sobelslider", "Frame6", "", {8, 16, 481, 25}},
                    {"Command4", "frmMain", "Display Picture", {360, 8, 73, 65}},
                    {"Picture4", "frmMain", "", {184, 8, 161, 121}},
                    {"Picture3", "frmMain", "", {8, 8, 161, 121}},
                    {"middiff", "frmMain", "N/A", {432, 128, 57, 17}},
                    {"Label1", "frmMain", "Forecast", {368, 128, 49, 17}}};
    for (const auto& c : controls) {
        auto* control = driver.find<QWidget>(c.name);
        // Buttons and labels have a text, frames a title, the rest neither.
        const char* property = control->inherits("QGroupBox") ? "title" : "text";
        QCOMPARE(std::tuple(control->parentWidget()->objectName(), control->geometry(),
                            control->property(property).toString()),
                 std::tuple(QString(c.container), c.geometry, QString(c.caption)));
    }
    // The controls fill the 512 x 199 area; the status line lies in a strip below.
    QCOMPARE(driver.window().size(), QSize(512, 219));
    for (const QWidget* child : driver.window().findChildren<QWidget*>()) {
        const QRect area(child->mapTo(&driver.window(), QPoint(0, 0)), child->size());
        const bool isStatusLine = child->objectName() == QLatin1String("statusLine");
        const QRect allowed = isStatusLine ? QRect(0, 199, 512, 20) : QRect(0, 0, 512, 199);
        QVERIFY2(allowed.contains(area), qPrintable(child->objectName()));
    }

    auto* picslider = driver.find<ClickSlider>("picslider");
    auto* sobelslider = driver.find<ClickSlider>("sobelslider");
    QCOMPARE(std::tuple(picslider->minimum(), picslider->maximum(), picslider->value(),
                        picslider->pageStep()),
             std::tuple(0, 12, 1, 5));
    // Start-up overrides the stored threshold 0 with 100.
    QCOMPARE(std::tuple(sobelslider->minimum(), sobelslider->maximum(), sobelslider->value()),
             std::tuple(0, 255, 100));
    QCOMPARE(driver.state().sobelthresh, 100);
    // Frame 1 is shown, the edge surface is blank.
    QCOMPARE(driver.shownAt("Picture3", 10, 10), grey(50));
    QCOMPARE(driver.shownAt("Picture3", 70, 10), grey(200));
    QVERIFY(driver.shownBlank("Picture4"));

    // Tab order, and the shortcuts wherever the focus is (Ctrl+O: see the folder tests).
    driver.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&driver.window()));
    driver.find<QWidget>("Command4")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited,
             QStringList({"Command4", "sobelslider", "picslider", "Command5", "Command4"}));

    driver.pressKey("picslider", Qt::Key_Right);
    driver.pressShortcut(Qt::CTRL | Qt::Key_D);
    QCOMPARE(driver.shownAt("Picture4", 49, 10), kBlack);
    driver.pressShortcut(Qt::CTRL | Qt::Key_F);
    QCOMPARE(driver.text("middiff"), QStringLiteral("-10"));
}

// Before "Display Picture": Find Center and a threshold click paint nothing; threshold moves
// only store the value, which the next "Display Picture" uses. After it, moves repaint, and so
// do a click that leaves the threshold unchanged and a second "Display Picture", each over the
// overlay.
void FrmMainTest::eventsBeforeAndAfterDisplay() {
    FrameFolder folder;
    folder.write(1, faintStepAtColumn80());
    WindowDriver driver(folder.path());

    driver.clickFindCenter();
    driver.clickSliderHandle("sobelslider");
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.text("middiff"), QStringLiteral("N/A"));
    driver.pressKey("sobelslider", Qt::Key_PageUp, 11);
    QCOMPARE(driver.state().sobelthresh, 155);
    QVERIFY(driver.shownBlank("Picture4") && !driver.state().picshown);

    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kBlack);
    driver.pressKey("sobelslider", Qt::Key_Left);
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite);

    // No edges at 154: the red line runs down column 80.
    driver.clickFindCenter();
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kRed);
    driver.clickSliderHandle("sobelslider");
    QCOMPARE(driver.state().sobelthresh, 154);
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite);
    driver.clickFindCenter();
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kRed);
    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 80, 60), kWhite);
    QVERIFY(driver.state().picshown && driver.state().edgesready);
    QCOMPARE(driver.text("middiff"), QStringLiteral("0"));
}

// A frame change blanks the edges, shows "N/A" and resets the scan rows; a frame that cannot be
// loaded does the same without a dialog, clears the grey frame and shows why on Picture3.
void FrmMainTest::frameChangesAndAMissingFrame() {
    FrameFolder folder;
    folder.write(1, pathCentred70_80_90());
    folder.write(2, verticalBand(20, 220, 100, 160));
    WindowDriver driver(folder.path());
    const auto expectFrameChange = [&driver] {
        QVERIFY(driver.shownBlank("Picture4"));
        QCOMPARE(driver.text("middiff"), QStringLiteral("N/A"));
        QVERIFY(!driver.state().picshown && !driver.state().edgesready);
        for (int n = 0; n < 3; ++n)
            QCOMPARE(driver.state().history.at(n, 1), 80);
    };
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.state().history.at(2, 1), 90);
    driver.pressKey("picslider", Qt::Key_Right);
    expectFrameChange();
    QCOMPARE(driver.shownAt("Picture3", 100, 60), grey(220));

    driver.clickDisplayPicture();
    driver.clickFindCenter();
    driver.pressKey("picslider", Qt::Key_Right);
    expectFrameChange();
    for (const QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY2(widget == &driver.window() || !widget->isVisible(), "a dialog opened");
    QCOMPARE(driver.state().grayimg, Frame{});
    auto* picture3 = driver.find<PictureBox>("Picture3");
    QCOMPARE(picture3->notice(), QStringLiteral("pic3.bmp: no such file"));
    QCOMPARE(driver.surfaceAt("Picture3", 40, 60), kCleared);

    driver.pressKey("picslider", Qt::Key_Left);
    QVERIFY(picture3->notice().isEmpty());
    QCOMPARE(driver.shownAt("Picture3", 100, 60), grey(220));
    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 100, 60), kBlack);
}

// The edge map is black edges at (x, y), a white border, and column 160 and row 120 never
// painted, also when repainted after "Find Center" (which draws at width 5). On a scaling display
// the pictures are not smoothed.
void FrmMainTest::picturesArePixelExact() {
    FrameFolder folder;
    folder.write(1, stepAtColumn30());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    expectStepEdgeMap(driver);
    QCOMPARE(driver.shownAt("Picture4", 29, 10), kBlack);
    QCOMPARE(driver.shownAt("Picture4", 10, 29), kWhite);
    driver.clickFindCenter();

    // The device pixel under the middle of each image pixel: smoothing would blend it with its
    // neighbours along every edge.
    for (const char* name : {"Picture3", "Picture4"}) {
        const QImage image = driver.shown(name);
        const double ratio = image.devicePixelRatio();
        for (int y = 0; y < 121; ++y)
            for (int x = 0; x < 161; ++x) {
                const QRgb c = image.pixel(int((x + 0.5) * ratio), int((y + 0.5) * ratio));
                QVERIFY2(rgb(qRed(c), qGreen(c), qBlue(c)) == driver.surfaceAt(name, x, y),
                         qPrintable(QStringLiteral("%1 at (%2, %3)").arg(name).arg(x).arg(y)));
            }
    }
    driver.pressKey("sobelslider", Qt::Key_Right);
    expectStepEdgeMap(driver);
}

void FrmMainTest::overlayPixels_data() {
    QTest::addColumn<int>("scene");
    QTest::addColumn<QString>("forecast");
    QTest::addColumn<QList<QPoint>>("red");
    QTest::addColumn<QList<QPoint>>("green");
    QTest::addColumn<QList<QPoint>>("blue");

    // A red line through the centres (5 pixels wide), blue circles around them.
    QTest::newRow("centres 70 80 90") << 0 << "-10" << QList<QPoint>{{70, 40}, {80, 60}, {90, 80}}
                                      << QList<QPoint>{} << QList<QPoint>{{64, 40}, {96, 80}};
    // Slope 0: the red line is vertical through the first centre; the green segments show.
    QTest::newRow("centres 70 87 70")
        << 1 << "-17" << QList<QPoint>{{70, 40}, {70, 80}, {72, 60}}
        << QList<QPoint>{{78, 50}, {78, 70}} << QList<QPoint>{{93, 60}, {64, 80}};
}

void FrmMainTest::overlayPixels() {
    QFETCH(int, scene);
    QFETCH(QString, forecast);
    QFETCH(QList<QPoint>, red);
    QFETCH(QList<QPoint>, green);
    QFETCH(QList<QPoint>, blue);

    FrameFolder folder;
    folder.write(1, scene == 0 ? pathCentred70_80_90() : pathCentred70_87_70());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.text("middiff"), forecast);
    for (const auto& [points, colour] : {std::pair{red, kRed}, {green, kGreen}, {blue, kBlue}})
        for (const QPoint& p : points)
            QVERIFY2(driver.shownAt("Picture4", p.x(), p.y()) == colour,
                     qPrintable(QStringLiteral("at (%1, %2)").arg(p.x()).arg(p.y())));
}

// Colours whose grey level is known: blue = x, green = y, red 200.
PixelSource tintedByPosition() {
    return [](int x, int y) {
        return Bgr{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 200};
    };
}

// The status line under the mouse: colour and grey level on Picture3, edge or background and
// the overlay on Picture4, and why there is nothing to read.
void FrmMainTest::pixelReadout() {
    FrameFolder folder;
    folder.write(1, tintedByPosition());
    folder.write(3, pathCentred70_87_70());
    WindowDriver driver(folder.path());
    const auto expectReadout = [&driver](const char* picture, int x, int y, const char* text) {
        driver.pointAt(picture, x, y);
        QCOMPARE(driver.text("statusLine"), QString::fromUtf8(text));
    };
    // Grey = (12 + 40 + 200 + 1) div 3 = 84.
    expectReadout("Picture3", 12, 40, "Picture3 (12, 40): rgb(200, 40, 12) grey 84");
    expectReadout("Picture3", 160, 40, "Picture3 (160, 40): outside the frame");
    expectReadout("Picture4", 49, 10, "Picture4 (49, 10): no edge map");
    driver.pressKey("picslider", Qt::Key_Right);
    expectReadout("Picture3", 12, 40, "Picture3 (12, 40): no frame loaded");

    driver.pressKey("picslider", Qt::Key_Right);
    driver.clickDisplayPicture();
    expectReadout("Picture4", 49, 10, "Picture4 (49, 10): edge");
    driver.clickFindCenter();
    expectReadout("Picture4", 70, 60, "Picture4 (70, 60): red best-fit line over edge");
    expectReadout("Picture4", 78, 50, "Picture4 (78, 50): green path segment over background");
    expectReadout("Picture4", 93, 60, "Picture4 (93, 60): blue centre circle over background");
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::FrmMainTest)
#include "test_frm_main.moc"
