#include "sources/folder_recordings.h"

#include "input/bitmap_loader.h"
#include "input/frame_list.h"

namespace vireo {

BitmapFolder::BitmapFolder(std::filesystem::path folder, FrameList frames)
    : folder_(std::move(folder))
    , frames_(std::move(frames)) {}

long long BitmapFolder::frameCount() const {
    return frames_.empty() ? 0 : static_cast<long long>(frames_.back().last) + 1;
}

std::string BitmapFolder::frameName(long long frame) const {
    return "pic" + std::to_string(frame) + ".bmp";
}

Expected<void> BitmapFolder::loadFrame(TrackingState& state, long long frame, Surface* picture,
                                       PictureRows greyRows) {
    if (frame < 0 || frame > kLargestFrameNumber)
        return Error{frameName(frame), "no such frame"};
    return moveme(state, folder_, static_cast<int>(frame), picture, greyRows);
}

std::string BitmapFolder::description() const {
    const std::filesystem::path name = folder_.empty() ? "." : folder_;
    return name.filename().string() + ": picN.bmp frames";
}

} // namespace vireo
