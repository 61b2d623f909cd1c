#pragma once

#include "sources/frame_converter.h"
#include "sources/media_file.h"
#include "sources/opening_progress.h"
#include "sources/recording.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vireo::media {

// What the index keeps of a key frame's packet: where to seek to reach it and how to know it.
struct KeyPacket {
    int packet = 0;                       // its number in the order of the file
    std::int64_t target = AV_NOPTS_VALUE; // its time in the stream, or its place with byPlace
    std::int64_t pos = -1;                // its place in the file, -1 when not known
    bool byPlace = false;
};

// A video file. On opening, its packets are read once (not decoded) into an index of one small
// record per frame; the frames are the packets in the order of their presentation times (in the
// order the decoder presents them for a stream without times, such as raw H.264 with B-frames,
// which is decoded once to learn it). Frame N is reached by decoding on from the frame before
// when that is nearer, otherwise by seeking to the last key frame from which it decodes.
// Decoded pictures carry the number of their packet, so that each is known for certain.
class VideoRecording : public ConvertedRecording {
public:
    // Building the index reports the file position read over the file's size (decoding to learn
    // the order takes the last 90 % when it is needed) and stops between packets on request.
    static Expected<std::unique_ptr<VideoRecording>> open(const std::filesystem::path& path,
                                                          const Conversion& conversion,
                                                          const OpeningControl& control = {});

    long long frameCount() const override;
    std::string frameName(long long frame) const override;
    std::string description() const override;
    Expected<void> readFrame(long long frame, std::vector<std::uint8_t>& file) override;

private:
    VideoRecording(std::filesystem::path path, std::string name, MediaFile file,
                   const Conversion& conversion);

    // Each packet's times, kept only while the index is built.
    struct PacketTimes {
        std::vector<std::int64_t> pts;
        std::vector<std::int64_t> duration;
    };

    Expected<void> buildIndex(OpeningProgress& progress);
    Expected<PacketTimes> readPackets(OpeningProgress& progress, bool delayed);
    Expected<void> learnPresentationOrder(OpeningProgress& progress);
    void sampleAtRate(FrameRate rate, const PacketTimes& times);
    // Decodes the picture presented as number `shown` into picture_.
    Expected<void> decodeShown(long long shown, const std::string& frame);
    // Positions the demuxer so that packet `key`, a key frame, is the next one decoded.
    Expected<void> seekTo(int key);
    // Opens the file again from its start; the file open before is closed first, so that the
    // demuxer's own index of the file is never held twice.
    Expected<void> reopen();
    // The packet number of the next picture the decoder presents; -1 at the end.
    Expected<int> nextPicture();
    int startingPacket(long long shown) const;

    std::filesystem::path path_;
    std::string name_;
    MediaFile file_;
    Conversion conversion_;
    FrameConverter converter_;
    std::string note_;   // why the index ends before the file does
    std::string source_; // the picture size and codec, for description()

    // The index: 8 bytes a frame, and 4 more with a frame rate.
    int packetCount_ = 0;
    std::vector<int> shownPacket_; // packet of the picture presented as number N
    std::vector<int> shownNumber_; // presentation number of each packet
    std::vector<KeyPacket> keys_;  // the key frames' packets, ascending
    // With a frame rate: the first sample's tick, the number of samples and each picture's tick
    // counted from the first, held to the range of int (see sampleAtRate()).
    std::int64_t firstTick_ = 0;
    long long samples_ = 0;
    std::vector<int> ticks_;

    // Where decoding stands: the packet read next, the first one sent to the decoder, the last
    // picture it presented (-1: none since the last seek) and whether the end was sent.
    int nextPacket_ = 0;
    int firstSent_ = 0;
    long long lastShown_ = -1;
    long long wanted_ = -1; // the picture decodeShown() looks for; none while learning the order
    bool flushed_ = false;
    bool drained_ = false;
    bool positioned_ = false;
    bool held_ = false; // packet_ holds packet nextPacket_ - 1, not yet sent
    std::string lastFailure_;
    PacketPtr packet_;
    FramePtr picture_;
};

} // namespace vireo::media
