// Ticket printer round trips per second through the program: a host message from the
// control, the device framing it and writing it to its port (a pseudo-terminal), the
// simulated printer answering, the device cutting the answer out of what it reads and the
// answer leaving through the control. The baseline is a raw ping-pong of the same two
// frames over a pseudo-terminal, measured in the same run; the ratio is printed at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/ControlledDevice.h"
#include "bench/Ratio.h"
#include "devices/DevicePrinterATB2.h"
#include "platform/EventLoop.h"
#include "platform/PortMap.h"
#include "platform/Pty.h"
#include "printersim/LinePrinter.h"
#include "support/TestPrinterControl.h"

namespace {

// An unprotected message ("D", a letter, text): delivered each time without sequence rules.
const std::string kMessage = "\xC4\xC1\xC8\xC5\xD3\xD3\xD6\x4E";

void BM_DeviceRoundTrip(benchmark::State& state) {
    printersim::LinePrinter printer(printersim::LineKind::Atb2);
    if (!printer.Start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    platform::SetPortPath("COM5", printer.LinePath());
    const std::string key = bench::DeviceKey("Device 01");
    bench::PutString(key, "Device Type", "Printer (ATB2)");
    bench::PutString(key, "Device Name", "Tickets");
    bench::PutString(key, "Port", "COM5");
    bench::PutDword(key, "Baud Rate", 9600);
    bench::PutDword(key, "Data Bits", 8);
    bench::PutString(key, "Emulation", "");
    bench::PutString(key, "Flow Control", "None");
    bench::PutString(key, "Parity", "None");
    bench::PutString(key, "Stop Bits", "1");
    bench::PutDword(key, "Answer Back", 0);
    bench::PutDword(key, "Insert Line Feed", 0);
    bench::PutString(key, "Terminator Data", "");
    bench::PutString(key, "Host", "HOST");
    bench::PutString(key, "Device Session", "S1");

    platform::EventLoop loop;
    core::CHostCtrl slot;
    devices::CDevicePrinterATB2 device("Device 01");
    bench::ControlledDevice controlled(slot, device);
    support::TestPrinterHost* host = controlled.Attach(state);
    if (!host || !controlled.Connect(state)) return;
    for (auto _ : state) {
        const std::size_t expected = host->Sent().size() + 1;
        if (!host->Deliver(kMessage) ||
            !loop.PumpUntil([&] { return host->Sent().size() >= expected; }, 10000)) {
            state.SkipWithError("no answer");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    platform::ClearPortPaths();
}
BENCHMARK(BM_DeviceRoundTrip)->UseRealTime();

// The same frames written and answered over a pseudo-terminal with nothing in between.
void BM_RawPtyPingPong(benchmark::State& state) {
    platform::Pty pty;
    if (!pty.Open()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const std::vector<std::uint8_t> frame = printersim::EncodeFrame(
        printersim::LineKind::Atb2, std::vector<std::uint8_t>{'D', 'A', 'H', 'E', 'L', 'L', 'O'});
    const std::vector<std::uint8_t> answer = printersim::EncodeFrame(
        printersim::LineKind::Atb2, std::vector<std::uint8_t>{'C', 'A', '2', '0'});
    std::vector<std::uint8_t> in(64);
    auto take = [&](platform::Pty::Side side, std::size_t n) {
        std::size_t got = 0;
        while (got < n) {
            const long r = pty.Read(side, std::span(in).subspan(got), 10000);
            if (r <= 0) return false;
            got += static_cast<std::size_t>(r);
        }
        return true;
    };
    for (auto _ : state) {
        if (!pty.Write(platform::Pty::Side::Slave, frame, 10000) ||
            !take(platform::Pty::Side::Master, frame.size()) ||
            !pty.Write(platform::Pty::Side::Master, answer, 10000) ||
            !take(platform::Pty::Side::Slave, answer.size())) {
            state.SkipWithError("pseudo-terminal failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_RawPtyPingPong)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const bench::OwnMachineRoot root("trevo-bench-");
    if (!bench::RegisterTestControl()) return 1;
    bench::RunWithRatios(
        argc, argv,
        [](const bench::RatioReporter& reporter) {
            const double device = reporter.Time("BM_DeviceRoundTrip/real_time");
            const double raw = reporter.Time("BM_RawPtyPingPong/real_time");
            if (device > 0.0 && raw > 0.0) {
                std::printf(
                    "ticket printer round trips: through the device %.0f/s, raw pseudo-terminal "
                    "%.0f/s, ratio %.1f\n",
                    1e9 / device, 1e9 / raw, device / raw);
            }
        },
        bench::RatioReporter::Keep::CleanRuns);
    return 0;
}
