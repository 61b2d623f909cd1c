#include "sources/video_recording.h"

#include "input/frame_list.h"

#include <algorithm>
#include <climits>
#include <numeric>

namespace vireo::media {

namespace {

constexpr int kRounding = AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX;
// FFmpeg's AV_TIME_BASE_Q, which is written as a C compound literal.
constexpr AVRational kMicroseconds{1, AV_TIME_BASE};
// The share of opening a stream without presentation times that reading its packets takes;
// decoding it whole to learn the order takes the rest.
constexpr double kReadingShareBeforeDecoding = 0.1;

// `tick - first`, held to the range of int. Samples are numbered by int, so a number compares
// with the held value as it does with the true one.
int ticksAfter(std::int64_t tick, std::int64_t first) {
    std::int64_t after = 0;
    if (__builtin_sub_overflow(tick, first, &after))
        return tick < first ? INT_MIN : INT_MAX;
    return static_cast<int>(std::clamp<std::int64_t>(after, INT_MIN, INT_MAX));
}

std::string rateText(FrameRate rate) {
    return rate.denominator == 1
               ? std::to_string(rate.numerator)
               : std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator);
}

} // namespace

VideoRecording::VideoRecording(std::filesystem::path path, std::string name, MediaFile file,
                               const Conversion& conversion)
    : path_(std::move(path))
    , name_(name)
    , file_(std::move(file))
    , conversion_(conversion)
    , converter_(conversionChain({conversion.fit, std::nullopt, 0}), std::move(name))
    , packet_(allocatePacket())
    , picture_(allocateFrame()) {
    const AVCodecParameters& parameters = *file_.stream()->codecpar;
    source_ = std::to_string(parameters.width) + " x " + std::to_string(parameters.height) + " " +
              avcodec_get_name(parameters.codec_id);
}

Expected<std::unique_ptr<VideoRecording>> VideoRecording::open(const std::filesystem::path& path,
                                                               const Conversion& conversion,
                                                               const OpeningControl& control) {
    const std::string name = path.filename().string();
    Expected<MediaFile> file = MediaFile::open(path, name, conversion.decoderThreads);
    if (!file)
        return file.error();
    std::unique_ptr<VideoRecording> video(
        new VideoRecording(path, name, std::move(*file), conversion));
    OpeningProgress progress(control);
    if (Expected<void> indexed = video->buildIndex(progress); !indexed)
        return indexed.error();
    if (video->packetCount_ == 0)
        return Error{name,
                     video->note_.empty() ? "has no frames" : "has no frames: " + video->note_};
    return video;
}

Expected<void> VideoRecording::buildIndex(OpeningProgress& progress) {
    // A stream that presents pictures out of order without saying when is decoded whole after.
    const bool delayed = file_.stream()->codecpar->video_delay > 0;
    Expected<PacketTimes> times = readPackets(progress, delayed);
    if (!times)
        return times.error();
    if (packetCount_ == 0)
        return {};
    const auto count = static_cast<std::size_t>(packetCount_);
    const std::vector<std::int64_t>& pts = times->pts;
    shownPacket_.resize(count);
    std::iota(shownPacket_.begin(), shownPacket_.end(), 0);
    const bool timed = std::none_of(pts.begin(), pts.end(),
                                    [](std::int64_t time) { return time == AV_NOPTS_VALUE; });
    if (timed)
        std::stable_sort(shownPacket_.begin(), shownPacket_.end(), [&pts](int a, int b) {
            return pts[static_cast<std::size_t>(a)] < pts[static_cast<std::size_t>(b)];
        });
    shownNumber_.assign(count, 0);
    for (std::size_t shown = 0; shown < count; ++shown)
        shownNumber_[static_cast<std::size_t>(shownPacket_[shown])] = static_cast<int>(shown);
    // Without presentation times and with pictures presented out of order, only the decoder
    // knows the order.
    if (!timed && delayed)
        if (Expected<void> learnt = learnPresentationOrder(progress); !learnt)
            return learnt;
    if (conversion_.fps)
        sampleAtRate(*conversion_.fps, *times);
    // The packets' times go before the file is opened again.
    times = PacketTimes{};
    progress.report(1.0);
    return reopen();
}

Expected<VideoRecording::PacketTimes> VideoRecording::readPackets(OpeningProgress& progress,
                                                                  bool delayed) {
    AVIOContext* input = file_.format()->pb;
    const std::int64_t size = input ? avio_size(input) : -1;
    PacketTimes times;
    // Room for as many packets as the stream says it has, when the demuxer's own index already
    // holds that many (a header's count alone could ask for anything).
    const std::int64_t expected = std::min<std::int64_t>(
        file_.stream()->nb_frames, avformat_index_get_entries_count(file_.stream()));
    if (expected > 0) {
        times.pts.reserve(static_cast<std::size_t>(expected));
        times.duration.reserve(static_cast<std::size_t>(expected));
    }
    bool untimed = false;
    for (;;) {
        if (progress.stopped())
            return OpeningProgress::cancelled(name_);
        const Expected<bool> read = file_.readPacket(packet_.get());
        if (!read) {
            // The frames before a damaged or missing end are still the recording's.
            note_ = read.error().reason;
            break;
        }
        if (!*read || packetCount_ >= kLargestFrameNumber)
            break;
        untimed = untimed || packet_->pts == AV_NOPTS_VALUE;
        if (size > 0)
            progress.report(static_cast<double>(avio_tell(input)) / static_cast<double>(size) *
                            (untimed && delayed ? kReadingShareBeforeDecoding : 1.0));
        if (packet_->flags & AV_PKT_FLAG_KEY) {
            // Sought by its decoding time, else its presentation time, else its place.
            KeyPacket key{packetCount_, packet_->dts, packet_->pos, false};
            if (key.target == AV_NOPTS_VALUE)
                key.target = packet_->pts;
            if (key.target == AV_NOPTS_VALUE && packet_->pos >= 0) {
                key.target = packet_->pos;
                key.byPlace = true;
            }
            keys_.push_back(key);
        }
        times.pts.push_back(packet_->pts);
        times.duration.push_back(packet_->duration);
        ++packetCount_;
    }
    av_packet_unref(packet_.get());
    return times;
}

Expected<void> VideoRecording::learnPresentationOrder(OpeningProgress& progress) {
    if (Expected<void> opened = reopen(); !opened)
        return opened;
    std::vector<char> presented(static_cast<std::size_t>(packetCount_), 0);
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(packetCount_));
    for (;;) {
        if (progress.stopped())
            return OpeningProgress::cancelled(name_);
        progress.report(kReadingShareBeforeDecoding + (1 - kReadingShareBeforeDecoding) *
                                                          static_cast<double>(order.size()) /
                                                          static_cast<double>(packetCount_));
        const Expected<int> next = nextPicture();
        if (!next)
            return next.error();
        if (*next < 0)
            break;
        if (!presented[static_cast<std::size_t>(*next)]) {
            presented[static_cast<std::size_t>(*next)] = 1;
            order.push_back(*next);
        }
    }
    // Packets that gave no picture come last, where they are refused.
    for (std::size_t p = 0; p < presented.size(); ++p)
        if (!presented[p])
            order.push_back(static_cast<int>(p));
    shownPacket_ = std::move(order);
    for (std::size_t shown = 0; shown < shownPacket_.size(); ++shown)
        shownNumber_[static_cast<std::size_t>(shownPacket_[shown])] = static_cast<int>(shown);
    return {};
}

void VideoRecording::sampleAtRate(FrameRate rate, const PacketTimes& times) {
    // As the fps filter samples what the ffmpeg tool feeds it: times counted from the file's
    // start, each rounded to the nearest tick of the rate; tick t shows the last picture at or
    // before it, from the first picture's tick up to the end of the last picture's duration.
    const AVStream& stream = *file_.stream();
    const AVRational base = stream.time_base;
    const AVRational tick{rate.denominator, rate.numerator};
    const AVFormatContext& format = *file_.format();
    const std::int64_t offset = format.start_time == AV_NOPTS_VALUE
                                    ? 0
                                    : av_rescale_q(-format.start_time, kMicroseconds, base);
    const AVRational frameRate =
        stream.r_frame_rate.num > 0 ? stream.r_frame_rate : AVRational{25, 1};
    const std::int64_t frameDuration =
        std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(frameRate), base));
    const auto timeOf = [&](std::size_t shown) {
        const std::int64_t pts = times.pts[static_cast<std::size_t>(shownPacket_[shown])];
        return pts == AV_NOPTS_VALUE ? static_cast<std::int64_t>(shown) * frameDuration
                                     : pts + offset;
    };
    const auto tickOf = [&](std::size_t shown) {
        return av_rescale_q_rnd(timeOf(shown), base, tick, AVRounding(kRounding));
    };
    const std::size_t last = shownPacket_.size() - 1;
    firstTick_ = tickOf(0);
    ticks_.resize(shownPacket_.size());
    for (std::size_t shown = 0; shown <= last; ++shown)
        ticks_[shown] = ticksAfter(tickOf(shown), firstTick_);
    const std::int64_t lastDuration = times.duration[static_cast<std::size_t>(shownPacket_[last])];
    const std::int64_t duration = lastDuration > 0 ? lastDuration : frameDuration;
    const std::int64_t endMicroseconds = av_rescale_q(timeOf(last), base, kMicroseconds) +
                                         av_rescale_q(duration, base, kMicroseconds);
    const std::int64_t end = av_rescale_q_rnd(
        av_rescale_q_rnd(endMicroseconds, kMicroseconds, base, AVRounding(kRounding)), base, tick,
        AVRounding(kRounding));
    samples_ = std::max(0, ticksAfter(end, firstTick_));
}

long long VideoRecording::frameCount() const {
    return conversion_.fps ? samples_ : packetCount_;
}

std::string VideoRecording::frameName(long long frame) const {
    return name_ + " frame " + std::to_string(frame);
}

std::string VideoRecording::description() const {
    std::string text = name_ + ": " + source_ +
                       (conversion_.fit == Fit::Crop ? ", cropped" : ", stretched") +
                       " to 160 x 120, " +
                       (conversion_.fps ? "sampled at " + rateText(*conversion_.fps) + " fps"
                                        : std::string("every frame"));
    return note_.empty() ? text : text + " (reading stopped early: " + note_ + ")";
}

Expected<void> VideoRecording::reopen() {
    file_ = MediaFile{};
    Expected<MediaFile> file = MediaFile::open(path_, name_, conversion_.decoderThreads);
    if (!file)
        return file.error();
    file_ = std::move(*file);
    nextPacket_ = firstSent_ = 0;
    held_ = flushed_ = drained_ = false;
    positioned_ = true;
    lastShown_ = -1;
    return {};
}

Expected<void> VideoRecording::seekTo(int key) {
    positioned_ = held_ = flushed_ = drained_ = false;
    lastShown_ = -1;
    lastFailure_.clear();
    // The key frames up to the one wanted; a file that failed to open again is opened again.
    const auto last =
        std::upper_bound(keys_.begin(), keys_.end(), key,
                         [](int packet, const KeyPacket& k) { return packet < k.packet; });
    if (key != 0 && last != keys_.begin() && std::prev(last)->packet == key && file_.decoder()) {
        avcodec_flush_buffers(file_.decoder());
        const KeyPacket& entry = *std::prev(last);
        int sought = -1;
        if (entry.target != AV_NOPTS_VALUE)
            sought = av_seek_frame(file_.format(), file_.stream()->index, entry.target,
                                   entry.byPlace ? AVSEEK_FLAG_BYTE : AVSEEK_FLAG_BACKWARD);
        // Which packet the demuxer landed on, found by its place in the file among the key
        // frames at or before the one wanted; anything else is read again from the start.
        const Expected<bool> read =
            sought >= 0 ? file_.readPacket(packet_.get()) : Expected<bool>(false);
        if (read && *read && packet_->pos >= 0) {
            const auto found = std::find_if(
                keys_.begin(), last, [this](const KeyPacket& k) { return k.pos == packet_->pos; });
            if (found != last) {
                nextPacket_ = found->packet + 1;
                firstSent_ = key;
                held_ = true;
                positioned_ = true;
                return {};
            }
        }
    }
    if (Expected<void> opened = reopen(); !opened)
        return opened;
    firstSent_ = key;
    return {};
}

Expected<int> VideoRecording::nextPicture() {
    AVCodecContext* decoder = file_.decoder();
    int failuresAtEnd = 0;
    for (;;) {
        const int received = avcodec_receive_frame(decoder, picture_.get());
        if (received == 0) {
            const std::int64_t number = picture_->pts;
            if (number >= 0 && number < packetCount_)
                return static_cast<int>(number);
            av_frame_unref(picture_.get());
            continue;
        }
        if (received == AVERROR_EOF) {
            drained_ = true;
            return -1;
        }
        if (received != AVERROR(EAGAIN)) {
            lastFailure_ = errorText(received);
            // A decoder that only fails once it has everything would not stop otherwise.
            if (flushed_ && ++failuresAtEnd > 64) {
                drained_ = true;
                return -1;
            }
        }
        if (flushed_)
            continue;

        if (!held_) {
            Expected<bool> read = false;
            if (nextPacket_ < packetCount_)
                read = file_.readPacket(packet_.get());
            if (!read)
                lastFailure_ = read.error().reason;
            if (!read || !*read) {
                if (const int sent = avcodec_send_packet(decoder, nullptr); sent < 0)
                    return Error{name_, "cannot finish decoding (" + errorText(sent) + ")"};
                flushed_ = true;
                continue;
            }
            ++nextPacket_;
        }
        held_ = false;
        const int number = nextPacket_ - 1;
        if (number < firstSent_)
            continue;
        packet_->pts = number;
        packet_->dts = AV_NOPTS_VALUE;
        // A picture presented before the one wanted is decoded only when others refer to it.
        decoder->skip_frame = shownNumber_[static_cast<std::size_t>(number)] < wanted_
                                  ? AVDISCARD_NONREF
                                  : AVDISCARD_DEFAULT;
        const int sent = avcodec_send_packet(decoder, packet_.get());
        if (sent == AVERROR(EAGAIN))
            held_ = true;
        else if (sent < 0)
            lastFailure_ = errorText(sent);
    }
}

int VideoRecording::startingPacket(long long shown) const {
    const int packet = shownPacket_[static_cast<std::size_t>(shown)];
    auto key = std::upper_bound(keys_.begin(), keys_.end(), packet,
                                [](int number, const KeyPacket& k) { return number < k.packet; });
    while (key != keys_.begin()) {
        --key;
        if (shownNumber_[static_cast<std::size_t>(key->packet)] <= shown)
            return key->packet;
    }
    return 0;
}

Expected<void> VideoRecording::decodeShown(long long shown, const std::string& frame) {
    wanted_ = shown;
    const int start = startingPacket(shown);
    const bool onTheWay = positioned_ && !drained_ && shown > lastShown_ && firstSent_ <= start &&
                          start <= nextPacket_;
    if (!onTheWay)
        if (Expected<void> sought = seekTo(start); !sought)
            return sought;
    for (;;) {
        const Expected<int> next = nextPicture();
        if (!next)
            return next.error();
        const long long number =
            *next < 0 ? LLONG_MAX : shownNumber_[static_cast<std::size_t>(*next)];
        if (number == shown) {
            lastShown_ = number;
            return {};
        }
        av_frame_unref(picture_.get());
        if (number > shown) {
            lastShown_ = number == LLONG_MAX ? lastShown_ : number;
            return Error{frame, lastFailure_.empty()
                                    ? "could not be decoded"
                                    : "could not be decoded (" + lastFailure_ + ")"};
        }
        lastShown_ = std::max(lastShown_, number);
    }
}

Expected<void> VideoRecording::readFrame(long long frame, std::vector<std::uint8_t>& file) {
    if (frame < 0 || frame >= frameCount())
        return Error{frameName(frame),
                     "no such frame, the video has " + std::to_string(frameCount())};
    long long shown = frame;
    if (conversion_.fps)
        shown = std::upper_bound(ticks_.begin(), ticks_.end(), frame) - ticks_.begin() - 1;
    if (Expected<void> decoded = decodeShown(shown, frameName(frame)); !decoded)
        return Error{frameName(frame), decoded.error().reason};
    Expected<void> converted = converter_.convert(*picture_, file_.stream()->time_base, file);
    av_frame_unref(picture_.get());
    if (!converted)
        return Error{frameName(frame), converted.error().reason};
    return {};
}

} // namespace vireo::media
