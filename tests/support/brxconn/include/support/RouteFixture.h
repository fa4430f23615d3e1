// A route through the connection library to a simulated far end on loopback, for the tests
// of the providers built on the binary transport: a creator that writes down what it is told
// and the messages it is handed, and a fixture with an event loop on the test's thread and a
// fake platform clock. A ticker thread moves the clock on by a step each time it wakes the
// loop (a step of 0: only the test moves it), so that waits end in bounded real time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "brxconn/BRXConn.h"
#include "platform/EventLoop.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"

namespace support {

class RouteCreator final : public BRXConn {
public:
    std::vector<std::string> events;
    std::vector<std::vector<std::uint8_t>> received;
    bool takeOnReceive = true;  // read the message in OnReceive

    bool Has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
    std::size_t Count(const std::string& e) const {
        return static_cast<std::size_t>(std::count(events.begin(), events.end(), e));
    }

protected:
    void OnReceive(BRXError e) override {
        events.push_back("receive " + std::to_string(e));
        std::string data;
        if (takeOnReceive && Receive(data) == 0) received.emplace_back(data.begin(), data.end());
    }
    void OnSend(BRXError e) override { events.push_back("send " + std::to_string(e)); }
    void OnConnect(BRXError e) override { events.push_back("connect " + std::to_string(e)); }
    void OnDisconnect(BRXError e) override { events.push_back("disconnect " + std::to_string(e)); }
    void OnResource(std::string r, int n) override {
        events.push_back("resource " + r + " " + std::to_string(n));
    }
    void OnSystemAvailable(int a) override { events.push_back("available " + std::to_string(a)); }
};

// Bytes of every value, the same for the same seed.
inline std::vector<std::uint8_t> RandomBytes(std::size_t length, unsigned seed) {
    std::vector<std::uint8_t> m(length);
    std::mt19937 gen(seed);
    for (auto& b : m) b = static_cast<std::uint8_t>(gen());
    return m;
}

// One block of bytes: in binary mode one message of the transport.
inline BRXError SendBlock(BRXConn& c, std::vector<std::uint8_t> m) {
    return c.Send(static_cast<int>(m.size()), reinterpret_cast<char*>(m.data()));
}

class RouteFixture : public ::testing::Test, private platform::IMessageTarget {
protected:
    // The route's provider key names the module file.
    RouteFixture(std::string route, std::uint64_t stepMs, const char* provider, const char* module)
        : m_step(stepMs), m_route(std::move(route)), m_target(loop.AddTarget(*this)) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kProvidersKey, provider, "DLL Name", module);
        Set("Service Provider", provider);
        m_ticker = std::thread([this] {
            while (!m_stop) {
                if (const std::uint64_t step = m_step) clock.Advance(step);
                (void)platform::PostMessage(m_target, platform::WM_USER, 0, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~RouteFixture() override {
        m_stop = true;
        m_ticker.join();
        loop.RemoveTarget(m_target);
    }

    platform::LRESULT OnMessage(platform::UINT, platform::WPARAM, platform::LPARAM) override {
        return 0;
    }

    // A value of the fixture's route, or of another route.
    void Set(const char* name, const std::string& value) { SetOf(m_route, name, value); }
    void Set(const char* name, unsigned long value) { SetOf(m_route, name, value); }
    template <typename V>
    static void SetOf(const std::string& route, const char* name, const V& value) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, route, name, value);
    }

    // A turn of the loop: the timers that were due when this began have run.
    void Settle() {
        (void)loop.PumpUntil([] { return false; }, 0);
    }

    // Pumps the loop until done() holds (at most 20 s of real time).
    bool Until(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        (void)loop.PumpUntil([&] { return done() || std::chrono::steady_clock::now() > deadline; },
                             0x7FFFFFFF);
        return done();
    }

    // Binary mode on, with the application header.
    static void BinaryOn(BRXConn& c, const char* header = "PQ") {
        char on[] = "true";
        ASSERT_EQ(c.SetOption(4, on), 0);
        VXTAppHeader h;
        h.bytes[0] = static_cast<std::uint8_t>(header[0]);
        h.bytes[1] = static_cast<std::uint8_t>(header[1]);
        ASSERT_EQ(c.SetAppHeader(h), 1);
    }

    // Three binary messages each way between a connected creator in binary mode and its far
    // end (a simulator with SendBinary, IsSending and Delivered): out 1, 2 and 3 segments,
    // in 1, 2 and 3 segments of a window of 3. Every message arrives once, in order.
    template <typename FarEnd>
    void ExchangeEachWay(RouteCreator& c, FarEnd& far) {
        std::vector<std::vector<std::uint8_t>> sent, came;
        for (unsigned i = 0; i < 3; ++i) {
            const auto out = RandomBytes(1 + i * 1500, 10 + i);
            sent.push_back(out);
            ASSERT_EQ(SendBlock(c, out), 0);
            const auto in = RandomBytes(1 + i * 2100, 20 + i);
            came.push_back(in);
            ASSERT_TRUE(
                Until([&] { return far.Delivered().size() == i + 1 && !far.IsSending(1); }));
            ASSERT_TRUE(far.SendBinary(1, in, 3, {0x50, 0x51}));
            ASSERT_TRUE(Until([&] { return c.received.size() == i + 1; }));
        }
        EXPECT_EQ(far.Delivered(), sent);
        EXPECT_EQ(c.received, came);
    }

    support::TempRoot root;
    support::FakeClockScope clock;
    platform::EventLoop loop;
    // Milliseconds the ticker moves the clock each time.
    std::atomic<std::uint64_t> m_step;
    const std::string m_route;

private:
    platform::HWND m_target;
    std::atomic<bool> m_stop{false};
    std::thread m_ticker;
};

}  // namespace support
