#pragma once

#include "errors/error.h"
#include "sources/recording.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace vireo {

// Whether `input` names a live input rather than a recording: a character device (a V4L2
// camera such as /dev/video0), a FIFO or a socket, "-" for standard input, or a stream's URL
// ("udp://...", "rtsp://...").
bool isLiveInput(const std::string& input);

// Whether `input` is a stream's URL: a scheme followed by "://".
bool isUrl(const std::string& input);

// The V4L2 cameras present: /dev/videoN devices that capture pictures, in the order of N.
std::vector<std::string> listCameras();

// A live input read with FFmpeg's libraries, each picture converted as a video's frame is (the
// README's ffmpeg command with the conversion's fit; a rate is not sampled, every picture counts).
// Reading blocks until a picture arrives, the input ends or the stop token given at opening is
// requested; it is meant for a thread of its own.
class LiveStream {
public:
    virtual ~LiveStream() = default;

    // The next picture as the bytes of the 160 x 120 frame file the README's command writes for
    // it, into `file`, with the time its data arrived: true. False at the end: the input ended,
    // the device went away or a stop was requested; endReason() says which ("the stream ended",
    // "the camera went away (no such device)", "stopped"). Pictures that do not decode are passed
    // over.
    virtual bool read(std::vector<std::uint8_t>& file,
                      std::chrono::steady_clock::time_point& arrival) = 0;

    virtual const std::string& endReason() const = 0;

    // What was opened: "/dev/video0: 640 x 480 mjpeg, stretched to 160 x 120".
    virtual std::string description() const = 0;
};

// Opens the live input `input` (see isLiveInput; a camera through FFmpeg's V4L2 input device).
// Blocks until the input has given enough to know its pictures, or until `stop` is requested.
// Refused, with an Error naming the input: what cannot be opened, no picture stream, an
// unsupported codec, pictures larger than 4096 x 2304, a stop before the first picture.
Expected<std::unique_ptr<LiveStream>>
openLiveStream(const std::string& input, const Conversion& conversion, std::stop_token stop);

} // namespace vireo
