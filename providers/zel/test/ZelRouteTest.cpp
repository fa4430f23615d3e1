// ZEL routes end to end: the connection library loads ZELSP, which registers with the
// simulated gateway and talks to it.
#include "ZelFixture.h"
#include "zel/TimerRegistry.h"

namespace zel::test {
namespace {

using support::FromHex;
using support::HexZeros;

class ZelRouteTest : public ZelFixture {};

TEST_F(ZelRouteTest, RegistersAndCarriesText) {
    Creator c;
    ConnectUp(c);
    EXPECT_EQ(c.events, (std::vector<std::string>{"connect 0", "resource 012345 1"}));
    ASSERT_EQ(Wire(0x0001).size(), 1u);
    EXPECT_EQ(Wire(0x0001)[0], "A5 5A A5 5A 22 00 00 00 01 00 01 12 30 45" + HexZeros(20) +
                                   " 41 42 43 44 45 46 47 48");

    std::string abc = "ABC";
    ASSERT_EQ(c.Send(abc), 0);
    ASSERT_TRUE(gate.WaitFor([&] { return !gate.Frames(0).empty(); }));
    EXPECT_EQ(Wire(0)[0], "A5 5A A5 5A 1E 00 00 00 00 00" + HexZeros(24) + " C1 C2 C3 4E");

    // Received: the terminal address, C1 C2 and the text in the host code; handed on as the
    // creator's text (accumulated, as by default: without the message's last byte).
    ASSERT_TRUE(gate.SendData(1, FromHex("E3 E2 C8 C5 D3 D3 D6 4E")));
    ASSERT_TRUE(Until([&] { return !c.received.empty(); }));
    EXPECT_EQ(std::string(c.received[0].begin(), c.received[0].end()), "TSHELLO");

    // A message for another terminal address moves the connection to it.
    const std::array<std::uint8_t, 3> other{0x1A, 0x2B, 0x01};
    ASSERT_TRUE(gate.SendData(1, FromHex("E3 E2 C1 4E"), &other));
    ASSERT_TRUE(Until([&] { return c.received.size() >= 2; }));
    EXPECT_TRUE(c.Has("resource 1A2B01 1"));

    EXPECT_EQ(c.Disconnect(), 0);
    EXPECT_TRUE(gate.WaitFor([&] { return gate.IsClosed(1); }));
    EXPECT_TRUE(gate.Problems().empty());
}

TEST_F(ZelRouteTest, HeartbeatAndSilentGateway) {
    Creator c;
    ConnectUp(c);
    zelgate::GatewaySettings silent;
    silent.answerHeartbeat = false;
    gate.SetSettings(silent);
    // Data from the gateway starts the interval anew: no heartbeat at 120 s, one at 220 s.
    clock.Advance(100000);
    ASSERT_TRUE(gate.SendData(1, FromHex("E3 E2 C1 4E")));
    ASSERT_TRUE(Until([&] { return !c.received.empty(); }));
    clock.Advance(100000);
    Settle();
    EXPECT_FALSE(gate.WaitFor([&] { return !gate.Frames(0x0010).empty(); }, 100));
    clock.Advance(20000);
    ASSERT_TRUE(Until([&] { return !gate.Frames(0x0010).empty(); }));
    EXPECT_EQ(Wire(0x0010)[0], "A5 5A A5 5A 1A 00 00 00 10 00" + HexZeros(24));
    // No answer within 30 s: the connection closes on its own thread.
    clock.Advance(29999);
    Settle();
    EXPECT_FALSE(c.Has("disconnect 1027"));
    clock.Advance(1);
    ASSERT_TRUE(Until([&] { return c.Has("disconnect 1027"); }));
    EXPECT_TRUE(gate.WaitFor([&] { return gate.IsClosed(1); }));
    EXPECT_EQ(CTimerRegistry::Count(), 0u);
}

TEST_F(ZelRouteTest, AnsweredHeartbeatKeepsTheConnection) {
    Creator c;
    ConnectUp(c);
    for (std::size_t i = 1; i <= 3; ++i) {
        clock.Advance(120000);
        ASSERT_TRUE(Until([&] { return gate.Frames(0x0010).size() == i; }));
        // Data behind the answer on the same stream: once it is in, so is the answer.
        ASSERT_TRUE(gate.SendData(1, FromHex("E3 E2 C1 4E")));
        ASSERT_TRUE(Until([&] { return c.received.size() == i; }));
        clock.Advance(30000);
        Settle();
    }
    EXPECT_FALSE(c.Has("disconnect 1027"));
}

TEST_F(ZelRouteTest, GatewayErrors) {
    Creator c;
    ConnectUp(c);
    ASSERT_TRUE(gate.SendError(1, 262));
    ASSERT_TRUE(gate.SendError(1, 259));
    ASSERT_TRUE(gate.SendError(1, 268));
    ASSERT_TRUE(Until([&] { return c.events.size() >= 5; }));
    EXPECT_EQ(c.events, (std::vector<std::string>{"connect 0", "resource 012345 1", "available 1",
                                                  "available 0", "receive 1016"}));
    std::string text;
    c.LastErrorMessage(text);
    EXPECT_EQ(text,
              "All LNIATAs for a specific CLASS Name have been given out.  Retry again until a "
              "LNIATA becomes available.");
}

TEST_F(ZelRouteTest, RegistrationRefused) {
    zelgate::GatewaySettings refuse;
    refuse.registrationError = 257;
    gate.SetSettings(refuse);
    Creator c;
    ASSERT_EQ(c.Connect("Z1", "END1"), BRX_WAITING);
    ASSERT_TRUE(Until([&] { return !c.events.empty(); }));
    EXPECT_EQ(c.events, std::vector<std::string>{"connect 1017"});
    // The connection is over: it can start again.
    gate.SetSettings({});
    c.events.clear();
    ConnectUp(c);
}

TEST_F(ZelRouteTest, SecondaryGateways) {
    // Nothing listens on the primary or on the two secondaries.
    Set("Server IP Address", "127.0.0.5");
    Set("Secondary Gateways", 1);
    Set("Gateway1", "127.0.0.6");
    Set("Gateway2", "127.0.0.7");
    Creator c;
    ASSERT_EQ(c.Connect("Z1", "END1"), BRX_WAITING);
    ASSERT_TRUE(Until([&] { return !c.events.empty(); }));
    EXPECT_EQ(c.events, std::vector<std::string>{"connect 1007"});
    EXPECT_EQ(c.ProtocolLastError(), 10061);

    // The next refusal starts again at gateway 1, which now answers.
    ASSERT_TRUE(gate.StartAt("127.0.0.6"));
    c.events.clear();
    ConnectUp(c);
    EXPECT_EQ(gate.AddressOf(1), "127.0.0.6");
}

TEST_F(ZelRouteTest, ExportLayer) {
    Creator c;
    ConnectUp(c);
    VXTAppHeader header;
    EXPECT_EQ(c.SetAppHeader(header), 0);  // not in binary mode
    EXPECT_EQ(c.LastError(), 1038);
    std::string text;
    c.LastErrorMessage(text);
    EXPECT_EQ(text, "Binary mode is not set.");
    EXPECT_EQ(c.ReleaseWaitingMessages(), 0);
    EXPECT_EQ(c.Status(), 2);
    EXPECT_EQ(c.Disconnect(), 0);
    EXPECT_EQ(c.Status(), 0);
}

TEST_F(ZelRouteTest, MalformedFrameEndsTheConnection) {
    Creator c;
    ConnectUp(c);
    for (const char* bad : {"A5 5A A5 5B 1A 00 00 00", "A5 5A A5 5A 19 00 00 00"}) {
        ASSERT_TRUE(gate.SendRaw(gate.Connections(), FromHex(bad)));
        ASSERT_TRUE(Until([&] { return c.Has("disconnect 1027"); })) << bad;
        EXPECT_EQ(c.Disconnect(), 0);
        c.events.clear();
        ConnectUp(c);
    }
}

}  // namespace
}  // namespace zel::test
