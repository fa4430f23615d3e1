#include "faultproxy/FaultProxy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <span>
#include <vector>

#include "platform/WinsockError.h"
#include "support/Loopback.h"

namespace faultproxy {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

// A client connected through the proxy to an echoing peer.
struct Road {
    support::LoopbackPeer peer{support::LoopbackPeer::Echo()};
    FaultProxy proxy{"127.0.0.1", peer.Port()};
    platform::Socket client;

    void Open() {
        ASSERT_TRUE(proxy.Start());
        ASSERT_TRUE(client.Create());
        ASSERT_TRUE(client.Connect("127.0.0.1", proxy.Port(), 5000));
    }
    // Sends n bytes and reads back what comes before the connection ends or a read waits
    // longer than waitMs.
    std::vector<std::uint8_t> RoundTrip(std::size_t n, int waitMs = 5000) {
        if (!client.SendAll(Bytes(n), 5000)) return {};
        std::vector<std::uint8_t> back(n);
        std::size_t done = 0;
        while (done < n) {
            const int got = client.Receive(std::span(back).subspan(done), waitMs);
            if (got <= 0) break;
            done += static_cast<std::size_t>(got);
        }
        back.resize(done);
        return back;
    }
};

TEST(FaultProxyTest, BytesArriveWholeAndInOrderInEveryPassingMode) {
    const struct {
        Mode mode;
        int latencyMs;
    } cases[] = {{Mode::Pass, 0}, {Mode::Slices, 0}, {Mode::Latency, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        Road road;
        road.proxy.SetMode(c.mode, c.latencyMs);
        road.Open();
        for (const std::size_t n : {1u, 300u, 40000u}) EXPECT_EQ(road.RoundTrip(n), Bytes(n));
    }
}

TEST(FaultProxyTest, BlackHoleSwallowsUntilTrafficPassesAgain) {
    Road road;
    road.Open();
    road.proxy.SetMode(Mode::BlackHole);
    EXPECT_TRUE(road.RoundTrip(10, 200).empty());
    road.proxy.SetMode(Mode::Pass);
    EXPECT_EQ(road.RoundTrip(10), Bytes(10));
}

TEST(FaultProxyTest, ResetAndCutBreakTheConnection) {
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut" : "reset");
        Road road;
        road.Open();
        ASSERT_EQ(road.RoundTrip(4), Bytes(4));
        if (cut)
            road.proxy.CutNextFromTarget();
        else
            road.proxy.ResetAll();
        std::vector<std::uint8_t> back;
        if (cut) {
            // Part of the echo comes, then the connection ends.
            back = road.RoundTrip(100);
            EXPECT_LT(back.size(), 100u);
            EXPECT_TRUE(std::equal(back.begin(), back.end(), Bytes(100).begin()));
        }
        std::uint8_t byte = 0;
        EXPECT_LE(road.client.Receive({&byte, 1}, 5000), 0);
        EXPECT_EQ(road.proxy.Broken(), 1u);
    }
}

TEST(FaultProxyTest, RefusedConnectionsAreResetAtOnce) {
    Road road;
    road.proxy.SetRefuse(true);
    ASSERT_TRUE(road.proxy.Start());
    ASSERT_TRUE(road.client.Create());
    // The reset can overtake the end of the connect, which then fails with it; otherwise the
    // first read meets it.
    if (road.client.Connect("127.0.0.1", road.proxy.Port(), 5000)) {
        std::uint8_t byte = 0;
        EXPECT_EQ(road.client.Receive({&byte, 1}, 5000), -1);
    }
    EXPECT_EQ(platform::WSAGetLastError(), platform::WSAECONNRESET);
    EXPECT_EQ(road.proxy.Broken(), 1u);
    EXPECT_EQ(road.proxy.Accepted(), 1u);
}

}  // namespace
}  // namespace faultproxy
