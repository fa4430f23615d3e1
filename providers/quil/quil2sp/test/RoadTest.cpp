// End to end: a creator connects a route through the connection library, which loads the
// QUIL2SP module; its session goes through the Session library and the host protocol driver
// (both loaded by name) to the host simulator on loopback. The route's "Remote Port" keeps
// its default: the endpoint map of the environment sends the driver to the simulator.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "LoopPump.h"
#include "brxapicfg/BRXConfig.h"
#include "brxconn/BRXConn.h"
#include "notify/Notify.h"
#include "platform/EventLoop.h"
#include "quilhost/QuilHost.h"
#include "support/EndpointMap.h"
#include "support/Hex.h"
#include "support/RecordingCreator.h"
#include "support/TempRoot.h"

namespace {

using quilsp::test::LoopPump;
using support::EndpointMap;
using support::FromHex;
using support::ToHex;

using Creator = support::RecordingCreator;

class RoadTest : public ::testing::Test {
protected:
    RoadTest() : pump(loop) {
        EXPECT_TRUE(host.Start());
        map.emplace(host.Port());
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kProvidersKey, "QUIL2", "DLL Name", "QUIL2SP.DLL");
    }
    ~RoadTest() override {
        host.Stop();
        if (HasFailure()) {
            const std::optional<std::string> log = Notify::ReadLog();
            std::fprintf(stderr, "%s\n",
                         log ? log->substr(log->size() > 20000 ? log->size() - 20000 : 0).c_str()
                             : "(no log)");
        }
    }

    void Route(const std::string& device = "TERMINAL") {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Device", device);
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Service Provider", "QUIL2");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Remote IP Address", "127.0.0.1");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "LNIATA", "1A2B01");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Tracing Active", 1ul);
    }
    // Data records the host received, in order.
    std::vector<quilhost::HostRecord> HostData() const { return DataOf(host.Events()); }
    static std::vector<quilhost::HostRecord> DataOf(
        const std::vector<quilhost::HostEvent>& events) {
        std::vector<quilhost::HostRecord> out;
        for (const auto& e : events)
            if (e.kind == quilhost::EventKind::Received && e.record.kind == 1 &&
                !e.record.payload.empty())
                out.push_back(e.record);
        return out;
    }
    bool HostGot(std::size_t count) {
        return host.WaitFor([&](const auto& events) { return DataOf(events).size() >= count; },
                            10000);
    }
    void Connect(Creator& creator) {
        ASSERT_EQ(creator.Connect("R1", "END1"), BRX_SUCCESS);  // the outcome follows
        ASSERT_TRUE(pump.Until([&] { return creator.HasPrefix("resource"); }));
        ASSERT_GE(creator.events.size(), 2u);
        EXPECT_EQ(creator.events[0], "connect 0");
        EXPECT_EQ(creator.events[1], "resource 1A2B01 1");
        ASSERT_TRUE(host.WaitForSession(1, 10000));
        // The host answers the registration that came with the begin; the driver drops it.
        ASSERT_TRUE(host.SendData(host.Sessions().back().number, FromHex("E1 4E")));
    }

    support::TempRoot root;
    platform::EventLoop loop;
    LoopPump pump;
    quilhost::QuilHost host;
    std::optional<EndpointMap> map;
};

TEST_F(RoadTest, TerminalEntriesAndHostMessagesBothWays) {
    Route();
    Creator creator;
    Connect(creator);

    std::string entry = "ab";
    ASSERT_EQ(creator.Send(entry), BRX_SUCCESS);
    ASSERT_TRUE(HostGot(1));
    EXPECT_EQ(ToHex(HostData()[0].payload), "5D C1 5D C2 4E");
    EXPECT_NE(HostData()[0].Option(3), nullptr);

    ASSERT_TRUE(host.SendData(1, FromHex("C8 C5 D3 D3 D6 4E")));
    ASSERT_TRUE(pump.Until([&] { return creator.received.size() == 1; }));
    EXPECT_EQ(creator.received[0], "48 45 4C 4C 4F 15");

    // The change characters are data like any other here: no session for the named host.
    std::string change = "\x01\x01HOST2";
    ASSERT_EQ(creator.Send(change), BRX_SUCCESS);
    std::string at = "@@HOST2";
    ASSERT_EQ(creator.Send(at), BRX_SUCCESS);
    ASSERT_TRUE(HostGot(3));
    EXPECT_EQ(ToHex(HostData()[1].payload), "7C 7C C8 D6 E2 E3 F2 4E");
    EXPECT_EQ(ToHex(HostData()[2].payload), "5D 7C 5D 7C C8 D6 E2 E3 F2 4E");
    EXPECT_EQ(host.Sessions().size(), 1u);

    // Untranslated, an entry with a zero byte arrives whole.
    char off[] = "FALSE";
    ASSERT_EQ(creator.SetOption(2, off), BRX_SUCCESS);
    char raw[] = {'\xC1', '\x00', '\xC2', '\x4E'};
    ASSERT_EQ(creator.Send(4, raw), BRX_SUCCESS);
    ASSERT_TRUE(HostGot(4));
    EXPECT_EQ(ToHex(HostData()[3].payload), "C1 00 C2 4E");

    // Disconnect ends the host session with a terminate, and the creator hears that it is
    // done (as a control waits to before it goes).
    ASSERT_EQ(creator.Disconnect(), BRX_SUCCESS);
    EXPECT_TRUE(pump.Until([&] { return creator.Has("disconnect 0"); }));
    EXPECT_TRUE(host.WaitFor(
        [](const std::vector<quilhost::HostEvent>& events) {
            return std::any_of(events.begin(), events.end(), [](const auto& e) {
                return e.kind == quilhost::EventKind::Received && e.record.kind == 2;
            });
        },
        10000));
}

// A printer route connects as a terminal route does.
TEST_F(RoadTest, PrinterRouteConnects) {
    Route("PRINTER");
    Creator creator;
    Connect(creator);
    EXPECT_EQ(host.Sessions().size(), 1u);
}

// With verification asked and nothing listening, the creator hears of the refusal at once,
// in the provider's code for the library's result.
TEST_F(RoadTest, RefusedConnectIsReportedAtOnce) {
    host.Stop();
    Route();
    BRXConfig cfg;
    ASSERT_EQ(cfg.SetValue(BRXConfig::kProvidersKey, "QUIL2\\Global", "DEFAULTCONXVERIFY", "TRUE"),
              0);
    Creator creator;
    ASSERT_EQ(creator.Connect("R1", "END1"), BRX_SUCCESS);
    ASSERT_TRUE(
        pump.Until([&] { return creator.HasPrefix("connect"); }, std::chrono::milliseconds(5000)));
    // The driver gives up on the host it cannot reach (1045).
    EXPECT_EQ(creator.events, std::vector<std::string>{"connect 1013"});
}

}  // namespace
