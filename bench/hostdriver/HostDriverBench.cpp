// Messages per second through the host protocol driver: a session harness sends a message
// through the driver object, its host session and the shared host socket to a simulated host on
// loopback, which answers each one; the answer comes back through the socket's threads to the
// harness. The baseline is a raw loopback ping-pong of the same wire bytes with the same host.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/Ratio.h"
#include "hostdriver/DriverRuntime.h"
#include "hostdriver/HostDrvInt.h"
#include "platform/Socket.h"
#include "support/DriverHarness.h"
#include "support/TestFrontEnd.h"

namespace {

constexpr int kDeadlineMs = 5000;

// Answers every record on one connection: the request's session header (state 0 for a begin,
// else 1) and options, message type 0; a begin's answer carries no data, every other C1 4E.
class EchoHost {
public:
    EchoHost() {
        if (!m_listener.Listen(platform::SocketAddress::Loopback(0))) std::abort();
        m_thread = std::thread([this] { Run(); });
    }
    ~EchoHost() {
        m_stop = true;
        m_thread.join();
    }
    std::uint16_t Port() const { return m_listener.Port(); }

    static std::vector<std::uint8_t> Answer(const std::vector<std::uint8_t>& request) {
        std::vector<std::uint8_t> out(
            request.begin(), request.end() - (request.size() - 20 - (request[9] & 0x0F) * 4u));
        out[8] = static_cast<std::uint8_t>(0x10 | ((request[8] & 0x0F) == 0 ? 0 : 1));
        out[10] = 0;
        if ((request[8] & 0x0F) != 0) {
            out.push_back(0xC1);
            out.push_back(0x4E);
        }
        const auto n = static_cast<std::uint32_t>(out.size());
        for (int i = 0; i < 4; ++i)
            out[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(n >> (24 - 8 * i));
        return out;
    }

    static bool ReadRecord(platform::Socket& s, std::vector<std::uint8_t>& record, int timeoutMs) {
        record.resize(8);
        if (s.ReceiveAll(record, timeoutMs) != 8) return false;
        const std::size_t n = std::size_t{record[6]} << 8 | record[7];
        if (n < 20) return false;
        record.resize(n);
        return s.ReceiveAll(std::span(record).subspan(8), timeoutMs) == static_cast<int>(n - 8);
    }

private:
    void Run() {
        while (!m_stop) {
            platform::Socket connection;
            if (!m_listener.Accept(connection, 100)) continue;
            // The client's close ends the connection (each benchmark closes before it ends).
            std::vector<std::uint8_t> record;
            while (ReadRecord(connection, record, -1))
                if (!connection.SendAll(Answer(record), kDeadlineMs)) break;
        }
    }

    platform::Listener m_listener;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

const std::vector<std::uint8_t> kMessage = {0xC1, 0xC2, 0x4E};

void BM_DriverRoundTrip(benchmark::State& state) {
    EchoHost host;
    const std::string map = "127.0.0.1:30031=127.0.0.1:" + std::to_string(host.Port());
    ::setenv("TREVO_ENDPOINT_MAP", map.c_str(), 1);
    support::RegisterTestFrontEnd("TERMINAL");
    if (quildrv::DriverStartup() != 1) {
        state.SkipWithError("driver start-up failed");
        return;
    }
    {
        support::DriverHarness harness;
        harness.RecordLogLines(false);
        harness.SetRoute("DEVTYPE", "TERMINAL");
        harness.SetRoute("DEFAULTHOST", "127.0.0.1");
        harness.SetRoute("LNIATA", "1A2B01");
        harness.SetRoute("KEEPALIVE", "0");
        quildrv::CHostDrvInt driver(&harness);
        std::size_t received = 0;
        // The first message begins the session; the loop then measures session traffic.
        bool ok = driver.ConnectToHost() == 0 && driver.SendToHost(kMessage.data(), 3) == 0 &&
                  harness.WaitForCallNamed("OnConnect", 0);
        for (auto _ : state) {
            if (!ok) break;
            ok = driver.SendToHost(kMessage.data(), 3) == 0 &&
                 harness.WaitForReceives(++received, std::chrono::milliseconds(kDeadlineMs));
            unsigned char* data = nullptr;
            unsigned int length = 0;
            if (ok && driver.RecvFromHost(&data, &length) == 0) std::free(data);
            if (received % 1024 == 0) harness.ClearRecords();
        }
        if (!ok) state.SkipWithError("round trip failed");
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    }
    quildrv::DriverShutdown();
}
BENCHMARK(BM_DriverRoundTrip)->UseRealTime();

void BM_RawPingPong(benchmark::State& state) {
    EchoHost host;
    platform::Socket socket;
    if (!socket.Create() ||
        !socket.Connect(platform::SocketAddress::Loopback(host.Port()), kDeadlineMs)) {
        state.SkipWithError("connect failed");
        return;
    }
    // The wire bytes of a data record as the driver sends them.
    const std::vector<std::uint8_t> request = {0xFE, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F,
                                               0x11, 0x32, 0x00, 0x01, 0x1A, 0x2B, 0x01, 0x00,
                                               0x00, 0x00, 0x01, 0x01, 0x03, 0x08, 0x34, 0x12,
                                               0x00, 0x00, 0x00, 0x00, 0xC1, 0xC2, 0x4E};
    std::vector<std::uint8_t> answer;
    bool ok = true;
    for (auto _ : state) {
        ok = socket.SendAll(request, kDeadlineMs) &&
             EchoHost::ReadRecord(socket, answer, kDeadlineMs);
        if (!ok) break;
    }
    if (!ok) state.SkipWithError("ping-pong failed");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_RawPingPong)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const bench::OwnMachineRoot root("trevo-bench-");
    bench::RunWithRatios(
        argc, argv,
        [](const bench::RatioReporter& reporter) {
            const double driver = reporter.Time("BM_DriverRoundTrip/real_time");
            const double raw = reporter.Time("BM_RawPingPong/real_time");
            if (driver > 0.0 && raw > 0.0)
                std::printf("driver %.0f messages/s, raw ping-pong %.0f/s, ratio %.2f\n",
                            1e9 / driver, 1e9 / raw, driver / raw);
        },
        bench::RatioReporter::Keep::CleanRuns);
    return 0;
}
