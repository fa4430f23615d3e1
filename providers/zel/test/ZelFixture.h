// A connection through the connection library to a ZEL route, against the gateways of
// tools/zelgate on loopback. The platform clock is a fake one that only the test moves
// unless a test gives the ticker a step.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "brxconn/ProviderModules.h"
#include "support/Hex.h"
#include "support/RouteFixture.h"
#include "zelgate/ZelGate.h"

namespace zel::test {

using Creator = support::RouteCreator;

class ZelFixture : public support::RouteFixture {
protected:
    ZelFixture() : RouteFixture("Z1", 0, "ZEL", "ZELSP.DLL") {
        EXPECT_TRUE(gate.Start());
        Route("Z1", "012345");
    }

    // A route to the gateway with a terminal address and the alias "ABCDEFGH".
    void Route(const std::string& route, const std::string& lniata) {
        SetOf(route, "Service Provider", std::string("ZEL"));
        SetOf(route, "Server IP Address", std::string("127.0.0.1"));
        SetOf(route, "ZEL Port", static_cast<unsigned long>(gate.Port()));
        SetOf(route, "Lniata", lniata);
        SetOf(route, "Alias", std::string("ABCDEFGH"));
    }

    void ConnectUp(Creator& c, const char* route = "Z1") {
        const BRXError r = c.Connect(route, "END1");
        ASSERT_TRUE(r == 0 || r == BRX_WAITING) << r;
        Connected(c);
    }
    // The connect answered, and the terminal address given.
    void Connected(Creator& c) {
        ASSERT_TRUE(Until([&] { return !c.events.empty(); }));
        ASSERT_EQ(c.events.at(0), "connect 0");
        ASSERT_TRUE(Until([&] { return c.events.size() >= 2; }));
    }

    // The module's own connection object for the creator, as the connection library makes
    // it: for the slots the library does not offer. Its callbacks reach the creator at once.
    static std::unique_ptr<BRXConn_> ModuleConnection(Creator& c) {
        c.takeOnReceive = false;
        const brxconn::ProviderModule* module = brxconn::LoadProvider("ZEL");
        if (!module || !module->create) return nullptr;
        return std::unique_ptr<BRXConn_>(module->create(&c, ""));
    }
    void ConnectUp(BRXConn_& conn, Creator& c, std::string route = "Z1") {
        std::string end = "END1";
        const BRXError r = conn.Connect(route, end);
        ASSERT_TRUE(r == 0 || r == BRX_WAITING) << r;
        Connected(c);
    }

    // The wire of the frames of one kind the gateway got, as hex.
    std::vector<std::string> Wire(std::uint16_t flags) const {
        std::vector<std::string> out;
        for (const auto& f : gate.Frames(flags)) out.push_back(support::ToHex(f.wire));
        return out;
    }

    // The data frames the gateway got on a connection, as hex.
    std::vector<std::string> DataTo(int connection) const {
        std::vector<std::string> out;
        for (const auto& f : gate.Frames(0))
            if (f.connection == connection) out.push_back(support::ToHex(f.data));
        return out;
    }

    zelgate::ZelGate gate;
};

inline std::string HexOf(const std::string& text) {
    return support::ToHex(std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace zel::test
