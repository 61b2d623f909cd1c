#pragma once

#include <chrono>
#include <deque>
#include <optional>

namespace vireo {

// What a live view tells the operator about its input over the last second: how many frames
// arrived and how many were shown, the median time from a frame's arrival to its picture on
// screen, and how many frames were dropped since going live.
class LiveFigures {
public:
    using Clock = std::chrono::steady_clock;

    struct Reading {
        int arrived = 0;                 // frames that arrived in the last second, shown or dropped
        int shown = 0;                   // frames shown in the last second
        std::optional<double> latencyMs; // median over the last second; none without a frame
        long long dropped = 0;           // since going live
    };

    // A frame taken to be shown, which arrived at `arrival`, after `droppedBefore` frames that
    // arrived since the one taken before it were dropped.
    void taken(Clock::time_point arrival, long long droppedBefore);
    // The frame that arrived at `arrival` was on screen at `painted`.
    void painted(Clock::time_point arrival, Clock::time_point painted);

    Reading at(Clock::time_point now);

private:
    struct Arrival {
        Clock::time_point at;
        long long frames; // the frame taken and the ones dropped before it
    };
    struct Paint {
        Clock::time_point at;
        double latencyMs;
    };
    void forget(Clock::time_point now);

    std::deque<Arrival> arrivals_;
    std::deque<Paint> paints_;
    long long dropped_ = 0;
};

} // namespace vireo
