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

#include "bench/Ratio.h"
#include "core/HostCtrl.h"
#include "devices/DeviceQueuePrt.h"
#include "platform/ComRegistry.h"
#include "platform/EventLoop.h"
#include "platform/EventSink.h"
#include "platform/Registry.h"
#include "spooler/Spooler.h"
#include "support/TestCupsd.h"
#include "support/TestPrinterControl.h"

namespace {

// An unprotected message ("D", a letter, text): delivered each time without sequence rules.
const std::string kMessage = "\xC4\xC1\xC8\xC5\xD3\xD3\xD6\x4E";
const std::string kText = "HELLO";

support::TestCupsd* g_pCupsd = nullptr;

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

void BM_QueueDevice(benchmark::State& state) {
    if (!g_pCupsd) {
        state.SkipWithError("no print server (needs root and cupsd)");
        return;
    }
    const std::string key = std::string(core::CHostTrevo::kApplicationKey) + "\\Device 01";
    Put(key, "Device Type", "Queue");
    Put(key, "Device Name", "Reports");
    Put(key, "Printer Name", "Bench");
    Put(key, "Queue Name", "Q1");
    Put(key, "Insert Line Feed", 0);
    Put(key, "Terminator Data", "");
    Put(key, "Column Offset", 0);
    Put(key, "Host", "HOST");
    Put(key, "Device Session", "S1");

    platform::EventLoop loop;
    core::CHostCtrl slot;
    devices::CDeviceQueuePrt device("Device 01");
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
    if (platform::FAILED(support::RegisterTestPrinterControl())) {
        std::fprintf(stderr, "cannot register the test control: %s\n",
                     platform::ComLastErrorText().c_str());
        return 1;
    }
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
