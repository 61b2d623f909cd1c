#include "live/frame_recorder.h"

#include "errors/reason_text.h"
#include "files/whole_file.h"
#include "files/write_all.h"
#include "input/bitmap_loader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {

namespace {

std::string systemReason(int error) {
    return reasonText(std::strerror(error));
}

constexpr std::string_view kFramesCsvHeader = "frame,arrival_ms,dropped_before\n";

std::string folderName(std::chrono::system_clock::time_point started) {
    const std::time_t time = std::chrono::system_clock::to_time_t(started);
    std::tm local{};
    localtime_r(&time, &local);
    char name[32] = {};
    std::strftime(name, sizeof name, "vireo-%Y%m%d-%H%M%S", &local);
    return name;
}

} // namespace

FrameRecorder::FrameRecorder(std::filesystem::path folder, int list)
    : folder_(std::move(folder))
    , list_(list) {}

FrameRecorder::FrameRecorder(FrameRecorder&& other) noexcept
    : folder_(std::move(other.folder_))
    , list_(other.list_)
    , listBytes_(other.listBytes_)
    , frames_(other.frames_)
    , first_(other.first_)
    , stopped_(std::move(other.stopped_)) {
    other.list_ = -1;
}

FrameRecorder::~FrameRecorder() {
    if (list_ >= 0)
        ::close(list_);
}

Expected<FrameRecorder> FrameRecorder::start(const std::filesystem::path& parent,
                                             std::chrono::system_clock::time_point started) {
    const std::string name = folderName(started);
    std::filesystem::path folder = parent / name;
    for (int n = 2; ::mkdir(folder.c_str(), 0755) != 0; ++n) {
        if (errno != EEXIST || n > 100)
            return Error{folder.string(), "cannot be made: " + systemReason(errno)};
        folder = parent / (name + "-" + std::to_string(n));
    }
    const std::filesystem::path list = folder / kFramesCsvName;
    if (auto written = writeFileWhole(list, kFramesCsvHeader, Durability::Cached); !written)
        return written.error();
    const int fd = ::open(list.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return Error{list.string(), "cannot write: " + systemReason(errno)};
    FrameRecorder recorder(folder, fd);
    recorder.listBytes_ = static_cast<long long>(kFramesCsvHeader.size());
    return recorder;
}

Expected<void> FrameRecorder::stopWith(Error error) {
    stopped_ = error;
    return error;
}

Expected<void> FrameRecorder::add(std::span<const std::uint8_t> file,
                                  std::chrono::steady_clock::time_point arrival,
                                  long long droppedBefore) {
    if (stopped_)
        return *stopped_;
    const std::filesystem::path picture = folder_ / frameFileName(static_cast<int>(frames_));
    if (auto written = writeFileWhole(picture, file, Durability::Cached); !written)
        return stopWith(written.error());
    if (!first_)
        first_ = arrival;
    const long long micros =
        std::chrono::duration_cast<std::chrono::microseconds>(arrival - *first_).count();
    char line[96] = {};
    std::snprintf(line, sizeof line, "%lld,%lld.%03lld,%lld\n", frames_, micros / 1000,
                  micros % 1000, droppedBefore);
    if (const int error = writeAll(list_, line, std::strlen(line)); error) {
        // The list keeps its whole lines and the frame it cannot list goes.
        (void)!::ftruncate(list_, listBytes_);
        ::unlink(picture.c_str());
        return stopWith(
            {(folder_ / kFramesCsvName).string(), "cannot write: " + systemReason(error)});
    }
    listBytes_ += static_cast<long long>(std::strlen(line));
    ++frames_;
    return {};
}

} // namespace vireo
