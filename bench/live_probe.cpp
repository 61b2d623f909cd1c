// vireo-live-probe INPUT: the real window live on INPUT (a FIFO that a benchmark plays a stream
// into) on the offscreen platform, with "Display Picture" and "Find Center" pressed on the first
// frame, so that every frame gets its edge map, centres and overlay. Once a second it reads the
// window's own figures (the status line's) and the process's resident memory; when the input
// ends it prints one line:
//
//   live-probe seconds S shown N dropped D latency_median_ms M latency_worst_ms W cpu_percent C
//   rss_first_mb F rss_last_mb L rss_max_mb X
//
// latency_median_ms is the median of the window's per-second medians (arrival to overlay
// painted), latency_worst_ms the largest of them; cpu_percent the process's processor time
// (every thread: reading, decoding and the window) over the time live, in percent of one core;
// the memory figures are the resident set after the first ten seconds, at the end, and the
// largest seen.
#include "app/window/frm_main.h"
#include "app/window/live_view.h"
#include "sample_statistics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

double residentMegabytes() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vireo-live-probe INPUT\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    vireo::frmMain window(vireo::RecordingSource{});
    if (const auto started = window.Form_Load(std::string(argv[1])); !started)
        qFatal("%s", started.error().message().c_str());
    window.show();

    vireo::LiveView& live = window.live();
    long long shown = 0;
    live.setFrameHook([&] {
        if (shown++ == 0) {
            window.findChild<QAbstractButton*>(QStringLiteral("Command4"))->click();
            window.findChild<QAbstractButton*>(QStringLiteral("Command5"))->click();
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const double processorAtStart = processorSeconds();
    std::vector<double> latencies;
    std::vector<double> resident;
    QTimer everySecond;
    QObject::connect(&everySecond, &QTimer::timeout, [&] {
        if (const auto latency = live.reading().latencyMs)
            latencies.push_back(*latency);
        resident.push_back(residentMegabytes());
        if (live.ended())
            QCoreApplication::quit();
    });
    everySecond.start(1000);
    QApplication::exec();

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double afterTen = resident.size() > 10 ? resident[10] : resident.front();
    std::printf("live-probe seconds %.1f shown %lld dropped %lld latency_median_ms %.2f "
                "latency_worst_ms %.2f cpu_percent %.1f rss_first_mb %.1f rss_last_mb %.1f "
                "rss_max_mb %.1f\n",
                seconds, shown, live.reading().dropped, vireo::bench::medianOf(latencies),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()),
                100.0 * (processorSeconds() - processorAtStart) / seconds, afterTen,
                resident.back(), *std::max_element(resident.begin(), resident.end()));
    return 0;
}
