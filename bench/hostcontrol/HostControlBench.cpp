// Host messages per second from the provider's OnReceive to the acknowledgement at its Send,
// through the whole road: the connection library, the real host control made by class id,
// the view's event sink, the host link, the device's send thread writing the message, and
// the acknowledgement sent back through the control. The baseline is the same road through
// the stand-in Printer control, which takes the message without a connection library or
// provider, measured in the same run; the ratio of the two times is printed at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "core/HostCtrl.h"
#include "core/HostTrevo.h"
#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"
#include "platform/EventLoop.h"
#include "support/LoopbackProvider.h"
#include "support/TestDevice.h"
#include "support/TestPrinterControl.h"
#include "support/ViewSink.h"

namespace {

constexpr platform::DWORD kDeadlineMs = 10000;

// A protected message of 100 bytes: "A", the sequence number, text, the end code.
std::string Message(std::uint8_t tsn) {
    std::string msg{static_cast<char>(0xC1), static_cast<char>(tsn)};
    while (msg.size() < 99) msg.push_back(static_cast<char>(0xC1 + msg.size() % 9));
    msg.push_back(0x4E);
    return msg;
}

// One device with its control in its slot, connected; `deliver` plays the host.
class Road {
public:
    explicit Road(bool real) : m_real(real) {}
    ~Road() {
        if (m_device) m_device->ShutDown();
        if (m_real && m_loopback) m_loopback->Drop(0);
        if (m_testHost) static_cast<void>(m_testHost->CompleteDisconnect());
        if (m_cookie) static_cast<void>(m_slot->Control()->EventSource()->Unadvise(m_cookie));
        m_device.reset();
        m_slot.reset();
    }

    bool Open() {
        if (m_real) {
            if (platform::FAILED(platform::RegisterServer(platform::MapLibraryName("BRXAPI"))) ||
                !support::Loopback())
                return false;
            support::Loopback()->Reset();
            support::Loopback()->SetConnectResult(0);
            support::WriteLoopbackSession("TREVO VEKA", "PRN1", "HOST", "LOOP 01");
        } else if (platform::FAILED(support::RegisterTestPrinterControl())) {
            return false;
        }
        m_slot = std::make_unique<core::CHostCtrl>();
        m_device = std::make_unique<support::CTestDevice>(
            "Device 01", "PRN1",
            std::make_unique<core::CHostTrevo>("Device 01", "HOST", false, false, "", false,
                                               false));
        m_device->KeepWritten(false);  // a device writes and forgets
        if (!m_device->CreateHostConnection(m_slot.get(), 1028, 0)) return false;
        if (platform::FAILED(m_slot->Control()->EventSource()->Advise(
                std::make_shared<support::ViewSink>(*m_device), &m_cookie)))
            return false;
        if (!m_device->Start() || !m_device->HostConnectUnlessPending()) return false;
        if (m_real) {
            m_loopback = support::Loopback()->Last();
            if (!m_loopback) return false;
            m_loopback->CompleteConnect(0);
            m_loopback->AssignResource("0A1B2C");
        } else {
            m_testHost = support::HostSideOf(*m_slot->Control());
            if (!m_testHost || !m_testHost->CompleteConnect(true) ||
                !m_testHost->AssignResource("0A1B2C"))
                return false;
        }
        return m_device->GetHost()->GetConnectionState() == core::CONNECTION_CONNECTED &&
               Exchange("\xC3\xD9\x4E");  // the reset first
    }

    // Delivers one message and runs the loop until its acknowledgement was sent.
    bool Exchange(const std::string& message) {
        const std::uint32_t sent = m_device->GetStatistics().m_dwHostMsgsSent;
        if (m_real) {
            m_loopback->Deliver(message);
        } else if (!m_testHost->Deliver(message)) {
            return false;
        }
        return m_loop.PumpUntil([&] { return m_device->GetStatistics().m_dwHostMsgsSent > sent; },
                                kDeadlineMs);
    }

private:
    bool m_real;
    platform::EventLoop m_loop;
    std::unique_ptr<core::CHostCtrl> m_slot;
    std::unique_ptr<support::CTestDevice> m_device;
    support::LoopbackConnection* m_loopback = nullptr;
    support::TestPrinterHost* m_testHost = nullptr;
    platform::DWORD m_cookie = 0;
};

void BM_Road(benchmark::State& state, bool real) {
    std::vector<std::string> messages;
    for (std::uint8_t tsn = 0xC1; tsn <= 0xC9; ++tsn) messages.push_back(Message(tsn));
    Road road(real);
    if (!road.Open()) {
        state.SkipWithError("the road could not be opened");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        if (!road.Exchange(messages[next])) {
            state.SkipWithError("no acknowledgement");
            break;
        }
        next = (next + 1) % messages.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK_CAPTURE(BM_Road, RealControl, true)->UseRealTime();
BENCHMARK_CAPTURE(BM_Road, TestControl, false)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const bench::OwnMachineRoot root("trevo-bench-hostcontrol-");
    bench::RunWithRatios(
        argc, argv,
        [](const bench::RatioReporter& reporter) {
            const double real = reporter.Time("BM_Road/RealControl/real_time");
            const double test = reporter.Time("BM_Road/TestControl/real_time");
            if (real > 0.0 && test > 0.0) {
                std::printf(
                    "host control road: %.0f messages/s, through the stand-in control %.0f/s, "
                    "ratio %.2f\n",
                    1e9 / real, 1e9 / test, real / test);
            }
        },
        bench::RatioReporter::Keep::CleanRuns);
    return 0;
}
