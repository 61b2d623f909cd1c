#include "live/live_figures.h"

#include <algorithm>
#include <vector>

namespace vireo {

namespace {

constexpr auto kSpan = std::chrono::seconds(1);

} // namespace

void LiveFigures::taken(Clock::time_point arrival, long long droppedBefore) {
    arrivals_.push_back({arrival, 1 + droppedBefore});
    dropped_ += droppedBefore;
}

void LiveFigures::painted(Clock::time_point arrival, Clock::time_point painted) {
    paints_.push_back(
        {painted, std::chrono::duration<double, std::milli>(painted - arrival).count()});
}

void LiveFigures::forget(Clock::time_point now) {
    while (!arrivals_.empty() && now - arrivals_.front().at > kSpan)
        arrivals_.pop_front();
    while (!paints_.empty() && now - paints_.front().at > kSpan)
        paints_.pop_front();
}

LiveFigures::Reading LiveFigures::at(Clock::time_point now) {
    forget(now);
    Reading reading;
    reading.dropped = dropped_;
    for (const Arrival& arrival : arrivals_)
        reading.arrived += static_cast<int>(arrival.frames);
    reading.shown = static_cast<int>(paints_.size());
    if (paints_.empty())
        return reading;
    std::vector<double> latencies;
    latencies.reserve(paints_.size());
    for (const Paint& paint : paints_)
        latencies.push_back(paint.latencyMs);
    const auto middle = latencies.begin() + static_cast<std::ptrdiff_t>(latencies.size() / 2);
    std::nth_element(latencies.begin(), middle, latencies.end());
    double median = *middle;
    if (latencies.size() % 2 == 0)
        median = (median + *std::max_element(latencies.begin(), middle)) / 2;
    reading.latencyMs = median;
    return reading;
}

} // namespace vireo
