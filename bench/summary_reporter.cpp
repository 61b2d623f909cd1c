#include "summary_reporter.h"

#include "cpu/simd_path.h"
#include "sample_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace vireo::bench {

namespace {

// "not run" when a filter left out a benchmark the target needs; that is not a miss.
const char* verdict(double value, bool met) {
    if (std::isnan(value))
        return "not run";
    return met ? "met" : "MISSED";
}

} // namespace

SummaryReporter::SummaryReporter(std::vector<RatioTarget> ratios, std::vector<TimeTarget> times,
                                 bool aggregatesOnly)
    : benchmark::ConsoleReporter(OO_Tabular)
    , ratios_(std::move(ratios))
    , times_(std::move(times))
    , aggregatesOnly_(aggregatesOnly) {}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    std::vector<Run> shown;
    for (const Run& run : runs) {
        if (run.run_type == Run::RT_Aggregate || run.error_occurred) {
            shown.push_back(run);
            continue;
        }
        if (aggregatesOnly_ && run.repetitions > 1) {
            // Kept for the summary; the console shows the aggregates.
        } else {
            shown.push_back(run);
        }
        const std::string name = run.benchmark_name();
        const double multiplier = benchmark::GetTimeUnitMultiplier(run.time_unit);
        cpu_[name].push_back(run.GetAdjustedCPUTime() / multiplier * 1e6);
        real_[name].push_back(run.GetAdjustedRealTime() / multiplier * 1e6);
        for (const auto& [counter, value] : run.counters)
            if ((value.flags & benchmark::Counter::kIsRate) == 0)
                counters_[name][counter].push_back(value.value);
    }
    if (!shown.empty())
        ConsoleReporter::ReportRuns(shown);
}

double SummaryReporter::median(const std::string& name) const {
    const auto found = cpu_.find(name);
    return found == cpu_.end() ? std::nan("") : medianOf(found->second);
}

double SummaryReporter::wallMedian(const std::string& name) const {
    const auto found = real_.find(name);
    return found == real_.end() ? std::nan("") : medianOf(found->second);
}

void SummaryReporter::Finalize() {
    std::FILE* out = stdout;
    std::fprintf(out, "\nSummary: CPU time per iteration in microseconds over the repetitions "
                      "(and the median wall time)\n");
    std::fprintf(out, "%-44s %5s %10s %10s %10s %12s\n", "benchmark", "reps", "min", "median",
                 "max", "wall median");
    for (const auto& [name, values] : cpu_) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        std::fprintf(out, "%-44s %5zu %10.2f %10.2f %10.2f %12.2f\n", name.c_str(), values.size(),
                     *low, median(name), *high, medianOf(real_.at(name)));
        for (const auto& [counter, counterValues] : counters_[name]) {
            const auto [cLow, cHigh] =
                std::minmax_element(counterValues.begin(), counterValues.end());
            std::fprintf(out, "  %-42s %5zu %10.2f %10.2f %10.2f\n", counter.c_str(),
                         counterValues.size(), *cLow, medianOf(counterValues), *cHigh);
        }
    }

    if (!ratios_.empty())
        std::fprintf(out, "\nRatios of medians from this run (CPU time; wall time in brackets)\n");
    for (const RatioTarget& target : ratios_) {
        const double ratio = median(target.numerator) / median(target.denominator);
        const double wallRatio = wallMedian(target.numerator) / wallMedian(target.denominator);
        std::fprintf(out, "%-58s %7.2fx [%5.2fx]", target.label.c_str(), ratio, wallRatio);
        if (target.bound == 0) {
            std::fprintf(out, "  (for information)\n");
            continue;
        }
        const bool met = target.atLeast ? ratio >= target.bound : ratio <= target.bound;
        allMet_ = allMet_ && (met || std::isnan(ratio));
        std::fprintf(out, "  (target %s %.1fx)  %s\n", target.atLeast ? ">=" : "<=", target.bound,
                     verdict(ratio, met));
    }

    if (!times_.empty())
        std::fprintf(out, "\nTime targets (median over the repetitions)\n");
    for (const TimeTarget& target : times_) {
        double value = std::nan("");
        if (target.counter.empty())
            value = median(target.benchmark);
        else if (const auto found = counters_.find(target.benchmark); found != counters_.end())
            if (const auto counter = found->second.find(target.counter);
                counter != found->second.end())
                value = medianOf(counter->second);
        const bool met = value < target.boundMicroseconds;
        allMet_ = allMet_ && (met || std::isnan(value));
        std::fprintf(out, "%-58s %9.1f us  (target < %.0f us)  %s\n", target.label.c_str(), value,
                     target.boundMicroseconds, verdict(value, met));
    }
    std::fflush(out);
}

int runBenchmarks(int argc, char** argv, std::vector<RatioTarget> ratios,
                  std::vector<TimeTarget> times) {
    std::vector<char*> arguments(argv, argv + argc);
    auto given = [&](std::string_view flag) {
        return std::any_of(arguments.begin() + 1, arguments.end(), [&](const char* argument) {
            return std::string_view(argument).starts_with(flag);
        });
    };
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    if (!given("--benchmark_repetitions"))
        arguments.push_back(repetitions);
    if (!given("--benchmark_enable_random_interleaving"))
        arguments.push_back(interleaving);
    // Every repetition goes to the summary; the console shows only the aggregates unless asked.
    const bool aggregatesOnly = !given("--benchmark_display_aggregates_only=false");

    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 2;
    // The engine's hot loops run on the fastest instruction set the processor has.
    benchmark::AddCustomContext("vireo_instruction_set", simdPathName(fastestSimdPath()));
    SummaryReporter reporter(std::move(ratios), std::move(times), aggregatesOnly);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.allMet() ? 0 : 1;
}

} // namespace vireo::bench
