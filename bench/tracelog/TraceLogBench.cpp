// The cost of one trace entry with a 100-character text, appended to the log file, against
// one plain write of a line of the same length on a file opened for appending, measured in the
// same run; and the cost of an entry whose level the log does not keep (TREVO_LOG_LEVEL=2),
// which must not be formatted at all. Prints both at the end.
//
// Two more runs tell where an entry's time goes: the same entry when the log file cannot be
// opened (everything but the append: formatting, clocks, the look at the machine root), and
// the same line appended to a log of its own through its shared mapping (the append alone).
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "bench/Ratio.h"
#include "core/TraceLog.h"
#include "notify/Notify.h"
#include "platform/AppendFile.h"
#include "platform/MachineRoot.h"
#include "platform/MappedLog.h"

namespace {

const std::string kText(100 - 20, 't');  // with "'LPT1', " and the number: 100 characters

// A line as long as the trace log's: time, level, source, label, time field and text.
const std::string kLine(std::string(150, 'p') + kText + "\n");

void BM_PlainWrite(benchmark::State& state) {
    platform::AppendFile file;
    if (!file.Open(platform::MachineRoot() / "log" / "plain.log")) {
        state.SkipWithError("cannot open the file");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(file.Append(kLine.data(), kLine.size()));
}
BENCHMARK(BM_PlainWrite);

void Entries(benchmark::State& state, CTraceLog& log) {
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.TraceFormat(0, "main/core/src/Device.cpp", 120,
                                                 "CDevice::SendToDevice():", "'%s', %010d %s",
                                                 "LPT1", ++n, kText.c_str()));
    }
}

void BM_TraceEntry(benchmark::State& state) {
    CTraceLog log;
    Entries(state, log);
}
BENCHMARK(BM_TraceEntry);

void BM_TraceEntryNotKept(benchmark::State& state) {
    ::setenv("TREVO_LOG_LEVEL", "2", 1);
    CTraceLog log;
    ::unsetenv("TREVO_LOG_LEVEL");
    Entries(state, log);
}
BENCHMARK(BM_TraceEntryNotKept);

// Under a machine root of its own whose log file is a folder: the entry is built in full and
// its write refused before any system call.
void BM_TraceEntryWithoutWrite(benchmark::State& state) {
    const std::filesystem::path home = platform::MachineRoot();
    const std::filesystem::path other = home / "unwritable";
    std::filesystem::create_directories(other / "log" / "veka.log");
    ::setenv("TREVO_HOME", other.c_str(), 1);
    {
        CTraceLog log;
        Entries(state, log);
    }
    ::setenv("TREVO_HOME", home.c_str(), 1);
}
BENCHMARK(BM_TraceEntryWithoutWrite);

void BM_MappedAppend(benchmark::State& state) {
    platform::MappedLog log;
    if (!log.Open(platform::MachineRoot() / "log" / "mapped.log")) {
        state.SkipWithError("cannot open the log");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(log.Append(kLine.data(), kLine.size()));
}
BENCHMARK(BM_MappedAppend);

}  // namespace

int main(int argc, char** argv) {
    const bench::OwnMachineRoot root("trevo-bench-tracelog-");
    std::error_code ec;
    std::filesystem::create_directories(platform::MachineRoot() / "log", ec);
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double plain = reporter.Time("BM_PlainWrite");
        const double entry = reporter.Time("BM_TraceEntry");
        const double dropped = reporter.Time("BM_TraceEntryNotKept");
        const double unwritten = reporter.Time("BM_TraceEntryWithoutWrite");
        const double mapped = reporter.Time("BM_MappedAppend");
        if (plain > 0.0 && entry > 0.0) {
            std::printf("trace entry %.0f ns, plain write %.0f ns: entry / write %.2f\n", entry,
                        plain, entry / plain);
        }
        if (dropped > 0.0) std::printf("entry not kept: %.1f ns\n", dropped);
        if (plain > 0.0 && unwritten > 0.0) {
            std::printf("entry without its write %.0f ns: / plain write %.2f\n", unwritten,
                        unwritten / plain);
        }
        if (plain > 0.0 && mapped > 0.0) {
            std::printf("line appended through the mapping %.0f ns: / plain write %.2f\n", mapped,
                        mapped / plain);
        }
    });
    return 0;
}
