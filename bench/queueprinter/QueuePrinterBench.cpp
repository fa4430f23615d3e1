// Host messages per second through a print-queue device into a print server of the
// benchmark's own: a host message from the control, the device's send thread making a job of
// it and the acknowledgement leaving through the control. The baseline, measured in the same
// run, is a job of the same bytes made directly through the spooler layer (create, start,
// write, finish); the ratio is printed at the end. Needs root and cupsd.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/ControlledDevice.h"
#include "bench/Ratio.h"
#include "devices/DeviceQueuePrt.h"
#include "platform/EventLoop.h"
#include "spooler/Spooler.h"
#include "support/TestCupsd.h"
#include "support/TestPrinterControl.h"

namespace {

// Protected messages ("A", the sequence letter, "HELLO"), each acknowledged once printed; an
// unprotected one would get no acknowledgement to wait for. The reset starts the sequence.
const std::string kReset = "\xC3\xD9\x4E";
const std::uint8_t kSequence[16] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8,
                                    0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7};
const std::string kText = "HELLO";

std::string Message(std::uint8_t sequence) {
    return std::string{'\xC1', static_cast<char>(sequence)} + "\xC8\xC5\xD3\xD3\xD6\x4E";
}

support::TestCupsd* g_pCupsd = nullptr;

void BM_QueueDevice(benchmark::State& state) {
    if (!g_pCupsd) {
        state.SkipWithError("no print server (needs root and cupsd)");
        return;
    }
    const std::string key = bench::DeviceKey("Device 01");
    bench::PutString(key, "Device Type", "Queue");
    bench::PutString(key, "Device Name", "Reports");
    bench::PutString(key, "Printer Name", "Bench");
    bench::PutString(key, "Queue Name", "Q1");
    bench::PutDword(key, "Insert Line Feed", 0);
    bench::PutString(key, "Terminator Data", "");
    bench::PutDword(key, "Column Offset", 0);
    bench::PutString(key, "Host", "HOST");
    bench::PutString(key, "Device Session", "S1");

    platform::EventLoop loop;
    core::CHostCtrl slot;
    devices::CDeviceQueuePrt device("Device 01");
    bench::ControlledDevice controlled(slot, device);
    support::TestPrinterHost* host = controlled.Attach(state);
    if (!host || !controlled.Connect(state)) return;
    if (!host->Deliver(kReset) || !loop.PumpUntil([&] { return !host->Sent().empty(); }, 10000)) {
        state.SkipWithError("reset not answered");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        const std::size_t expected = host->Sent().size() + 1;
        if (!host->Deliver(Message(kSequence[next])) ||
            !loop.PumpUntil([&] { return host->Sent().size() >= expected; }, 10000)) {
            state.SkipWithError("no answer");
            break;
        }
        next = (next + 1) % 16;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_QueueDevice)->UseRealTime();

// A job of the same bytes straight through the spooler layer.
void BM_DirectJob(benchmark::State& state) {
    if (!g_pCupsd) {
        state.SkipWithError("no print server (needs root and cupsd)");
        return;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(kText.data());
    for (auto _ : state) {
        std::string error;
        auto job =
            spooler::Spooler().StartJob("Bench", "Device 01", spooler::DocumentFormat::Raw, error);
        if (!job || !job->Write({data, kText.size()}, error) || !job->Finish(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DirectJob)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const bench::OwnMachineRoot root("trevo-bench-");
    if (!bench::RegisterTestControl()) return 1;
    std::unique_ptr<support::TestCupsd> cupsd;
    if (support::TestCupsd::Available()) {
        cupsd = std::make_unique<support::TestCupsd>(std::getenv("TREVO_HOME"));
        if (cupsd->Start() && cupsd->AddQueue("Bench")) g_pCupsd = cupsd.get();
    }
    bench::RunWithRatios(
        argc, argv,
        [](const bench::RatioReporter& reporter) {
            const double device = reporter.Time("BM_QueueDevice/real_time");
            const double direct = reporter.Time("BM_DirectJob/real_time");
            if (device > 0.0 && direct > 0.0) {
                std::printf(
                    "print queue messages: through the device %.0f/s, direct jobs %.0f/s, "
                    "ratio %.2f\n",
                    1e9 / device, 1e9 / direct, device / direct);
            }
        },
        bench::RatioReporter::Keep::CleanRuns);
    return 0;
}
