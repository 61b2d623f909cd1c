#pragma once

#include "errors/error.h"
#include "marks/marks.h"

#include <filesystem>
#include <optional>

namespace vireo {

// The marks file that belongs to a recording: a folder's vireo-marks.csv (the current
// directory's when `recording` is empty), or for a video the file beside it named after it,
// "<video file name>.vireo-marks.csv" (run7.mp4.vireo-marks.csv). Every program finds a
// recording's marks through this function alone.
std::filesystem::path marksFileFor(const std::filesystem::path& recording);

// The marks of one recording and the file that keeps them: it reads the file and writes every
// change to it whole (see writeMarksFile), and says when the marks could not be written and so
// live only in memory, where the caller keeps them. A file that is there but could not be read
// whole (a bad line, a pipe, a file too large) is never written or replaced: it is the operator's
// to mend, or to leave for another file (saveAs).
class MarksStore {
public:
    // The marks of `recording`, from its marks file when there is one; no file is no marks.
    static MarksStore forRecording(const std::filesystem::path& recording);
    // The marks in `file`, which has to be there.
    static MarksStore fromFile(const std::filesystem::path& file);

    // Where the marks are read from and saved to.
    const std::filesystem::path& file() const { return file_; }
    // False for a recording that had no marks file when the store was opened.
    bool found() const { return found_; }
    // The marks read when the store was opened; empty when there was no file or it could not be
    // read.
    const Marks& marks() const { return marks_; }
    // Why file() could not be read whole; while this stands, save() refuses to touch it.
    const std::optional<Error>& unreadable() const { return unreadable_; }
    // True when the last save failed: the marks given to it exist only in the caller's memory.
    bool inMemoryOnly() const { return inMemoryOnly_; }

    // Writes `marks` to file() whole; refused, with unreadable()'s error, while file() could not
    // be read. On any error file() is left as it was. The first write that succeeds also removes
    // what writers killed during a write left beside the file (see removeStaleTemporaries).
    Expected<void> save(const Marks& marks);
    // Writes `marks` to `file` and keeps them there from now on; the old file is left as it is.
    // On an error nothing changes.
    Expected<void> saveAs(const std::filesystem::path& file, const Marks& marks);

private:
    explicit MarksStore(std::filesystem::path file);
    void read();
    void tidyAfterWrite();

    std::filesystem::path file_;
    bool found_ = false;
    Marks marks_;
    std::optional<Error> unreadable_;
    bool inMemoryOnly_ = false;
    bool tidied_ = false; // stale temporary files were removed after a write
};

} // namespace vireo
