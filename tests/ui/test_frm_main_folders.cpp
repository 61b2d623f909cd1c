#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "window_driver.h"

#include <QSignalSpy>
#include <QTest>
#include <optional>
#include <tuple>

namespace vireo::testing {
namespace {

QString shownPath(const std::filesystem::path& folder) {
    return QString::fromStdString(folder.string());
}

enum Way { DropFolder, DropFrameFile, Chooser };

} // namespace

class FrmMainFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void openingAFolderIsAFrameChange_data();
    void openingAFolderIsAFrameChange();
    void sliderMaximumFollowsTheFolder();
    void refusedDropsAndCancelledChooserChangeNothing();
};

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
    QCOMPARE(driver.text("middiff"), QStringLiteral("-10"));

    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    if (way == Chooser) {
        driver.window().setFolderChooser(
            [&second](QWidget&, const std::filesystem::path&) { return second.path(); });
        driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    } else {
        const auto dropped = way == DropFolder ? second.path() : second.path() / "pic7.bmp";
        QVERIFY(driver.drop({QUrl::fromLocalFile(shownPath(dropped))}));
    }
    QCOMPARE(driver.window().folder(), second.path());
    QCOMPARE(driver.window().windowTitle(), shownPath(second.path()) + " \u2014 Vireo");
    const TrackingState& state = driver.state();
    QCOMPARE(std::tuple(int(frameChanges.count()), state.picshown, state.edgesready,
                        driver.text("middiff"), int(state.history.at(2, 1))),
             std::tuple(1, false, false, QStringLiteral("N/A"), 80));
    QVERIFY(driver.shownBlank("Picture4"));
    QCOMPARE(driver.find<ClickSlider>("picslider")->maximum(), 40);
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(30));

    // Later frames come from the new folder too.
    driver.pressKey("picslider", Qt::Key_PageUp);
    driver.pressKey("picslider", Qt::Key_Right);
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(90));
}

// The frame slider reaches the folder's highest frame number, 12 for the bundled samples.
// Lowering the maximum below the slider's value moves the value, which is itself a frame change:
// it must not be followed by a second one, nor load from the old folder.
void FrmMainFoldersTest::sliderMaximumFollowsTheFolder() {
    FrameFolder recording;
    recording.write(1, uniform(50));
    recording.write(300, uniform(77));
    writeFile(recording.path() / "pic17.bmp", {'x'});
    WindowDriver driver(recording.path());
    auto* slider = driver.find<ClickSlider>("picslider");
    QCOMPARE(std::tuple(slider->minimum(), slider->maximum(), slider->value()),
             std::tuple(0, 300, 1));
    driver.pressKey("picslider", Qt::Key_End);
    QCOMPARE(driver.shownAt("Picture3", 60, 60), grey(77));

    QSignalSpy frameChanges(&driver.window(), &frmMain::frameChanged);
    driver.window().setFolderChooser([](QWidget&, const std::filesystem::path&) {
        return std::filesystem::path(VIREO_SAMPLES_DIR);
    });
    driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    QCOMPARE(std::tuple(slider->maximum(), slider->value()), std::tuple(12, 12));
    QCOMPARE(frameChanges.count(), 1);
    QVERIFY(driver.find<PictureBox>("Picture3")->notice().isEmpty());
}

void FrmMainFoldersTest::refusedDropsAndCancelledChooserChangeNothing() {
    FrameFolder folder;
    folder.write(1, uniform(128));
    FrameFolder other;
    other.write(1, uniform(30));
    writeFile(other.path() / "notes.txt", {'h', 'i'});
    writeFile(other.path() / "photo.bmp", buildBmp(uniform(30)));
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
    for (const char* name : {"notes.txt", "photo.bmp", "pic2.bmp"})
        QVERIFY2(!driver.drop({QUrl::fromLocalFile(shownPath(other.path() / name))}), name);
    QVERIFY(!driver.drop({QUrl(QStringLiteral("https://example.org/frames/"))}));
    driver.pressShortcut(Qt::CTRL | Qt::Key_O);
    QCOMPARE(offered, std::optional(folder.path()));
    QCOMPARE(frameChanges.count(), 0);
    QCOMPARE(driver.window().folder(), folder.path());
    QVERIFY(driver.state().picshown);

    // A refused URL before a good one does not hide it.
    QVERIFY(driver.drop({QUrl(QStringLiteral("https://example.org/")),
                         QUrl::fromLocalFile(shownPath(other.path()))}));
    QCOMPARE(driver.window().folder(), other.path());
}

} // namespace vireo::testing

QTEST_MAIN(vireo::testing::FrmMainFoldersTest)
#include "test_frm_main_folders.moc"
