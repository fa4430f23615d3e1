// The provider half of the benchmarks of the binary-transport providers against a simulated
// host that echoes every message: a transport over the provider's socket provider, connected
// to the route "BENCH" (set up by the caller), in text or binary mode; each iteration sends
// one message and waits for its echo. The baseline is a raw ping-pong of the same bytes
// (bench/RecordPingPong.h), and the ratios are printed per mode.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/Ratio.h"
#include "brxbt/BRXBT.h"
#include "platform/EventLoop.h"

namespace bench {

inline constexpr platform::DWORD kEchoWaitMs = 5000;

// Counts the messages the transport receives.
class EchoCounter final : public brxbt::ITransportContainer {
public:
    brxbt::BRXBT* bt = nullptr;
    std::size_t received = 0;
    bool connected = false;
    void OnReceive(BRXError code) override {
        char* data = nullptr;
        int length = 0;
        if (code == 0 && bt->Receive(&data, &length) == 0) ++received;
    }
    void OnSend(BRXError) override {}
    void OnConnect(BRXError code) override { connected = code == 0; }
    void OnDisconnect(BRXError) override {}
    void OnLock(BRXError) override {}
    void OnResource(std::string, int) override {}
    void OnSystemAvailable(int) override {}
};

// Connects, switches to binary mode if asked, and measures `message` echoed; disconnects at
// the end.
inline void EchoMessages(benchmark::State& state, platform::EventLoop& loop,
                         const brxbt::BRXBT::ProviderFactory& makeProvider, bool binary,
                         const std::string& message) {
    EchoCounter container;
    auto bt = std::make_unique<brxbt::BRXBT>(&container, makeProvider);
    container.bt = bt.get();
    (void)bt->Connect("BENCH", "END1");
    if (!loop.PumpUntil([&] { return container.connected; }, kEchoWaitMs)) {
        state.SkipWithError("no connection");
        return;
    }
    if (binary) {
        char on[] = "true";
        const std::uint8_t header[2] = {'P', 'Q'};
        if (bt->SetOption(4, on) != 0 || !bt->SetAppHeader(header)) {
            state.SkipWithError("no binary mode");
            return;
        }
    }
    for (auto _ : state) {
        const std::size_t before = container.received;
        if (bt->SendData(static_cast<int>(message.size()), message.data()) != 0 ||
            !loop.PumpUntil([&] { return container.received > before; }, kEchoWaitMs)) {
            state.SkipWithError("message lost");
            break;
        }
    }
    (void)bt->Disconnect();
}

// Prints, for text and binary mode, the provider's rate (the runs BM_<provider>Text and
// BM_<provider>Binary) against the raw ping-pong's (BM_RawText, BM_RawBinary) and their ratio.
inline void PrintEchoRatios(const RatioReporter& reporter, const std::string& provider) {
    for (const char* mode : {"Text", "Binary"}) {
        const double subject = reporter.Time("BM_" + provider + mode + "/real_time");
        const double raw = reporter.Time(std::string("BM_Raw") + mode + "/real_time");
        if (subject > 0.0 && raw > 0.0)
            std::printf(
                "%s, 100-byte messages: provider %.0f messages/s, raw ping-pong %.0f/s, "
                "ratio %.2f\n",
                mode, 1e9 / subject, 1e9 / raw, subject / raw);
    }
}

}  // namespace bench
