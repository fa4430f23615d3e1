// A connection through the connection library to a ZEL route, against the gateways of
// tools/zelgate on loopback. The platform clock is a fake one that only the test moves; a
// ticker thread wakes the loop so that waits end in bounded real time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "brxconn/BRXConn.h"
#include "platform/EventLoop.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/TempRoot.h"
#include "zelgate/ZelGate.h"

namespace zel::test {

class Creator final : public BRXConn {
public:
    std::vector<std::string> events;
    std::vector<std::vector<std::uint8_t>> received;
    bool takeOnReceive = true;  // read the text in OnReceive

    bool Has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
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

class ZelFixture : public ::testing::Test, private platform::IMessageTarget {
protected:
    ZelFixture() : m_target(loop.AddTarget(*this)) {
        EXPECT_TRUE(gate.Start());
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kProvidersKey, "ZEL", "DLL Name", "ZELSP.DLL");
        Set("Service Provider", "ZEL");
        Set("Server IP Address", "127.0.0.1");
        Set("ZEL Port", gate.Port());
        Set("Lniata", "012345");
        Set("Alias", "ABCDEFGH");
        m_ticker = std::thread([this] {
            while (!m_stop) {
                if (const std::uint64_t step = m_step) clock.Advance(step);
                (void)platform::PostMessage(m_target, platform::WM_USER, 0, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~ZelFixture() override {
        m_stop = true;
        m_ticker.join();
        loop.RemoveTarget(m_target);
        gate.Stop();
    }

    platform::LRESULT OnMessage(platform::UINT, platform::WPARAM, platform::LPARAM) override {
        return 0;
    }

    // A turn of the loop: the timers that were due when this began have run.
    void Settle() {
        (void)loop.PumpUntil([] { return false; }, 0);
    }

    void Set(const char* name, const std::string& value) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "Z1", name, value);
    }
    void Set(const char* name, unsigned long value) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "Z1", name, value);
    }

    // Pumps the loop until done() holds (at most 20 s of real time).
    bool Until(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        (void)loop.PumpUntil([&] { return done() || std::chrono::steady_clock::now() > deadline; },
                             0x7FFFFFFF);
        return done();
    }

    void ConnectUp(Creator& c) {
        const BRXError r = c.Connect("Z1", "END1");
        ASSERT_TRUE(r == 0 || r == BRX_WAITING) << r;
        ASSERT_TRUE(Until([&] { return c.events.size() >= 2; }));
        ASSERT_EQ(c.events.at(0), "connect 0");
    }

    // The wire of the frames of one kind the gateway got, as hex.
    std::vector<std::string> Wire(std::uint16_t flags) const {
        std::vector<std::string> out;
        for (const auto& f : gate.Frames(flags)) out.push_back(support::ToHex(f.wire));
        return out;
    }

    support::TempRoot root;
    support::FakeClockScope clock;
    platform::EventLoop loop;
    zelgate::ZelGate gate;
    // Milliseconds the ticker moves the clock each time (0: only the test moves it).
    std::atomic<std::uint64_t> m_step{0};

private:
    platform::HWND m_target;
    std::atomic<bool> m_stop{false};
    std::thread m_ticker;
};

inline std::string Zeros(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += " 00";
    return s;
}

}  // namespace zel::test
