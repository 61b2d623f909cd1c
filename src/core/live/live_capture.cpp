#include "live/live_capture.h"

#include "sources/live_stream.h"

namespace vireo {

LiveCapture::LiveCapture(std::string input, const Conversion& conversion, Notify notify,
                         std::size_t depth)
    : input_(std::move(input))
    , notify_(std::move(notify))
    , frames_(depth)
    , thread_([this, conversion](std::stop_token stop) { read(std::move(stop), conversion); }) {}

LiveCapture::~LiveCapture() {
    thread_.request_stop();
    if (thread_.joinable())
        thread_.join();
}

std::string LiveCapture::description() const {
    const std::lock_guard lock(mutex_);
    return description_;
}

void LiveCapture::setDescription(std::string text) {
    const std::lock_guard lock(mutex_);
    description_ = std::move(text);
}

void LiveCapture::read(std::stop_token stop, Conversion conversion) {
    const auto tell = [this] {
        if (notify_)
            notify_();
    };
    Expected<std::unique_ptr<LiveStream>> stream = openLiveStream(input_, conversion, stop);
    if (!stream) {
        frames_.close({stream.error().message(), true});
        tell();
        return;
    }
    setDescription((*stream)->description());
    LiveFrame frame;
    for (long long arrived = 0; (*stream)->read(frame.file, frame.arrival); ++arrived) {
        frame.arrived = arrived;
        frames_.post(frame);
        tell();
    }
    frames_.close({(*stream)->endReason(), false});
    tell();
}

} // namespace vireo
