#pragma once

#include "sources/media_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vireo::media {

// Converts decoded pictures into 160 x 120 frame files through a libavfilter graph built from a
// filter chain such as "scale=160:120", as the ffmpeg command-line tool does for
// `ffmpeg -i IN -vf CHAIN -pix_fmt bgr24 pic%d.bmp`: its scalers use the tool's "flags=bicubic"
// and the graph's sink takes 24-bit BGR, so that the bytes equal the file the command writes.
class FrameConverter {
public:
    // `chain` must turn any picture into a 160 x 120 one; `name` is the subject of errors.
    FrameConverter(std::string chain, std::string name);

    // Converts `picture`, decoded from a stream of `timeBase`, into the bytes of a 24-bit
    // 160 x 120 bitmap file laid out as FFmpeg's bitmap encoder writes it. The graph is built
    // for the first picture and again whenever the size or the pixel format changes.
    Expected<void> convert(const AVFrame& picture, AVRational timeBase,
                           std::vector<std::uint8_t>& file);

private:
    Expected<void> configure(const AVFrame& picture, AVRational timeBase);

    std::string chain_;
    std::string name_;
    GraphPtr graph_;
    AVFilterContext* source_ = nullptr; // owned by graph_
    AVFilterContext* sink_ = nullptr;   // owned by graph_
    FramePtr input_;
    FramePtr output_;
    int width_ = 0;
    int height_ = 0;
    int format_ = -1;
};

} // namespace vireo::media
