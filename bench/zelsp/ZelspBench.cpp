// Messages per second through the ZEL provider (its binary transport and socket provider)
// against the simulated gateway, which echoes every message: text mode (a 100-character
// text in the gateway's code) and binary mode (a 100-byte message as one segment, with its
// acknowledgements both ways). The baseline is a raw loopback ping-pong of the same frame
// bytes with a peer that answers each frame at once.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/ProviderEcho.h"
#include "bench/Ratio.h"
#include "bench/RecordPingPong.h"
#include "brxapicfg/BRXConfig.h"
#include "brxbt/TransportLog.h"
#include "platform/EventLoop.h"
#include "zel/SpImp.h"
#include "zelgate/ZelGate.h"

void brxbt::TransportTrace(int, const char*, ...) {}

namespace {

constexpr std::size_t kMessageLength = 100;

void Run(benchmark::State& state, bool binary) {
    bench::OwnMachineRoot root("zel-bench-");
    platform::EventLoop loop;
    zelgate::ZelGate gate;
    if (!gate.Start()) {
        state.SkipWithError("no gateway");
        return;
    }
    zelgate::GatewaySettings echo;
    echo.echo = true;
    gate.SetSettings(echo);
    BRXConfig cfg;
    const std::string r = BRXConfig::kRoutesKey;
    (void)cfg.SetValue(r, "BENCH", "Server IP Address", "127.0.0.1");
    (void)cfg.SetValue(r, "BENCH", "ZEL Port", gate.Port());
    (void)cfg.SetValue(r, "BENCH", "Lniata", "012345");
    (void)cfg.SetValue(r, "BENCH", "Use Heart Beat Timer", 0UL);
    // Not "A", "B" or "C" first: those ask for a printer answer and go no further.
    bench::EchoMessages(
        state, loop, [](brxbt::ISocketOwner& o) { return std::make_unique<zel::spimp>(o); }, binary,
        std::string(kMessageLength, 'Z'));
    gate.Stop();
}

void BM_ZelText(benchmark::State& state) {
    Run(state, false);
}
BENCHMARK(BM_ZelText)->UseRealTime();

void BM_ZelBinary(benchmark::State& state) {
    Run(state, true);
}
BENCHMARK(BM_ZelBinary)->UseRealTime();

constexpr std::size_t kFrame = 34;
constexpr std::size_t kLniata = 3;
constexpr std::size_t kSegmentHeader = 11;

// Text: the frame with the message and its end code; the echo adds the terminal address.
void BM_RawText(benchmark::State& state) {
    bench::RoundsPingPong(state,
                          {{kFrame + kMessageLength + 1, kFrame + kLniata + kMessageLength + 1}},
                          "frame lost");
}
BENCHMARK(BM_RawText)->UseRealTime();

// Binary: the segment out, its final acknowledgement and the echoed segment back, and the
// final acknowledgement of that.
void BM_RawBinary(benchmark::State& state) {
    bench::RoundsPingPong(state,
                          {{kFrame + kSegmentHeader + kMessageLength,
                            2 * (kFrame + kLniata) + 2 * kSegmentHeader + kMessageLength},
                           {kFrame + kSegmentHeader, 0}},
                          "frame lost");
}
BENCHMARK(BM_RawBinary)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        bench::PrintEchoRatios(reporter, "Zel");
    });
    return 0;
}
