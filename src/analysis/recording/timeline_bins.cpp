#include "recording/timeline_bins.h"

#include <algorithm>
#include <cmath>

namespace vireo {

void ColumnValues::add(double value) {
    if (!any)
        first = low = high = value;
    low = std::min(low, value);
    high = std::max(high, value);
    last = value;
    any = true;
}

int timelineColumnOf(long long index, long long count, int columns) {
    return std::min(columns - 1, static_cast<int>((static_cast<double>(index) + 0.5) * columns /
                                                  static_cast<double>(count)));
}

long long timelineIndexAt(double fraction, long long count) {
    const double at = fraction * static_cast<double>(count);
    return std::clamp(static_cast<long long>(std::floor(at)), 0LL, count - 1);
}

namespace {

void addLines(TimelineBins& bins) {
    for (std::size_t s = 0; s < kTimelineSeries; ++s) {
        const ColumnValues* previous = nullptr;
        int previousAt = -1;
        for (int c = 0; c < static_cast<int>(bins.columns.size()); ++c) {
            const TimelineColumn& column = bins.columns[static_cast<std::size_t>(c)];
            const ColumnValues& values = column.series[s];
            if (!values.any) {
                if (column.gap)
                    previous = nullptr;
                continue;
            }
            if (previous && column.joinsPrevious)
                bins.lines[s].push_back({previousAt, previous->last, c, values.first});
            if (values.low != values.high || !previous || !column.joinsPrevious)
                bins.lines[s].push_back({c, values.low, c, values.high});
            previous = &values;
            previousAt = c;
        }
    }
}

void addUntrackedRuns(TimelineBins& bins, long long count, long long received) {
    const long long slots = bins.slotsAreFrames ? received : std::ssize(bins.columns);
    const int columns = static_cast<int>(bins.columns.size());
    for (long long slot = 0; slot < slots; ++slot) {
        const long long column =
            bins.slotsAreFrames ? timelineColumnOf(slot, count, columns) : slot;
        if (!bins.columns[static_cast<std::size_t>(column)].untracked)
            continue;
        if (!bins.untrackedRuns.empty() && bins.untrackedRuns.back().second + 1 == slot)
            bins.untrackedRuns.back().second = slot;
        else
            bins.untrackedRuns.emplace_back(slot, slot);
    }
}

} // namespace

TimelineBins binTimeline(long long count, long long received, int columns,
                         const std::function<RecordingOverview::Point(long long)>& pointAt) {
    TimelineBins bins;
    bins.columns.resize(static_cast<std::size_t>(columns));
    bins.slotsAreFrames = count <= columns;
    bool previousLoaded = false;
    int previousColumn = -1;
    for (long long i = 0; i < received; ++i) {
        const RecordingOverview::Point point = pointAt(i);
        const int c = timelineColumnOf(i, count, columns);
        TimelineColumn& column = bins.columns[static_cast<std::size_t>(c)];
        if (!point.loaded) {
            column.gap = true;
            previousLoaded = false;
            continue;
        }
        if (previousLoaded && previousColumn != c)
            column.joinsPrevious = true;
        for (std::size_t s = 0; s < 3; ++s)
            column.series[s].add(point.centres[s]);
        column.series[3].add(point.forecast);
        column.untracked = column.untracked || !point.tracked;
        column.jump = column.jump || point.jumped;
        previousLoaded = true;
        previousColumn = c;
    }
    addLines(bins);
    addUntrackedRuns(bins, count, received);
    return bins;
}

} // namespace vireo
