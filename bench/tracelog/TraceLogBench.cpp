// The cost of one trace entry with a 100-character text, written to the log file, against one
// plain write of a line of the same length on a file opened for appending, measured in the
// same run; and the cost of an entry whose level the log does not keep (TREVO_LOG_LEVEL=2),
// which must not be formatted at all. Prints both at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/Ratio.h"
#include "core/TraceLog.h"
#include "notify/Notify.h"
#include "platform/AppendFile.h"
#include "platform/MachineRoot.h"

namespace {

const std::string kText(100 - 20, 't');  // with "'LPT1', " and the number: 100 characters

void BM_PlainWrite(benchmark::State& state) {
    platform::AppendFile file;
    if (!file.Open(platform::MachineRoot() / "log" / "plain.log")) {
        state.SkipWithError("cannot open the file");
        return;
    }
    // A line as long as the trace log's: time, level, source, label, time field and text.
    const std::string line(std::string(150, 'p') + kText + "\n");
    for (auto _ : state) benchmark::DoNotOptimize(file.Append(line.data(), line.size()));
}
BENCHMARK(BM_PlainWrite);

void BM_TraceEntry(benchmark::State& state) {
    CTraceLog log;
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.TraceFormat(0, "main/core/src/Device.cpp", 120,
                                                 "CDevice::SendToDevice():", "'%s', %010d %s",
                                                 "LPT1", ++n, kText.c_str()));
    }
}
BENCHMARK(BM_TraceEntry);

void BM_TraceEntryNotKept(benchmark::State& state) {
    ::setenv("TREVO_LOG_LEVEL", "2", 1);
    CTraceLog log;
    ::unsetenv("TREVO_LOG_LEVEL");
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.TraceFormat(0, "main/core/src/Device.cpp", 120,
                                                 "CDevice::SendToDevice():", "'%s', %010d %s",
                                                 "LPT1", ++n, kText.c_str()));
    }
}
BENCHMARK(BM_TraceEntryNotKept);

}  // namespace

int main(int argc, char** argv) {
    const bench::OwnMachineRoot root("trevo-bench-tracelog-");
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double plain = reporter.Time("BM_PlainWrite");
        const double entry = reporter.Time("BM_TraceEntry");
        const double dropped = reporter.Time("BM_TraceEntryNotKept");
        if (plain > 0.0 && entry > 0.0) {
            std::printf("trace entry %.0f ns, plain write %.0f ns: entry / write %.2f\n", entry,
                        plain, entry / plain);
        }
        if (dropped > 0.0) std::printf("entry not kept: %.1f ns\n", dropped);
    });
    return 0;
}
