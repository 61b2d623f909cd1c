#include "sources/frame_converter.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>

namespace vireo::media {

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr std::uint32_t kHeaderBytes = 54;
constexpr std::uint32_t kRowBytes = 3 * kWidth; // a multiple of 4: no row padding
constexpr std::uint32_t kPixelBytes = kRowBytes * kHeight;

void putU16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(std::uint8_t* at, std::uint32_t value) {
    putU16(at, value & 0xffff);
    putU16(at + 2, value >> 16);
}

// The 54 bytes of headers FFmpeg's bitmap encoder writes for a 160 x 120 24-bit picture, stored
// bottom row first.
void writeHeaders(std::uint8_t* at) {
    std::memset(at, 0, kHeaderBytes);
    at[0] = 'B';
    at[1] = 'M';
    putU32(at + 2, kHeaderBytes + kPixelBytes);
    putU32(at + 10, kHeaderBytes);
    putU32(at + 14, 40);
    putU32(at + 18, kWidth);
    putU32(at + 22, kHeight);
    putU16(at + 26, 1);
    putU16(at + 28, 24);
    putU32(at + 34, kPixelBytes);
}

} // namespace

FrameConverter::FrameConverter(std::string chain, std::string name)
    : chain_(std::move(chain))
    , name_(std::move(name))
    , input_(allocateFrame())
    , output_(allocateFrame()) {}

Expected<void> FrameConverter::configure(const AVFrame& picture, AVRational timeBase) {
    const auto fail = [this](const std::string& step, int code) {
        graph_.reset();
        return Error{name_, "cannot convert its pictures: " + step + " (" + errorText(code) + ")"};
    };
    graph_.reset(avfilter_graph_alloc());
    if (!graph_)
        throw std::bad_alloc();
    // What the ffmpeg tool gives every scaler in its graphs, the chain's own and those it adds.
    graph_->scale_sws_opts = av_strdup("flags=bicubic");
    // One thread: converting 160 x 120 frames gains nothing from more, and the decoder uses them.
    graph_->nb_threads = 1;

    const AVRational aspect =
        picture.sample_aspect_ratio.num > 0 ? picture.sample_aspect_ratio : AVRational{0, 1};
    const std::string arguments =
        "video_size=" + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
        ":pix_fmt=" + std::to_string(picture.format) +
        ":time_base=" + std::to_string(timeBase.num) + "/" + std::to_string(timeBase.den) +
        ":pixel_aspect=" + std::to_string(aspect.num) + "/" + std::to_string(aspect.den);
    if (int made = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in",
                                                arguments.c_str(), nullptr, graph_.get());
        made < 0)
        return fail("buffer source", made);
    if (int made = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out",
                                                nullptr, nullptr, graph_.get());
        made < 0)
        return fail("buffer sink", made);
    const AVPixelFormat bgr24[] = {AV_PIX_FMT_BGR24, AV_PIX_FMT_NONE};
    if (int set =
            av_opt_set_int_list(sink_, "pix_fmts", bgr24, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
        set < 0)
        return fail("sink format", set);

    // The chain's open ends: its input is fed by the source, its output feeds the sink.
    InOutPtr chainInput(avfilter_inout_alloc());
    InOutPtr chainOutput(avfilter_inout_alloc());
    if (!chainInput || !chainOutput)
        throw std::bad_alloc();
    chainInput->name = av_strdup("in");
    chainInput->filter_ctx = source_;
    chainOutput->name = av_strdup("out");
    chainOutput->filter_ctx = sink_;
    AVFilterInOut* inputs = chainOutput.release();
    AVFilterInOut* outputs = chainInput.release();
    const int parsed =
        avfilter_graph_parse_ptr(graph_.get(), chain_.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (parsed < 0)
        return fail("filter chain \"" + chain_ + "\"", parsed);
    if (int configured = avfilter_graph_config(graph_.get(), nullptr); configured < 0)
        return fail("filter graph", configured);
    width_ = picture.width;
    height_ = picture.height;
    format_ = picture.format;
    return {};
}

Expected<void> FrameConverter::convert(const AVFrame& picture, AVRational timeBase,
                                       std::vector<std::uint8_t>& file) {
    if (!graph_ || picture.width != width_ || picture.height != height_ ||
        picture.format != format_)
        if (Expected<void> configured = configure(picture, timeBase); !configured)
            return configured;
    if (int referenced = av_frame_ref(input_.get(), &picture); referenced < 0)
        return Error{name_, "cannot convert a picture (" + errorText(referenced) + ")"};
    const int added =
        av_buffersrc_add_frame_flags(source_, input_.get(), AV_BUFFERSRC_FLAG_KEEP_REF);
    av_frame_unref(input_.get());
    if (added < 0)
        return Error{name_, "cannot convert a picture (" + errorText(added) + ")"};
    const int got = av_buffersink_get_frame(sink_, output_.get());
    if (got < 0)
        return Error{name_, "cannot convert a picture (" + errorText(got) + ")"};
    const AVFrame& converted = *output_;
    const bool fits = converted.width == kWidth && converted.height == kHeight &&
                      converted.format == AV_PIX_FMT_BGR24;
    if (fits) {
        file.resize(kHeaderBytes + kPixelBytes);
        writeHeaders(file.data());
        for (int stored = 0; stored < kHeight; ++stored)
            std::memcpy(file.data() + kHeaderBytes + kRowBytes * static_cast<std::uint32_t>(stored),
                        converted.data[0] + static_cast<std::ptrdiff_t>(kHeight - 1 - stored) *
                                                converted.linesize[0],
                        kRowBytes);
    }
    av_frame_unref(output_.get());
    if (!fits)
        return Error{name_, "the filter chain \"" + chain_ + "\" did not give 160 x 120 pixels"};
    return {};
}

} // namespace vireo::media
