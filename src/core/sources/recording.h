#pragma once

#include "drawing/surface.h"
#include "errors/error.h"
#include "state/tracking_state.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
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
};

// The conversion the README's ffmpeg command makes.
struct Conversion {
    Fit fit = Fit::Stretch;
    std::optional<FrameRate> fps; // sample a video at this rate; every frame when empty
    int decoderThreads = 0;       // 0: as many as the decoder likes
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

    // What a refusal of frame `frame` names: "pic5.bmp", "IMG_2.jpg", "run7.mp4 frame 5".
    virtual std::string frameName(long long frame) const = 0;

    // Loads frame `frame` into the state as moveme loads a frame file: the grey frame, the file
    // bytes (a 160 x 120 24-bit bitmap file for converted frames) and, when given, the picture.
    // A refused frame leaves the state unchanged and gives an Error naming it.
    virtual Expected<void> loadFrame(TrackingState& state, long long frame,
                                     Surface* picture = nullptr) = 0;

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

    Expected<void> loadFrame(TrackingState& state, long long frame,
                             Surface* picture = nullptr) override;

private:
    std::vector<std::uint8_t> file_;
};

// Opens `path`:
//   - a folder holding any picN.bmp: those frames, read by moveme exactly as ever (frame N is
//     picN.bmp, the frame count one more than the largest N);
//   - any other folder: every file in it that FFmpeg reads as a picture, in the natural order of
//     the names (IMG_2.jpg before IMG_10.jpg), from frame 0; other files are passed over;
//   - a file: a video, frame N the N-th picture it presents (of the rate-sampled ones with
//     `conversion.fps`).
// Refused, with an Error naming the path: what cannot be read, a folder without pictures, a file
// that is not a video, a video without a picture stream, an unsupported codec, a picture larger
// than 4096 x 2304, a video without frames.
Expected<std::unique_ptr<Recording>> openRecording(const std::filesystem::path& path,
                                                   const Conversion& conversion = {});

} // namespace vireo
