#include "sweep_stages.h"

#include "frame_sets.h"
#include "input/bitmap_loader.h"
#include "sweep/sweep_driver.h"
#include "sweep/sweep_summary.h"

#include <chrono>
#include <cstdlib>
#include <numeric>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vireo::bench {

namespace {

std::vector<int> allThresholds() {
    std::vector<int> thresholds(256);
    std::iota(thresholds.begin(), thresholds.end(), 0);
    return thresholds;
}

// pic0.bmp .. pic999.bmp, frame n a copy of the set's frame n mod 13, in a temporary folder that
// is removed when the program ends.
class ThousandFrames {
public:
    explicit ThousandFrames(const FrameSet& set) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vireo-sweep-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error(pattern + ": cannot create a temporary folder");
        folder_ = pattern;
        for (int n = 0; n < kSweepFrames; ++n)
            std::filesystem::copy_file(set.folder / frameFileName(n % kFramesPerSet),
                                       folder_ / frameFileName(n));
    }
    ThousandFrames(const ThousandFrames&) = delete;
    ThousandFrames& operator=(const ThousandFrames&) = delete;
    ~ThousandFrames() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

const ThousandFrames& thousandFrames(int set) {
    static const ThousandFrames bundled(frameSet(0));
    static const ThousandFrames generated(frameSet(1));
    return set == 0 ? bundled : generated;
}

} // namespace

void sweepOneFrame(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    sweep::FrameSweeper sweeper(frames.folder, {allThresholds(), 1});
    sweep::FrameSweep results;
    long i = 0;
    for (auto _ : state) {
        if (!sweeper.sweep(static_cast<int>(i++ % kFramesPerSet), results)) {
            state.SkipWithError("a frame does not load");
            break;
        }
        benchmark::DoNotOptimize(results.runs.data());
    }
    finish(state, frames);
}

void sweepThousandFrames(benchmark::State& state, int set) {
    const FrameSet& frames = frameSet(set);
    const sweep::SweepOptions options{
        thousandFrames(set).folder(), {allThresholds(), 1}, static_cast<int>(state.range(0))};
    double wallMicroseconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        sweep::SweepSummary summary(options.settings.thresholds);
        sweep::runSweep({{0, kSweepFrames - 1}}, options, [&](const sweep::FrameOutcome& frame) {
            if (frame.results)
                summary.addLoaded(*frame.results);
            else
                summary.addFailed();
        });
        benchmark::DoNotOptimize(summary.lines());
        wallMicroseconds +=
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
    }
    state.counters["wall_us"] =
        benchmark::Counter(wallMicroseconds, benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * kSweepFrames);
    state.SetLabel(frames.name);
}

void registerSweepStages() {
    for (int which = 0; which < kFrameSetCount; ++which) {
        const std::string set = frameSetName(which);
        benchmark::RegisterBenchmark(("sweep/frame/" + set).c_str(), sweepOneFrame, which);
        benchmark::RegisterBenchmark(("sweep/1000-frames/" + set).c_str(), sweepThousandFrames,
                                     which)
            ->ArgName("jobs")
            ->Arg(1)
            ->Arg(2)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace vireo::bench
