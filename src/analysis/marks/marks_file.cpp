#include "marks/marks_file.h"

#include "errors/decimal.h"
#include "errors/reason_text.h"
#include "centers/centers.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vireo {

namespace {

constexpr std::string_view kHeader = "frame,row,column";
constexpr int kLastTenths = Frame::kPictureWidth * 10 - 1;

Error fileError(const std::filesystem::path& file, const std::string& what, int errorNumber) {
    return Error{file.string(), what + ": " + reasonText(std::strerror(errorNumber))};
}

// The whole file, or errno.
Expected<std::string> readAll(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fileError(file, "cannot read", errno);
    std::string bytes;
    char buffer[1 << 14];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int errorNumber = errno;
            ::close(fd);
            return fileError(file, "cannot read", errorNumber);
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

// "83" or "83.5": digits, then at most one decimal; the value in tenths, at most kLastTenths.
std::optional<int> parseColumn(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    int decimal = 0;
    if (point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        if (fraction.size() != 1 || fraction[0] < '0' || fraction[0] > '9')
            return std::nullopt;
        decimal = fraction[0] - '0';
    }
    const std::optional<long long> value = parseDecimal(whole);
    if (!value || *value > kLastTenths / 10)
        return std::nullopt;
    return static_cast<int>(*value * 10 + decimal);
}

// A mark line "frame,row,column", or the reason it is not one.
Expected<Mark> parseMark(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() != 3)
        return Error{{},
                     "expected frame,row,column, found " + std::to_string(fields.size()) +
                         (fields.size() == 1 ? " field" : " fields")};
    const auto quoted = [](std::string_view text) {
        std::string out(1, '"');
        out.append(text);
        out.push_back('"');
        return out;
    };
    const std::optional<long long> frame = parseDecimal(fields[0]);
    if (!frame || *frame > INT_MAX)
        return Error{{}, "frame " + quoted(fields[0]) + " is not a whole number 0..2147483647"};
    const std::optional<long long> row = parseDecimal(fields[1]);
    if (!row || std::find(kScanRows.begin(), kScanRows.end(), *row) == kScanRows.end())
        return Error{{},
                     "row " + (row ? std::string(fields[1]) : quoted(fields[1])) +
                         " is not a scan row (40, 60 or 80)"};
    const std::optional<int> tenths = parseColumn(fields[2]);
    if (!tenths)
        return Error{{},
                     "column " + quoted(fields[2]) +
                         " is not a number 0..159.9 with at most one decimal"};
    return Mark{static_cast<int>(*frame), static_cast<int>(*row), *tenths};
}

std::string marksText(const Marks& marks) {
    std::string text(kHeader);
    text.push_back('\n');
    for (const Mark& mark : marks.all()) {
        char line[64];
        std::snprintf(line, sizeof line, "%d,%d,%d.%d\n", mark.frame, mark.row,
                      mark.columnTenths / 10, mark.columnTenths % 10);
        text += line;
    }
    return text;
}

// Writes all of `text` to `fd`; 0 or errno.
int writeText(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return errno;
        done += static_cast<std::size_t>(wrote);
    }
    return 0;
}

} // namespace

Expected<Marks> readMarksFile(const std::filesystem::path& file) {
    const Expected<std::string> bytes = readAll(file);
    if (!bytes)
        return bytes.error();
    const std::string_view text = *bytes;
    Marks marks;
    bool header = false;
    int lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const auto lineError = [&](const std::string& reason) {
            return Error{file.string(), "line " + std::to_string(lineNumber) + ": " + reason};
        };
        if (!header) {
            if (line != kHeader)
                return lineError("expected the header \"" + std::string(kHeader) + "\"");
            header = true;
            continue;
        }
        const Expected<Mark> mark = parseMark(line);
        if (!mark)
            return lineError(mark.error().reason);
        marks.set(*mark);
    }
    if (!header)
        return Error{file.string(),
                     "no header line \"" + std::string(kHeader) + "\": the file is empty"};
    return marks;
}

Expected<void> writeMarksFile(const std::filesystem::path& file, const Marks& marks) {
    const std::string text = marksText(marks);
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fileError(file, "cannot write", errno);
    // mkstemp makes the file readable by its owner alone: keep the old file's permissions, or
    // give a new one the usual 0644.
    struct stat old {};
    const mode_t mode = ::stat(file.c_str(), &old) == 0 ? (old.st_mode & 0777) : 0644;
    int errorNumber = 0;
    if (::fchmod(fd, mode) != 0)
        errorNumber = errno;
    if (errorNumber == 0)
        errorNumber = writeText(fd, text);
    if (errorNumber == 0 && ::fsync(fd) != 0)
        errorNumber = errno;
    if (::close(fd) != 0 && errorNumber == 0)
        errorNumber = errno;
    if (errorNumber == 0 && ::rename(temporary.c_str(), file.c_str()) != 0)
        errorNumber = errno;
    if (errorNumber != 0) {
        ::unlink(temporary.c_str());
        return fileError(file, "cannot write", errorNumber);
    }
    // The rename itself reaches the disk with the folder. A folder that cannot be opened for
    // reading still holds the new file; only a failed flush is reported.
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const int flushed = ::fsync(folderFd);
        const int flushError = errno;
        ::close(folderFd);
        if (flushed != 0)
            return fileError(file, "cannot write", flushError);
    }
    return {};
}

} // namespace vireo
