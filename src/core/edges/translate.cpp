#include "edges/translate.h"

namespace vireo {

void translate(const TrackingState& state, Surface& picture4) {
    for (int y = 0; y < Frame::kPictureHeight; ++y) {
        const Frame::ConstRow row = state.edgeimg.row(y);
        for (int x = 0; x < Frame::kPictureWidth; ++x)
            picture4.setPixel(static_cast<float>(x), static_cast<float>(y), grey(row[x]));
    }
}

} // namespace vireo
