#pragma once

#include "errors/error.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace vireo {

// Name of the file beside a live recording's frames: one line per frame,
// `frame,arrival_ms,dropped_before`.
inline constexpr const char* kFramesCsvName = "vireo-frames.csv";

// Records the frames of a live input as they are shown, into a new folder of picN.bmp frame
// files (N from 0, the frame files as converted, so the recording is exactly what was seen) that
// every program opens as a recording, with vireo-frames.csv beside them: each frame's number, its
// arrival in milliseconds after the first frame's and the frames of the input dropped before it.
//
// Every file is complete or absent: a frame file is written under a temporary name (".picN.bmp"
// with a ".vireo-part" end) and renamed, and each line of the list is appended whole or not at
// all. A frame is listed only once its file is in place.
class FrameRecorder {
public:
    // Creates the folder vireo-YYYYMMDD-HHMMSS (the local time of `started`; "-2", "-3"... added
    // when one of that name exists) in `parent`, with the list's header line. The error names
    // the folder and why it cannot be written.
    static Expected<FrameRecorder> start(const std::filesystem::path& parent,
                                         std::chrono::system_clock::time_point started);

    FrameRecorder(FrameRecorder&& other) noexcept;
    FrameRecorder& operator=(FrameRecorder&&) = delete;
    ~FrameRecorder();

    // Adds the next frame. A failure (a full disk, a folder gone or made unwritable) stops the
    // recording: this frame is left out and nothing more is written, what was written before
    // stays valid; the error names the file and why.
    Expected<void> add(std::span<const std::uint8_t> file,
                       std::chrono::steady_clock::time_point arrival, long long droppedBefore);

    const std::filesystem::path& folder() const { return folder_; }
    long long frames() const { return frames_; }

private:
    FrameRecorder(std::filesystem::path folder, int list);
    Expected<void> stopWith(Error error);

    std::filesystem::path folder_;
    int list_ = -1; // the list, open for appending
    long long listBytes_ = 0;
    long long frames_ = 0;
    std::optional<std::chrono::steady_clock::time_point> first_;
    std::optional<Error> stopped_;
};

} // namespace vireo
