#include "live/frame_mailbox.h"

#include <utility>

namespace vireo {

void FrameMailbox::post(LiveFrame& frame) {
    {
        const std::lock_guard lock(mutex_);
        std::swap(slot_, frame);
        full_ = true;
    }
    changed_.notify_one();
}

void FrameMailbox::close(LiveEnd end) {
    {
        const std::lock_guard lock(mutex_);
        end_ = std::move(end);
    }
    changed_.notify_one();
}

bool FrameMailbox::takeLocked(LiveFrame& frame) {
    if (!full_)
        return false;
    std::swap(slot_, frame);
    full_ = false;
    frame.droppedBefore = frame.arrived - lastTaken_ - 1;
    dropped_ += frame.droppedBefore;
    lastTaken_ = frame.arrived;
    return true;
}

bool FrameMailbox::take(LiveFrame& frame) {
    const std::lock_guard lock(mutex_);
    return takeLocked(frame);
}

bool FrameMailbox::wait(LiveFrame& frame) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return full_ || end_; });
    return takeLocked(frame);
}

std::optional<LiveEnd> FrameMailbox::end() const {
    const std::lock_guard lock(mutex_);
    return full_ ? std::nullopt : end_;
}

long long FrameMailbox::dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace vireo
