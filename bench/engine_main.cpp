// vireo-bench-engine: the engine's per-frame stages on the bundled and on generated frames.
#include "frame_sets.h"
#include "summary_reporter.h"
#include "sweep_stages.h"
#include "vireo_stages.h"

#include <QGuiApplication>
#include <string>

int main(int argc, char** argv) {
    // The raster surface draws with Qt's painter; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);

    vireo::bench::registerVireoStages();
    vireo::bench::registerSweepStages();
    std::vector<vireo::bench::RatioTarget> ratios;
    std::vector<vireo::bench::TimeTarget> times;
    for (int which = 0; which < vireo::bench::kFrameSetCount; ++which) {
        const std::string set = vireo::bench::frameSetName(which);
        ratios.push_back({"vireo-cli per-frame pipeline / reading the file, " + set,
                          "pipeline/vireo-cli/" + set, "read_file/posix/" + set, 2.5, false});
        ratios.push_back({"operator's steps per frame / reading the file, " + set,
                          "pipeline/tracker/" + set, "read_file/posix/" + set});
        ratios.push_back({"one frame at 256 thresholds / at one, " + set, "sweep/frame/" + set,
                          "pipeline/vireo-cli/" + set});
        times.push_back({"sweep of 1,000 frames at 256 thresholds, 2 jobs, wall, " + set,
                         "sweep/1000-frames/" + set + "/jobs:2/real_time", 150000, "wall_us"});
        ratios.push_back({"file to edge frame / reading the file, " + set, "pipeline/vireo/" + set,
                          "read_file/posix/" + set});
    }
    return vireo::bench::runBenchmarks(argc, argv, std::move(ratios), std::move(times));
}
