// vireo-bench-window: the window's events as the operator causes them, on the real frmMain on the
// offscreen platform: each handler runs, then the event loop runs until the changed picture box
// has been repainted. The controls are found by their object names.
#include "app/window/frm_main.h"
#include "frame_sets.h"
#include "summary_reporter.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
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

double medianOf(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
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

    std::vector<TimeTarget> times{
        {"threshold change (recompute, paint, repaint), median CPU", "window/threshold_change",
         1000, "event_median_cpu_us"},
        {"frame change (load, show, clear, repaint), median CPU", "window/frame_change", 2000,
         "event_median_cpu_us"},
    };
    const int status = runBenchmarks(argc, argv, {}, std::move(times));
    shownWindow.reset();
    return status;
}
