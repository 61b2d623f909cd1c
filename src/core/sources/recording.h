#pragma once

#include "drawing/surface.h"
#include "errors/error.h"
#include "input/frame_list.h"
#include "input/grey_conversion.h"
#include "state/tracking_state.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace vireo {

// How a picture that is not already 160 x 120 becomes one.
enum class Fit {
    Stretch, // scaled to 160 x 120 whatever its proportions
    Crop,    // scaled to cover 160 x 120, then cut to it around the middle
};

// A frame rate as a fraction, such as 10/1 or 30000/1001.
struct FrameRate {
    int numerator = 0;
    int denominator = 1;

    friend bool operator==(const FrameRate&, const FrameRate&) = default;
};

// The conversion the README's ffmpeg command makes.
struct Conversion {
    Fit fit = Fit::Stretch;
    std::optional<FrameRate> fps; // sample a video at this rate; every frame when empty
    int decoderThreads = 0;       // 0: as many as the decoder likes

    friend bool operator==(const Conversion&, const Conversion&) = default;
};

// The filter chain of the README's command: "scale=160:120", or with Fit::Crop
// "scale=160:120:force_original_aspect_ratio=increase,crop=160:120", preceded by "fps=R," when
// a rate is given.
std::string conversionChain(const Conversion& conversion);

// A recording: numbered frames, 0 .. frameCount() - 1, from wherever they come. One object
// serves one thread at a time; threads that read the same recording each open their own.
class Recording {
public:
    virtual ~Recording() = default;

    virtual long long frameCount() const = 0;

    // The frame numbers there are, ascending, consecutive ones merged: 0 .. frameCount() - 1,
    // but for a folder of picN.bmp the numbers of its files.
    virtual FrameList frames() const;

    // What a refusal of frame `frame` names: "pic5.bmp", "IMG_2.jpg", "run7.mp4 frame 5".
    virtual std::string frameName(long long frame) const = 0;

    // Loads frame `frame` into the state as moveme loads a frame file: the grey frame, the file
    // bytes (a 160 x 120 24-bit bitmap file for converted frames) and, when given, the picture.
    // A caller that reads only grey rows `greyRows` may find only those written (see moveme).
    // A refused frame leaves the state unchanged and gives an Error naming it.
    virtual Expected<void> loadFrame(TrackingState& state, long long frame,
                                     Surface* picture = nullptr, PictureRows greyRows = {}) = 0;

    // What was opened and how it is converted, for a title or a status line:
    // "run7.mp4: 640 x 480 h264, stretched to 160 x 120, every frame".
    virtual std::string description() const = 0;
};

// A recording whose frames are converted: each frame is first made into the bytes of the
// 160 x 120 24-bit bitmap file that the README's ffmpeg command writes for it.
class ConvertedRecording : public Recording {
public:
    // Frame `frame` as the bytes of that file, into `file`. A refusal names the frame.
    virtual Expected<void> readFrame(long long frame, std::vector<std::uint8_t>& file) = 0;

    Expected<void> loadFrame(TrackingState& state, long long frame, Surface* picture = nullptr,
                             PictureRows greyRows = {}) override;

private:
    std::vector<std::uint8_t> file_;
};

// Where a recording is and how its frames are converted: what every reader of frames is given.
// A path alone is a source with the README's default conversion.
struct RecordingSource {
    RecordingSource() = default;
    RecordingSource(std::filesystem::path where, Conversion how = {})
        : path(std::move(where))
        , conversion(how) {}

    std::filesystem::path path; // a folder (the current directory when empty) or a video file
    Conversion conversion;
};

// How a caller follows and stops an opening that reads a whole video or probes every file of a
// folder (a folder of picN.bmp opens at once and reports nothing).
struct OpeningControl {
    std::stop_token stop; // a stop request ends the opening, refused as "opening cancelled"
    // The share done, 0..100, rising, on the opening thread; called only when it changes.
    std::function<void(int percent)> progress;
};

// Opens `path`:
//   - a folder holding any picN.bmp, or neither picN.bmp nor any other picture: its frames,
//     read by moveme exactly as ever (frame N is picN.bmp, the frame count one more than the
//     largest N, frames() the numbers found);
//   - any other folder: every file in it that FFmpeg reads as a picture, in the natural order of
//     the names (IMG_2.jpg before IMG_10.jpg), from frame 0; other files are passed over;
//   - a file: a video, frame N the N-th picture it presents (of the rate-sampled ones with
//     `conversion.fps`).
// Refused, with an Error naming the file: a file that is not a video, a video without a picture
// stream, an unsupported codec, a picture larger than 4096 x 2304, a video without frames, and
// any opening stopped through `control`.
Expected<std::unique_ptr<Recording>> openRecording(const std::filesystem::path& path,
                                                   const Conversion& conversion = {},
                                                   const OpeningControl& control = {});
inline Expected<std::unique_ptr<Recording>> openRecording(const RecordingSource& source,
                                                          const OpeningControl& control = {}) {
    return openRecording(source.path, source.conversion, control);
}

} // namespace vireo
