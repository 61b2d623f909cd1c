#include "app/cli/output_files.h"

#include "files/write_all.h"
#include "errors/reason_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace vireo {

namespace {

Error cannotWrite(const std::filesystem::path& file, int errorNumber) {
    return {file.string(), "cannot write: " + reasonText(std::strerror(errorNumber))};
}

// Writes `size` bytes as the whole content of `file`. A plain write without fsync: syncing every
// file made writing a thousand frames take seconds. A file that failed half-way is removed.
Expected<void> writeWholeFile(const std::filesystem::path& file, const std::uint8_t* data,
                              std::size_t size) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return cannotWrite(file, errno);
    int errorNumber = writeAll(fd, data, size);
    if (::close(fd) != 0 && errorNumber == 0 && errno != EINTR)
        errorNumber = errno;
    if (errorNumber == 0)
        return {};
    ::unlink(file.c_str());
    return cannotWrite(file, errorNumber);
}

} // namespace

Expected<void> makeOutputFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (!error)
        return {};
    return Error{folder.string(), "cannot create folder: " + reasonText(error.message())};
}

EdgeFileWriter::EdgeFileWriter() {
    std::copy_n(kHeader, kHeaderSize, bytes_.begin());
}

Expected<void> EdgeFileWriter::write(const std::filesystem::path& file, const Frame& edges) {
    auto* out = bytes_.data() + kHeaderSize;
    for (int y = 0; y < Frame::kPictureHeight; ++y, out += Frame::kPictureWidth) {
        const auto row = edges.row(y);
        std::copy_n(row.begin(), Frame::kPictureWidth, out);
    }
    return writeWholeFile(file, bytes_.data(), bytes_.size());
}

} // namespace vireo
