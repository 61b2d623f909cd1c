#include "input/bitmap_loader.h"
#include "sources/folder_recordings.h"
#include "sources/media_file.h"
#include "sources/media_functions.h"
#include "sources/natural_order.h"
#include "sources/opening_progress.h"
#include "sources/video_recording.h"

#include <algorithm>
#include <fstream>

namespace vireo {

namespace {

// What FFmpeg's demuxers take the file for, from its name and first bytes, and how sure they are.
const AVInputFormat* probeFile(const std::filesystem::path& path, int& score) {
    constexpr std::size_t kProbeBytes = 4096;
    std::vector<std::uint8_t> start(kProbeBytes + AVPROBE_PADDING_SIZE, 0);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(start.data()), kProbeBytes);
    const std::string name = path.filename().string();
    AVProbeData probe{};
    probe.filename = name.c_str();
    probe.buf = start.data();
    probe.buf_size = static_cast<int>(in.gcount());
    return av_probe_input_format3(&probe, 1, &score);
}

// FFmpeg's single-picture demuxers: one per picture format ("png_pipe", "jpeg_pipe" ...),
// GIF's, and image2 for the kinds known by their name alone.
bool readsPictures(const AVInputFormat& format) {
    const std::string_view kind = format.name;
    return (kind.size() > 5 && kind.substr(kind.size() - 5) == "_pipe") || kind == "gif" ||
           kind == "image2";
}

} // namespace

bool media::isPictureFile(const std::filesystem::path& path) {
    int score = 0;
    const AVInputFormat* format = probeFile(path, score);
    return format != nullptr && readsPictures(*format);
}

bool media::isVideoFile(const std::filesystem::path& path) {
    int score = 0;
    const AVInputFormat* format = probeFile(path, score);
    return format != nullptr && !readsPictures(*format) && score > AVPROBE_SCORE_EXTENSION;
}

PictureFolder::PictureFolder(std::filesystem::path folder, std::vector<std::string> names,
                             const Conversion& conversion)
    : folder_(std::move(folder))
    , names_(std::move(names))
    , conversion_(conversion) {
    conversion_.fps.reset();
}

Expected<std::unique_ptr<PictureFolder>> PictureFolder::open(const std::filesystem::path& folder,
                                                             const Conversion& conversion,
                                                             const OpeningControl& control) {
    const std::string name =
        folder.filename().empty() ? folder.string() : folder.filename().string();
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code typeError;
        if (entry->is_regular_file(typeError))
            files.push_back(entry->path());
    }
    if (error)
        return Error{name, "cannot read the folder (" + error.message() + ")"};
    OpeningProgress progress(control);
    std::vector<std::string> names;
    for (std::size_t probed = 0; probed < files.size(); ++probed) {
        if (progress.stopped())
            return OpeningProgress::cancelled(name);
        progress.report(static_cast<double>(probed) / static_cast<double>(files.size()));
        if (media::isPictureFile(files[probed]))
            names.push_back(files[probed].filename().string());
    }
    progress.report(1.0);
    if (names.empty())
        return Error{name, "holds no pictures and no picN.bmp frames"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return comesBeforeNaturally(a, b);
    });
    return std::unique_ptr<PictureFolder>(new PictureFolder(folder, std::move(names), conversion));
}

std::string PictureFolder::frameName(long long frame) const {
    if (frame < 0 || frame >= frameCount())
        return "frame " + std::to_string(frame);
    return names_[static_cast<std::size_t>(frame)];
}

std::string PictureFolder::description() const {
    return folder_.filename().string() + ": " + std::to_string(names_.size()) + " pictures, " +
           (conversion_.fit == Fit::Crop ? "cropped" : "stretched") + " to 160 x 120";
}

Expected<void> PictureFolder::readFrame(long long frame, std::vector<std::uint8_t>& file) {
    if (frame < 0 || frame >= frameCount())
        return Error{frameName(frame),
                     "no such frame, the folder has " + std::to_string(frameCount())};
    // A picture is a video of one frame.
    const std::string& name = names_[static_cast<std::size_t>(frame)];
    auto picture = media::VideoRecording::open(folder_ / name, conversion_);
    if (!picture)
        return picture.error();
    if (Expected<void> read = (*picture)->readFrame(0, file); !read)
        return Error{name, read.error().reason};
    return {};
}

} // namespace vireo
