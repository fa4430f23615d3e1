// End to end through the connection library: a route whose provider is "QUIL" loads the QUILSP
// module, which talks to the host simulator on loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
#include "support/RecordingCreator.h"
#include "support/TempRoot.h"

namespace quilsp::test {
namespace {

using support::FromHex;
using support::ToHex;

using Creator = support::RecordingCreator;

class ConnectionLayerTest : public ::testing::Test {
protected:
    ConnectionLayerTest() : pump(loop) {
        EXPECT_TRUE(host.Start());
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kProvidersKey, "QUIL", "DLL Name", "QUILSP.DLL");
    }
    ~ConnectionLayerTest() override { host.Stop(); }

    void Route(const std::string& lniata, const std::string& device = "TERMINAL") {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Device", device);
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Service Provider", "QUIL");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Remote IP Address", "127.0.0.1");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "LNIATA", lniata);
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Remote Port",
                           static_cast<unsigned long>(host.Port()));
    }
    std::vector<std::string> HostReceived() const { return Received(host); }
    static std::vector<std::string> Received(const quilhost::QuilHost& h) {
        std::vector<std::string> out;
        for (const auto& e : h.Events())
            if (e.kind == quilhost::EventKind::Received)
                out.push_back(ToHex(quilhost::EncodeRecord(e.record)));
        return out;
    }
    // Connects the creator and waits for its OnConnect(0).
    void ConnectRoute(Creator& creator) {
        ASSERT_EQ(creator.Connect("R1", "END1"), BRX_WAITING);
        ASSERT_TRUE(pump.Until([&] { return creator.Has("connect 0"); }));
    }
    // Moves the fake clock on a millisecond at each turn of the loop until done holds, for
    // what is reported a timer turn after the bytes that cause it arrive.
    bool TicksUntil(const std::function<bool()>& done) {
        return pump.Until([&] {
            clock.Advance(1);
            return done();
        });
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

std::string ChangeTo(const std::string& address) {
    return "\x01\x01" + address;
}

// Change-change entries switch the route between hosts: the creator is told in host words,
// entries follow the active session, and a host where nothing listens gives the failure
// answer and leaves the default active.
TEST_F(ConnectionLayerTest, ChangeChangeSwitchesHosts) {
    quilhost::QuilHost second;
    ASSERT_TRUE(second.Start("127.0.0.2", host.Port()));
    Route("1A2B01");
    Creator creator;
    ConnectRoute(creator);

    std::string change = ChangeTo("127.0.0.2");
    ASSERT_EQ(creator.Send(change), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 1; }));
    EXPECT_EQ(creator.received[0], "37 51 4F 4B 20 20 31 32 37 2E 30 2E 30 2E 32");
    std::string entry = "ab";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return Received(second).size() == 1; }));
    EXPECT_TRUE(Received(second)[0].ends_with("5D C1 5D C2 4E"));
    EXPECT_TRUE(HostReceived().empty());

    change = ChangeTo("127.0.0.1");
    ASSERT_EQ(creator.Send(change), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return HostReceived().size() == 1; }));
    EXPECT_TRUE(HostReceived()[0].ends_with("7C 7C F1 F2 F7 4B F0 4B F0 4B F1 4E"));
    entry = "cd";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return HostReceived().size() == 2; }));
    EXPECT_TRUE(HostReceived()[1].ends_with("5D C3 5D C4 4E"));

    change = ChangeTo("127.0.0.3");
    ASSERT_EQ(creator.Send(change), BRX_SUCCESS);
    ASSERT_TRUE(TicksUntil([&] { return creator.received.size() == 2; }));
    const std::string failure = "7Q Error changing to Host : 127.0.0.3";
    EXPECT_EQ(creator.received[1],
              ToHex(std::vector<std::uint8_t>(failure.begin(), failure.end())));
    entry = "ef";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return HostReceived().size() == 3; }));
    EXPECT_TRUE(HostReceived()[2].ends_with("5D C5 5D C6 4E"));
    EXPECT_EQ(Received(second).size(), 1u);
    second.Stop();
}

// A printer route sees the switch, the host's print-address request and a lost session on
// another host as frames of its own; the print address goes back with message type 2.
TEST_F(ConnectionLayerTest, PrinterRouteFrames) {
    quilhost::QuilHost second;
    ASSERT_TRUE(second.Start("127.0.0.2", host.Port()));
    Route("1A2B01", "PRINTER");
    Creator creator;
    ConnectRoute(creator);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("resource 1A2B01 1"); }));
    EXPECT_EQ(creator.events, (std::vector<std::string>{"connect 0", "resource 1A2B01 1"}));

    std::string change = ChangeTo("127.0.0.1");
    ASSERT_EQ(creator.Send(change), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 1; }));
    EXPECT_EQ(creator.received[0], "FF FF 01 4E 00");
    ASSERT_TRUE(pump.Until([&] { return creator.events.size() >= 4; }));
    EXPECT_EQ(creator.events.back(), "resource 1A2B01 1");

    std::string entry = "C0";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(host.WaitForSession(1, 5000));
    ASSERT_TRUE(host.SendPrintAddress(1, FromHex("C1 C2 4E")));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 2; }));
    EXPECT_EQ(creator.received[1], "FF FF 04 41 42 15");
    ASSERT_TRUE(pump.Until([&] { return HostReceived().size() == 2; }));
    const auto events = host.Events();
    const auto answer = std::find_if(events.rbegin(), events.rend(), [](const auto& e) {
        return e.kind == quilhost::EventKind::Received;
    });
    EXPECT_EQ(answer->record.type, 2);
    EXPECT_EQ(ToHex(answer->record.payload), "C1 C2 4E");
    EXPECT_TRUE(answer->problems.empty());

    change = ChangeTo("127.0.0.2");
    ASSERT_EQ(creator.Send(change), BRX_SUCCESS);
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 3; }));
    EXPECT_EQ(creator.received[2], "FF FF 01 4E");
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(second.WaitForSession(1, 5000));
    ASSERT_TRUE(second.SendSessionError(1, "7QS03"));
    ASSERT_TRUE(TicksUntil([&] { return creator.received.size() == 4; }));
    EXPECT_EQ(creator.received[3], "FF FF 03 4E");
    second.Stop();
}

// After the host's first keep-alive the route keeps the line alive: 90 s of silence send a
// keep-alive, 20 s more without an answer tell the creator the host is gone.
TEST_F(ConnectionLayerTest, KeepAliveAfterTheHostsFirst) {
    Route("1A2B01");
    Creator creator;
    ConnectRoute(creator);
    std::string entry = "ab";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(host.WaitForSession(1, 5000));
    ASSERT_TRUE(host.SendKeepAlive(1));
    // Data after it on the same connection: once that is in, so is the keep-alive.
    ASSERT_TRUE(host.SendData(1, FromHex("C1 4E")));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 1; }));
    BRXConfig cfg;
    unsigned long idle = 0, response = 0;
    EXPECT_EQ(cfg.GetValue(BRXConfig::kRoutesKey, "R1", "KA Idle Timeout", &idle), 0);
    EXPECT_EQ(cfg.GetValue(BRXConfig::kRoutesKey, "R1", "KA Response Timeout", &response), 0);
    EXPECT_EQ(idle, 90u);
    EXPECT_EQ(response, 20u);

    host.SetSilent(true);
    const std::size_t before = HostReceived().size();
    clock.Advance(89'000);
    pump.Settle();
    EXPECT_EQ(HostReceived().size(), before) << "nothing before the idle time-out";
    clock.Advance(1'000);
    ASSERT_TRUE(pump.Until([&] { return HostReceived().size() == before + 1; }));
    EXPECT_EQ(HostReceived()[before],
              "FE 01 00 00 00 00 00 14 11 30 03 01 1A 2B 01 00 00 00 01 01");
    clock.Advance(20'000);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("receive 1003"); }));
}

// Packets the route cannot use are dropped; a broken stream closes the connection, the
// creator is told, and the next entry connects afresh.
TEST_F(ConnectionLayerTest, DroppedPacketsAndBrokenStreams) {
    Route("1A2B01");
    Creator creator;
    ConnectRoute(creator);
    std::string entry = "ab";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(host.WaitForSession(1, 5000));

    ASSERT_TRUE(host.SendData(1, FromHex("C1 4E"), 7));
    ASSERT_TRUE(host.SendRaw(1, FromHex("FE 01 00 00 00 00 00 16 11 30 00 00 1A 2B 01 00 00 00 "
                                        "09 09 C1 4E")));
    ASSERT_TRUE(host.SendData(1, FromHex("C2 4E")));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 1; }));
    EXPECT_EQ(creator.received[0], "42 15");

    ASSERT_TRUE(host.SendRaw(1, FromHex("FE 01 00 00 00 00 00 13")));
    ASSERT_TRUE(pump.Until([&] { return creator.Has("receive 1027"); }));
    ASSERT_TRUE(host.WaitForClosed(1, 5000));

    entry = "cd";
    ASSERT_EQ(creator.Send(entry), BRX_WAITING);
    ASSERT_TRUE(pump.Until([&] { return HostReceived().size() == 2; }));
    EXPECT_TRUE(HostReceived()[1].ends_with("5D C3 5D C4 4E"));
    ASSERT_TRUE(host.SendRaw(2, FromHex("FD 01 00 00 00 00 00 14")));
    ASSERT_TRUE(pump.Until([&] {
        return std::count(creator.events.begin(), creator.events.end(), "receive 1027") == 2;
    }));
    EXPECT_TRUE(host.WaitForClosed(2, 5000));
}

}  // namespace
}  // namespace quilsp::test
