#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vireo {

// A picture of a live input, converted into a 160 x 120 frame file.
struct LiveFrame {
    std::vector<std::uint8_t> file;
    long long arrived = 0; // its number among the pictures that arrived, from 0
    std::chrono::steady_clock::time_point arrival; // when its data arrived
    // Pictures that arrived between the frame taken before it and this one and were never taken.
    long long droppedBefore = 0;
};

// Why a live input gave its last frame: it ended or went away ("the stream ended"), a stop was
// asked for ("stopped"), or it could not be opened (`failed`, with the refusal's message).
struct LiveEnd {
    std::string reason;
    bool failed = false;
};

// The slots between a live input's reading thread and the one that shows or processes its
// frames: the newest frame wins. With one slot (the window's), posting replaces a frame not yet
// taken, which is then dropped and counted; nothing queues, so a slow consumer only ever sees the
// newest frame. With more (vireo-cli's), a burst of frames that arrive closer together than one
// is processed waits its turn, and only when every slot is full does the oldest waiting frame
// give way. Frames move by swapping their buffers, so that no frame allocates once the buffers
// have their size.
class FrameMailbox {
public:
    // `depth` slots, at least one.
    explicit FrameMailbox(std::size_t depth = 1);

    // Producer: posts `frame`, which then holds a buffer to fill next.
    void post(LiveFrame& frame);
    // Producer: no frame comes after those posted.
    void close(LiveEnd end);

    // Consumer: the newest frame not yet taken into `frame` (whose buffer is kept for reuse),
    // with its droppedBefore set: true. False when no frame waits; it never waits itself.
    bool take(LiveFrame& frame);
    // Consumer: waits for a frame to take or for the end: true with a frame, false at the end,
    // once the last frame has been taken.
    bool wait(LiveFrame& frame);

    // The end, once the producer has closed and no frame waits.
    std::optional<LiveEnd> end() const;
    // Frames dropped so far.
    long long dropped() const;

private:
    bool takeLocked(LiveFrame& frame);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<LiveFrame> slots_; // a ring: count_ frames from first_ on wait to be taken
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    std::optional<LiveEnd> end_;
    long long lastTaken_ = -1;
    long long dropped_ = 0;
};

} // namespace vireo
