#include "bench/RecordPingPong.h"

#include <atomic>
#include <span>
#include <thread>

#include "platform/Socket.h"

namespace bench {

namespace {

constexpr int kWaitMs = 5000;

bool ReadRecord(platform::Socket& socket, std::vector<std::uint8_t>& buffer) {
    std::size_t got = 0;
    while (got < buffer.size()) {
        const int n = socket.Receive(std::span<std::uint8_t>(buffer).subspan(got), kWaitMs);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
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
    platform::Listener listener;
    if (!listener.Listen(platform::SocketAddress::Loopback(0))) {
        state.SkipWithError("no listener");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        platform::Socket conn;
        if (!listener.Accept(conn, kWaitMs)) return;
        std::vector<std::uint8_t> buffer(wire.size());
        while (!stop && ReadRecord(conn, buffer))
            if (!conn.SendAll(buffer, kWaitMs)) break;
    });
    platform::Socket client;
    if (!client.Create() || !client.Connect(listener.Address(), kWaitMs)) {
        state.SkipWithError("no connection");
    } else {
        std::vector<std::uint8_t> buffer(wire.size());
        for (auto _ : state) {
            if (!client.SendAll(wire, kWaitMs) || !ReadRecord(client, buffer)) {
                state.SkipWithError("record lost");
                break;
            }
        }
    }
    stop = true;
    client.Close();
    peer.join();
}

}  // namespace bench
