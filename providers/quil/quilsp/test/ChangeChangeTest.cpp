// Change-change entries switch the route between hosts; printer routes see the switch as
// frames of their own.
#include "ProviderFixture.h"

namespace quilsp::test {
namespace {

using support::FromHex;
using support::ToHex;

std::vector<std::uint8_t> ChangeTo(const std::string& host) {
    std::vector<std::uint8_t> entry{0x01, 0x01};
    entry.insert(entry.end(), host.begin(), host.end());
    return entry;
}

class ChangeChangeTest : public ProviderFixture {
protected:
    ChangeChangeTest() { EXPECT_TRUE(second.Start("127.0.0.2", host.Port())); }
    ~ChangeChangeTest() override {
        imp.reset();
        second.Stop();
    }
    quilhost::QuilHost second;
};

TEST_F(ChangeChangeTest, TerminalSwitchesHostsAndFallsBackWhenNoneListens) {
    Route("1A2B01");
    ConnectRoute();
    ASSERT_EQ(Send(ChangeTo("127.0.0.2")), 0);
    ASSERT_TRUE(CreatorGot(1));
    EXPECT_EQ(creator.Hex(0), "37 51 4F 4B 20 20 31 32 37 2E 30 2E 30 2E 32");
    EXPECT_EQ(imp->ActiveSession()->Host(), "127.0.0.2");
    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(HostGot(second, 1));
    EXPECT_TRUE(HostReceived(host).empty());

    // Back to the first host: its session is active again and the entry goes there.
    ASSERT_EQ(Send(ChangeTo("127.0.0.1")), 0);
    ASSERT_TRUE(HostGot(host, 1));
    EXPECT_TRUE(HostReceived(host)[0].ends_with("7C 7C F1 F2 F7 4B F0 4B F0 4B F1 4E"));

    // Nothing listens on a third address: the failure answer, and the default is active.
    ASSERT_EQ(Send(ChangeTo("127.0.0.3")), 0);
    ASSERT_TRUE(pump.Until([&] { return imp->ActiveSession()->LastError() == 1007; }));
    clock.Advance(1);  // the refusal is reported a timer turn later
    ASSERT_TRUE(CreatorGot(2));
    const std::string failure(creator.received[1].begin(), creator.received[1].end());
    EXPECT_EQ(failure, "7Q Error changing to Host : 127.0.0.3");
    EXPECT_EQ(imp->ActiveSession()->Host(), "127.0.0.1");
}

TEST_F(ChangeChangeTest, MarkerFollowsTheTranslateOption) {
    Route("1A2B01");
    ConnectRoute();
    // With translation off the creator speaks host code: 7C 7C starts a change.
    char off[] = "FALSE";
    ASSERT_EQ(imp->SetOption(2, off), 0);
    ASSERT_EQ(Send(FromHex("7C 7C F1 F2 F7 4B F0 4B F0 4B F1")), 0);  // the active host
    ASSERT_TRUE(HostGot(host, 1));
    // ASCII "@@" is ordinary data either way.
    char on[] = "TRUE";
    ASSERT_EQ(imp->SetOption(2, on), 0);
    ASSERT_EQ(Send("@@127.0.0.2"), 0);
    ASSERT_TRUE(HostGot(host, 2));
    EXPECT_TRUE(second.Events().size() <= 1) << "no connection to the second host";
}

TEST_F(ChangeChangeTest, PrinterFramesForTheSwitchPrintAddressAndALostSession) {
    Route("1A2B01", "PRINTER");
    ConnectRoute();
    EXPECT_EQ(creator.events, (std::vector<std::string>{"connect 0", "resource 1A2B01 1"}));

    ASSERT_EQ(Send(ChangeTo("127.0.0.1")), 0);
    ASSERT_EQ(creator.received.size(), 1u);
    EXPECT_EQ(creator.Hex(0), "FF FF 01 4E 00");
    EXPECT_EQ(creator.events.back(), "resource 1A2B01 1");

    // The host asks for the print address; it goes back as it came, with message type 2.
    ASSERT_EQ(Send("C0"), 0);
    ASSERT_TRUE(host.WaitForSession(1, 5000));
    ASSERT_TRUE(host.SendPrintAddress(1, FromHex("C1 C2 4E")));
    ASSERT_TRUE(CreatorGot(2));
    EXPECT_EQ(creator.Hex(1), "FF FF 04 41 42 15");
    ASSERT_TRUE(HostGot(host, 2));
    const auto events = host.Events();
    const auto answer = std::find_if(events.rbegin(), events.rend(), [](const auto& e) {
        return e.kind == quilhost::EventKind::Received;
    });
    EXPECT_EQ(answer->record.type, 2);
    EXPECT_EQ(ToHex(answer->record.payload), "C1 C2 4E");
    EXPECT_TRUE(answer->problems.empty());

    // A session on the second host that goes is announced by a frame.
    ASSERT_EQ(Send(ChangeTo("127.0.0.2")), 0);
    ASSERT_TRUE(CreatorGot(3));
    EXPECT_EQ(creator.Hex(2), "FF FF 01 4E");
    ASSERT_EQ(Send("C0"), 0);
    ASSERT_TRUE(second.WaitForSession(1, 5000));
    ASSERT_TRUE(second.SendSessionError(1, "7QS03"));
    ASSERT_TRUE(pump.Until([&] { return imp->ActiveSession()->LastError() == 1030; }));
    clock.Advance(1);
    ASSERT_TRUE(CreatorGot(4));
    EXPECT_EQ(creator.Hex(3), "FF FF 03 4E");
}

// A disconnect the creator asks for ends in its OnDisconnect on every route, on the route's
// own session or on one a change-change moved to; a printer route gets no frame for it.
TEST_F(ChangeChangeTest, DisconnectAskedForIsReportedOnEveryRoute) {
    struct Case {
        const char* device;
        bool changed;
    };
    const Case cases[] = {
        {"TERMINAL", false}, {"TERMINAL", true}, {"PRINTER", false}, {"PRINTER", true}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.device) + (c.changed ? " after a change" : ""));
        const std::string route = "D" + std::to_string(n);
        Route("1A2B0" + std::to_string(++n), c.device, route.c_str());
        imp = std::make_unique<spimp>(creator);
        creator = Creator{};
        creator.imp = imp.get();
        ConnectRoute(route.c_str());
        if (c.changed) {
            ASSERT_EQ(Send(ChangeTo("127.0.0.2")), 0);
            ASSERT_TRUE(CreatorGot(1));
        }
        const std::size_t received = creator.received.size();
        EXPECT_EQ(imp->Disconnect(), 0);
        ASSERT_TRUE(pump.Until([&] { return creator.Has("disconnect 0"); }));
        EXPECT_EQ(creator.received.size(), received) << "nothing but the disconnect";
    }
}

}  // namespace
}  // namespace quilsp::test
