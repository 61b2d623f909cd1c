#pragma once

#include "sweep/sweep_summary.h"

#include <optional>
#include <vector>

namespace vireo {

// The sweep plot's curves over the thresholds of a summary, each value a share of the plot's
// height (0 at the bottom, 1 at the top), none where a threshold has no value.
struct SweepCurves {
    // The top of the right scale: the largest jitter or mark error, 1 at least.
    double rightScale = 1;
    std::vector<std::optional<double>> tracked;   // share of the frames tracked
    std::vector<std::optional<double>> edgeShare; // share of edge pixels
    std::vector<std::optional<double>> jitter;    // on the right scale
    std::vector<std::optional<double>> error;     // on the right scale; empty without errors
};

// The curves of `lines`; `errors`, one per line's threshold, add the error curve when there is
// one for every line.
SweepCurves sweepCurves(const std::vector<sweep::ThresholdSummary>& lines,
                        const std::vector<std::optional<double>>& errors);

// The threshold nearest to `fraction` of the threshold axis (0 at threshold 0, 1 at 255),
// clamped to 0..255.
int sweepThresholdAt(double fraction);

} // namespace vireo
