#include "sources/media_file.h"

#include "errors/reason_text.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <system_error>

namespace vireo::media {

FramePtr allocateFrame() {
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw std::bad_alloc();
    return frame;
}

PacketPtr allocatePacket() {
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw std::bad_alloc();
    return packet;
}

void quietLibraries() {
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return reasonText(text);
}

Expected<MediaFile> MediaFile::open(const std::filesystem::path& path, const std::string& name,
                                    int decoderThreads) {
    const auto refuse = [&name](std::string reason) { return Error{name, std::move(reason)}; };
    quietLibraries();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return refuse(std::filesystem::exists(path, error) ? "not a regular file" : "no such file");

    // Only local files, so that no playlist in a file makes FFmpeg reach for the network.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // A picture's name is its name, never a pattern for a numbered sequence ("frame%d.png").
    av_dict_set(&options, "pattern_type", "none", 0);
    AVFormatContext* format = nullptr;
    const std::string url = "file:" + std::filesystem::absolute(path, error).string();
    const int opened = avformat_open_input(&format, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return refuse("not a video or picture that FFmpeg reads (" + errorText(opened) + ")");
    return fromFormat(FormatPtr(format), name, decoderThreads);
}

Expected<MediaFile> MediaFile::fromFormat(FormatPtr opened, const std::string& name,
                                          int decoderThreads) {
    const auto refuse = [&name](std::string reason) { return Error{name, std::move(reason)}; };
    MediaFile file;
    file.name_ = name;
    file.format_ = std::move(opened);
    AVFormatContext* format = file.format_.get();
    if (const int found = avformat_find_stream_info(format, nullptr); found < 0)
        return refuse("cannot read its streams (" + errorText(found) + ")");

    const AVCodec* codec = nullptr;
    file.streamIndex_ = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (file.streamIndex_ == AVERROR_STREAM_NOT_FOUND)
        return refuse("has no picture stream");
    if (file.streamIndex_ == AVERROR_DECODER_NOT_FOUND) {
        const int any = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        const AVCodecParameters& unsupported = *format->streams[any]->codecpar;
        char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
        av_fourcc_make_string(tag, unsupported.codec_tag);
        return refuse("unsupported codec " +
                      (unsupported.codec_id == AV_CODEC_ID_NONE
                           ? "(tag " + std::string(tag) + ")"
                           : std::string(avcodec_get_name(unsupported.codec_id))));
    }
    if (file.streamIndex_ < 0)
        return refuse("cannot choose its picture stream (" + errorText(file.streamIndex_) + ")");
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (static_cast<int>(i) != file.streamIndex_)
            format->streams[i]->discard = AVDISCARD_ALL;

    const AVCodecParameters* parameters = file.stream()->codecpar;
    if (parameters->width > kLargestWidth || parameters->height > kLargestHeight)
        return refuse("picture is " + std::to_string(parameters->width) + " x " +
                      std::to_string(parameters->height) + ", larger than the largest read, " +
                      std::to_string(kLargestWidth) + " x " + std::to_string(kLargestHeight));
    file.decoder_.reset(avcodec_alloc_context3(codec));
    if (!file.decoder_)
        throw std::bad_alloc();
    AVCodecContext* decoder = file.decoder_.get();
    if (const int copied = avcodec_parameters_to_context(decoder, parameters); copied < 0)
        return refuse("cannot set up its decoder (" + errorText(copied) + ")");
    decoder->pkt_timebase = file.stream()->time_base;
    decoder->thread_count = decoderThreads;
    // The size in the stream's header may lie; the decoder refuses larger pictures itself.
    AVDictionary* decoderOptions = nullptr;
    av_dict_set_int(&decoderOptions, "max_pixels",
                    static_cast<std::int64_t>(kLargestWidth) * kLargestHeight, 0);
    const int ready = avcodec_open2(decoder, codec, &decoderOptions);
    av_dict_free(&decoderOptions);
    if (ready < 0)
        return refuse("cannot open its " + std::string(codec->name) + " decoder (" +
                      errorText(ready) + ")");
    return file;
}

Expected<bool> MediaFile::readPacket(AVPacket* packet) {
    for (;;) {
        av_packet_unref(packet);
        const int read = av_read_frame(format_.get(), packet);
        if (read == AVERROR_EOF)
            return false;
        if (read < 0)
            return Error{name_, "cannot be read (" + errorText(read) + ")"};
        if (packet->stream_index == streamIndex_)
            return true;
    }
}

} // namespace vireo::media
