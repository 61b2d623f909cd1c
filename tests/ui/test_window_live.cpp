// The window live on a FIFO that the ffmpeg tool plays a clip into, on the offscreen platform.
#include "app/window/live_view.h"
#include "live_input.h"
#include "window_driver.h"

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vireo::testing {
namespace {

// Runs the window's events until `done`, for at most a minute.
template <typename Done> bool waitFor(Done done) {
    return QTest::qWaitFor(done, 60000);
}

std::string centresAndForecast(const frmMain& window, const QString& forecast) {
    const History& rows = window.state().history;
    return std::to_string(rows.at(0, 1)) + ',' + std::to_string(rows.at(1, 1)) + ',' +
           std::to_string(rows.at(2, 1)) + ',' + forecast.toStdString();
}

// vireo-cli's centres and forecast for each frame of `folder`, as "c40,c60,c80,forecast".
std::vector<std::string> cliNumbers(const std::filesystem::path& folder, bool carry) {
    const std::string command = std::string(VIREO_CLI_EXE) + " --dir '" + folder.string() + "'" +
                                (carry ? " --carry" : "") + " | cut -d, -f4-7";
    std::unique_ptr<FILE, int (*)(FILE*)> out(popen(command.c_str(), "r"), pclose);
    std::vector<std::string> lines;
    for (char line[256]; std::fgets(line, sizeof line, out.get());)
        lines.emplace_back(line, std::strlen(line) - 1);
    lines.erase(lines.begin()); // the header
    return lines;
}

class WindowLive : public LiveInput, public ::testing::WithParamInterface<bool> {};

// Going live with a recording started, then "Display Picture" and "Find Center" on the first
// frame: every frame shown has the numbers vireo-cli prints for it from the recording, the
// search starting from the reset or (carried) the previous frame's centres. At the stream's end
// the last frame stays and the status line says so, and the recording opens on request.
TEST_P(WindowLive, ShowsWhatVireoCliPrintsForTheRecording) {
    const bool carry = GetParam();
    make(40, "320x240", "scale=160:120");
    WindowDriver driver(folder.path(), fifo());
    LiveView& live = driver.window().live();
    TempFolder recordings;
    int folderAsked = 0;
    live.setFolderChooser([&](QWidget&, const std::filesystem::path&) {
        ++folderAsked;
        return std::optional(recordings.path());
    });
    // Started, stopped with nothing recorded and started again: the folder is asked for once.
    for (int press = 0; press < 3; ++press)
        driver.pressShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_R);
    EXPECT_EQ(folderAsked, 1);
    if (carry)
        driver.pressShortcut(Qt::CTRL | Qt::Key_K);
    std::vector<std::string> shown;
    live.setFrameHook([&] {
        if (shown.empty()) {
            driver.clickDisplayPicture();
            driver.clickFindCenter();
            driver.pressShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
            EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
                      "vireo-cli --input " + fifo() + " -t 100 -r 1" + (carry ? " --carry" : ""));
        }
        shown.push_back(centresAndForecast(driver.window(), driver.text("middiff")));
    });
    std::optional<QString> offered;
    live.setOpenAsker([&](QWidget&, const QString& question) {
        offered = driver.text("statusLine");
        EXPECT_FALSE(driver.shownBlank("Picture3")) << "the last frame stays";
        EXPECT_TRUE(question.contains(QStringLiteral("%1 frames").arg(shown.size())));
        return true;
    });
    writeInto(true);
    ASSERT_TRUE(waitFor([&] { return offered.has_value(); }));
    EXPECT_TRUE(
        offered->startsWith(QStringLiteral("frame 39  \u00b7  threshold 100  \u00b7  live")) &&
        offered->contains(QStringLiteral("the stream ended")))
        << offered->toStdString();
    const std::filesystem::path recording = driver.window().folder();
    ASSERT_EQ(recording.parent_path(), recordings.path());
    EXPECT_EQ(cliNumbers(recording, carry), shown);
}

INSTANTIATE_TEST_SUITE_P(Centres, WindowLive, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "carried" : "reset"; });

class WindowLiveThrottled : public LiveInput {};

// A window slower than its input shows the newest frames and counts the ones it skipped.
TEST_F(WindowLiveThrottled, CountsTheFramesDropped) {
    make(150, "160x120", "scale=160:120");
    WindowDriver driver(folder.path(), fifo());
    int shown = 0;
    driver.window().live().setFrameHook([&] {
        ++shown;
        QTest::qSleep(5);
    });
    writeInto(false);
    ASSERT_TRUE(waitFor([&] { return driver.text("statusLine").contains("stream ended"); }));
    EXPECT_LT(shown, 150);
    EXPECT_TRUE(driver.text("statusLine").contains(QStringLiteral("%1 dropped").arg(150 - shown)))
        << driver.text("statusLine").toStdString();
    // The input that ended is offered again, first, among the cameras.
    std::vector<std::string> offered;
    driver.window().live().setInputChooser([&](QWidget&, const std::vector<std::string>& inputs) {
        offered = inputs;
        return std::optional<std::string>();
    });
    driver.pressShortcut(Qt::CTRL | Qt::Key_L);
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.front(), fifo());
}

} // namespace
} // namespace vireo::testing

int main(int argc, char** argv) {
    // The recordings' folder that the window remembers goes to a settings file of the test's.
    const QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
