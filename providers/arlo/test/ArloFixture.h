// A connection through the connection library to an ARLO route, against the load balancer
// and front end of tools/arlohost on loopback. The platform clock is a fake one that a
// driver thread moves on steadily, so time-outs come without real waiting; idle time-outs
// are off unless a test turns them on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "arlohost/ArloHost.h"
#include "brxapicfg/BRXConfig.h"
#include "brxconn/BRXConn.h"
#include "platform/EventLoop.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

namespace arlo::test {

class Creator final : public BRXConn {
public:
    std::vector<std::string> events;
    std::vector<std::vector<std::uint8_t>> received;
    std::string lastText;  // the error text while an OnReceive of an error ran

    bool Has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }

protected:
    void OnReceive(BRXError e) override {
        events.push_back("receive " + std::to_string(e));
        std::string data;
        if (Receive(data) == 0) received.emplace_back(data.begin(), data.end());
        if (e != 0) LastErrorMessage(lastText);
    }
    void OnSend(BRXError e) override { events.push_back("send " + std::to_string(e)); }
    void OnConnect(BRXError e) override { events.push_back("connect " + std::to_string(e)); }
    void OnDisconnect(BRXError e) override { events.push_back("disconnect " + std::to_string(e)); }
    void OnResource(std::string r, int n) override {
        events.push_back("resource " + r + " " + std::to_string(n));
    }
};

class ArloFixture : public ::testing::Test, private platform::IMessageTarget {
protected:
    ArloFixture() : m_target(loop.AddTarget(*this)) {
        EXPECT_TRUE(host.Start());
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kProvidersKey, "ARLO", "DLL Name", "ARLO.DLL");
        Route();
        // ARLO_TRACE=1 writes the transport's trace to standard error.
        if (std::getenv("ARLO_TRACE")) {
            BRXConfig t;
            (void)t.SetValue(BRXConfig::kApiKey, "Trace", "Tracing Active", 1UL);
        }
        m_driver = std::thread([this] {
            while (!m_stop) {
                clock.Advance(m_step);
                (void)platform::PostMessage(m_target, platform::WM_USER, 0, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~ArloFixture() override {
        m_stop = true;
        m_driver.join();
        loop.RemoveTarget(m_target);
        host.Stop();
    }

    platform::LRESULT OnMessage(platform::UINT, platform::WPARAM, platform::LPARAM) override {
        return 0;
    }

    // The route "R1" by terminal address to the simulator's load balancer.
    void Route(const std::string& lniata = "1A2B01") {
        Set("Service Provider", "ARLO");
        Set("Load Balancer Name", "127.0.0.1");
        Set("Load Balancer Fallback Name", "127.0.0.2");
        Set("Load Balancer IP Port", host.LoadBalancerPort());
        Set("Use Class Name", 0);
        Set("LNIATA", lniata);
        Set("Enable Idle Timeout", 0);
        Set("VXTTimeOut", 2);
    }
    void Set(const char* name, const std::string& value) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", name, value);
    }
    void Set(const char* name, unsigned long value) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", name, value);
    }

    // Pumps the loop until done() holds (at most 20 s of real time).
    bool Until(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        (void)loop.PumpUntil([&] { return done() || std::chrono::steady_clock::now() > deadline; },
                             0x7FFFFFFF);
        return done();
    }

    void ConnectUp(Creator& c) {
        ASSERT_EQ(c.Connect("R1", "END1"), BRX_WAITING);
        ASSERT_TRUE(Until([&] { return c.Has("connect 0") || c.events.size() > 0; }));
        ASSERT_EQ(c.events.at(0), "connect 0");
    }
    void BinaryOn(Creator& c, const char* header = "PQ") {
        char on[] = "true";
        ASSERT_EQ(c.SetOption(4, on), 0);
        VXTAppHeader h;
        h.bytes[0] = static_cast<std::uint8_t>(header[0]);
        h.bytes[1] = static_cast<std::uint8_t>(header[1]);
        ASSERT_EQ(c.SetAppHeader(h), 1);
    }
    // The bodies of the data packets the front end got (kind 2), as hex.
    std::vector<std::string> FrontEndWire() const {
        std::vector<std::string> out;
        for (const auto& p : host.Packets()) out.push_back(support::ToHex(p.wire));
        return out;
    }

    support::TempRoot root;
    support::FakeClockScope clock;
    platform::EventLoop loop;
    arlohost::ArloHost host;
    std::atomic<std::uint64_t> m_step{20};

private:
    platform::HWND m_target;
    std::atomic<bool> m_stop{false};
    std::thread m_driver;
};

}  // namespace arlo::test
