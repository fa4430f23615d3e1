// A connection through the connection library to an ARLO route, against the load balancer
// and front end of tools/arlohost on loopback. The platform clock is a fake one that the
// fixture's ticker moves on steadily, so time-outs come without real waiting; idle time-outs
// are off unless a test turns them on.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "arlohost/ArloHost.h"
#include "support/Hex.h"
#include "support/RouteFixture.h"

namespace arlo::test {

using Creator = support::RouteCreator;

class ArloFixture : public support::RouteFixture {
protected:
    ArloFixture() : RouteFixture("R1", 20, "ARLO", "ARLO.DLL") {
        EXPECT_TRUE(host.Start());
        Route();
        // ARLO_TRACE=1 writes the transport's trace to standard error.
        if (std::getenv("ARLO_TRACE")) {
            BRXConfig t;
            (void)t.SetValue(BRXConfig::kApiKey, "Trace", "Tracing Active", 1UL);
        }
    }
    ~ArloFixture() override { host.Stop(); }

    // The route "R1" by terminal address to the simulator's load balancer.
    void Route(const std::string& lniata = "1A2B01") {
        Set("Load Balancer Name", "127.0.0.1");
        Set("Load Balancer Fallback Name", "127.0.0.2");
        Set("Load Balancer IP Port", host.LoadBalancerPort());
        Set("Use Class Name", 0);
        Set("LNIATA", lniata);
        Set("Enable Idle Timeout", 0);
        Set("VXTTimeOut", 2);
    }
    void ConnectUp(Creator& c) {
        ASSERT_EQ(c.Connect("R1", "END1"), BRX_WAITING);
        ASSERT_TRUE(Until([&] { return c.Has("connect 0") || c.events.size() > 0; }));
        ASSERT_EQ(c.events.at(0), "connect 0");
    }
    // The bodies of the data packets the front end got (kind 2), as hex.
    std::vector<std::string> FrontEndWire() const {
        std::vector<std::string> out;
        for (const auto& p : host.Packets()) out.push_back(support::ToHex(p.wire));
        return out;
    }

    arlohost::ArloHost host;
};

}  // namespace arlo::test
