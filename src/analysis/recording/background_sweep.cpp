#include "recording/background_sweep.h"

#include <exception>

namespace vireo {

BackgroundSweep::BackgroundSweep(RecordingSource source, const FrameList& frames, int jobs)
    : overview_(std::make_shared<RecordingOverview>(frames)) {
    worker_ = std::jthread([this, source = std::move(source), frames, jobs](std::stop_token stop) {
        try {
            sweep::runSweep(
                frames, {source, RecordingOverview::sweepSettings(), jobs},
                [this](const sweep::FrameOutcome& outcome) { overview_->add(outcome); }, stop);
        } catch (const std::exception& error) {
            // Only a bug gets here; the view says so instead of ending the program.
            failure_ = error.what();
        }
        finished_.store(true, std::memory_order_release);
    });
}

BackgroundSweep::~BackgroundSweep() {
    cancel();
}

void BackgroundSweep::cancel() {
    if (!worker_.joinable())
        return;
    cancelled_ = !overview_->complete();
    worker_.request_stop();
    worker_.join();
}

} // namespace vireo
