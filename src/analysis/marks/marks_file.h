#pragma once

#include "marks/marks.h"
#include "errors/error.h"

#include <filesystem>

namespace vireo {

// Reads a marks file: the header line "frame,row,column", then one mark per line,
// "frame,row,column" with frame a frame number (0..2147483647), row 40, 60 or 80 and column a
// number 0..159.9 with at most one decimal ("83", "83.5"). Blank lines and a last line without
// a newline are accepted; a later mark on the same frame and row replaces an earlier one. Any
// other line refuses the whole file, with an error naming the file and the line: subject
// "run7/vireo-marks.csv", reason "line 7: row 50 is not a scan row (40, 60 or 80)". A missing
// file gives an error too; callers that treat it as "no marks" check for it first.
Expected<Marks> readMarksFile(const std::filesystem::path& file);

// Writes every mark to `file` (header, then one line per mark by frame and row, the column with
// one decimal: "5,60,83.0"). The marks are written to a temporary file in the same folder,
// flushed to the disk and renamed over `file`, so that `file` is always either the old file or
// the new one whole, whatever happens during the write (a crash, a full disk). On an error the
// old file is left as it was and the temporary file removed; the error names `file` and the
// reason ("cannot write: permission denied").
Expected<void> writeMarksFile(const std::filesystem::path& file, const Marks& marks);

} // namespace vireo
