#pragma once

// FFmpeg's objects as this module holds them, and opening a file for decoding its picture
// stream. Only the recording sources include this header: the rest of the engine sees no FFmpeg
// type.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
}

#include "errors/error.h"

#include <filesystem>
#include <memory>
#include <string>

namespace vireo::media {

// Each FFmpeg object has one owner, which frees it with the library's own function.
struct FreeFormat {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct FreeDecoder {
    void operator()(AVCodecContext* decoder) const { avcodec_free_context(&decoder); }
};
struct FreeFrame {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct FreePacket {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FreeGraph {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct FreeInOut {
    void operator()(AVFilterInOut* inOut) const { avfilter_inout_free(&inOut); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FreeFormat>;
using DecoderPtr = std::unique_ptr<AVCodecContext, FreeDecoder>;
using FramePtr = std::unique_ptr<AVFrame, FreeFrame>;
using PacketPtr = std::unique_ptr<AVPacket, FreePacket>;
using GraphPtr = std::unique_ptr<AVFilterGraph, FreeGraph>;
using InOutPtr = std::unique_ptr<AVFilterInOut, FreeInOut>;

FramePtr allocateFrame();
PacketPtr allocatePacket();

// The library's own messages would go to the terminal; its failures reach the caller as Errors
// instead. Called before anything is opened.
void quietLibraries();

// av_strerror's text for `code` in the lower-case form of our messages.
std::string errorText(int code);

// The largest picture decoded: 4096 x 2304 pixels (anything from a robot's camera and 4K video),
// so that the decoder's memory stays bounded whatever the file says.
inline constexpr int kLargestWidth = 4096;
inline constexpr int kLargestHeight = 2304;

// A file opened for decoding its main picture stream; the other streams are not read.
class MediaFile {
public:
    // Opens the regular file `path` with FFmpeg's demuxers and the decoder of its picture stream.
    // Refusals name the file (`name`): not a file FFmpeg reads, no picture stream, a codec
    // without a decoder (named), a picture larger than the largest decoded.
    static Expected<MediaFile> open(const std::filesystem::path& path, const std::string& name,
                                    int decoderThreads);

    // The same for an input already opened into `format` (a camera, a stream): its streams are
    // read and the decoder of its main picture stream opened.
    static Expected<MediaFile> fromFormat(FormatPtr format, const std::string& name,
                                          int decoderThreads);

    AVFormatContext* format() const { return format_.get(); }
    AVStream* stream() const { return format_->streams[streamIndex_]; }
    AVCodecContext* decoder() const { return decoder_.get(); }

    // Reads the picture stream's next packet into `packet`: true when one was read, false at the
    // end of the file; a read error is an Error.
    Expected<bool> readPacket(AVPacket* packet);

private:
    FormatPtr format_;
    DecoderPtr decoder_;
    int streamIndex_ = -1;
    std::string name_;
};

} // namespace vireo::media
