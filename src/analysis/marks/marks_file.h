#pragma once

#include "errors/error.h"
#include "marks/marks.h"

#include <filesystem>

namespace vireo {

// The largest marks file read: 64 MiB, room for a mark on every scan row of more than a million
// frames (over nine hours at 30 frames a second). A larger file is refused unread.
inline constexpr long long kMostMarksFileBytes = 64LL << 20;

// Reads a marks file: the header line "frame,row,column" (after a UTF-8 byte-order mark, if
// any), then one mark per line, "frame,row,column" with frame a frame number (0..2147483647), row
// 40, 60 or 80 and column a number 0..159.9 with at most one decimal ("83", "83.5"). Blank lines
// and a last line without a newline are accepted; a later mark on the same frame and row replaces
// an earlier one. Any other line refuses the whole file, with an error naming the file and the
// line: subject "run7/vireo-marks.csv", reason "line 7: row 50 is not a scan row (40, 60 or 80)".
//
// Folders, devices, pipes and sockets are refused before anything is read from them, so that
// none can block or feed the reader without end, and so are files larger than
// kMostMarksFileBytes and temporary files of a write (see writeFileWhole). A missing file gives
// an error too; callers that treat it as "no marks" check for it first.
Expected<Marks> readMarksFile(const std::filesystem::path& file);

// Writes every mark to `file` (header, then one line per mark by frame and row, the column with
// one decimal: "5,60,83.0") through writeFileWhole: `file` is always either the old file or the
// new one whole; a symbolic link keeps leading to the file it leads to, which gets the marks.
Expected<void> writeMarksFile(const std::filesystem::path& file, const Marks& marks);

} // namespace vireo
