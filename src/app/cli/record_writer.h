#pragma once

#include "app/cli/cli_options.h"
#include "app/cli/run_record.h"
#include "sweep/sweep_summary.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace vireo {

// The CSV header line, newline included.
inline constexpr const char* kCsvHeader =
    "frame,threshold,run,center40,center60,center80,forecast,line_top,line_bottom\n";

// The CSV header line of --summary, newline included.
inline constexpr const char* kSummaryCsvHeader =
    "threshold,frames,failed,tracked,jitter,edge_share,clamped\n";
// The same with marks: the summary's columns, then marked, error and suggested.
inline constexpr const char* kSummaryMarksCsvHeader =
    "threshold,frames,failed,tracked,jitter,edge_share,clamped,marked,error,suggested\n";

// The columns a summary line gains from the operator's marks.
struct MarkColumns {
    long long marked = 0;        // marked (frame, scan row) pairs whose frame loaded
    std::optional<double> error; // their mean |centre - mark|; nullopt when marked is 0
    bool suggested = false;      // the suggested threshold's line
};

// Appends one record as a CSV line: integers in decimal, the two line ends in the shortest form
// that reads back as the same double ("79.66666666666667", "81").
void appendCsvRecord(std::string& out, const RunRecord& record);

// Formats records as JSON objects, one per line, with the CSV column names as keys in the same
// order and the same values, followed by support40, support60 and support80: how many of the 21
// band rows of each scan row supported the run's start column. An integral line end prints as
// "81.0", still a JSON number.
class JsonlFormatter {
public:
    JsonlFormatter();
    void append(std::string& out, const RunRecord& record);

private:
    nlohmann::ordered_json object_; // keys set once, values replaced per record
};

// Writes records to a file descriptor through a large buffer: no flush per line, so thousands of
// frames a second cost little. A failed write (a reader that went away, a full disk) stops all
// later writing; the caller asks failed() and errorNumber() and stops producing records.
class RecordWriter {
public:
    RecordWriter(int fd, RecordFormat format);
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // The CSV header of records, or of summary lines; nothing for JSON Lines.
    void writeHeader();
    void writeSummaryHeader(bool withMarks = false);
    void write(const RunRecord& record);
    // One --summary line: counts in decimal, jitter and edge_share in the shortest form that
    // reads back as the same double, empty in CSV and null in JSON Lines when there is none;
    // with `marks`, followed by marked, error (as jitter) and suggested (1 or 0).
    void write(const sweep::ThresholdSummary& line,
               const std::optional<MarkColumns>& marks = std::nullopt);
    // Writes out what is buffered; false when any write failed.
    bool flush();

    bool failed() const { return errorNumber_ != 0; }
    int errorNumber() const { return errorNumber_; }

private:
    void flushWhenFull();

    int fd_;
    RecordFormat format_;
    std::string buffer_;
    JsonlFormatter jsonl_;
    int errorNumber_ = 0;
};

} // namespace vireo
