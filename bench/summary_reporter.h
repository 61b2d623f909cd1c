#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

namespace vireo::bench {

// A target stated as the ratio of two benchmarks' median times, both measured in the same run:
// numerator / denominator must be at least (or at most) `bound`. A bound of 0 states no target;
// the ratio is shown for information.
struct RatioTarget {
    std::string label;
    std::string numerator;   // benchmark name
    std::string denominator; // benchmark name
    double bound = 0;
    bool atLeast = true;
};

// A target on one benchmark's median time, or on one of its counters when `counter` is given.
struct TimeTarget {
    std::string label;
    std::string benchmark;
    double boundMicroseconds = 0;
    std::string counter; // empty: the median of the repetitions' mean times
};

// Prints the aggregates of each benchmark on the console (or every repetition when
// `aggregatesOnly` is false), then a summary: per benchmark the minimum, median and maximum over
// its repetitions of the CPU time per iteration, in microseconds, and the median wall time; then
// each ratio and time target with its measured value and whether it is met. Targets use CPU time,
// which other programs on a shared machine disturb less than wall time.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    SummaryReporter(std::vector<RatioTarget> ratios, std::vector<TimeTarget> times,
                    bool aggregatesOnly);

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // False when a target was missed; a target whose benchmarks were filtered out counts as met.
    bool allMet() const { return allMet_; }

private:
    double median(const std::string& name) const;
    double wallMedian(const std::string& name) const;

    std::vector<RatioTarget> ratios_;
    std::vector<TimeTarget> times_;
    bool aggregatesOnly_;
    std::map<std::string, std::vector<double>> cpu_;
    std::map<std::string, std::vector<double>> real_;
    std::map<std::string, std::map<std::string, std::vector<double>>> counters_;
    bool allMet_ = true;
};

// Runs the registered benchmarks with this program's defaults (5 repetitions, random
// interleaving so that compared benchmarks see the same machine load, aggregates only on the
// console unless --benchmark_display_aggregates_only=false) unless the command line sets them, and
// reports through a SummaryReporter. Returns the process exit status: 0 when every target is met, 1
// when one is missed, 2 on a usage error.
int runBenchmarks(int argc, char** argv, std::vector<RatioTarget> ratios,
                  std::vector<TimeTarget> times);

} // namespace vireo::bench
