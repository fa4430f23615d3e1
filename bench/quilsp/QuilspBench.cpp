// Messages per second through the QUIL provider: the creator sends a 100-byte message, the
// provider frames it and sends it to the host simulator, which answers every data message
// with its payload, and the answer reaches the creator. The baseline is a raw loopback
// ping-pong of the same wire bytes with a peer that answers each record at once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "bench/RecordPingPong.h"
#include "platform/EventLoop.h"
#include "quilhost/QuilHost.h"
#include "quilsp/RouteConfig.h"
#include "quilsp/SPImp.h"

namespace {

constexpr std::size_t kMessageLength = 100;
constexpr platform::DWORD kWaitMs = 5000;

class CountingCreator : public quilsp::IProviderCallbacks {
public:
    quilsp::spimp* imp = nullptr;
    std::size_t received = 0;
    bool connected = false;

    void OnReceive(int) override {
        std::string data;
        if (imp->Receive(data) == 0) ++received;
    }
    void OnSend(int) override {}
    void OnConnect(int error) override { connected = error == 0; }
    void OnDisconnect(int) override {}
    void OnResource(std::string, int) override {}
};

void BM_Quilsp(benchmark::State& state) {
    bench::OwnMachineRoot root("quilsp-bench-");
    platform::EventLoop loop;
    quilhost::QuilHost host;
    if (!host.Start()) {
        state.SkipWithError("no host");
        return;
    }
    host.SetEcho(true);
    const quilsp::RouteConfig cfg("BENCH");
    cfg.SetText("Remote IP Address", "127.0.0.1");
    cfg.SetText("LNIATA", "1A2B01");
    cfg.SetText("Device", "TERMINAL");
    cfg.SetNumber("Remote Port", host.Port());

    CountingCreator creator;
    auto imp = std::make_unique<quilsp::spimp>(creator);
    creator.imp = imp.get();
    (void)imp->Connect("BENCH", "END1");
    if (!loop.PumpUntil([&] { return creator.connected; }, kWaitMs)) {
        state.SkipWithError("no connection");
        return;
    }
    const std::vector<std::uint8_t> message(kMessageLength, 'A');
    for (auto _ : state) {
        const std::size_t before = creator.received;
        if (imp->SendMsg(message) != 0 ||
            !loop.PumpUntil([&] { return creator.received > before; }, kWaitMs)) {
            state.SkipWithError("message lost");
            break;
        }
    }
    imp.reset();
    host.Stop();
}
BENCHMARK(BM_Quilsp)->UseRealTime();

// The same record on the wire, sent back at once by a loopback peer.
void BM_RawPingPong(benchmark::State& state) {
    bench::RecordPingPong(state, bench::QuilDataRecord(kMessageLength));
}
BENCHMARK(BM_RawPingPong)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double provider = reporter.Time("BM_Quilsp/real_time");
        const double raw = reporter.Time("BM_RawPingPong/real_time");
        if (provider > 0.0 && raw > 0.0)
            std::printf(
                "100-byte messages: provider %.0f messages/s, raw ping-pong %.0f/s, ratio %.2f\n",
                1e9 / provider, 1e9 / raw, provider / raw);
    });
    return 0;
}
