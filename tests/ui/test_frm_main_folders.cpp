#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <optional>

namespace vireo::testing {
namespace {

// A frame file name only: the window reads names to find the highest frame number.
void touch(const std::filesystem::path& file) {
    std::ofstream(file).put('x');
}

// Frames 1 and `highest` as real pictures (grey 50 and 77), every number between as a name.
void writeRecording(FrameFolder& folder, int highest) {
    folder.write(1, uniform(50));
    for (int n = 2; n < highest; ++n)
        touch(folder.path() / ("pic" + std::to_string(n) + ".bmp"));
    folder.write(highest, uniform(77));
}

QString shownPath(const std::filesystem::path& folder) {
    return QString::fromStdString(folder.string());
}

// Makes `folder` the current directory while it lives.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

enum Way { DropFolder, DropFrameFile, Chooser };

// Opens `folder` in the window the way an operator would.
void openFolderBy(int way, WindowDriver& driver, const std::filesystem::path& folder) {
    switch (way) {
    case DropFolder:
        QVERIFY(driver.drop({QUrl::fromLocalFile(shownPath(folder))}));
        return;
    case DropFrameFile:
        QVERIFY(driver.drop({QUrl::fromLocalFile(shownPath(folder / "pic7.bmp"))}));
        return;
    case Chooser:
        driver.window().setFolderChooser(
            [folder](QWidget&, const std::filesystem::path&) { return folder; });
        driver.pressShortcut(Qt::CTRL | Qt::Key_O);
        return;
    }
}

} // namespace

class FrmMainFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void frameSliderReachesTheHighestFrame_data();
    void frameSliderReachesTheHighestFrame();
    void stepsThroughAWholeRecording();

    void titleNamesTheFolder_data();
    void titleNamesTheFolder();

    void openingAFolderIsAFrameChange_data();
    void openingAFolderIsAFrameChange();
    void lowerMaximumGivesOneFrameChange();
    void refusedDropsChangeNothing();
    void cancelledChooserChangesNothing();
};

void FrmMainFoldersTest::frameSliderReachesTheHighestFrame_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("maximum");

    QTest::newRow("bundled samples") << QStringLiteral(VIREO_SAMPLES_DIR) << QStringList{} << 12;
    QTest::newRow("frames up to 300")
        << "" << QStringList{"pic2.bmp", "pic300.bmp", "pic17.bmp"} << 300;
    QTest::newRow("frames below 12 only") << "" << QStringList{"pic0.bmp", "pic5.bmp"} << 12;
    // None of these is a frame file the loader would ever open.
    QTest::newRow("names that are not frames")
        << "" << QStringList{"pic0300.bmp",    "pic400.BMP",         "pic500.bmp.txt",
                             "picture600.bmp", "pic99999999999.bmp", "pic-700.bmp"}
        << 12;
}

void FrmMainFoldersTest::frameSliderReachesTheHighestFrame() {
    QFETCH(QString, folder);
    QFETCH(QStringList, names);
    QFETCH(int, maximum);

    FrameFolder frames;
    frames.write(1, uniform(50));
    for (const QString& name : names)
        touch(frames.path() / name.toStdString());
    WindowDriver driver(folder.isEmpty() ? frames.path()
                                         : std::filesystem::path(folder.toStdString()));
    auto* slider = driver.find<ClickSlider>("picslider");
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), maximum);
    QCOMPARE(slider->value(), 1);
}

void FrmMainFoldersTest::stepsThroughAWholeRecording() {
    FrameFolder folder;
    writeRecording(folder, 300);
    std::filesystem::remove(folder.path() / "pic299.bmp");
    WindowDriver driver(folder.path());

    driver.pressKey("picslider", Qt::Key_End);
    QCOMPARE(driver.find<ClickSlider>("picslider")->value(), 300);
    QCOMPARE(driver.shownAt("Picture3", 40, 40), grey(77));
    // A gap in the numbering takes the missing-frame path: a notice, no dialog.
    driver.pressKey("picslider", Qt::Key_Left);
    QCOMPARE(driver.find<PictureBox>("Picture3")->notice(),
             QStringLiteral("pic299.bmp: no such file"));
    QVERIFY(driver.window().isVisible());
}

void FrmMainFoldersTest::titleNamesTheFolder_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("isCurrent");
    QTest::newRow("no folder: the current directory") << "" << true;
    QTest::newRow("dot") << "." << true;
    QTest::newRow("the current directory by its path") << "<here>" << true;
    QTest::newRow("another folder") << "<other>" << false;
    QTest::newRow("another folder with a trailing slash") << "<other>/" << false;
    QTest::newRow("the current directory, relative") << "sub/.." << true;
    QTest::newRow("a subfolder, relative") << "sub" << false;
}

void FrmMainFoldersTest::titleNamesTheFolder() {
    QFETCH(QString, folder);
    QFETCH(bool, isCurrent);

    TempFolder here;
    TempFolder other;
    std::filesystem::create_directory(here.path() / "sub");
    const InFolder inHere(here.path());
    QString path = folder;
    path.replace(QStringLiteral("<here>"), shownPath(here.path()));
    path.replace(QStringLiteral("<other>"), shownPath(other.path()));

    const QString title = windowTitleFor(path.toStdString());
    if (isCurrent) {
        QCOMPARE(title, QStringLiteral("Vireo"));
        return;
    }
    const std::filesystem::path expected = folder == "sub" ? here.path() / "sub" : other.path();
    QCOMPARE(title, shownPath(expected) + QStringLiteral(" \u2014 Vireo"));
}

void FrmMainFoldersTest::openingAFolderIsAFrameChange_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("drop the folder") << int(DropFolder);
    QTest::newRow("drop a frame file in it") << int(DropFrameFile);
    QTest::newRow("choose it with Ctrl+O") << int(Chooser);
}

void FrmMainFoldersTest::openingAFolderIsAFrameChange() {
    QFETCH(int, way);
    FrameFolder first;
    first.write(1, pathBetweenWalls({{50, 50, 90}, {68, 60, 100}, {119, 70, 110}}));
    FrameFolder second;
    second.write(1, uniform(30));
    second.write(7, uniform(90));
    writeFile(second.path() / "pic40.bmp", {});
    WindowDriver driver(first.path());
    driver.clickDisplayPicture();
    driver.clickFindCenter();
    QCOMPARE(driver.middiff(), QStringLiteral("-10"));

    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    openFolderBy(way, driver, second.path());

    QCOMPARE(driver.window().folder(), second.path());
    QCOMPARE(driver.window().windowTitle(), shownPath(second.path()) + " \u2014 Vireo");
    QCOMPARE(frameChanges.count(), 1);
    // The frame change's effects, then the slider's frame (still 1) from the new folder.
    QVERIFY(!driver.state().picshown && !driver.state().edgesready);
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.middiff(), QStringLiteral("N/A"));
    for (int n = 0; n < 3; ++n)
        QCOMPARE(driver.state().history.at(n, 1), 80);
    QCOMPARE(driver.find<ClickSlider>("picslider")->value(), 1);
    QCOMPARE(driver.find<ClickSlider>("picslider")->maximum(), 40);
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(30));
    QCOMPARE(driver.state().grayimg.at(60, 60), std::uint8_t{30});

    // Later frames come from the new folder too.
    driver.pressKey("picslider", Qt::Key_PageUp);
    QCOMPARE(driver.find<PictureBox>("Picture3")->notice(),
             QStringLiteral("pic6.bmp: no such file"));
    driver.pressKey("picslider", Qt::Key_Right);
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(90));
}

// Lowering the maximum below the slider's value moves the value, which is itself a frame change:
// it must not be followed by a second one, nor load from the old folder.
void FrmMainFoldersTest::lowerMaximumGivesOneFrameChange() {
    FrameFolder recording;
    writeRecording(recording, 300);
    FrameFolder bundled;
    bundled.write(1, uniform(20));
    bundled.write(12, uniform(120));
    WindowDriver driver(recording.path());
    driver.pressKey("picslider", Qt::Key_End);
    driver.clickDisplayPicture();

    auto* slider = driver.find<ClickSlider>("picslider");
    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    QSignalSpy valueChanges(slider, &QSlider::valueChanged);
    openFolderBy(Chooser, driver, bundled.path());
    QCOMPARE(slider->maximum(), 12);
    QCOMPARE(slider->value(), 12);
    QCOMPARE(valueChanges.count(), 1);
    QCOMPARE(frameChanges.count(), 1);
    QCOMPARE(frameChanges.at(0).at(0).toInt(), 12);
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(120));
    QVERIFY(!driver.state().picshown);

    // And back: a higher maximum leaves the value, and the frame change runs once.
    openFolderBy(DropFolder, driver, recording.path());
    QCOMPARE(slider->maximum(), 300);
    QCOMPARE(slider->value(), 12);
    QCOMPARE(frameChanges.count(), 2);
    QVERIFY(driver.find<PictureBox>("Picture3")->notice().startsWith("pic12.bmp: "));
}

void FrmMainFoldersTest::refusedDropsChangeNothing() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    FrameFolder other;
    other.write(1, uniform(30));
    writeFile(other.path() / "notes.txt", {'h', 'i'});
    writeFile(other.path() / "photo.bmp", buildBmp(uniform(30)));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();

    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    const QList<QList<QUrl>> refused{
        {QUrl::fromLocalFile(shownPath(other.path() / "notes.txt"))},
        {QUrl::fromLocalFile(shownPath(other.path() / "photo.bmp"))},
        {QUrl::fromLocalFile(shownPath(other.path() / "pic2.bmp"))}, // no such file
        {QUrl(QStringLiteral("https://example.org/frames/"))},
        {},
    };
    for (const QList<QUrl>& urls : refused)
        QVERIFY2(!driver.drop(urls), qPrintable(urls.isEmpty() ? "none" : urls[0].toString()));
    QCOMPARE(frameChanges.count(), 0);
    QCOMPARE(driver.window().folder(), folder.path());
    QVERIFY(driver.state().picshown);

    // A refused URL before a good one does not hide it.
    QVERIFY(driver.drop({QUrl(QStringLiteral("https://example.org/")),
                         QUrl::fromLocalFile(shownPath(other.path()))}));
    QCOMPARE(driver.window().folder(), other.path());
}

void FrmMainFoldersTest::cancelledChooserChangesNothing() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    WindowDriver driver(folder.path());
    driver.clickDisplayPicture();

    std::optional<std::filesystem::path> offered;
    driver.window().setFolderChooser(
        [&offered](QWidget&,
                   const std::filesystem::path& current) -> std::optional<std::filesystem::path> {
            offered = current;
            return std::nullopt;
        });
    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    QCOMPARE(offered, std::optional(folder.path()));
    QCOMPARE(frameChanges.count(), 0);
    QCOMPARE(driver.window().folder(), folder.path());
    QVERIFY(driver.state().picshown);
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::FrmMainFoldersTest)
#include "test_frm_main_folders.moc"
