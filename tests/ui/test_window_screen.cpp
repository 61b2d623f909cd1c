#include "ui/picture_box.h"
#include "window_driver.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace vireo::testing {

// The real window on an X server, photographed from outside the program with ImageMagick's
// `import`: what a person would see, not what the widgets believe they drew.
class WindowScreenTest : public QObject {
    Q_OBJECT

private slots:
    void screenShowsTheFrameTheEdgesAndTheOverlay();
};

void WindowScreenTest::screenShowsTheFrameTheEdgesAndTheOverlay() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server; ctest runs this under xvfb-run when it is installed");
    if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        QSKIP("needs ImageMagick's import to take the screenshot");

    TempFolder folder;
    writeFrame(folder.path(), 1, pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}}));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.text("middiff"), QStringLiteral("-10"));
    QTest::qWait(300); // let the X server show the last repaint

    const QString file = QStringLiteral("window-screenshot.png");
    QProcess import;
    import.start(QStringLiteral("import"), {"-window", "root", file});
    QVERIFY(import.waitForFinished(30000));
    QCOMPARE(import.exitCode(), 0);
    const QImage screen(file);
    QVERIFY2(!screen.isNull(), "the screenshot could not be read");

    const auto onScreen = [&](const char* name, int x, int y) {
        const QPoint at = driver.find<QWidget>(name)->mapToGlobal(QPoint(x, y));
        const QRgb c = screen.pixel(at);
        return rgb(qRed(c), qGreen(c), qBlue(c));
    };
    // The overlay's colours where the centres 70, 80, 90 put them, and every pixel as drawn.
    QCOMPARE(onScreen("Picture4", 80, 60), kRed);
    QCOMPARE(onScreen("Picture4", 64, 40), kBlue);
    for (const char* name : {"Picture3", "Picture4"})
        for (int y = 0; y < 121; ++y)
            for (int x = 0; x < 161; ++x)
                QVERIFY2(onScreen(name, x, y) == driver.surfaceAt(name, x, y),
                         qPrintable(QStringLiteral("%1 at (%2, %3)").arg(name).arg(x).arg(y)));
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::WindowScreenTest)
#include "test_window_screen.moc"
