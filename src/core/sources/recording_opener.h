#pragma once

#include "errors/error.h"
#include "sources/recording.h"

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

namespace vireo {

// Opens a recording on a thread of its own, so that a window never waits for a video's index or
// for the probing of a folder's files. Readers poll percent() and finished(); destroying it, or
// cancel(), stops the opening between packets or files and waits for its thread.
class RecordingOpener {
public:
    explicit RecordingOpener(RecordingSource source);
    ~RecordingOpener();
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;

    const RecordingSource& source() const { return source_; }
    // The share done, 0..100.
    int percent() const { return percent_.load(std::memory_order_relaxed); }
    // The thread has ended: the recording is open, refused or cancelled.
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Once finished(): the recording, or why it is not; a second call gives a refusal.
    Expected<std::unique_ptr<Recording>> take();
    // Stops the opening and waits for it; take() then refuses with "opening cancelled" unless the
    // opening had already ended.
    void cancel();

private:
    RecordingSource source_;
    std::atomic<int> percent_{0};
    std::atomic<bool> finished_{false};
    std::optional<Expected<std::unique_ptr<Recording>>> result_;
    std::jthread worker_;
};

} // namespace vireo
