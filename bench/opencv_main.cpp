// vireo-bench-opencv: Vireo's per-frame stages and the same pipeline in OpenCV, side by side in
// one run, after checking on every frame and several thresholds that both give the same grey
// frame and the same edge frame.
#include "edges/sobel.h"
#include "frame_sets.h"
#include "input/bitmap_loader.h"
#include "opencv_pipeline.h"
#include "summary_reporter.h"
#include "vireo_stages.h"

#include <QGuiApplication>
#include <array>
#include <cstdio>
#include <opencv2/core/utility.hpp>
#include <string>
#include <vector>

namespace vireo::bench {

namespace {

constexpr int kThreshold = 100;

std::vector<std::string> framePaths(const FrameSet& frames) {
    std::vector<std::string> paths;
    for (int n = 0; n < kFramesPerSet; ++n)
        paths.push_back((frames.folder / frameFileName(n)).string());
    return paths;
}

// File to grey frame: imread and the grey conversion.
void openCvLoad(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    const auto paths = framePaths(frames);
    OpenCvPipeline pipeline;
    long i = 0;
    for (auto _ : state) {
        if (!pipeline.loadGrey(paths[static_cast<std::size_t>(i++ % kFramesPerSet)])) {
            state.SkipWithError("opencv cannot read a frame");
            break;
        }
        benchmark::DoNotOptimize(pipeline.grey().data);
    }
    finish(state, frames);
}

// Grey frame to edge frame.
void openCvEdges(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    const auto paths = framePaths(frames);
    std::vector<OpenCvPipeline> pipelines(kFramesPerSet);
    for (int n = 0; n < kFramesPerSet; ++n)
        pipelines[static_cast<std::size_t>(n)].loadGrey(paths[static_cast<std::size_t>(n)]);
    long i = 0;
    for (auto _ : state) {
        OpenCvPipeline& pipeline = pipelines[static_cast<std::size_t>(i++ % kFramesPerSet)];
        pipeline.computeEdges(kThreshold);
        benchmark::DoNotOptimize(pipeline.edges().data);
    }
    finish(state, frames);
}

// File to edge frame.
void openCvPipeline(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    const auto paths = framePaths(frames);
    OpenCvPipeline pipeline;
    long i = 0;
    for (auto _ : state) {
        if (!pipeline.loadGrey(paths[static_cast<std::size_t>(i++ % kFramesPerSet)])) {
            state.SkipWithError("opencv cannot read a frame");
            break;
        }
        pipeline.computeEdges(kThreshold);
        benchmark::DoNotOptimize(pipeline.edges().data);
    }
    finish(state, frames);
}

// Both pipelines on every frame of both sets at thresholds around every cut value that matters;
// prints the first difference and returns false when they disagree.
bool sameFramesAsVireo() {
    constexpr std::array<int, 9> kThresholds{0, 1, 50, 99, 100, 101, 200, 254, 255};
    int checked = 0;
    for (int which = 0; which < kFrameSetCount; ++which) {
        const FrameSet& frames = frameSet(which);
        const auto paths = framePaths(frames);
        for (int n = 0; n < kFramesPerSet; ++n) {
            auto state = startedState();
            if (Expected<void> loaded = moveme(*state, frames.folder, n); !loaded) {
                std::fprintf(stderr, "%s\n", loaded.error().message().c_str());
                return false;
            }
            OpenCvPipeline pipeline;
            if (!pipeline.loadGrey(paths[static_cast<std::size_t>(n)])) {
                std::fprintf(stderr, "%s: opencv cannot read it\n", paths[n].c_str());
                return false;
            }
            if (const auto difference = firstDifference(state->grayimg, pipeline.grey());
                !difference.empty()) {
                std::fprintf(stderr, "%s: grey frames differ at %s\n", paths[n].c_str(),
                             difference.c_str());
                return false;
            }
            for (const int threshold : kThresholds) {
                state->sobelthresh = threshold;
                pipeline.computeEdges(threshold);
                for (const vireo::SimdPath path : vireo::runnableSimdPaths()) {
                    vireo::computeEdges(*state, path);
                    if (const auto difference = firstDifference(state->edgeimg, pipeline.edges());
                        !difference.empty()) {
                        std::fprintf(stderr, "%s, threshold %d, %s: edge frames differ at %s\n",
                                     paths[n].c_str(), threshold, vireo::simdPathName(path),
                                     difference.c_str());
                        return false;
                    }
                }
                ++checked;
            }
        }
    }
    std::printf("OpenCV and Vireo agree on the grey frame and the edge frame: %d frames x "
                "thresholds, both frame sets\n",
                checked);
    return true;
}

} // namespace

} // namespace vireo::bench

int main(int argc, char** argv) {
    using namespace vireo::bench;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);

    if (!sameFramesAsVireo())
        return 1;
    std::printf("OpenCV %s, %d thread(s)\n", CV_VERSION, cv::getNumThreads());

    registerVireoStages();
    const std::array<std::pair<const char*, void (*)(benchmark::State&, int)>, 3> stages{{
        {"load/opencv", openCvLoad},
        {"edges/opencv", openCvEdges},
        {"pipeline/opencv", openCvPipeline},
    }};
    for (const auto& [name, function] : stages)
        for (int which = 0; which < kFrameSetCount; ++which)
            benchmark::RegisterBenchmark((std::string(name) + "/" + frameSetName(which)).c_str(),
                                         function, which);

    std::vector<RatioTarget> ratios;
    for (int which = 0; which < kFrameSetCount; ++which) {
        const std::string set = frameSetName(which);
        ratios.push_back({"file to grey frame: opencv / vireo, " + set, "load/opencv/" + set,
                          "load/vireo/" + set});
        ratios.push_back({"edge map from a grey frame: opencv / vireo, " + set,
                          "edges/opencv/" + set, "edges/vireo/" + set, 3.0, true});
        ratios.push_back({"edge map, portable path: opencv / vireo, " + set, "edges/opencv/" + set,
                          "edges/vireo-portable/" + set});
        ratios.push_back({"file to edge frame: opencv / vireo, " + set, "pipeline/opencv/" + set,
                          "pipeline/vireo/" + set});
        ratios.push_back({"whole pipeline: opencv / vireo-cli per frame, " + set,
                          "pipeline/opencv/" + set, "pipeline/vireo-cli/" + set, 4.0, true});
        ratios.push_back({"per frame: vireo-cli / reading the file, " + set,
                          "pipeline/vireo-cli/" + set, "read_file/posix/" + set, 3.0, false});
    }
    return runBenchmarks(argc, argv, std::move(ratios), {});
}
