#pragma once

#include "app/cli/cli_options.h"
#include "app/cli/output_files.h"
#include "app/cli/run_record.h"
#include "text/error.h"
#include "tracker/tracker.h"
#include "ui/raster_surface.h"

#include <optional>
#include <span>
#include <vector>

namespace vireo {

// Takes the operator's steps on one frame after another with one tracker for the whole run,
// started up at the run's threshold: for each frame the frame change (scan rows reset to column
// 80, the frame loaded), "Display Picture" and then the requested number of "Find Center" runs,
// each continuing from the centres the run before it stored. With a render folder the edge map
// and the overlay are drawn on a surface of the window's size, cleared by each frame change as
// the window's edge picture is, and saved as OUT/vireoN.png; otherwise nothing is painted, and
// the records are the same either way.
class FrameRunner {
public:
    explicit FrameRunner(const CliOptions& options);

    // Processes frame `frame`; true when everything about it succeeded. records() then holds one
    // record per run, or none when the frame could not be loaded; errors() holds one error per
    // failure, e.g. "pic3.bmp: bit count 8, expected 24" or
    // "/proc/edges3.pgm: cannot write: permission denied". An unwritable output file fails the
    // frame but keeps its records.
    bool process(int frame);

    std::span<const RunRecord> records() const { return records_; }
    const std::vector<Error>& errors() const { return errors_; }

private:
    void keep(Expected<void> outcome);

    const CliOptions& options_;
    std::optional<RasterSurface> picture4_; // only with a render folder
    Tracker tracker_;
    EdgeFileWriter edgeFiles_;
    std::vector<RunRecord> records_;
    std::vector<Error> errors_;
};

} // namespace vireo
