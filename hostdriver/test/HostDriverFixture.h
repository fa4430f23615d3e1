// Driver objects with the test front end against the host simulator on loopback: the endpoint
// map sends the configured host ports to the simulator's port.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostdriver/DriverRuntime.h"
#include "hostdriver/HostDrvInt.h"
#include "hostdriver/HostSession.h"
#include "quilhost/QuilHost.h"
#include "support/DriverHarness.h"
#include "support/Hex.h"
#include "support/Loopback.h"
#include "support/TempRoot.h"
#include "support/TestFrontEnd.h"

namespace quildrv {

struct Driver {
    support::DriverHarness harness;
    std::unique_ptr<CHostDrvInt> driver;
    int taken = 0;  // messages taken with RecvFromHost

    support::TestFrontEnd* FrontEnd() const {
        return dynamic_cast<support::TestFrontEnd*>(driver->FrontEnd());
    }
};

class HostDriverFixture : public support::TempRootTest {
protected:
    void SetUp() override {
        support::RegisterTestFrontEnd("TERMINAL");
        ASSERT_TRUE(host.Start());
        MapPortsTo(host.Port());
        ASSERT_EQ(DriverStartup(), 1);
    }

    void TearDown() override {
        drivers.clear();
        DriverShutdown();
        host.Stop();
        ::unsetenv("TREVO_ENDPOINT_MAP");
    }

    static void MapPortsTo(std::uint16_t port) {
        std::string map;
        for (const char* configured : {"30031", "30030", "30032", "30051", "30050", "30052"})
            map +=
                std::string("127.0.0.1:") + configured + "=127.0.0.1:" + std::to_string(port) + ";";
        ::setenv("TREVO_ENDPOINT_MAP", map.c_str(), 1);
    }

    // A loopback port nobody listens on.
    static std::uint16_t ClosedPort() {
        platform::Listener listener;
        EXPECT_TRUE(listener.Listen(platform::SocketAddress::Loopback(0)));
        const std::uint16_t port = listener.Port();
        listener.Close();
        return port;
    }

    Driver& NewDriver(const std::map<std::string, std::string>& settings = {}) {
        Driver& d = drivers.emplace_back();
        d.harness.SetRoute("DEVTYPE", "TERMINAL");
        d.harness.SetRoute("DEFAULTHOST", "127.0.0.1");
        d.harness.SetRoute("LNIATA", "1A2B01");
        d.harness.SetRoute("LID", "0000ABCD");
        for (const auto& [key, value] : settings) d.harness.SetRoute(key, value);
        d.driver = std::make_unique<CHostDrvInt>(&d.harness);
        return d;
    }

    // Sends the first message (the begin) and waits for the host's answer.
    static void Begin(Driver& d) {
        const std::vector<std::uint8_t> message = {0xC1, 0xC2, 0x4E};
        ASSERT_EQ(d.driver->SendToHost(message.data(), 3), COMM_NO_ERROR);
        ASSERT_TRUE(d.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));
    }

    // The next host message handed to the session, as hex; "" when none comes in time.
    static std::string NextMessage(Driver& d, int timeoutMs = 5000) {
        const int want = d.taken + 1;
        (void)d.harness.WaitForCall(
            [&](const std::vector<support::DriverCall>& calls) {
                int n = 0;
                for (const auto& c : calls)
                    if (c.name == "OnReceive" && c.code == 0) ++n;
                return n >= want;
            },
            std::chrono::milliseconds(timeoutMs));
        unsigned char* data = nullptr;
        unsigned int length = 0;
        if (d.driver->RecvFromHost(&data, &length) != COMM_NO_ERROR) return "";
        ++d.taken;
        const std::string hex = support::ToHex(std::span<const std::uint8_t>(data, length));
        std::free(data);
        return hex;
    }

    std::vector<quilhost::HostRecord> Received() const {
        std::vector<quilhost::HostRecord> out;
        for (const auto& e : host.Events())
            if (e.kind == quilhost::EventKind::Received) out.push_back(e.record);
        return out;
    }

    quilhost::QuilHost host;
    std::list<Driver> drivers;
};

}  // namespace quildrv
