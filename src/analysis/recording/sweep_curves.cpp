#include "recording/sweep_curves.h"

#include "edges/sobel.h"

#include <algorithm>
#include <cmath>

namespace vireo {

SweepCurves sweepCurves(const std::vector<sweep::ThresholdSummary>& lines,
                        const std::vector<std::optional<double>>& errors) {
    SweepCurves curves;
    for (const auto& line : lines)
        curves.rightScale = std::max(curves.rightScale, line.jitter.value_or(0));
    for (const auto& error : errors)
        curves.rightScale = std::max(curves.rightScale, error.value_or(0));
    const auto onRightScale = [&curves](const std::optional<double>& value) {
        return value ? std::optional<double>(*value / curves.rightScale) : std::nullopt;
    };
    for (const auto& line : lines) {
        curves.tracked.push_back(line.frames == 0
                                     ? std::nullopt
                                     : std::optional<double>(static_cast<double>(line.tracked) /
                                                             static_cast<double>(line.frames)));
        curves.edgeShare.push_back(line.edgeShare);
        curves.jitter.push_back(onRightScale(line.jitter));
        if (errors.size() == lines.size())
            curves.error.push_back(onRightScale(errors[static_cast<std::size_t>(line.threshold)]));
    }
    return curves;
}

int sweepThresholdAt(double fraction) {
    const double at = fraction * kMaxThreshold;
    return std::clamp(static_cast<int>(std::lround(at)), 0, kMaxThreshold);
}

} // namespace vireo
