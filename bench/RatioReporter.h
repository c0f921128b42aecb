#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
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

    // Runs the registered benchmarks into this reporter. The machine may
    // be shared: repetitions of the two sides interleave and their medians
    // are compared. Flags given on the command line come later and win.
    void RunAll(int argc, char** argv)
    {
        std::vector<char*> arguments{argv[0]};
        std::string defaults[] = {"--benchmark_repetitions=9", "--benchmark_enable_random_interleaving=true",
                                  "--benchmark_report_aggregates_only=true", "--benchmark_min_time=0.2"};
        for (std::string& flag : defaults)
            arguments.push_back(flag.data());
        arguments.insert(arguments.end(), argv + 1, argv + argc);
        int count = static_cast<int>(arguments.size());
        benchmark::Initialize(&count, arguments.data());
        benchmark::RunSpecifiedBenchmarks(this);
    }

    // Prints one line of the table of ratios, ours over theirs, in real and
    // in processor time; the processor ratio shows the same work without
    // what other processes took. False when a ratio the goal holds for is
    // over limit (the real one, and the processor one too when
    // cpuToo); true when either side did not run.
    bool PrintRatio(const std::string& operation, int events, const std::string& ours, const std::string& theirs,
                    double limit, bool cpuToo) const
    {
        const auto x = Times.find(ours);
        const auto s = Times.find(theirs);
        if (x == Times.end() || s == Times.end())
            return true;
        const double ratio = x->second.Real / s->second.Real;
        const double cpuRatio = x->second.Cpu / s->second.Cpu;
        const bool met = ratio <= limit && (!cpuToo || cpuRatio <= limit);
        std::printf("%-15s %9d %12.3f %12.3f %7.2f %10.2f%s\n", operation.c_str(), events, x->second.Real,
                    s->second.Real, ratio, cpuRatio, met ? "" : "  over the goal");
        return met;
    }

    struct TTime
    {
        double Real;  // microseconds
        double Cpu;
    };
    std::map<std::string, TTime> Times;
};
