#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <optional>
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

QString shownPath(const std::filesystem::path& folder) {
    return QString::fromStdString(folder.string());
}

enum Way { DropFolder, DropFrameFile, Chooser };

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAtStartUp();
    void picturesArePixelExact();
    void pixelReadout();
    void openingAFolderIsAFrameChange_data();
    void openingAFolderIsAFrameChange();
    void sliderMaximumFollowsTheFolder();
    void refusedDropsAndCancelledChooserChangeNothing();
    void opensVideosOffTheWindowsThread_data();
    void opensVideosOffTheWindowsThread();
};

// The captions; the visible controls inside the 512 x 199 area and the status line in a strip
// below; the sliders' ranges and what start-up shows; the shortcuts.
void FrmMainTest::controlsAtStartUp() {
    TempFolder folder;
    writeFrame(folder.path(), 1, verticalBand(50, 200, 60, 100));
    writeFrame(folder.path(), 2, pathCentred70_80_90());
    WindowDriver driver(folder.path());
    QStringList captions;
    for (const char* name : {"Command5", "Frame7", "Frame6", "Command4", "middiff", "Label1"}) {
        const auto* control = driver.find<QWidget>(name);
        captions << control->property(control->inherits("QGroupBox") ? "title" : "text").toString();
    }
    QCOMPARE(captions, QStringList({"Find Center", "picture selector", "sobel threshold",
                                    "Display Picture", "N/A", "Forecast"}));
    QCOMPARE(driver.window().size(), QSize(512, 219));
    for (const QWidget* child : driver.window().findChildren<QWidget*>()) {
        const QRect area(child->mapTo(&driver.window(), QPoint(0, 0)), child->size());
        const bool isStatusLine = child->objectName() == QLatin1String("statusLine");
        const QRect allowed = isStatusLine ? QRect(0, 199, 512, 20) : QRect(0, 0, 512, 199);
        QVERIFY2(!child->isVisible() || allowed.contains(area), qPrintable(child->objectName()));
    }
    auto* picslider = driver.find<ClickSlider>("picslider");
    auto* sobelslider = driver.find<ClickSlider>("sobelslider");
    QCOMPARE(std::tuple(picslider->minimum(), picslider->maximum(), picslider->value(),
                        picslider->pageStep(), sobelslider->minimum(), sobelslider->maximum(),
                        sobelslider->value(), driver.state().sobelthresh),
             std::tuple(0, 12, 1, 5, 0, 255, 100, 100));
    QCOMPARE(driver.shownAt("Picture3", 70, 10), grey(200));
    QVERIFY(driver.shownBlank("Picture4"));

    driver.pressKey("picslider", Qt::Key_Right);
    driver.pressShortcut(Qt::CTRL | Qt::Key_D);
    QCOMPARE(driver.shownAt("Picture4", 49, 10), kBlack);
    driver.pressShortcut(Qt::CTRL | Qt::Key_F);
    QCOMPARE(driver.text("middiff"), QStringLiteral("-10"));
}

// On a scaling display the pictures are not smoothed: the device pixel under the middle of each
// image pixel shows that pixel, with the edge map and with the overlay; a click on the threshold
// slider that leaves its value repaints the edge map over the overlay. The overlay: a red line
// through the centres 70, 87, 70 (slope 0: vertical through the first), green segments between
// them, blue circles around them.
void FrmMainTest::picturesArePixelExact() {
    TempFolder folder;
    writeFrame(folder.path(), 1, pathCentred70_87_70());
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    QCOMPARE(driver.shownAt("Picture4", 69, 60), kBlack);
    driver.clickFindCenter();
    QCOMPARE(driver.text("middiff"), QStringLiteral("-17"));
    const std::pair<QPoint, Colour> overlay[] = {
        {{70, 40}, kRed},   {{70, 80}, kRed},  {{72, 60}, kRed}, {{78, 50}, kGreen},
        {{78, 70}, kGreen}, {{93, 60}, kBlue}, {{64, 80}, kBlue}};
    for (const auto& [at, colour] : overlay)
        QVERIFY2(driver.shownAt("Picture4", at.x(), at.y()) == colour,
                 qPrintable(QStringLiteral("at (%1, %2)").arg(at.x()).arg(at.y())));
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
    driver.clickSliderHandle("sobelslider");
    QCOMPARE(driver.shownAt("Picture4", 70, 40), kWhite);
}

// The status line under the mouse: colour and grey level on Picture3, edge or background and
// the overlay on Picture4, and why there is nothing to read.
void FrmMainTest::pixelReadout() {
    TempFolder folder;
    writeFrame(folder.path(), 1, [](int x, int y) {
        return Bgr{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 200};
    });
    writeFrame(folder.path(), 3, pathCentred70_87_70());
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
    QCOMPARE(driver.find<PictureBox>("Picture3")->notice(),
             QStringLiteral("pic2.bmp: no such file"));

    driver.pressKey("picslider", Qt::Key_Right);
    driver.clickDisplayPicture();
    expectReadout("Picture4", 49, 10, "Picture4 (49, 10): edge");
    driver.clickFindCenter();
    expectReadout("Picture4", 70, 60, "Picture4 (70, 60): red best-fit line over edge");
    expectReadout("Picture4", 78, 50, "Picture4 (78, 50): green path segment over background");
    expectReadout("Picture4", 93, 60, "Picture4 (93, 60): blue centre circle over background");
}

void FrmMainTest::openingAFolderIsAFrameChange_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("drop the folder") << int(DropFolder);
    QTest::newRow("drop a frame file in it") << int(DropFrameFile);
    QTest::newRow("choose it with Ctrl+O") << int(Chooser);
}

// The title names the folder, the frame slider reaches its highest frame, and one frame change
// loads from it; later frames come from it too.
void FrmMainTest::openingAFolderIsAFrameChange() {
    QFETCH(int, way);
    TempFolder first, second;
    writeFrame(first.path(), 1, pathCentred70_80_90());
    writeFrame(second.path(), 1, uniform(30));
    writeFrame(second.path(), 7, uniform(90));
    writeFile(second.path() / "pic40.bmp", {});
    WindowDriver driver(first.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    driver.window().setFolderChooser([&](QWidget&, const auto&) { return second.path(); });
    if (way == Chooser)
        driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    else
        QVERIFY(driver.drop({QUrl::fromLocalFile(
            shownPath(way == DropFolder ? second.path() : second.path() / "pic7.bmp"))}));
    QCOMPARE(driver.window().windowTitle(), shownPath(second.path()) + " \u2014 Vireo");
    QCOMPARE(std::tuple(int(frameChanges.count()), driver.state().picshown, driver.text("middiff"),
                        int(driver.state().history.at(2, 1)),
                        driver.find<ClickSlider>("picslider")->maximum()),
             std::tuple(1, false, QStringLiteral("N/A"), 80, 40));
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(30));
    driver.pressKey("picslider", Qt::Key_PageUp);
    driver.pressKey("picslider", Qt::Key_Right);
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(90));
}

// Lowering the maximum below the slider's value moves the value, which is itself a frame change:
// it must not be followed by a second one, nor load from the old folder.
void FrmMainTest::sliderMaximumFollowsTheFolder() {
    TempFolder recording;
    writeFrame(recording.path(), 1, uniform(50));
    writeFrame(recording.path(), 300, uniform(77));
    writeFile(recording.path() / "pic17.bmp", {'x'});
    WindowDriver driver(recording.path());
    auto* slider = driver.find<ClickSlider>("picslider");
    driver.pressKey("picslider", Qt::Key_End);
    QCOMPARE(std::tuple(slider->value(), driver.shownAt("Picture3", 60, 60)),
             std::tuple(300, grey(77)));
    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    driver.window().setFolderChooser(
        [](QWidget&, const auto&) { return std::filesystem::path(VIREO_SAMPLES_DIR); });
    driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    QCOMPARE(std::tuple(slider->maximum(), slider->value(), int(frameChanges.count())),
             std::tuple(12, 12, 1));
    QVERIFY(driver.find<PictureBox>("Picture3")->notice().isEmpty());
}

// Files that are not frames, a frame file outside a folder of frames, a URL and a cancelled
// chooser change nothing; a refused URL before a good one does not hide it.
void FrmMainTest::refusedDropsAndCancelledChooserChangeNothing() {
    TempFolder folder, other;
    writeFrame(folder.path(), 1, uniform(128));
    writeFrame(other.path(), 1, uniform(30));
    writeFile(other.path() / "notes.txt", {'h', 'i'});
    writeFile(other.path() / "photo.bmp", buildBmp(uniform(30)));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    std::optional<std::filesystem::path> offered;
    driver.window().setFolderChooser([&offered](QWidget&, const std::filesystem::path& current) {
        offered = current;
        return std::optional<std::filesystem::path>();
    });
    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    for (const char* name : {"notes.txt", "photo.bmp", "pic2.bmp"})
        QVERIFY2(!driver.drop({QUrl::fromLocalFile(shownPath(other.path() / name))}), name);
    QVERIFY(!driver.drop({QUrl(QStringLiteral("https://example.org/frames/"))}));
    driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    QCOMPARE(std::tuple(offered, int(frameChanges.count()), driver.state().picshown),
             std::tuple(std::optional(folder.path()), 0, true));
    QVERIFY(driver.drop({QUrl(QStringLiteral("https://example.org/")),
                         QUrl::fromLocalFile(shownPath(other.path()))}));
    QCOMPARE(driver.window().folder(), other.path());
}

void FrmMainTest::opensVideosOffTheWindowsThread_data() {
    QTest::addColumn<bool>("chosen"); // with Ctrl+O rather than dropped
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QString>("note"); // empty when it opens
    QTest::newRow("dropped") << false << "run7.mp4" << false << "";
    QTest::newRow("chosen, Esc") << true << "run7.mp4" << true
                                 << "Not opened: run7.mp4: opening cancelled";
    QTest::newRow("chosen, not a video")
        << true << "notes.txt" << false << "Not opened: notes.txt: not a video";
}

// A video opens off the window's thread, its progress in the status line, and then as the
// recording: its file in the title, the slider up to its last frame, the frame converted, and the
// status line saying from what. Cancelled or refused, the folder stays and the status line says
// why.
void FrmMainTest::opensVideosOffTheWindowsThread() {
    QFETCH(bool, chosen);
    QFETCH(QString, file);
    QFETCH(bool, escape);
    QFETCH(QString, note);
    TempFolder folder;
    writeFrame(folder.path(), 1, uniform(50));
    writeFile(folder.path() / "notes.txt", {'h', 'i'});
    const std::filesystem::path path = folder.path() / file.toStdString();
    QCOMPARE(
        std::system(("ffmpeg -nostdin -v error -f lavfi -i color=c=black:s=320x240:r=10:d=3 '" +
                     (folder.path() / "run7.mp4").string() + "'")
                        .c_str()),
        0);
    WindowDriver driver(folder.path());
    driver.window().setFolderChooser([&](QWidget&, const std::filesystem::path&) { return path; });
    if (chosen)
        driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    else
        QVERIFY(driver.drop({QUrl::fromLocalFile(shownPath(path))}));
    QVERIFY(driver.text("statusLine").contains("  \u00b7  Opening " + file + ": "));
    if (escape)
        driver.pressShortcut(Qt::Key_Escape);
    QTRY_VERIFY(!driver.window().opening());
    const std::filesystem::path shown = note.isEmpty() ? path : folder.path();
    QCOMPARE(driver.window().windowTitle(), shownPath(shown) + " \u2014 Vireo");
    QCOMPARE(driver.find<ClickSlider>("picslider")->maximum(), note.isEmpty() ? 29 : 12);
    QCOMPARE(int(driver.state().grayimg.at(60, 60)), note.isEmpty() ? 0 : 50);
    QVERIFY2(driver.text("statusLine")
                 .startsWith("frame 1  \u00b7  threshold 100  \u00b7  " +
                             (note.isEmpty()
                                  ? "run7.mp4: 320 x 240 h264, stretched to 160 x 120, every frame"
                                  : note)),
             qPrintable(driver.text("statusLine")));
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::FrmMainTest)
#include "test_frm_main.moc"
