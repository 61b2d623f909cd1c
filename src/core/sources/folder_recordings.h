#pragma once

#include "sources/recording.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vireo {

// A folder of picN.bmp frames, read by moveme exactly as ever: frame N is picN.bmp, and the
// frame count is one more than the largest N found.
class BitmapFolder : public Recording {
public:
    BitmapFolder(std::filesystem::path folder, FrameList frames);

    long long frameCount() const override;
    FrameList frames() const override { return frames_; }
    std::string frameName(long long frame) const override;
    Expected<void> loadFrame(TrackingState& state, long long frame, Surface* picture = nullptr,
                             PictureRows greyRows = {}) override;
    std::string description() const override;

private:
    std::filesystem::path folder_;
    FrameList frames_;
};

// A folder of pictures of any size and kind FFmpeg reads, each one frame, in the natural order
// of their names.
class PictureFolder : public ConvertedRecording {
public:
    // Refused when the folder cannot be read or holds no picture. Probing the files reports the
    // share probed and stops between files on request.
    static Expected<std::unique_ptr<PictureFolder>> open(const std::filesystem::path& folder,
                                                         const Conversion& conversion,
                                                         const OpeningControl& control = {});

    long long frameCount() const override { return static_cast<long long>(names_.size()); }
    std::string frameName(long long frame) const override;
    std::string description() const override;
    Expected<void> readFrame(long long frame, std::vector<std::uint8_t>& file) override;

private:
    PictureFolder(std::filesystem::path folder, std::vector<std::string> names,
                  const Conversion& conversion);

    std::filesystem::path folder_;
    std::vector<std::string> names_;
    Conversion conversion_;
};

// Whether FFmpeg takes the file for a picture, judged from its name and first bytes.
bool isPictureFile(const std::filesystem::path& path);

// Whether FFmpeg recognises the file's first bytes as a video or other media file that is not a
// single picture (a name alone is not enough).
bool isVideoFile(const std::filesystem::path& path);

} // namespace vireo
