// Messages per second through the ARLO provider (its binary transport and socket provider)
// against the simulated front end, which echoes every message: text mode (a 100-character
// text in the front-end code) and binary mode (a 100-byte message as one segment, with its
// acknowledgements both ways). The baseline is a raw loopback ping-pong of the same packet
// bytes with a peer that answers each packet at once.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "arlo/SPImp.h"
#include "arlohost/ArloHost.h"
#include "bench/Ratio.h"
#include "brxapicfg/BRXConfig.h"
#include "brxbt/BRXBT.h"
#include "platform/EventLoop.h"
#include "platform/Socket.h"

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
    Counting container;
    auto bt = std::make_unique<brxbt::BRXBT>(
        &container, [](brxbt::ISocketOwner& o) { return std::make_unique<arlo::SPimp>(o); });
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
    std::string message(kMessageLength, 'A');
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

// The same bytes as the provider's exchange, each packet answered at once: text is one data
// packet each way; binary is a segment and its final acknowledgement each way.
void RawPingPong(benchmark::State& state, std::vector<std::size_t> exchange) {
    platform::Listener listener;
    if (!listener.Listen(platform::SocketAddress::Loopback(0))) {
        state.SkipWithError("no listener");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        platform::Socket conn;
        if (!listener.Accept(conn, static_cast<int>(kWaitMs))) return;
        while (!stop) {
            bool ok = true;
            for (const std::size_t n : exchange) {
                std::vector<std::uint8_t> buffer(n);
                ok = ok && ReadAll(conn, buffer) && conn.SendAll(buffer, static_cast<int>(kWaitMs));
            }
            if (!ok) break;
        }
    });
    platform::Socket client;
    if (!client.Create() || !client.Connect(listener.Address(), static_cast<int>(kWaitMs))) {
        state.SkipWithError("no connection");
    } else {
        for (auto _ : state) {
            bool ok = true;
            for (const std::size_t n : exchange) {
                std::vector<std::uint8_t> buffer(n, 0x41);
                ok = ok && client.SendAll(buffer, static_cast<int>(kWaitMs)) &&
                     ReadAll(client, buffer);
            }
            if (!ok) {
                state.SkipWithError("packet lost");
                break;
            }
        }
    }
    stop = true;
    client.Close();
    peer.join();
}

// A data packet: 4 header bytes, kind, token, terminal address; text adds the end code.
constexpr std::size_t kDataPacket = 4 + 1 + 4 + 3;

void BM_RawText(benchmark::State& state) {
    RawPingPong(state, {kDataPacket + kMessageLength + 1});
}
BENCHMARK(BM_RawText)->UseRealTime();

void BM_RawBinary(benchmark::State& state) {
    RawPingPong(state, {kDataPacket + 11 + kMessageLength, kDataPacket + 11});
}
BENCHMARK(BM_RawBinary)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        for (const char* mode : {"Text", "Binary"}) {
            const double provider = reporter.Time(std::string("BM_Arlo") + mode + "/real_time");
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
