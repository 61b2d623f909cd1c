#pragma once

#include "marks/marks.h"
#include "recording/recording_overview.h"
#include "sweep/frame_sweep.h"

#include <optional>
#include <vector>

namespace vireo {

// The tracker's error against the operator's marks, per threshold of a sweep: over the marked
// (frame, scan row) pairs whose frame loaded, the mean of |centre - mark| after the frame's last
// run. Frames are added in the order taken; memory does not grow with their number.
class MarkError {
public:
    MarkError(Marks marks, std::vector<int> thresholds);

    // A frame that loaded, with its runs at every threshold of the sweep.
    void add(const sweep::FrameSweep& frame);

    struct Line {
        long long marked = 0;        // marked pairs whose frame loaded
        std::optional<double> error; // mean |centre - mark| in columns; nullopt when marked is 0
    };
    // One line per threshold, in the thresholds' order.
    std::vector<Line> lines() const;

    // The index (in the thresholds' order) of the suggested threshold: the one with the lowest
    // mean error; when several share it, the middle of the longest run of them that are adjacent
    // in the list (the lower middle of a run of even length; the first run when two are longest).
    // nullopt when no marked pair loaded.
    std::optional<std::size_t> suggested() const;

private:
    Marks marks_;
    std::vector<int> thresholds_;
    long long marked_ = 0;
    std::vector<long long> errorTenths_; // per threshold, the sum of |centre - mark| in tenths
};

// The error of `marks` over a complete `overview`: its marked frames that loaded, at every
// threshold of its sweep (RecordingOverview::sweepSettings()).
MarkError markErrorOver(const Marks& marks, const RecordingOverview& overview);

} // namespace vireo
