#include "sources/recording_opener.h"

#include "sources/opening_progress.h"

namespace vireo {

RecordingOpener::RecordingOpener(RecordingSource source)
    : source_(std::move(source)) {
    worker_ = std::jthread([this](std::stop_token stop) {
        const OpeningControl control{std::move(stop), [this](int percent) {
                                         percent_.store(percent, std::memory_order_relaxed);
                                     }};
        result_.emplace(openRecording(source_, control));
        finished_.store(true, std::memory_order_release);
    });
}

RecordingOpener::~RecordingOpener() {
    cancel();
}

void RecordingOpener::cancel() {
    if (!worker_.joinable())
        return;
    worker_.request_stop();
    worker_.join();
}

Expected<std::unique_ptr<Recording>> RecordingOpener::take() {
    if (!finished() || !result_)
        return OpeningProgress::cancelled(source_.path.filename().string());
    Expected<std::unique_ptr<Recording>> result = std::move(*result_);
    result_.reset();
    return result;
}

} // namespace vireo
