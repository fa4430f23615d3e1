// End to end through the connection library: a route whose provider is "QUIL" loads the QUILSP
// module, which talks to the host simulator on loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LoopPump.h"
#include "brxapicfg/BRXConfig.h"
#include "brxconn/BRXConn.h"
#include "platform/EventLoop.h"
#include "quilhost/HostRecord.h"
#include "quilhost/QuilHost.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

namespace quilsp::test {
namespace {

using support::FromHex;
using support::ToHex;

class Creator final : public BRXConn {
public:
    std::vector<std::string> events;
    std::vector<std::string> received;  // hex

    bool Has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }

protected:
    void OnReceive(BRXError e) override {
        events.push_back("receive " + std::to_string(e));
        std::string data;
        if (Receive(data) == 0)
            received.push_back(ToHex(std::vector<std::uint8_t>(data.begin(), data.end())));
    }
    void OnSend(BRXError e) override { events.push_back("send " + std::to_string(e)); }
    void OnConnect(BRXError e) override { events.push_back("connect " + std::to_string(e)); }
    void OnDisconnect(BRXError e) override { events.push_back("disconnect " + std::to_string(e)); }
    void OnResource(std::string r, int n) override {
        events.push_back("resource " + r + " " + std::to_string(n));
    }
};

class ConnectionLayerTest : public ::testing::Test {
protected:
    ConnectionLayerTest() : pump(loop) {
        EXPECT_TRUE(host.Start());
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kProvidersKey, "QUIL", "DLL Name", "QUILSP.DLL");
    }
    ~ConnectionLayerTest() override { host.Stop(); }

    void Route(const std::string& lniata) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Service Provider", "QUIL");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Remote IP Address", "127.0.0.1");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "LNIATA", lniata);
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Remote Port",
                           static_cast<unsigned long>(host.Port()));
    }
    std::vector<std::string> HostReceived() const {
        std::vector<std::string> out;
        for (const auto& e : host.Events())
            if (e.kind == quilhost::EventKind::Received)
                out.push_back(ToHex(quilhost::EncodeRecord(e.record)));
        return out;
    }

    support::TempRoot root;
    support::FakeClockScope clock;
    platform::EventLoop loop;
    LoopPump pump;
    quilhost::QuilHost host;
};

TEST_F(ConnectionLayerTest, FixedTerminalRoute) {
    Route("1A2B01");
    Creator creator;
    ASSERT_EQ(creator.Connect("R1", "END1"), BRX_WAITING);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("resource 1A2B01 1"); }));
    EXPECT_EQ(creator.events, (std::vector<std::string>{"connect 0", "resource 1A2B01 1"}));

    std::string entry = "ab";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return !HostReceived().empty(); }));
    EXPECT_EQ(HostReceived()[0],
              "FE 01 00 00 00 00 00 19 10 30 00 01 1A 2B 01 00 00 00 00 00 5D C1 5D C2 4E");
    ASSERT_TRUE(host.WaitForSession(1, 5000));

    ASSERT_TRUE(host.SendData(1, FromHex("C8 C5 D3 D3 D6 4E")));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 1; }));
    EXPECT_EQ(creator.received[0], "48 45 4C 4C 4F 15");
    ASSERT_TRUE(host.SendSegments(1, {FromHex("C1 6D"), FromHex("C2 6D"), FromHex("C3 4E")}));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 2; }));
    pump.Settle();
    ASSERT_EQ(creator.received.size(), 2u);
    EXPECT_EQ(creator.received[1], "41 14 42 14 43 15");

    // Staging leaves the session up; unable to obtain it ends the connection.
    ASSERT_TRUE(host.SendSessionError(1, "7QS07"));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 3; }));
    ASSERT_TRUE(host.SendSessionError(1, "7QS03"));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 4; }));
    EXPECT_EQ(creator.events.back(), "receive 0");
    clock.Advance(1);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("disconnect 1030"); }));
}

TEST_F(ConnectionLayerTest, PooledRouteAndRefusedBegin) {
    Route("000000");
    BRXConfig cfg;
    (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "PooledTA Code", "PROF01");
    {
        Creator creator;
        ASSERT_EQ(creator.Connect("R1", "END1"), BRX_WAITING);
        ASSERT_TRUE(pump.Until([&] { return creator.Has("resource 1A2B01 1"); }));
        EXPECT_EQ(creator.events, (std::vector<std::string>{"connect 0", "resource 1A2B01 1"}));
        EXPECT_EQ(HostReceived().at(0),
                  "FE 01 00 00 00 00 00 1C 10 32 00 01 00 00 00 00 00 00 00 00 05 08 D7 D9 D6 "
                  "C6 F0 F1");
    }
    // Another connection whose begin the host refuses.
    host.RefuseNextBegin("7QS03");
    Creator refused;
    ASSERT_EQ(refused.Connect("R1", "END2"), BRX_WAITING);
    ASSERT_TRUE(pump.Until([&] { return refused.Has("receive 1030"); }));
    clock.Advance(1);
    ASSERT_TRUE(pump.Until([&] { return refused.Has("connect 1030"); }));
    std::string text;
    refused.LastErrorMessage(text);
    EXPECT_EQ(text, "A Session Error has occurred");
}

}  // namespace
}  // namespace quilsp::test
