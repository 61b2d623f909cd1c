#pragma once

#include "recording/recording_overview.h"

#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace vireo {

// The timeline's series: the centres on rows 40, 60 and 80, then the forecast.
inline constexpr int kTimelineSeries = 4;

// One pixel column's values of one series: the first, lowest, highest and last of its frames.
struct ColumnValues {
    bool any = false;
    double first = 0, low = 0, high = 0, last = 0;

    void add(double value);
};

// What one pixel column of the timeline holds.
struct TimelineColumn {
    std::array<ColumnValues, kTimelineSeries> series;
    bool gap = false;           // a frame of it could not be loaded
    bool untracked = false;     // a loaded frame of it is not tracked
    bool jump = false;          // a loaded frame of it jumped
    bool joinsPrevious = false; // its first loaded frame came right after a loaded frame of
                                // an earlier column
};

// A line of one series from (fromColumn, fromValue) to (toColumn, toValue).
struct TimelineSegment {
    int fromColumn = 0;
    double fromValue = 0;
    int toColumn = 0;
    double toValue = 0;

    friend bool operator==(const TimelineSegment&, const TimelineSegment&) = default;
};

// The frames of a timeline put into pixel columns, where frames that outnumber the columns share
// one, so that a one-frame spike never disappears.
struct TimelineBins {
    std::vector<TimelineColumn> columns;
    // Per series: a join from one column's last value to the next column's first, across frames
    // that loaded one after the other, and a column's span from its lowest to its highest value
    // (also a lone point).
    std::array<std::vector<TimelineSegment>, kTimelineSeries> lines;
    // Untracked runs as first and last slot: frames when each frame has a column of its own,
    // else columns.
    bool slotsAreFrames = true;
    std::vector<std::pair<long long, long long>> untrackedRuns;
};

// The pixel column (0 .. columns - 1) of frame index `index` of `count`: where the middle of its
// place on the time axis falls.
int timelineColumnOf(long long index, long long count, int columns);

// The frame index at `fraction` of the time axis (0 its left end, 1 its right end), clamped to
// 0 .. count - 1.
long long timelineIndexAt(double fraction, long long count);

// Puts the first `received` of `count` frames, whose points `pointAt` gives, into `columns`
// pixel columns.
TimelineBins binTimeline(long long count, long long received, int columns,
                         const std::function<RecordingOverview::Point(long long)>& pointAt);

} // namespace vireo
