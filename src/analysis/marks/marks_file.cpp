#include "marks/marks_file.h"

#include "centers/centers.h"
#include "errors/decimal.h"
#include "errors/reason_text.h"
#include "files/file_descriptor.h"
#include "files/whole_file.h"

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

Error readError(const std::filesystem::path& file, std::string reason) {
    return Error{file.string(), std::move(reason)};
}

// The whole file, when it is a regular file of at most kMostMarksFileBytes.
Expected<std::string> readAll(const std::filesystem::path& file) {
    if (file.filename().string().find(kTemporaryMarker) != std::string::npos)
        return readError(file, "is a temporary file of an unfinished write, not a marks file");
    // Non-blocking, so that opening a pipe cannot wait for a writer; it is refused below.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return readError(file, errno == ENXIO ? "not a regular file" // a socket
                                              : "cannot read: " + reasonText(std::strerror(errno)));
    const FileDescriptor open(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return readError(file, "cannot read: " + reasonText(std::strerror(errno)));
    if (S_ISDIR(info.st_mode))
        return readError(file, "is a folder, not a marks file");
    if (!S_ISREG(info.st_mode))
        return readError(file, "not a regular file");
    const auto tooLarge = [&](long long size) {
        return readError(file, "file is " + std::to_string(size) + " bytes, over the " +
                                   std::to_string(kMostMarksFileBytes) +
                                   " bytes (64 MiB) a marks file may hold");
    };
    if (info.st_size > kMostMarksFileBytes)
        return tooLarge(info.st_size);
    std::string bytes;
    char buffer[1 << 14];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return readError(file, "cannot read: " + reasonText(std::strerror(errno)));
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        // A file that grows while it is read stops at the limit all the same.
        if (static_cast<long long>(bytes.size()) > kMostMarksFileBytes)
            return tooLarge(static_cast<long long>(bytes.size()));
    }
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

} // namespace

Expected<Marks> readMarksFile(const std::filesystem::path& file) {
    const Expected<std::string> bytes = readAll(file);
    if (!bytes)
        return bytes.error();
    std::string_view text = *bytes;
    // Spreadsheets put a UTF-8 byte-order mark before the header.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
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
    return writeFileWhole(file, marksText(marks));
}

} // namespace vireo
