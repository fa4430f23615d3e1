// Messages per second through the ARLO provider (its binary transport and socket provider)
// against the simulated front end, which echoes every message: text mode (a 100-character
// text in the front-end code) and binary mode (a 100-byte message as one segment, with its
// acknowledgements both ways). The baseline is a raw loopback ping-pong of the same packet
// bytes with a peer that answers each packet at once.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "arlo/SPImp.h"
#include "arlohost/ArloHost.h"
#include "bench/ProviderEcho.h"
#include "bench/Ratio.h"
#include "bench/RecordPingPong.h"
#include "brxapicfg/BRXConfig.h"
#include "platform/EventLoop.h"

namespace {

constexpr std::size_t kMessageLength = 100;

void Run(benchmark::State& state, bool binary) {
    bench::OwnMachineRoot root("arlo-bench-");
    platform::EventLoop loop;
    arlohost::ArloHost host;
    if (!host.Start()) {
        state.SkipWithError("no host");
        return;
    }
    host.SetEcho(true);
    BRXConfig cfg;
    const std::string r = BRXConfig::kRoutesKey;
    (void)cfg.SetValue(r, "BENCH", "Load Balancer Name", "127.0.0.1");
    (void)cfg.SetValue(r, "BENCH", "Load Balancer Fallback Name", "127.0.0.1");
    (void)cfg.SetValue(r, "BENCH", "Load Balancer IP Port", host.LoadBalancerPort());
    (void)cfg.SetValue(r, "BENCH", "Use Class Name", 0UL);
    (void)cfg.SetValue(r, "BENCH", "LNIATA", "1A2B01");
    (void)cfg.SetValue(r, "BENCH", "Enable Idle Timeout", 0UL);
    bench::EchoMessages(
        state, loop, [](brxbt::ISocketOwner& o) { return std::make_unique<arlo::SPimp>(o); },
        binary, std::string(kMessageLength, 'A'));
    host.Stop();
}

void BM_ArloText(benchmark::State& state) {
    Run(state, false);
}
BENCHMARK(BM_ArloText)->UseRealTime();

void BM_ArloBinary(benchmark::State& state) {
    Run(state, true);
}
BENCHMARK(BM_ArloBinary)->UseRealTime();

// A data packet: 4 header bytes, kind, token, terminal address; text adds the end code.
constexpr std::size_t kDataPacket = 4 + 1 + 4 + 3;

// The same bytes as the provider's exchange, each packet answered at once: text is one data
// packet each way; binary is a segment and its final acknowledgement each way.

void BM_RawText(benchmark::State& state) {
    constexpr std::size_t kText = kDataPacket + kMessageLength + 1;
    bench::RoundsPingPong(state, {{kText, kText}}, "packet lost");
}
BENCHMARK(BM_RawText)->UseRealTime();

void BM_RawBinary(benchmark::State& state) {
    constexpr std::size_t kSegment = kDataPacket + 11 + kMessageLength;
    constexpr std::size_t kAck = kDataPacket + 11;
    bench::RoundsPingPong(state, {{kSegment, kSegment}, {kAck, kAck}}, "packet lost");
}
BENCHMARK(BM_RawBinary)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        bench::PrintEchoRatios(reporter, "Arlo");
    });
    return 0;
}
