#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Keeps each benchmark's time per iteration for the ratios: the median
// of its repetitions, or its single run.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        for (const Run& run : reports) {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                Times[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
                Times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(reports);
    }

    struct TTime
    {
        double Real;  // microseconds
        double Cpu;
    };
    std::map<std::string, TTime> Times;
};
