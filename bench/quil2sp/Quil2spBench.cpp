// Messages per second through QUIL2SP: the creator sends a 100-byte message, the provider
// hands it to the Session library, whose host protocol driver sends it to the host
// simulator; the host answers every data message with its payload, and the answer comes
// back through the driver's threads and the session's worker to the creator. The baseline
// is a raw loopback ping-pong of the same wire bytes with a peer that answers each record
// at once.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "bench/RecordPingPong.h"
#include "quil2sp/ProviderLock.h"
#include "quilhost/QuilHost.h"
#include "quilsp/RouteConfig.h"
#include "quilsp/SPImp.h"

namespace {

constexpr std::size_t kMessageLength = 100;
constexpr int kWaitMs = 5000;

// The provider's callbacks come from the session's worker thread.
class CountingCreator : public quilsp::IProviderCallbacks {
public:
    quilsp::spimp* imp = nullptr;

    void OnReceive(int) override {
        std::string data;
        if (imp->Receive(data) != 0) return;
        Bump([&] { ++m_received; });
    }
    void OnSend(int) override {}
    void OnConnect(int error) override {
        Bump([&] { m_connected = error == 0; });
    }
    void OnDisconnect(int) override {}
    void OnResource(std::string, int) override {}

    bool WaitConnected() {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::milliseconds(kWaitMs),
                                  [&] { return m_connected; });
    }
    std::size_t Received() {
        std::lock_guard guard(m_lock);
        return m_received;
    }
    bool WaitReceived(std::size_t count) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::milliseconds(kWaitMs),
                                  [&] { return m_received >= count; });
    }

private:
    template <typename F>
    void Bump(F change) {
        {
            std::lock_guard guard(m_lock);
            change();
        }
        m_changed.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::size_t m_received = 0;
    bool m_connected = false;
};

void BM_Quil2sp(benchmark::State& state) {
    bench::OwnMachineRoot root("quil2sp-bench-");
    quilhost::QuilHost host;
    if (!host.Start()) {
        state.SkipWithError("no host");
        return;
    }
    const std::string map = "127.0.0.1:30031=127.0.0.1:" + std::to_string(host.Port());
    ::setenv("TREVO_ENDPOINT_MAP", map.c_str(), 1);
    const quilsp::RouteConfig cfg("BENCH");
    cfg.SetText("Remote IP Address", "127.0.0.1");
    cfg.SetText("LNIATA", "1A2B01");
    cfg.SetText("Device", "TERMINAL");

    CountingCreator creator;
    std::unique_ptr<quilsp::spimp> imp;
    {
        const quilsp::ProviderLock::Guard guard;
        imp = std::make_unique<quilsp::spimp>(creator);
        creator.imp = imp.get();
        (void)imp->Connect("BENCH", "END1");
    }
    // The host answers the registration that came with the begin (the driver drops it).
    if (!creator.WaitConnected() || !host.WaitForSession(1, kWaitMs) ||
        !host.SendData(1, std::vector<std::uint8_t>{0xE1, 0x4E})) {
        state.SkipWithError("no connection");
    } else {
        host.SetEcho(true);
        const std::vector<std::uint8_t> message(kMessageLength, 'A');
        for (auto _ : state) {
            const std::size_t before = creator.Received();
            int rc = 0;
            {
                const quilsp::ProviderLock::Guard guard;
                rc = imp->SendMsg(message);
            }
            if (rc != 0 || !creator.WaitReceived(before + 1)) {
                state.SkipWithError("message lost");
                break;
            }
        }
    }
    {
        const quilsp::ProviderLock::Guard guard;
        imp.reset();
    }
    host.Stop();
    ::unsetenv("TREVO_ENDPOINT_MAP");
}
BENCHMARK(BM_Quil2sp)->UseRealTime();

// The same record on the wire, sent back at once by a loopback peer.
void BM_RawPingPong(benchmark::State& state) {
    bench::RecordPingPong(state, bench::QuilDataRecord(kMessageLength));
}
BENCHMARK(BM_RawPingPong)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double provider = reporter.Time("BM_Quil2sp/real_time");
        const double raw = reporter.Time("BM_RawPingPong/real_time");
        if (provider > 0.0 && raw > 0.0)
            std::printf(
                "100-byte messages: QUIL2SP %.0f messages/s, raw ping-pong %.0f/s, ratio %.2f\n",
                1e9 / provider, 1e9 / raw, provider / raw);
    });
    return 0;
}
