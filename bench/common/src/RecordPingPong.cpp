#include "bench/RecordPingPong.h"

#include <atomic>
#include <functional>
#include <span>
#include <thread>

#include "platform/Socket.h"

namespace bench {

namespace {

constexpr int kWaitMs = 5000;

bool ReadWhole(platform::Socket& socket, std::vector<std::uint8_t>& buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const int n = socket.Receive(std::span<std::uint8_t>(buffer).subspan(got), kWaitMs);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// A loopback ping-pong: the peer answers with `answer` until it fails or the run ends; each
// iteration runs `exchange` on the client, false ending the run with `lost`. `noDelay`: both
// ends send small writes at once.
void PingPong(benchmark::State& state, bool noDelay,
              const std::function<bool(platform::Socket&)>& answer,
              const std::function<bool(platform::Socket&)>& exchange, const char* lost) {
    platform::Listener listener;
    if (!listener.Listen(platform::SocketAddress::Loopback(0))) {
        state.SkipWithError("no listener");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        platform::Socket conn;
        if (!listener.Accept(conn, kWaitMs)) return;
        if (noDelay) (void)conn.SetNoDelay(true);
        while (!stop && answer(conn)) {
        }
    });
    platform::Socket client;
    if (!client.Create() || !client.Connect(listener.Address(), kWaitMs)) {
        state.SkipWithError("no connection");
    } else {
        if (noDelay) (void)client.SetNoDelay(true);
        for (auto _ : state) {
            if (!exchange(client)) {
                state.SkipWithError(lost);
                break;
            }
        }
    }
    stop = true;
    client.Close();
    peer.join();
}

}  // namespace

std::vector<std::uint8_t> QuilDataRecord(std::size_t letters) {
    std::vector<std::uint8_t> wire = {0xFE, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11, 0x30,
                                      0x00, 0x01, 0x1A, 0x2B, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01};
    wire.insert(wire.end(), letters, 0xC1);
    wire.push_back(0x4E);
    wire[7] = static_cast<std::uint8_t>(wire.size());
    return wire;
}

void RecordPingPong(benchmark::State& state, const std::vector<std::uint8_t>& wire) {
    std::vector<std::uint8_t> echo(wire.size());
    std::vector<std::uint8_t> buffer(wire.size());
    PingPong(
        state, false,
        [&](platform::Socket& conn) {
            return ReadWhole(conn, echo) && conn.SendAll(echo, kWaitMs);
        },
        [&](platform::Socket& client) {
            return client.SendAll(wire, kWaitMs) && ReadWhole(client, buffer);
        },
        "record lost");
}

void RoundsPingPong(benchmark::State& state, const Rounds& rounds, const char* lost) {
    PingPong(
        state, true,
        [&](platform::Socket& conn) {
            bool ok = true;
            for (const auto& [in, out] : rounds) {
                std::vector<std::uint8_t> buffer(in);
                ok = ok && ReadWhole(conn, buffer);
                std::vector<std::uint8_t> answer(out, 0x41);
                ok = ok && (out == 0 || conn.SendAll(answer, kWaitMs));
            }
            return ok;
        },
        [&](platform::Socket& client) {
            bool ok = true;
            for (const auto& [out, in] : rounds) {
                std::vector<std::uint8_t> buffer(out, 0x41);
                ok = ok && client.SendAll(buffer, kWaitMs);
                buffer.assign(in, 0);
                ok = ok && ReadWhole(client, buffer);
            }
            return ok;
        },
        lost);
}

}  // namespace bench
