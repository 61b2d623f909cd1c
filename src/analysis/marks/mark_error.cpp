#include "marks/mark_error.h"

#include "centers/centers.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace vireo {

MarkError::MarkError(Marks marks, std::vector<int> thresholds)
    : marks_(std::move(marks))
    , thresholds_(std::move(thresholds))
    , errorTenths_(thresholds_.size(), 0) {}

void MarkError::add(const sweep::FrameSweep& frame) {
    for (const Mark& mark : marks_.ofFrame(frame.frame)) {
        const auto row = static_cast<std::size_t>(std::distance(
            kScanRows.begin(), std::find(kScanRows.begin(), kScanRows.end(), mark.row)));
        ++marked_;
        for (std::size_t t = 0; t < thresholds_.size(); ++t)
            errorTenths_[t] += std::abs(frame.lastRunAt(t).centres[row] * 10 - mark.columnTenths);
    }
}

std::vector<MarkError::Line> MarkError::lines() const {
    std::vector<Line> lines(thresholds_.size());
    for (std::size_t t = 0; t < lines.size(); ++t) {
        lines[t].marked = marked_;
        if (marked_ > 0)
            lines[t].error =
                static_cast<double>(errorTenths_[t]) / 10.0 / static_cast<double>(marked_);
    }
    return lines;
}

std::optional<std::size_t> MarkError::suggested() const {
    if (marked_ == 0 || errorTenths_.empty())
        return std::nullopt;
    // Every threshold shares the same pairs, so the sums compare as the means do, exactly.
    const long long lowest = *std::min_element(errorTenths_.begin(), errorTenths_.end());
    std::size_t bestStart = 0;
    std::size_t bestLength = 0;
    for (std::size_t start = 0; start < errorTenths_.size();) {
        if (errorTenths_[start] != lowest) {
            ++start;
            continue;
        }
        std::size_t end = start;
        while (end < errorTenths_.size() && errorTenths_[end] == lowest)
            ++end;
        if (end - start > bestLength) {
            bestStart = start;
            bestLength = end - start;
        }
        start = end;
    }
    return bestStart + (bestLength - 1) / 2;
}

MarkError markErrorOver(const Marks& marks, const RecordingOverview& overview) {
    MarkError errors(marks, RecordingOverview::sweepSettings().thresholds);
    std::optional<int> previous;
    for (const Mark& mark : marks.all()) {
        if (mark.frame == previous)
            continue;
        previous = mark.frame;
        const long long index = overview.indexNearest(mark.frame);
        if (overview.frameAt(index) == mark.frame && overview.at(index, 0).loaded)
            errors.add(overview.frameSweep(index));
    }
    return errors;
}

} // namespace vireo
