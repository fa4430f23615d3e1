// A provider object with a recording creator, run on the test thread's loop against the host
// simulator on loopback, with its own machine root and a fake clock.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LoopPump.h"
#include "platform/EventLoop.h"
#include "quilhost/HostRecord.h"
#include "quilhost/QuilHost.h"
#include "quilsp/RouteConfig.h"
#include "quilsp/SPImp.h"
#include "quilsp/Session.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

namespace quilsp::test {

class Creator : public IProviderCallbacks {
public:
    spimp* imp = nullptr;
    std::vector<std::string> events;
    std::vector<std::vector<std::uint8_t>> received;
    // Called once a message has been collected, while the provider is still handing it on.
    std::function<void()> whileHandingOn;

    void OnReceive(int error) override {
        events.push_back("receive " + std::to_string(error));
        std::string data;
        if (imp->Receive(data) == 0) {
            received.emplace_back(data.begin(), data.end());
            // Collected twice within the call: the same record.
            std::string again;
            EXPECT_EQ(imp->Receive(again), 0);
            EXPECT_EQ(again, data);
            if (whileHandingOn) whileHandingOn();
        }
    }
    void OnSend(int error) override { events.push_back("send " + std::to_string(error)); }
    void OnConnect(int error) override { events.push_back("connect " + std::to_string(error)); }
    void OnDisconnect(int error) override {
        events.push_back("disconnect " + std::to_string(error));
    }
    void OnResource(std::string resource, int number) override {
        events.push_back("resource " + resource + " " + std::to_string(number));
    }

    bool Has(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    std::string Hex(std::size_t i) const {
        return i < received.size() ? support::ToHex(received[i]) : "(none)";
    }
};

class ProviderFixture : public ::testing::Test {
protected:
    ProviderFixture() : pump(loop) {
        EXPECT_TRUE(host.Start());
        imp = std::make_unique<spimp>(creator);
        creator.imp = imp.get();
    }
    ~ProviderFixture() override {
        imp.reset();
        host.Stop();
    }

    // A route to the simulator.
    void Route(const std::string& lniata, const std::string& device = "TERMINAL",
               const char* route = "R1") {
        const RouteConfig cfg(route);
        cfg.SetText("Remote IP Address", "127.0.0.1");
        cfg.SetText("LNIATA", lniata);
        cfg.SetText("Device", device);
        cfg.SetNumber("Remote Port", host.Port());
    }

    // Connects and waits for the creator's OnConnect.
    void ConnectRoute(const char* route = "R1") {
        ASSERT_EQ(imp->Connect(route, "END1"), 1009);
        ASSERT_TRUE(pump.Until([&] { return creator.Has("connect 0"); }));
    }

    int Send(const std::vector<std::uint8_t>& bytes) { return imp->SendMsg(bytes); }
    int Send(const std::string& text) {
        return imp->SendMsg(std::vector<std::uint8_t>(text.begin(), text.end()));
    }

    // The wire bytes of the records the host received, in order.
    std::vector<std::string> HostReceived(const quilhost::QuilHost& h) const {
        std::vector<std::string> out;
        for (const auto& e : h.Events())
            if (e.kind == quilhost::EventKind::Received)
                out.push_back(support::ToHex(quilhost::EncodeRecord(e.record)));
        return out;
    }
    bool HostGot(const quilhost::QuilHost& h, std::size_t count) {
        return pump.Until([&] { return HostReceived(h).size() >= count; });
    }
    bool CreatorGot(std::size_t count) {
        return pump.Until([&] { return creator.received.size() >= count; });
    }

    support::TempRoot root;
    support::FakeClockScope clock;
    platform::EventLoop loop;
    LoopPump pump;
    quilhost::QuilHost host;
    Creator creator;
    std::unique_ptr<spimp> imp;
};

}  // namespace quilsp::test
