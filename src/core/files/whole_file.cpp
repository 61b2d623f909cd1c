#include "files/whole_file.h"

#include "errors/decimal.h"
#include "errors/reason_text.h"
#include "files/write_all.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {

namespace {

namespace fs = std::filesystem;

// As many links as the system follows before it gives up with ELOOP.
constexpr int kMostLinks = 40;

Error writeError(const fs::path& file, int errorNumber) {
    return Error{file.string(), "cannot write: " + reasonText(std::strerror(errorNumber))};
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// The file that `file` leads to through its symbolic links, if it is one; `file` otherwise
// (also when it does not exist yet).
Expected<fs::path> linkTarget(const fs::path& file) {
    fs::path at = file;
    for (int links = 0; links <= kMostLinks; ++links) {
        std::error_code error;
        if (!fs::is_symlink(at, error))
            return at;
        const fs::path target = fs::read_symlink(at, error);
        if (error)
            return writeError(file, error.value());
        at = target.is_absolute() ? target : folderOf(at) / target;
    }
    return writeError(file, ELOOP);
}

// The writer's process id, when `name` is that of a temporary file whose name starts with
// `prefix` (the file's name and kTemporaryMarker).
std::optional<pid_t> writerOf(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || name.size() - dash - 1 != 6)
        return std::nullopt;
    const std::optional<long long> pid = parseDecimal(name.substr(0, dash));
    if (!pid || *pid <= 0 || *pid > INT_MAX)
        return std::nullopt;
    return static_cast<pid_t>(*pid);
}

} // namespace

Expected<void> writeFileWhole(const fs::path& file, std::span<const std::uint8_t> bytes,
                              Durability durability) {
    const Expected<fs::path> resolved = linkTarget(file);
    if (!resolved)
        return resolved.error();
    const fs::path& target = *resolved;
    // Only a regular file is replaced, never a device, a pipe or a folder in its place.
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        return Error{file.string(), "cannot write: not a regular file"};
    std::string temporary =
        target.string() + std::string(kTemporaryMarker) + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return writeError(file, errno);
    // mkstemp makes the file readable by its owner alone: keep the old file's permissions, or
    // give a new one the usual 0644.
    const mode_t mode = replacing ? (old.st_mode & 0777) : 0644;
    int errorNumber = 0;
    if (::fchmod(fd, mode) != 0)
        errorNumber = errno;
    if (errorNumber == 0)
        errorNumber = writeAll(fd, bytes.data(), bytes.size());
    const bool synced = durability == Durability::Synced;
    if (errorNumber == 0 && synced && ::fsync(fd) != 0)
        errorNumber = errno;
    if (::close(fd) != 0 && errorNumber == 0)
        errorNumber = errno;
    if (errorNumber == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        errorNumber = errno;
    if (errorNumber != 0) {
        ::unlink(temporary.c_str());
        return writeError(file, errorNumber);
    }
    if (!synced)
        return {};
    // The rename itself reaches the disk with the folder. A folder that cannot be opened for
    // reading still holds the new file; only a failed flush is reported.
    const int folderFd = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const int flushed = ::fsync(folderFd);
        const int flushError = errno;
        ::close(folderFd);
        if (flushed != 0)
            return writeError(file, flushError);
    }
    return {};
}

void removeStaleTemporaries(const fs::path& file) {
    const Expected<fs::path> resolved = linkTarget(file);
    if (!resolved)
        return;
    const fs::path& target = *resolved;
    const std::string prefix = target.filename().string() + std::string(kTemporaryMarker);
    std::error_code error;
    for (fs::directory_iterator entry(folderOf(target), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::optional<pid_t> writer = writerOf(entry->path().filename().string(), prefix);
        // kill gives ESRCH for a process that does not exist, EPERM for one of another user.
        if (writer && *writer != ::getpid() && ::kill(*writer, 0) != 0 && errno == ESRCH)
            ::unlink(entry->path().c_str());
    }
}

} // namespace vireo
