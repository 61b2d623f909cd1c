#pragma once

#include "app/cli/cli_options.h"
#include "app/cli/output_files.h"
#include "app/cli/run_record.h"
#include "state/null_surface.h"
#include "state/tracking_state.h"

#include <span>
#include <string>
#include <vector>

namespace vireo {

class FrameRenderer;

// Runs the window's sequence on one frame after another, with one tracking state for the whole
// run, set up as the window's start-up does (kernels filled, threshold stored).
//
// For each frame: the frame change (scan rows reset to centre 80), the load, "Display Picture"
// and then the requested number of "Find Center" runs, each continuing from the centres the run
// before it stored. With a render folder and a renderer the edge map and overlay are drawn on
// the renderer's fresh surface per frame, exactly as the window's edge surface would show them,
// and saved as OUT/vireoN.png; otherwise nothing is painted, and the records are the same either
// way.
class FrameRunner {
public:
    // `renderer`, when given, must outlive the runner.
    explicit FrameRunner(const CliOptions& options, FrameRenderer* renderer = nullptr);

    // Processes frame `frame`; true when everything about it succeeded. records() then holds one
    // record per run, or none when the frame could not be loaded or processed; errors() holds a
    // message per failure, e.g. "pic3.bmp: bit count 8, expected 24" or
    // "/proc/edges3.pgm: cannot write: permission denied". An unwritable output file fails the
    // frame but keeps its records.
    bool process(int frame);

    std::span<const RunRecord> records() const { return records_; }
    const std::vector<std::string>& errors() const { return errors_; }

private:
    // Paints on `picture4` when given; computes edges and centres only otherwise.
    void runFrame(int frame, Surface* picture4);
    void writeEdgeFile(int frame);

    const CliOptions& options_;
    FrameRenderer* renderer_; // null when nothing is rendered
    TrackingState state_;
    NullSurface nullSurface_;
    EdgeFileWriter edgeFiles_;
    std::vector<RunRecord> records_;
    std::vector<std::string> errors_;
};

} // namespace vireo
