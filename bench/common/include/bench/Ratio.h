// Helpers of the benchmark programs: each prints, after its runs, the ratio of its subject's
// time to a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace bench {

// Keeps the time per iteration of every run so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    enum class Keep {
        AllRuns,    // every run, also one that ended with an error
        CleanRuns,  // only runs that did iterations and ended without an error
    };
    explicit RatioReporter(Keep keep = Keep::AllRuns) : keep_(keep) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (keep_ == Keep::AllRuns || (run.iterations > 0 && !run.error_occurred))
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The time per iteration of the named run; 0 when there was none.
    double Time(const std::string& name) const {
        const auto it = times_.find(name);
        return it == times_.end() ? 0.0 : it->second;
    }

private:
    Keep keep_;
    std::map<std::string, double> times_;
};

// Runs the benchmarks the command line selects, then hands their times to `printRatios`.
template <typename PrintRatios>
void RunWithRatios(int& argc, char** argv, PrintRatios printRatios,
                   RatioReporter::Keep keep = RatioReporter::Keep::AllRuns) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(keep);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(static_cast<const RatioReporter&>(reporter));
    benchmark::Shutdown();
}

// A machine root of this run's own (TREVO_HOME), removed again when it goes.
class OwnMachineRoot {
public:
    explicit OwnMachineRoot(const std::string& prefix) {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() /
                (prefix + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(root_);
        ::setenv("TREVO_HOME", root_.c_str(), 1);
    }
    ~OwnMachineRoot() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    OwnMachineRoot(const OwnMachineRoot&) = delete;
    OwnMachineRoot& operator=(const OwnMachineRoot&) = delete;

private:
    std::filesystem::path root_;
};

}  // namespace bench
