// vireo-bench-engine: the engine's per-frame stages on the bundled and on generated frames.
#include "frame_sets.h"
#include "summary_reporter.h"
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
    std::vector<vireo::bench::RatioTarget> ratios;
    for (int which = 0; which < vireo::bench::kFrameSetCount; ++which) {
        const std::string set = vireo::bench::frameSetName(which);
        ratios.push_back({"vireo-cli per-frame pipeline / reading the file, " + set,
                          "pipeline/vireo-cli/" + set, "read_file/posix/" + set, 3.0, false});
        ratios.push_back({"file to edge frame / reading the file, " + set, "pipeline/vireo/" + set,
                          "read_file/posix/" + set});
    }
    return vireo::bench::runBenchmarks(argc, argv, std::move(ratios), {});
}
