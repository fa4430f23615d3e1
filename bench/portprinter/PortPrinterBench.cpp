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

#include "bench/Ratio.h"
#include "core/HostCtrl.h"
#include "devices/DevicePrinterATB2.h"
#include "platform/ComRegistry.h"
#include "platform/EventLoop.h"
#include "platform/EventSink.h"
#include "platform/PortMap.h"
#include "platform/Pty.h"
#include "platform/Registry.h"
#include "printersim/LinePrinter.h"
#include "support/TestPrinterControl.h"

namespace {

// An unprotected message ("D", a letter, text): delivered each time without sequence rules.
const std::string kMessage = "\xC4\xC1\xC8\xC5\xD3\xD3\xD6\x4E";

void Put(const std::string& key, const char* name, const std::string& text) {
    platform::HKEY h = nullptr;
    static_cast<void>(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                               platform::KEY_ALL_ACCESS, nullptr, &h, nullptr));
    static_cast<void>(platform::RegSetValueEx(h, name, 0, platform::REG_SZ,
                                              reinterpret_cast<const platform::BYTE*>(text.data()),
                                              static_cast<platform::DWORD>(text.size())));
    platform::RegCloseKey(h);
}

void Put(const std::string& key, const char* name, std::uint32_t value) {
    platform::HKEY h = nullptr;
    static_cast<void>(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                               platform::KEY_ALL_ACCESS, nullptr, &h, nullptr));
    static_cast<void>(platform::RegSetValueEx(h, name, 0, platform::REG_DWORD,
                                              reinterpret_cast<const platform::BYTE*>(&value), 4));
    platform::RegCloseKey(h);
}

class Sink final : public platform::IEventSink {
public:
    explicit Sink(core::CDevice& device) : m_device(device) {}
    void OnEvent(platform::DISPID id, std::span<const platform::Variant> args) override {
        bool flag = false;
        if (!args.empty()) static_cast<void>(args[0].ToBool(flag));
        if (id == support::printer_event::OnReceive) m_device.OnHostReceive();
        if (id == support::printer_event::OnConnect) m_device.OnConnect(flag);
        if (id == support::printer_event::OnResource) m_device.OnResource(flag);
    }

private:
    core::CDevice& m_device;
};

void BM_DeviceRoundTrip(benchmark::State& state) {
    printersim::LinePrinter printer(printersim::LineKind::Atb2);
    if (!printer.Start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    platform::SetPortPath("COM5", printer.LinePath());
    const std::string key = std::string(core::CHostTrevo::kApplicationKey) + "\\Device 01";
    Put(key, "Device Type", "Printer (ATB2)");
    Put(key, "Device Name", "Tickets");
    Put(key, "Port", "COM5");
    Put(key, "Baud Rate", 9600);
    Put(key, "Data Bits", 8);
    Put(key, "Emulation", "");
    Put(key, "Flow Control", "None");
    Put(key, "Parity", "None");
    Put(key, "Stop Bits", "1");
    Put(key, "Answer Back", 0);
    Put(key, "Insert Line Feed", 0);
    Put(key, "Terminator Data", "");
    Put(key, "Host", "HOST");
    Put(key, "Device Session", "S1");

    platform::EventLoop loop;
    core::CHostCtrl slot;
    devices::CDevicePrinterATB2 device("Device 01");
    if (!device.CreateHostConnection(&slot, 1028, 0)) {
        state.SkipWithError(device.GetLastError().c_str());
        return;
    }
    support::TestPrinterHost* host = support::HostSideOf(*slot.Control());
    platform::DWORD cookie = 0;
    if (!host || slot.Control()->EventSource()->Advise(std::make_shared<Sink>(device), &cookie) !=
                     platform::S_OK) {
        state.SkipWithError("no test control");
        return;
    }
    if (!device.HostConnectUnlessPending() || !host->CompleteConnect(true) ||
        !host->AssignResource("0A1B2C")) {
        state.SkipWithError("no connection");
        return;
    }
    for (auto _ : state) {
        const std::size_t expected = host->Sent().size() + 1;
        if (!host->Deliver(kMessage) ||
            !loop.PumpUntil([&] { return host->Sent().size() >= expected; }, 10000)) {
            state.SkipWithError("no answer");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    static_cast<void>(slot.Control()->EventSource()->Unadvise(cookie));
    device.ShutDown();
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
    if (platform::FAILED(support::RegisterTestPrinterControl())) {
        std::fprintf(stderr, "cannot register the test control: %s\n",
                     platform::ComLastErrorText().c_str());
        return 1;
    }
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
