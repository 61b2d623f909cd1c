#include "vireo_stages.h"

#include "app/cli/record_writer.h"
#include "edges/sobel.h"
#include "edges/translate.h"
#include "frame_sets.h"
#include "input/bitmap_loader.h"
#include "input/grey_conversion.h"
#include "sweep/frame_sweep.h"
#include "tracker/tracker.h"
#include "centers/centers.h"
#include "ui/raster_surface.h"

#include <array>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace vireo::bench {

namespace {

constexpr int kStartThreshold = 100;

// Private copies of the set's loaded states, for stages that write into a state.
std::vector<std::unique_ptr<TrackingState>> copiesOf(const FrameSet& set) {
    std::vector<std::unique_ptr<TrackingState>> copies;
    for (const auto& state : set.states)
        copies.push_back(std::make_unique<TrackingState>(*state));
    return copies;
}

} // namespace

void readFileOnly(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    std::vector<std::string> paths;
    for (int n = 0; n < kFramesPerSet; ++n)
        paths.push_back((frames.folder / frameFileName(n)).string());
    std::array<std::uint8_t, 65536> buffer{};
    long i = 0;
    for (auto _ : state) {
        const int fd = ::open(paths[static_cast<std::size_t>(i++ % kFramesPerSet)].c_str(),
                              O_RDONLY | O_CLOEXEC);
        ssize_t total = 0;
        for (ssize_t got = 1; got > 0; total += got)
            got =
                ::read(fd, buffer.data() + total, buffer.size() - static_cast<std::size_t>(total));
        ::close(fd);
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(buffer.data());
    }
    finish(state, frames);
}

void loadFrame(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    const auto target = startedState();
    long i = 0;
    for (auto _ : state) {
        if (!moveme(*target, frames.folder, static_cast<int>(i++ % kFramesPerSet))) {
            state.SkipWithError("a frame does not load");
            break;
        }
        benchmark::DoNotOptimize(target->grayimg);
    }
    finish(state, frames);
}

void convertGrey(benchmark::State& state, int set, SimdPath path) {
    const FrameSet& frames = frameSet(set);
    Frame grey;
    long i = 0;
    for (auto _ : state) {
        // A loaded state keeps the headers and then the pixel data.
        const std::vector<std::uint8_t>& bytes = frames.state(i++).filebytes;
        convertToGrey(FramePixels(bytes.data() + bytes.size() - kFramePixelBytes, kFramePixelBytes),
                      true, grey, path);
        benchmark::DoNotOptimize(grey);
    }
    finish(state, frames);
}

void computeEdgeMap(benchmark::State& state, int set, SimdPath path) {
    const FrameSet& frames = frameSet(set);
    auto copies = copiesOf(frames);
    long i = 0;
    for (auto _ : state) {
        TrackingState& target = *copies[static_cast<std::size_t>(i++ % kFramesPerSet)];
        computeEdges(target, path);
        benchmark::DoNotOptimize(target.edgeimg);
    }
    finish(state, frames);
}

void convertGrey(benchmark::State& state, int set) {
    convertGrey(state, set, fastestSimdPath());
}

void convertGreyPortable(benchmark::State& state, int set) {
    convertGrey(state, set, SimdPath::Portable);
}

void computeEdgeMap(benchmark::State& state, int set) {
    computeEdgeMap(state, set, fastestSimdPath());
}

void computeEdgeMapPortable(benchmark::State& state, int set) {
    computeEdgeMap(state, set, SimdPath::Portable);
}

void paintEdges(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    RasterSurface surface;
    long i = 0;
    for (auto _ : state) {
        translate(frames.state(i++), surface);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    finish(state, frames);
}

void findCenter(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    auto copies = copiesOf(frames);
    RasterSurface surface;
    long i = 0;
    for (auto _ : state) {
        const CenterRun run =
            findcenter(*copies[static_cast<std::size_t>(i++ % kFramesPerSet)], surface);
        benchmark::DoNotOptimize(run);
    }
    finish(state, frames);
}

void changeThreshold(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    auto copies = copiesOf(frames);
    RasterSurface surface;
    long i = 0;
    for (auto _ : state) {
        TrackingState& target = *copies[static_cast<std::size_t>(i % kFramesPerSet)];
        target.sobelthresh = static_cast<int>((37 * i++) % 256);
        Sobel(target, surface);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    finish(state, frames);
}

namespace {

// The operator's steps for one frame after another on a Tracker without surfaces: the frame
// change and "Display Picture", then "Find Center" when `findCenter` is set.
void trackerSteps(benchmark::State& state, int set, bool findCenter) {
    const FrameSet& frames = frameSet(set);
    Tracker tracker;
    (void)tracker.startUp(frames.folder, kStartThreshold, std::nullopt);
    long i = 0;
    for (auto _ : state) {
        if (!tracker.changeFrame(static_cast<int>(i++ % kFramesPerSet))) {
            state.SkipWithError("a frame does not load");
            break;
        }
        tracker.displayPicture();
        if (findCenter)
            benchmark::DoNotOptimize(tracker.findCenter());
        benchmark::DoNotOptimize(tracker.state().edgeimg);
    }
    finish(state, frames);
}

} // namespace

void loadAndComputeEdges(benchmark::State& state, int set) {
    trackerSteps(state, set, false);
}

void trackerPipeline(benchmark::State& state, int set) {
    trackerSteps(state, set, true);
}

void cliPipeline(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    sweep::FrameSweeper sweeper(frames.folder, {{kStartThreshold}, 1});
    sweep::FrameSweep results;
    std::string out;
    long i = 0;
    for (auto _ : state) {
        out.clear();
        if (!sweeper.sweep(static_cast<int>(i++ % kFramesPerSet), results)) {
            state.SkipWithError("a frame does not load");
            break;
        }
        int run = 0;
        for (const CenterRun& result : results.runsAt(0))
            appendCsvRecord(out, RunRecord{results.frame, kStartThreshold, ++run, result.centres,
                                           result.forecast(), result.line.top, result.line.bottom,
                                           result.support});
        benchmark::DoNotOptimize(out.data());
    }
    finish(state, frames);
}

void registerVireoStages() {
    const std::array<std::pair<const char*, void (*)(benchmark::State&, int)>, 12> stages{{
        {"read_file/posix", readFileOnly},
        {"load/vireo", loadFrame},
        {"grey/vireo", convertGrey},
        {"grey/vireo-portable", convertGreyPortable},
        {"edges/vireo", computeEdgeMap},
        {"edges/vireo-portable", computeEdgeMapPortable},
        {"paint/vireo", paintEdges},
        {"find_center/vireo", findCenter},
        {"threshold_change/vireo", changeThreshold},
        {"pipeline/vireo", loadAndComputeEdges},
        {"pipeline/tracker", trackerPipeline},
        {"pipeline/vireo-cli", cliPipeline},
    }};
    for (const auto& [name, function] : stages)
        for (int which = 0; which < kFrameSetCount; ++which)
            benchmark::RegisterBenchmark((std::string(name) + "/" + frameSetName(which)).c_str(),
                                         function, which);
}

} // namespace vireo::bench
