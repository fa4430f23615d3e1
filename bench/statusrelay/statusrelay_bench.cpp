// The status relay, loaded by name as the main program loads it.
// 1. Statuses through the relay to two monitors (each draining on its own thread) against
//    sending the same packets straight over two loopback sockets: time per status, ratio.
// 2. The caller's cost of SendDeviceStatus with a monitor that reads nothing against none:
//    queuing must not wait for the network, so the ratio should stay near 1.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "bench/Ratio.h"
#include "platform/DynamicLibrary.h"
#include "platform/Socket.h"
#include "statusrelay/VekaUtil.h"

namespace {

constexpr int kBatch = 1000;

DEVICESTATUS SampleStatus() {
    DEVICESTATUS status{};
    std::strcpy(status.deviceName, "PRINTER1");
    std::strcpy(status.deviceType, "ATB");
    std::strcpy(status.lniata, "ABCDEF");
    std::strcpy(status.deviceStatus, "Online");
    std::strcpy(status.connectionStatus, "Connected");
    std::strcpy(status.hostStatus, "Up");
    std::strcpy(status.message, "Ready for the next coupon");
    return status;
}

// The bytes the relay sends for SampleStatus.
std::size_t SamplePacketSize() {
    return 11 + std::strlen("PRINTER1~ATB~ABCDEF~Online~Connected~Up~Ready for the next coupon") +
           1;
}

// Reads and counts everything that comes on a socket until it closes.
class Drain {
public:
    explicit Drain(platform::Socket socket) : m_socket(std::move(socket)) {
        m_thread = std::thread([this] {
            std::uint8_t chunk[64 * 1024];
            for (;;) {
                const int got = m_socket.Receive(chunk);
                if (got <= 0) return;
                m_bytes.fetch_add(static_cast<std::size_t>(got), std::memory_order_release);
            }
        });
    }
    ~Drain() {
        (void)m_socket.Shutdown(platform::ShutdownHow::Both);
        m_thread.join();
    }
    void WaitFor(std::size_t bytes) const {
        while (m_bytes.load(std::memory_order_acquire) < bytes) std::this_thread::yield();
    }
    std::size_t Bytes() const { return m_bytes.load(std::memory_order_acquire); }

private:
    platform::Socket m_socket;
    std::atomic<std::size_t> m_bytes{0};
    std::thread m_thread;
};

class Relay {
public:
    Relay() {
        platform::Listener free;
        (void)free.Listen(platform::SocketAddress::Loopback(0));
        m_port = free.Port();
        free.Close();
        ::setenv(kRelayAddressVariable, "127.0.0.1", 1);
        ::setenv(kRelayPortVariable, std::to_string(m_port).c_str(), 1);
        BeginListeningFn* begin = nullptr;
        const platform::SymbolBinding bindings[] = {
            platform::BindSymbol("BeginListening", begin),
            platform::BindSymbol("SendDeviceStatus", send),
        };
        m_ok = m_module.Open(platform::MapLibraryName("VEKAUTIL.DLL")) && m_module.Bind(bindings) &&
               begin() == 1;
    }
    bool ok() const { return m_ok; }

    // A monitor the relay has taken in (a status sent after it arrives).
    platform::Socket Connect(int receiveBuffer = 0) {
        for (int attempt = 0; attempt < 5000; ++attempt) {
            platform::Socket socket;
            if (socket.Create() &&
                (receiveBuffer == 0 || socket.SetReceiveBufferSize(receiveBuffer)) &&
                socket.Connect(platform::SocketAddress::Loopback(m_port), 1000))
                return socket;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return {};
    }

    SendDeviceStatusFn* send = nullptr;

private:
    platform::DynamicLibrary m_module;
    std::uint16_t m_port = 0;
    bool m_ok = false;
};

// Sends one status until a monitor has it: the relay has taken that monitor in.
bool Settle(Relay& relay, Drain& drain) {
    const DEVICESTATUS status = SampleStatus();
    for (int attempt = 0; attempt < 5000 && drain.Bytes() == 0; ++attempt) {
        (void)relay.send(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return drain.Bytes() > 0;
}

void BM_RelayToTwoMonitors(benchmark::State& state) {
    Relay relay;
    if (!relay.ok()) return state.SkipWithError("relay did not load");
    Drain first(relay.Connect()), second(relay.Connect());
    if (!Settle(relay, first) || !Settle(relay, second)) return state.SkipWithError("no monitors");
    const DEVICESTATUS status = SampleStatus();
    for (auto _ : state) {
        const std::size_t firstTarget = first.Bytes() + kBatch * SamplePacketSize();
        const std::size_t secondTarget = second.Bytes() + kBatch * SamplePacketSize();
        for (int i = 0; i < kBatch; ++i) (void)relay.send(status);
        // Earlier settling statuses may still be on the way: wait for at least a batch more.
        first.WaitFor(firstTarget);
        second.WaitFor(secondTarget);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_RelayToTwoMonitors)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RawSendsToTwoSockets(benchmark::State& state) {
    platform::Listener listener;
    if (!listener.Listen(platform::SocketAddress::Loopback(0)))
        return state.SkipWithError("no listener");
    platform::Socket out[2];
    std::unique_ptr<Drain> drains[2];
    for (int i = 0; i < 2; ++i) {
        platform::Socket in;
        if (!out[i].Create() || !out[i].Connect(listener.Address(), 1000) ||
            !listener.Accept(in, 1000))
            return state.SkipWithError("no connection");
        drains[i] = std::make_unique<Drain>(std::move(in));
    }
    std::vector<std::uint8_t> packet(SamplePacketSize(), 'x');
    for (auto _ : state) {
        const std::size_t target = drains[0]->Bytes() + kBatch * packet.size();
        for (int i = 0; i < kBatch; ++i)
            for (auto& socket : out) (void)socket.SendAll(packet);
        drains[0]->WaitFor(target);
        drains[1]->WaitFor(target);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    for (auto& socket : out) (void)socket.Shutdown(platform::ShutdownHow::Both);
}
BENCHMARK(BM_RawSendsToTwoSockets)->UseRealTime()->Unit(benchmark::kMillisecond);

void SendWithMonitor(benchmark::State& state, bool stalled) {
    Relay relay;
    if (!relay.ok()) return state.SkipWithError("relay did not load");
    platform::Socket monitor;
    const DEVICESTATUS status = SampleStatus();
    if (stalled) {
        monitor = relay.Connect(4096);
        // Fill what lies between the relay and the monitor, so that the dispatcher waits.
        for (int i = 0; i < 20000; ++i) (void)relay.send(status);
    }
    for (auto _ : state) benchmark::DoNotOptimize(relay.send(status));
}

void BM_SendDeviceStatusNoMonitor(benchmark::State& state) {
    SendWithMonitor(state, false);
}
void BM_SendDeviceStatusStalledMonitor(benchmark::State& state) {
    SendWithMonitor(state, true);
}
// Bounded: with the dispatcher held up, every status stays queued until the monitor is dropped.
BENCHMARK(BM_SendDeviceStatusNoMonitor)->Iterations(100000);
BENCHMARK(BM_SendDeviceStatusStalledMonitor)->Iterations(100000);

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(
        argc, argv,
        [](const bench::RatioReporter& reporter) {
            const double relay = reporter.Time("BM_RelayToTwoMonitors/real_time");
            const double raw = reporter.Time("BM_RawSendsToTwoSockets/real_time");
            if (relay > 0 && raw > 0)
                std::printf("relay / raw sends time per status, two monitors: %.2f\n", relay / raw);
            const double none = reporter.Time("BM_SendDeviceStatusNoMonitor/iterations:100000");
            const double stalled =
                reporter.Time("BM_SendDeviceStatusStalledMonitor/iterations:100000");
            if (none > 0 && stalled > 0)
                std::printf("SendDeviceStatus cost, stalled monitor / none: %.2f\n",
                            stalled / none);
        },
        bench::RatioReporter::Keep::CleanRuns);
}
