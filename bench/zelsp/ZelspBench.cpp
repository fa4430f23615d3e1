// Messages per second through the ZEL provider (its binary transport and socket provider)
// against the simulated gateway, which echoes every message: text mode (a 100-character
// text in the gateway's code) and binary mode (a 100-byte message as one segment, with its
// acknowledgements both ways). The baseline is a raw loopback ping-pong of the same frame
// bytes with a peer that answers each frame at once.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/Ratio.h"
#include "brxapicfg/BRXConfig.h"
#include "brxbt/BRXBT.h"
#include "brxbt/TransportLog.h"
#include "platform/EventLoop.h"
#include "platform/Socket.h"
#include "zel/SpImp.h"
#include "zelgate/ZelGate.h"

void brxbt::TransportTrace(int, const char*, ...) {}

namespace {

constexpr std::size_t kMessageLength = 100;
constexpr platform::DWORD kWaitMs = 5000;

class Counting final : public brxbt::ITransportContainer {
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
    Counting container;
    auto bt = std::make_unique<brxbt::BRXBT>(
        &container, [](brxbt::ISocketOwner& o) { return std::make_unique<zel::spimp>(o); });
    container.bt = bt.get();
    (void)bt->Connect("BENCH", "END1");
    if (!loop.PumpUntil([&] { return container.connected; }, kWaitMs)) {
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
    // Not "A", "B" or "C" first: those ask for a printer answer and go no further.
    std::string message(kMessageLength, 'Z');
    for (auto _ : state) {
        const std::size_t before = container.received;
        if (bt->SendData(static_cast<int>(message.size()), message.data()) != 0 ||
            !loop.PumpUntil([&] { return container.received > before; }, kWaitMs)) {
            state.SkipWithError("message lost");
            break;
        }
    }
    (void)bt->Disconnect();
    bt.reset();
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

bool ReadAll(platform::Socket& socket, std::vector<std::uint8_t>& buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const int n =
            socket.Receive(std::span<std::uint8_t>(buffer).subspan(got), static_cast<int>(kWaitMs));
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// Rounds of the exchange: the workstation sends `first` bytes and the peer answers at once
// with `second` bytes (none when 0).
using Rounds = std::vector<std::pair<std::size_t, std::size_t>>;

void RawPingPong(benchmark::State& state, const Rounds& rounds) {
    platform::Listener listener;
    if (!listener.Listen(platform::SocketAddress::Loopback(0))) {
        state.SkipWithError("no listener");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        platform::Socket conn;
        if (!listener.Accept(conn, static_cast<int>(kWaitMs))) return;
        (void)conn.SetNoDelay(true);
        while (!stop) {
            bool ok = true;
            for (const auto& [in, out] : rounds) {
                std::vector<std::uint8_t> buffer(in);
                ok = ok && ReadAll(conn, buffer);
                std::vector<std::uint8_t> answer(out, 0x41);
                ok = ok && (out == 0 || conn.SendAll(answer, static_cast<int>(kWaitMs)));
            }
            if (!ok) break;
        }
    });
    platform::Socket client;
    if (!client.Create() || !client.Connect(listener.Address(), static_cast<int>(kWaitMs))) {
        state.SkipWithError("no connection");
    } else {
        (void)client.SetNoDelay(true);
        for (auto _ : state) {
            bool ok = true;
            for (const auto& [out, in] : rounds) {
                std::vector<std::uint8_t> buffer(out, 0x41);
                ok = ok && client.SendAll(buffer, static_cast<int>(kWaitMs));
                buffer.assign(in, 0);
                ok = ok && ReadAll(client, buffer);
            }
            if (!ok) {
                state.SkipWithError("frame lost");
                break;
            }
        }
    }
    stop = true;
    client.Close();
    peer.join();
}

constexpr std::size_t kFrame = 34;
constexpr std::size_t kLniata = 3;
constexpr std::size_t kSegmentHeader = 11;

// Text: the frame with the message and its end code; the echo adds the terminal address.
void BM_RawText(benchmark::State& state) {
    RawPingPong(state, {{kFrame + kMessageLength + 1, kFrame + kLniata + kMessageLength + 1}});
}
BENCHMARK(BM_RawText)->UseRealTime();

// Binary: the segment out, its final acknowledgement and the echoed segment back, and the
// final acknowledgement of that.
void BM_RawBinary(benchmark::State& state) {
    RawPingPong(state, {{kFrame + kSegmentHeader + kMessageLength,
                         2 * (kFrame + kLniata) + 2 * kSegmentHeader + kMessageLength},
                        {kFrame + kSegmentHeader, 0}});
}
BENCHMARK(BM_RawBinary)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        for (const char* mode : {"Text", "Binary"}) {
            const double provider = reporter.Time(std::string("BM_Zel") + mode + "/real_time");
            const double raw = reporter.Time(std::string("BM_Raw") + mode + "/real_time");
            if (provider > 0.0 && raw > 0.0)
                std::printf(
                    "%s, 100-byte messages: provider %.0f messages/s, raw ping-pong %.0f/s, "
                    "ratio %.2f\n",
                    mode, 1e9 / provider, 1e9 / raw, provider / raw);
        }
    });
    return 0;
}
