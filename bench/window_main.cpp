// vireo-bench-window: the window's events as the operator causes them, on the real frmMain on the
// offscreen platform: each handler runs, then the event loop runs until the changed picture box
// has been repainted. The controls are found by their object names.
#include "app/window/frm_main.h"
#include "app/window/recording_view.h"
#include "frame_sets.h"
#include "input/bitmap_loader.h"
#include "sample_statistics.h"
#include "summary_reporter.h"
#include "ui/timeline_plot.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QEvent>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace vireo::bench {

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QObject* watched)
        : QObject(watched) {
        watched->installEventFilter(this);
    }
    long count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count_;
        return false;
    }

private:
    long count_ = 0;
};

double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double wallMicroseconds() {
    return std::chrono::duration<double, std::micro>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The window on the bundled frames, started and shown, with its controls.
struct Window {
    frmMain window;
    QAbstractSlider* picslider;
    QAbstractSlider* sobelslider;
    QAbstractButton* Command4;
    QAbstractButton* Command5;
    QWidget* Picture3;
    QWidget* Picture4;
    PaintCounter* picture3Paints;
    PaintCounter* picture4Paints;

    explicit Window(const std::filesystem::path& folder)
        : window(folder)
        , picslider(find<QAbstractSlider>("picslider"))
        , sobelslider(find<QAbstractSlider>("sobelslider"))
        , Command4(find<QAbstractButton>("Command4"))
        , Command5(find<QAbstractButton>("Command5"))
        , Picture3(find<QWidget>("Picture3"))
        , Picture4(find<QWidget>("Picture4"))
        , picture3Paints(new PaintCounter(Picture3))
        , picture4Paints(new PaintCounter(Picture4)) {
        if (Expected<void> loaded = window.Form_Load(); !loaded)
            qFatal("%s", loaded.error().message().c_str());
        window.show();
        // A video opens off the window's thread; its first frame is shown once it is open.
        while (window.opening())
            QCoreApplication::processEvents();
        waitForPaint(picture3Paints, 0);
    }

    template <typename T> T* find(const char* name) {
        T* control = window.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr)
            qFatal("the window has no control named %s", name);
        return control;
    }

    // Runs the event loop until `counter` has counted more paints than `before`.
    static void waitForPaint(const PaintCounter* counter, long before) {
        for (int round = 0; counter->count() <= before; ++round) {
            if (round == 10000)
                qFatal("a picture box was not repainted");
            QCoreApplication::processEvents();
        }
    }
};

// The window lives until main() ends it, before the application object goes.
std::unique_ptr<Window> shownWindow;

Window& window() {
    if (!shownWindow)
        shownWindow = std::make_unique<Window>(frameSet(0).folder);
    return *shownWindow;
}

// Times `event` (one operator action and the repaint it causes) per iteration, and reports the
// median and the largest time of one event within the repetition, as wall and CPU time.
template <typename Event> void timeEvents(benchmark::State& state, Event event) {
    std::vector<double> wall;
    std::vector<double> cpu;
    long i = 0;
    for (auto _ : state) {
        const double wallStart = wallMicroseconds();
        const double cpuStart = threadCpuMicroseconds();
        event(i++);
        cpu.push_back(threadCpuMicroseconds() - cpuStart);
        wall.push_back(wallMicroseconds() - wallStart);
    }
    state.counters["event_median_cpu_us"] = medianOf(cpu);
    state.counters["event_median_wall_us"] = medianOf(wall);
    state.counters["event_p95_wall_us"] = percentileOf(wall, 0.95);
    state.counters["event_max_wall_us"] = *std::max_element(wall.begin(), wall.end());
    state.SetLabel(frameSet(0).name);
}

// A threshold change while the edge map is shown: sobelslider moves, the edge map is recomputed
// and painted on Picture4, and Picture4 is repainted.
void thresholdChange(benchmark::State& state) {
    Window& w = window();
    w.Command4->click();
    Window::waitForPaint(w.picture4Paints, w.picture4Paints->count() - 1);
    timeEvents(state, [&w](long i) {
        const long before = w.picture4Paints->count();
        // Values 60..140 and back, a different one every time, as a drag gives.
        w.sobelslider->setValue(w.sobelslider->value() == 100 + static_cast<int>(i % 40)
                                    ? 60 + static_cast<int>(i % 80)
                                    : 100 + static_cast<int>(i % 40));
        Window::waitForPaint(w.picture4Paints, before);
    });
}

// A frame change: picslider moves, the frame is loaded and shown on Picture3, Picture4 is
// cleared, and both are repainted.
void frameChange(benchmark::State& state) {
    Window& w = window();
    timeEvents(state, [&w](long i) {
        const long before3 = w.picture3Paints->count();
        const long before4 = w.picture4Paints->count();
        const int next = static_cast<int>((i + 1) % kFramesPerSet);
        w.picslider->setValue(next == w.picslider->value() ? (next + 1) % kFramesPerSet : next);
        Window::waitForPaint(w.picture3Paints, before3);
        Window::waitForPaint(w.picture4Paints, before4);
    });
}

// "Display Picture": the edge map computed and painted on Picture4, and Picture4 repainted.
void displayPicture(benchmark::State& state) {
    Window& w = window();
    timeEvents(state, [&w](long) {
        const long before = w.picture4Paints->count();
        w.Command4->click();
        Window::waitForPaint(w.picture4Paints, before);
    });
}

// "Find Center": the centres re-estimated, the overlay drawn on Picture4, and Picture4
// repainted.
void findCenter(benchmark::State& state) {
    Window& w = window();
    w.Command4->click();
    Window::waitForPaint(w.picture4Paints, w.picture4Paints->count() - 1);
    timeEvents(state, [&w](long) {
        const long before = w.picture4Paints->count();
        w.Command5->click();
        Window::waitForPaint(w.picture4Paints, before);
    });
}

// Ctrl+R, the key that shows the recording view, pressed with the window active.
void pressCtrlR(QWidget& window) {
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        qFatal("the window could not be made active");
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &window, Qt::Key_R, Qt::ControlModifier);
}

// A folder of `count` frames, hard links to the bundled 13 in turn, removed when the program ends.
struct LongRecording {
    std::filesystem::path folder;
    explicit LongRecording(int count)
        : folder(std::filesystem::temp_directory_path() /
                 ("vireo-bench-view-" + std::to_string(count))) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (int n = 0; n < count; ++n)
            std::filesystem::create_hard_link(frameSet(0).folder / frameFileName(n % kFramesPerSet),
                                              folder / frameFileName(n));
    }
    ~LongRecording() { std::filesystem::remove_all(folder); }
};

// The window on a long recording with the recording view shown and its sweep done.
struct ViewWindow {
    LongRecording recording;
    Window shown;
    RecordingView* view;
    TimelinePlot* timeline;
    PaintCounter* timelinePaints;

    explicit ViewWindow(int frames)
        : recording(frames)
        , shown(recording.folder)
        , view(shown.find<RecordingView>("recordingView"))
        , timeline(shown.find<TimelinePlot>("timeline"))
        , timelinePaints(new PaintCounter(timeline)) {
        pressCtrlR(shown.window);
        while (!view->sweep() || !view->sweep()->finished())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

std::unique_ptr<ViewWindow> viewWindow;

// From the view's appearance to the whole sweep of the recording shown, for 1,000 frames.
void viewSweep(benchmark::State& state) {
    LongRecording recording(1000);
    Window w(recording.folder);
    auto* view = w.find<RecordingView>("recordingView");
    for (auto _ : state) {
        view->setFolder(recording.folder, 999); // a fresh sweep, as a folder change starts
        if (!view->isVisible())
            pressCtrlR(w.window);
        while (!view->sweep()->finished())
            QCoreApplication::processEvents();
    }
    state.SetLabel("1,000 frames");
}

// A threshold change with the recording view shown on 1,000 frames: the slider moves and the
// timeline is redrawn at the new threshold.
void viewThresholdChange(benchmark::State& state) {
    if (!viewWindow)
        viewWindow = std::make_unique<ViewWindow>(1000);
    ViewWindow& v = *viewWindow;
    timeEvents(state, [&v](long i) {
        const long before = v.timelinePaints->count();
        v.shown.sobelslider->setValue(
            v.shown.sobelslider->value() == 100 ? 60 + static_cast<int>(i % 39) : 100);
        Window::waitForPaint(v.timelinePaints, before);
    });
}

// One step of a threshold drag on the window's thread (the handler: tracker and view) while the
// view's sweep of 10,000 frames runs on the other threads, started afresh before each step.
void viewThresholdStepWhileSweeping(benchmark::State& state) {
    if (!viewWindow)
        viewWindow = std::make_unique<ViewWindow>(1000);
    ViewWindow& v = *viewWindow;
    LongRecording recording(10000);
    std::vector<double> cpu;
    long i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        v.view->setFolder(recording.folder, 9999);
        state.ResumeTiming();
        const double start = threadCpuMicroseconds();
        v.shown.sobelslider->setValue(60 + static_cast<int>(i++ % 80));
        cpu.push_back(threadCpuMicroseconds() - start);
    }
    state.counters["event_median_cpu_us"] = medianOf(cpu);
    v.view->setFolder(v.recording.folder, 999);
}

// The window on the video VIREO_BENCH_VIDEO names (scripts/bench-video.sh makes a one-hour one).
std::unique_ptr<Window> videoWindow;

Window& onVideo() {
    if (!videoWindow)
        videoWindow =
            std::make_unique<Window>(qEnvironmentVariable("VIREO_BENCH_VIDEO").toStdString());
    return *videoWindow;
}

// Moves picslider to `frame` and waits until Picture3 shows it.
void moveTo(Window& w, int frame) {
    const long before = w.picture3Paints->count();
    w.picslider->setValue(frame);
    Window::waitForPaint(w.picture3Paints, before);
}

// picslider moved to a random frame of the video: the frame decoded from its key frame on, shown
// and repainted.
void videoJump(benchmark::State& state) {
    Window& w = onVideo();
    std::mt19937 random(11);
    std::uniform_int_distribution<int> frames(0, w.picslider->maximum());
    timeEvents(state, [&](long) { moveTo(w, frames(random)); });
    state.SetLabel(std::to_string(w.picslider->maximum() + 1) + " frames");
}

// picslider moved on to the next frame of the video, from a random frame.
void videoNextFrame(benchmark::State& state) {
    Window& w = onVideo();
    moveTo(w, std::mt19937(13)() % static_cast<unsigned>(w.picslider->maximum() - 200));
    timeEvents(state, [&](long) { moveTo(w, w.picslider->value() + 1); });
}

// One repaint of the timeline of 10,000 frames.
void timelineRepaint(benchmark::State& state) {
    ViewWindow v(10000);
    timeEvents(state, [&v](long) { v.timeline->repaint(); });
}

} // namespace

} // namespace vireo::bench

int main(int argc, char** argv) {
    using namespace vireo::bench;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    benchmark::RegisterBenchmark("window/threshold_change", thresholdChange);
    benchmark::RegisterBenchmark("window/frame_change", frameChange);
    benchmark::RegisterBenchmark("window/display_picture", displayPicture);
    benchmark::RegisterBenchmark("window/find_center", findCenter);
    benchmark::RegisterBenchmark("view/sweep_1000", viewSweep)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("view/threshold_change_1000", viewThresholdChange);
    // Each step starts a sweep outside the timing; a fixed count keeps the run short.
    benchmark::RegisterBenchmark("view/threshold_step_while_sweeping",
                                 viewThresholdStepWhileSweeping)
        ->Iterations(200);
    benchmark::RegisterBenchmark("view/timeline_repaint_10000", timelineRepaint);
    if (!qEnvironmentVariableIsEmpty("VIREO_BENCH_VIDEO")) {
        benchmark::RegisterBenchmark("video/jump", videoJump)->Iterations(100);
        benchmark::RegisterBenchmark("video/next_frame", videoNextFrame)->Iterations(100);
    }

    std::vector<TimeTarget> times{
        {"threshold change (recompute, paint, repaint), median CPU", "window/threshold_change",
         1000, "event_median_cpu_us"},
        {"frame change (load, show, clear, repaint), median CPU", "window/frame_change", 2000,
         "event_median_cpu_us"},
        {"recording view: whole sweep of 1,000 frames shown", "view/sweep_1000", 2000000, ""},
        {"recording view: threshold change redraws 1,000 frames, median wall",
         "view/threshold_change_1000", 50000, "event_median_wall_us"},
        {"recording view: threshold step on the window's thread while sweeping, median CPU",
         "view/threshold_step_while_sweeping/iterations:200", 1000, "event_median_cpu_us"},
        {"recording view: timeline of 10,000 frames repainted, median CPU",
         "view/timeline_repaint_10000", 5000, "event_median_cpu_us"},
        {"video: picslider to a random frame, 95th percentile wall", "video/jump/iterations:100",
         150000, "event_p95_wall_us"},
        {"video: picslider to the next frame, 95th percentile wall",
         "video/next_frame/iterations:100", 10000, "event_p95_wall_us"},
    };
    const int status = runBenchmarks(argc, argv, {}, std::move(times));
    shownWindow.reset();
    viewWindow.reset();
    videoWindow.reset();
    return status;
}
