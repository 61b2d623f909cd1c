#include "sweep/sweep_driver.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vireo::sweep {

namespace {

// Frames in flight per worker: enough that a worker rarely waits for the consumer, few enough
// that memory stays small.
constexpr int kSlotsPerJob = 4;

// The frames of a list one after another: ranges in the order given, each ascending.
class FrameCursor {
public:
    explicit FrameCursor(const FrameList& frames)
        : frames_(&frames) {}

    int next() {
        const FrameRange& range = (*frames_)[range_];
        const int frame = range.first + offset_;
        if (frame == range.last) {
            ++range_;
            offset_ = 0;
        } else {
            ++offset_;
        }
        return frame;
    }

private:
    const FrameList* frames_;
    std::size_t range_ = 0;
    int offset_ = 0;
};

FrameOutcome outcomeOf(const FrameSweep& results, const std::optional<Error>& error) {
    return error ? FrameOutcome{results.frame, nullptr, &*error}
                 : FrameOutcome{results.frame, &results, nullptr};
}

SweepProgress sweepInline(const FrameList& frames, const SweepOptions& options,
                          const FrameConsumer& consume, const std::stop_token& stop,
                          long long total) {
    FrameSweeper sweeper(options.source, options.settings);
    FrameSweep results;
    FrameCursor cursor(frames);
    SweepProgress progress;
    for (; progress.delivered < total; ++progress.delivered) {
        if (stop.stop_requested()) {
            progress.cancelled = true;
            break;
        }
        const int frame = cursor.next();
        Expected<void> swept = sweeper.sweep(frame, results);
        consume(outcomeOf(results, swept ? std::nullopt : std::optional<Error>(swept.error())));
    }
    return progress;
}

// The frames in flight: worker threads claim frame indices in order and fill slot index % size;
// the caller's thread hands the slots to the consumer in index order. A worker claims an index
// only once the slot's previous frame has been delivered, so each slot has one owner at a time.
class Pipeline {
public:
    Pipeline(const FrameList& frames, const SweepOptions& options, long long total, int jobs)
        : options_(&options)
        , total_(total)
        , cursor_(frames)
        , slots_(static_cast<std::size_t>(jobs * kSlotsPerJob)) {}

    void work() {
        try {
            FrameSweeper sweeper(options_->source, options_->settings);
            for (;;) {
                long long index = 0;
                int frame = 0;
                {
                    std::unique_lock lock(mutex_);
                    ++workersWaiting_;
                    slotFreed_.wait(lock, [&] {
                        return ended_ || claimed_ >= total_ ||
                               claimed_ < delivered_ + static_cast<long long>(slots_.size());
                    });
                    --workersWaiting_;
                    if (ended_ || claimed_ >= total_)
                        return;
                    index = claimed_++;
                    frame = cursor_.next();
                }
                Slot& slot = slotOf(index);
                Expected<void> swept = sweeper.sweep(frame, slot.results);
                slot.error = swept ? std::nullopt : std::optional<Error>(swept.error());
                bool wake = false;
                {
                    std::lock_guard lock(mutex_);
                    slot.ready = true;
                    // Only the frame the caller waits for is worth waking it for.
                    wake = callerWaiting_ && index == delivered_;
                }
                if (wake)
                    slotReady_.notify_one();
            }
        } catch (...) {
            {
                std::lock_guard lock(mutex_);
                if (!failure_)
                    failure_ = std::current_exception();
            }
            end();
        }
    }

    // Delivers every frame in order until the end, a stop or a worker's failure.
    SweepProgress deliver(const FrameConsumer& consume) {
        SweepProgress progress;
        for (; progress.delivered < total_; ++progress.delivered) {
            Slot& slot = slotOf(progress.delivered);
            {
                std::unique_lock lock(mutex_);
                callerWaiting_ = true;
                slotReady_.wait(lock, [&] { return slot.ready || ended_; });
                callerWaiting_ = false;
                if (failure_)
                    std::rethrow_exception(failure_);
                if (ended_) {
                    progress.cancelled = true;
                    break;
                }
            }
            consume(outcomeOf(slot.results, slot.error));
            bool wake = false;
            {
                std::lock_guard lock(mutex_);
                slot.ready = false;
                ++delivered_;
                wake = workersWaiting_ > 0;
            }
            // One slot came free: one worker can claim a frame.
            if (wake)
                slotFreed_.notify_one();
        }
        return progress;
    }

    // Ends the sweep: workers claim nothing more and the caller delivers nothing more.
    void end() {
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
        }
        slotFreed_.notify_all();
        slotReady_.notify_all();
    }

private:
    struct Slot {
        FrameSweep results;
        std::optional<Error> error;
        bool ready = false;
    };

    Slot& slotOf(long long index) {
        return slots_[static_cast<std::size_t>(index % static_cast<long long>(slots_.size()))];
    }

    const SweepOptions* options_;
    const long long total_;
    std::mutex mutex_;
    std::condition_variable slotFreed_; // workers wait for a free slot
    std::condition_variable slotReady_; // the caller waits for the next frame's slot
    FrameCursor cursor_;                // guarded by mutex_
    long long claimed_ = 0;             // guarded by mutex_
    long long delivered_ = 0;           // guarded by mutex_
    bool ended_ = false;                // guarded by mutex_
    bool callerWaiting_ = false;        // guarded by mutex_
    int workersWaiting_ = 0;            // guarded by mutex_
    std::exception_ptr failure_;        // guarded by mutex_
    std::vector<Slot> slots_;           // ready flags guarded by mutex_, contents by ownership
};

} // namespace

int defaultJobs(const RecordingSource& source) {
    // A video is decoded in order from a key frame, so workers that each take every other frame
    // would each decode all of it; one worker reading the frames in order decodes them once, and
    // its decoder uses the cores.
    std::error_code error;
    if (!source.path.empty() && !std::filesystem::is_directory(source.path, error))
        return 1;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

SweepProgress runSweep(const FrameList& frames, const SweepOptions& options,
                       const FrameConsumer& consume, std::stop_token stop) {
    if (Expected<void> valid = checkSettings(options.settings); !valid)
        throw std::invalid_argument(valid.error().message());
    const long long total = frameCount(frames);
    int jobs = options.jobs > 0 ? options.jobs : defaultJobs(options.source);
    jobs = static_cast<int>(std::clamp<long long>(jobs, 1, std::max(total, 1LL)));
    if (jobs == 1)
        return sweepInline(frames, options, consume, stop, total);

    Pipeline pipeline(frames, options, total, jobs);
    // A stop request ends the pipeline from whichever thread makes it.
    std::stop_callback onStop(stop, [&pipeline] { pipeline.end(); });
    std::vector<std::jthread> workers;
    struct EndOnExit {
        Pipeline& pipeline;
        ~EndOnExit() { pipeline.end(); }
    };
    // Declared after the workers, so that the pipeline ends (also when the consumer throws)
    // before the workers are joined.
    workers.reserve(static_cast<std::size_t>(jobs));
    EndOnExit endOnExit{pipeline};
    for (int j = 0; j < jobs; ++j)
        workers.emplace_back([&pipeline] { pipeline.work(); });
    return pipeline.deliver(consume);
}

} // namespace vireo::sweep
