// ARLO routes end to end: the connection library loads the ARLO module, which asks the
// simulated load balancer for a front end and talks to it.
#include <cstdio>

#include "ArloFixture.h"
#include "platform/HostInfo.h"
#include "platform/SocketAddress.h"

namespace arlo::test {
namespace {

using support::FromHex;
using support::ToHex;

std::string HexText(const std::string& text) {
    return ToHex(std::vector<std::uint8_t>(text.begin(), text.end()));
}

class ArloRouteTest : public ArloFixture {};

TEST_F(ArloRouteTest, TerminalRouteCarriesText) {
    Creator c;
    ConnectUp(c);
    ASSERT_TRUE(Until([&] { return c.events.size() >= 2; }));
    EXPECT_EQ(c.events, (std::vector<std::string>{"connect 0", "resource 1A2B01 1"}));

    // The request names the terminal and this host's first address.
    const auto requests = host.Requests();
    ASSERT_EQ(requests.size(), 1u);
    std::string id;
    if (const auto ip = platform::InetAddr(platform::LocalIPv4Address())) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08X", *ip);
        id = digits;
    }
    const std::string text = "GET TREVO_VIA_LNIATA 1A2B01 PORT=0 ID=" + id;
    EXPECT_EQ(ToHex(requests[0]),
              ToHex(std::vector<std::uint8_t>{0x02, 0x00, static_cast<std::uint8_t>(text.size())}) +
                  " " + HexText(text));
    // The configuration packet carries the granted token.
    ASSERT_FALSE(FrontEndWire().empty());
    EXPECT_EQ(FrontEndWire()[0], "02 00 12 05 01 11 22 33 44 " + HexText("KEEPALIVE=YES"));

    std::string abc = "ABC";
    ASSERT_EQ(c.Send(abc), 0);
    ASSERT_TRUE(Until([&] { return FrontEndWire().size() >= 2 && c.Has("send 0"); }));
    EXPECT_EQ(FrontEndWire()[1], "02 00 0C 05 02 11 22 33 44 1A 2B 01 C1 C2 C3 4E");

    // Kinds 3, 3, 2: one message; a text starting '/' comes with 1028; kind 6 is dropped.
    ASSERT_TRUE(host.SendBody(1, arlohost::DataBody(3, FromHex("C8 C5"))));
    ASSERT_TRUE(host.SendBody(1, arlohost::DataBody(3, FromHex("D3"), false)));
    ASSERT_TRUE(host.SendBody(1, arlohost::DataBody(2, FromHex("D3 D6 4E"), false)));
    ASSERT_TRUE(host.SendBody(1, {0x06}));
    ASSERT_TRUE(host.SendBody(1, arlohost::DataBody(2, FromHex("61 C1 4E"))));
    ASSERT_TRUE(Until([&] { return c.received.size() >= 2; }));
    EXPECT_EQ(std::string(c.received[0].begin(), c.received[0].end()), "HELLO");
    EXPECT_EQ(std::string(c.received[1].begin(), c.received[1].end()), "/A");
    EXPECT_EQ(c.events[3], "receive 0");
    EXPECT_EQ(c.events[4], "receive 1028");

    // Disconnect answers 1006 and sends the disconnect packet; the front end then closes.
    EXPECT_EQ(c.Disconnect(), BRX_NO_CONNECT);
    ASSERT_TRUE(Until([&] { return c.Has("disconnect 0"); }));
    EXPECT_EQ(FrontEndWire().back(), "02 00 05 05 05 11 22 33 44");
    EXPECT_TRUE(host.Problems().empty());
}

TEST_F(ArloRouteTest, ClassRouteRequest) {
    Set("Use Class Name", 1);
    Set("Class Name", "CLS1");
    Creator c;
    ConnectUp(c);
    ASSERT_EQ(host.Requests().size(), 1u);
    EXPECT_EQ(ToHex(host.Requests()[0]), "02 00 1F " + HexText("GET TREVO_VIA_CLASS CLS1 PORT=0"));
}

TEST_F(ArloRouteTest, RefusalsAndFallback) {
    struct Case {
        const char* refusal;
        std::string event;
        int protocolError;
    };
    for (const Case& k :
         std::vector<Case>{{"E-055", "connect 1015", 20055}, {"E-000", "connect 1025", 21002}}) {
        arlohost::LoadBalancerSettings lb;
        lb.mode = arlohost::LoadBalancerSettings::Refuse;
        lb.refusal = k.refusal;
        host.SetLoadBalancer(lb);
        Creator c;
        ASSERT_EQ(c.Connect("R1", "END1"), BRX_WAITING);
        ASSERT_TRUE(Until([&] { return !c.events.empty(); }));
        EXPECT_EQ(c.events, std::vector<std::string>{k.event});
        EXPECT_EQ(c.ProtocolLastError(), k.protocolError);
        std::string text;
        c.LastErrorMessage(text);
        if (k.protocolError == 20055) {
            EXPECT_EQ(text.substr(text.size() - 19), " Error Code : E-055");
        }
    }
    // Nothing listens on the primary: the fallback (127.0.0.2, same port) is asked once.
    host.SetLoadBalancer({});
    Set("Load Balancer Name", "127.0.0.3");
    {
        Creator c;
        ASSERT_EQ(c.Connect("R1", "END1"), BRX_WAITING);
        ASSERT_TRUE(Until([&] { return !c.events.empty(); }));
        EXPECT_EQ(c.events, std::vector<std::string>{"connect 1027"});
    }
    ASSERT_TRUE(host.StartLoadBalancer("127.0.0.2", host.LoadBalancerPort()));
    Creator c;
    ConnectUp(c);
    EXPECT_EQ(host.Requests().size(), 3u);
}

TEST_F(ArloRouteTest, IdleTimeouts) {
    Set("Enable Idle Timeout", 1);
    m_step = 100;
    host.SetAnswerConfiguration(false);
    {
        Creator c;
        ASSERT_EQ(c.Connect("R1", "END1"), BRX_WAITING);
        ASSERT_TRUE(Until([&] { return !c.events.empty(); }));
        EXPECT_EQ(c.events, std::vector<std::string>{"connect 1006"});
    }
    host.SetAnswerConfiguration(true);
    Creator c;
    ConnectUp(c);
    ASSERT_TRUE(Until([&] { return c.Has("disconnect 0"); }));
    EXPECT_TRUE(host.WaitFor([&] { return host.IsClosed(2); }));
}

}  // namespace
}  // namespace arlo::test
