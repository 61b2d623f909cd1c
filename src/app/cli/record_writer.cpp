#include "app/cli/record_writer.h"

#include "files/write_all.h"

#include <cerrno>
#include <charconv>
#include <unistd.h>

namespace vireo {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
// Room left for one more record before the buffer is written out.
constexpr std::size_t kFlushMark = kBufferSize - 512;

template <typename Number> void appendNumber(std::string& out, Number value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void appendCsvSummary(std::string& out, const sweep::ThresholdSummary& line,
                      const std::optional<MarkColumns>& marks) {
    for (const long long value :
         {static_cast<long long>(line.threshold), line.frames, line.failed, line.tracked}) {
        appendNumber(out, value);
        out.push_back(',');
    }
    for (const auto& share : {line.jitter, line.edgeShare}) {
        if (share)
            appendNumber(out, *share);
        out.push_back(',');
    }
    appendNumber(out, line.clamped);
    if (marks) {
        out.push_back(',');
        appendNumber(out, marks->marked);
        out.push_back(',');
        if (marks->error)
            appendNumber(out, *marks->error);
        out.push_back(',');
        out.push_back(marks->suggested ? '1' : '0');
    }
    out.push_back('\n');
}

void appendJsonlSummary(std::string& out, const sweep::ThresholdSummary& line,
                        const std::optional<MarkColumns>& marks) {
    nlohmann::ordered_json object;
    object["threshold"] = line.threshold;
    object["frames"] = line.frames;
    object["failed"] = line.failed;
    object["tracked"] = line.tracked;
    object["jitter"] = line.jitter ? nlohmann::ordered_json(*line.jitter) : nullptr;
    object["edge_share"] = line.edgeShare ? nlohmann::ordered_json(*line.edgeShare) : nullptr;
    object["clamped"] = line.clamped;
    if (marks) {
        object["marked"] = marks->marked;
        object["error"] = marks->error ? nlohmann::ordered_json(*marks->error) : nullptr;
        object["suggested"] = marks->suggested ? 1 : 0;
    }
    out += object.dump();
    out.push_back('\n');
}

} // namespace

void appendCsvRecord(std::string& out, const RunRecord& record) {
    for (const int value : {record.frame, record.threshold, record.run, record.centres[0],
                            record.centres[1], record.centres[2], record.forecast}) {
        appendNumber(out, value);
        out.push_back(',');
    }
    appendNumber(out, record.lineTop);
    out.push_back(',');
    appendNumber(out, record.lineBottom);
    out.push_back('\n');
}

JsonlFormatter::JsonlFormatter() {
    for (const char* key :
         {"frame", "threshold", "run", "center40", "center60", "center80", "forecast"})
        object_[key] = 0;
    object_["line_top"] = 0.0;
    object_["line_bottom"] = 0.0;
    for (const char* key : {"support40", "support60", "support80"})
        object_[key] = 0;
}

void JsonlFormatter::append(std::string& out, const RunRecord& record) {
    object_["frame"] = record.frame;
    object_["threshold"] = record.threshold;
    object_["run"] = record.run;
    object_["center40"] = record.centres[0];
    object_["center60"] = record.centres[1];
    object_["center80"] = record.centres[2];
    object_["forecast"] = record.forecast;
    object_["line_top"] = record.lineTop;
    object_["line_bottom"] = record.lineBottom;
    object_["support40"] = record.support[0];
    object_["support60"] = record.support[1];
    object_["support80"] = record.support[2];
    out += object_.dump();
    out.push_back('\n');
}

RecordWriter::RecordWriter(int fd, RecordFormat format)
    : fd_(fd)
    , format_(format) {
    buffer_.reserve(kBufferSize);
}

void RecordWriter::writeHeader() {
    if (format_ == RecordFormat::Csv && !failed())
        buffer_ += kCsvHeader;
}

void RecordWriter::writeSummaryHeader(bool withMarks) {
    if (format_ == RecordFormat::Csv && !failed())
        buffer_ += withMarks ? kSummaryMarksCsvHeader : kSummaryCsvHeader;
}

void RecordWriter::write(const sweep::ThresholdSummary& line,
                         const std::optional<MarkColumns>& marks) {
    if (failed())
        return;
    if (format_ == RecordFormat::Csv)
        appendCsvSummary(buffer_, line, marks);
    else
        appendJsonlSummary(buffer_, line, marks);
    flushWhenFull();
}

void RecordWriter::write(const RunRecord& record) {
    if (failed())
        return;
    if (format_ == RecordFormat::Csv)
        appendCsvRecord(buffer_, record);
    else
        jsonl_.append(buffer_, record);
    flushWhenFull();
}

void RecordWriter::flushWhenFull() {
    if (buffer_.size() >= kFlushMark)
        flush();
}

bool RecordWriter::flush() {
    if (!failed())
        errorNumber_ = writeAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return !failed();
}

} // namespace vireo
