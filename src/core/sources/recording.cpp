#include "sources/recording.h"

#include "input/bitmap_loader.h"
#include "input/frame_list.h"
#include "sources/folder_recordings.h"
#include "sources/video_recording.h"

namespace vireo {

std::string conversionChain(const Conversion& conversion) {
    std::string chain;
    if (conversion.fps) {
        chain.append("fps=").append(std::to_string(conversion.fps->numerator));
        if (conversion.fps->denominator != 1)
            chain.append("/").append(std::to_string(conversion.fps->denominator));
        chain.append(",");
    }
    chain.append(conversion.fit == Fit::Crop
                     ? "scale=160:120:force_original_aspect_ratio=increase,crop=160:120"
                     : "scale=160:120");
    return chain;
}

Expected<void> ConvertedRecording::loadFrame(TrackingState& state, long long frame,
                                             Surface* picture) {
    if (Expected<void> read = readFrame(frame, file_); !read)
        return read;
    return loadFrameFile(state, frameName(frame), file_, picture);
}

Expected<std::unique_ptr<Recording>> openRecording(const std::filesystem::path& path,
                                                   const Conversion& conversion) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        auto video = media::VideoRecording::open(path, conversion);
        if (!video)
            return video.error();
        return std::unique_ptr<Recording>(std::move(*video));
    }
    const Expected<FrameList> frames = findFrames(path);
    if (!frames)
        return frames.error();
    if (!frames->empty())
        return std::unique_ptr<Recording>(
            std::make_unique<BitmapFolder>(path, static_cast<long long>(frames->back().last) + 1));
    auto pictures = PictureFolder::open(path, conversion);
    if (!pictures)
        return pictures.error();
    return std::unique_ptr<Recording>(std::move(*pictures));
}

} // namespace vireo
