#include "sources/live_stream.h"

#include "errors/reason_text.h"
#include "files/file_descriptor.h"
#include "sources/frame_converter.h"
#include "sources/media_file.h"
#include "sources/media_functions.h"
#include "sources/natural_order.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {

namespace {

constexpr int kReadBufferBytes = 1 << 16;

void registerDevices() {
    static const bool registered = [] {
        avdevice_register_all();
        return true;
    }();
    (void)registered;
}

struct FreeIo {
    void operator()(AVIOContext* io) const {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

// Reading a pipe, a FIFO or a socket: every read waits in poll() for data or for the stop, so a
// stop ends a read that would otherwise block until the writer writes. A FIFO opened before its
// writer reads as empty, not ended, until a writer has come and gone.
class PipeReader {
public:
    PipeReader(int fd, bool owned, std::stop_token stop)
        : fd_(owned ? fd : -1)
        , read_(fd)
        , wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
        , onStop_(std::move(stop), [this] {
            const std::uint64_t one = 1;
            (void)!::write(wake_.get(), &one, sizeof one);
        }) {}

    static int readInto(void* opaque, std::uint8_t* buffer, int size) {
        return static_cast<PipeReader*>(opaque)->readInto(buffer, size);
    }

private:
    int readInto(std::uint8_t* buffer, int size) {
        for (;;) {
            pollfd waits[2] = {{read_, POLLIN, 0}, {wake_.get(), POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return AVERROR(errno);
            }
            if (waits[1].revents != 0)
                return AVERROR_EXIT;
            if (waits[0].revents == 0)
                continue;
            const ssize_t got = ::read(read_, buffer, static_cast<std::size_t>(size));
            if (got > 0)
                return static_cast<int>(got);
            if (got == 0)
                return AVERROR_EOF;
            if (errno != EAGAIN && errno != EINTR)
                return AVERROR(errno);
        }
    }

    FileDescriptor fd_;
    int read_;
    FileDescriptor wake_;
    std::stop_callback<std::function<void()>> onStop_;
};

class FfmpegLiveStream : public LiveStream {
public:
    FfmpegLiveStream(std::string name, const Conversion& conversion, std::stop_token stop)
        : name_(std::move(name))
        , stop_(std::move(stop))
        , converter_(conversionChain({conversion.fit, std::nullopt, 0}), name_)
        , conversion_(conversion)
        , packet_(media::allocatePacket())
        , picture_(media::allocateFrame()) {}

    Expected<void> open(const std::string& input);

    bool read(std::vector<std::uint8_t>& file,
              std::chrono::steady_clock::time_point& arrival) override;
    const std::string& endReason() const override { return endReason_; }
    std::string description() const override;

private:
    static int interrupted(void* opaque) {
        return static_cast<FfmpegLiveStream*>(opaque)->stop_.stop_requested() ? 1 : 0;
    }
    bool end(std::string reason) {
        endReason_ = std::move(reason);
        return false;
    }
    std::string readFailure(const Error& error) const;

    std::string name_;
    std::stop_token stop_;
    media::FrameConverter converter_;
    Conversion conversion_;
    // Destroyed in this order from the bottom: the file before the reader it reads through.
    std::optional<PipeReader> pipe_;
    std::unique_ptr<AVIOContext, FreeIo> io_;
    std::optional<media::MediaFile> file_;
    media::PacketPtr packet_;
    media::FramePtr picture_;
    std::chrono::steady_clock::time_point arrival_;
    bool flushed_ = false;
    std::string failure_; // why reading stopped before the input's end
    std::string endReason_;
};

Expected<void> FfmpegLiveStream::open(const std::string& input) {
    const auto refuse = [this](std::string reason) { return Error{name_, std::move(reason)}; };
    media::quietLibraries();
    registerDevices();
    AVFormatContext* format = avformat_alloc_context();
    if (!format)
        throw std::bad_alloc();
    format->interrupt_callback = {&FfmpegLiveStream::interrupted, this};
    const AVInputFormat* device = nullptr;

    struct stat about {};
    const bool standardInput = input == "-";
    const bool found = !standardInput && !isUrl(input) && ::stat(input.c_str(), &about) == 0;
    if (found && S_ISCHR(about.st_mode)) {
        device = av_find_input_format("v4l2");
        if (!device) {
            avformat_free_context(format);
            return refuse("this FFmpeg reads no V4L2 camera");
        }
    } else if (standardInput || (found && (S_ISFIFO(about.st_mode) || S_ISSOCK(about.st_mode)))) {
        const int fd =
            standardInput ? STDIN_FILENO : ::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            avformat_free_context(format);
            return refuse("cannot be opened: " + reasonText(std::strerror(errno)));
        }
        pipe_.emplace(fd, !standardInput, stop_);
        auto* buffer = static_cast<std::uint8_t*>(av_malloc(kReadBufferBytes));
        if (!buffer)
            throw std::bad_alloc();
        io_.reset(avio_alloc_context(buffer, kReadBufferBytes, 0, &*pipe_, &PipeReader::readInto,
                                     nullptr, nullptr));
        if (!io_) {
            av_free(buffer);
            throw std::bad_alloc();
        }
        io_->seekable = 0;
        format->pb = io_.get();
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else if (!isUrl(input)) {
        avformat_free_context(format);
        return refuse(found ? "not a camera, a pipe or a stream" : "no such device or pipe");
    }
    AVDictionary* options = nullptr;
    // Pictures are handed on as they arrive: what the input is, is judged from its first 32 KB
    // (FFmpeg would read up to 5 MB of an MJPEG stream, seconds of pictures held back), and it is
    // not analysed for its frame rate before the first picture.
    av_dict_set(&options, "probesize", "32768", 0);
    av_dict_set(&options, "fpsprobesize", "0", 0);
    const int opened = avformat_open_input(&format, input.c_str(), device, &options);
    av_dict_free(&options);
    if (opened < 0) {
        if (stop_.stop_requested())
            return refuse("stopped before the first picture");
        return refuse("cannot be read as a camera or a stream (" + media::errorText(opened) + ")");
    }
    // One decoding thread: more would hold back pictures to fill the others.
    Expected<media::MediaFile> file =
        media::MediaFile::fromFormat(media::FormatPtr(format), name_, 1);
    if (!file) {
        if (stop_.stop_requested())
            return refuse("stopped before the first picture");
        return file.error();
    }
    file_.emplace(std::move(*file));
    return {};
}

std::string FfmpegLiveStream::readFailure(const Error& error) const {
    // The reason a device that was unplugged gives, and that of a stream cut off.
    if (error.reason.find("no such device") != std::string::npos ||
        error.reason.find("input/output error") != std::string::npos)
        return "the camera went away (" + error.reason.substr(error.reason.find('(') + 1);
    return "the stream failed: " + error.reason;
}

bool FfmpegLiveStream::read(std::vector<std::uint8_t>& file,
                            std::chrono::steady_clock::time_point& arrival) {
    if (!endReason_.empty())
        return false;
    AVCodecContext* decoder = file_->decoder();
    for (;;) {
        const int received = avcodec_receive_frame(decoder, picture_.get());
        if (received == 0) {
            const Expected<void> converted =
                converter_.convert(*picture_, file_->stream()->time_base, file);
            av_frame_unref(picture_.get());
            if (!converted)
                continue;
            arrival = arrival_;
            return true;
        }
        if (received == AVERROR_EOF)
            return end(failure_.empty() ? "the stream ended" : failure_);
        if (flushed_)
            continue;
        const Expected<bool> got = file_->readPacket(packet_.get());
        arrival_ = std::chrono::steady_clock::now();
        if (stop_.stop_requested())
            return end("stopped");
        if (!got || !*got) {
            if (!got)
                failure_ = readFailure(got.error());
            // What the decoder still holds is delivered before the end.
            (void)avcodec_send_packet(decoder, nullptr);
            flushed_ = true;
            continue;
        }
        // A packet that does not decode is passed over; the next one may.
        (void)avcodec_send_packet(decoder, packet_.get());
    }
}

std::string FfmpegLiveStream::description() const {
    const AVCodecParameters& parameters = *file_->stream()->codecpar;
    return name_ + ": " + std::to_string(parameters.width) + " x " +
           std::to_string(parameters.height) + " " + avcodec_get_name(parameters.codec_id) +
           (conversion_.fit == Fit::Crop ? ", cropped" : ", stretched") + " to 160 x 120";
}

} // namespace

std::vector<std::string> media::listCameras() {
    media::quietLibraries();
    registerDevices();
    std::vector<std::string> cameras;
    const AVInputFormat* v4l2 = av_find_input_format("v4l2");
    AVDeviceInfoList* list = nullptr;
    if (!v4l2 || avdevice_list_input_sources(v4l2, nullptr, nullptr, &list) < 0)
        return cameras;
    for (int i = 0; i < list->nb_devices; ++i)
        cameras.emplace_back(list->devices[i]->device_name);
    avdevice_free_list_devices(&list);
    std::sort(cameras.begin(), cameras.end(), comesBeforeNaturally);
    return cameras;
}

Expected<std::unique_ptr<LiveStream>> media::openLiveStream(const std::string& input,
                                                            const Conversion& conversion,
                                                            std::stop_token stop) {
    auto stream = std::make_unique<FfmpegLiveStream>(input, conversion, std::move(stop));
    if (Expected<void> opened = stream->open(input); !opened)
        return opened.error();
    return std::unique_ptr<LiveStream>(std::move(stream));
}

} // namespace vireo
