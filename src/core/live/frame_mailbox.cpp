#include "live/frame_mailbox.h"

#include <algorithm>
#include <utility>

namespace vireo {

FrameMailbox::FrameMailbox(std::size_t depth)
    : slots_(std::max<std::size_t>(depth, 1)) {}

void FrameMailbox::post(LiveFrame& frame) {
    {
        const std::lock_guard lock(mutex_);
        if (count_ == slots_.size()) {
            // Every slot is full: the oldest waiting frame gives way, and the producer gets its
            // buffer to fill next.
            first_ = (first_ + 1) % slots_.size();
            --count_;
        }
        std::swap(slots_[(first_ + count_) % slots_.size()], frame);
        ++count_;
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
    if (count_ == 0)
        return false;
    std::swap(slots_[first_], frame);
    first_ = (first_ + 1) % slots_.size();
    --count_;
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
    changed_.wait(lock, [this] { return count_ > 0 || end_; });
    return takeLocked(frame);
}

std::optional<LiveEnd> FrameMailbox::end() const {
    const std::lock_guard lock(mutex_);
    return count_ > 0 ? std::nullopt : end_;
}

long long FrameMailbox::dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace vireo
