#pragma once

#include "app/cli/cli_options.h"
#include "app/cli/output_files.h"
#include "errors/error.h"
#include "tracker/frame_loop.h"
#include "ui/raster_surface.h"

#include <optional>
#include <vector>

namespace vireo {

// The frames of a run that also writes files (--edges-dir, --render-dir): each goes through the
// frame loop, and at each threshold the edge map is written as OUT/edgesN.pgm and the edge map
// with the last run's overlay, drawn on a surface of the window's size that each frame change
// clears as the window's is, as OUT/vireoN.png; with several thresholds the names end in -tT
// (edges5-t80.pgm).
class FrameRunner : private FrameLoop::Hooks {
public:
    explicit FrameRunner(const CliOptions& options);

    // Processes frame `frame` into `results`, which then hold its runs and edge counts at every
    // threshold, as a sweep gives them; false when the frame could not be loaded (results then
    // hold nothing). errors() holds one error per failure, e.g. "pic3.bmp: bit count 8, expected
    // 24" or "/proc/edges3.pgm: cannot write: permission denied"; an unwritable output file
    // keeps the frame's results.
    bool process(int frame, FrameSweep& results);
    // The same for frame `frame` of a live input, whose frame file `file` is in memory.
    bool process(int frame, const std::string& name, std::span<const std::uint8_t> file,
                 FrameSweep& results);

    const std::vector<Error>& errors() const { return errors_; }

private:
    void edgesShown(int frame, int threshold, const TrackingState& state) override;
    void runsDone(int frame, int threshold, const TrackingState& state) override;

    std::filesystem::path outputFile(const std::filesystem::path& folder, const char* stem,
                                     int frame, int threshold, const char* extension) const;
    void keep(Expected<void> outcome);
    bool loaded(Expected<void> outcome);

    const CliOptions& options_;
    std::optional<RasterSurface> picture4_; // only with a render folder
    FrameLoop loop_;
    EdgeFileWriter edgeFiles_;
    std::vector<Error> errors_;
};

} // namespace vireo
