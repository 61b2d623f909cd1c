#pragma once

#include "live/frame_mailbox.h"
#include "sources/recording.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vireo {

// A live input read on a thread of its own: the thread opens the input (a camera, a pipe or FIFO,
// a stream; see openLiveStream), converts each picture as it arrives and posts it to frames(),
// where the newest frame waits to be taken; at the end it closes frames() with the reason. The
// consumer never waits for the thread unless it asks to (FrameMailbox::wait).
class LiveCapture {
public:
    // Called on the reading thread after each frame posted and after the end; it must not block.
    using Notify = std::function<void()>;

    // `depth`: the frames that may wait to be taken (see FrameMailbox); one for a consumer that
    // wants only the newest frame.
    LiveCapture(std::string input, const Conversion& conversion, Notify notify = {},
                std::size_t depth = 1);
    // Stops the reading and waits for the thread, which a stop ends within a read.
    ~LiveCapture();
    LiveCapture(const LiveCapture&) = delete;
    LiveCapture& operator=(const LiveCapture&) = delete;

    FrameMailbox& frames() { return frames_; }
    const std::string& input() const { return input_; }

    // Asks the thread to stop; returns at once. The frames then end with "stopped".
    void stop() { thread_.request_stop(); }

    // What was opened ("/dev/video0: 640 x 480 mjpeg, stretched to 160 x 120"); empty until the
    // input has given its first picture's size.
    std::string description() const;

private:
    void read(std::stop_token stop, Conversion conversion);
    void setDescription(std::string text);

    std::string input_;
    Notify notify_;
    FrameMailbox frames_;
    mutable std::mutex mutex_;
    std::string description_;
    std::jthread thread_; // last: started once the rest exists, joined first
};

} // namespace vireo
