#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

// Google Benchmark's console table, keeping each benchmark's real time per
// iteration in milliseconds (the median when there are repetitions), so that a
// harness can print the ratios its targets are set on.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if ((run.run_type == Run::RT_Iteration && !millis.count(run.run_name.function_name)) ||
                run.aggregate_name == "median")
                millis[run.run_name.function_name] = run.GetAdjustedRealTime() * toMillis(run.time_unit);
    }
    std::map<std::string, double> millis;

private:
    static double toMillis(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond:
            return 1e-6;
        case benchmark::kMicrosecond:
            return 1e-3;
        case benchmark::kSecond:
            return 1e3;
        default:
            return 1.0;
        }
    }
};
