#include "sources/recording.h"

#include "input/bitmap_loader.h"
#include "input/frame_list.h"

#include <algorithm>

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

FrameList Recording::frames() const {
    const long long count = std::min<long long>(frameCount(), kLargestFrameNumber + 1);
    if (count == 0)
        return {};
    return {{0, static_cast<int>(count - 1)}};
}

Expected<void> ConvertedRecording::loadFrame(TrackingState& state, long long frame,
                                             Surface* picture, PictureRows /*greyRows*/) {
    // A converted frame is made whole, so every grey row is written.
    if (Expected<void> read = readFrame(frame, file_); !read)
        return read;
    return loadFrameFile(state, frameName(frame), file_, picture);
}

} // namespace vireo
