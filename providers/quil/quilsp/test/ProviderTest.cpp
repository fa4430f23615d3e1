// The provider object against the host simulator: connecting fixed and pooled routes, the
// traffic both ways, keep-alive, host session errors and broken streams.
#include <algorithm>
#include <iterator>
#include <optional>

#include "notify/Notify.h"

#include "ProviderFixture.h"

namespace quilsp::test {
namespace {

using support::FromHex;

TEST_F(ProviderFixture, FixedTerminalRouteCarriesMessagesBothWays) {
    Route("1A2B01");
    ConnectRoute();
    EXPECT_EQ(creator.events, (std::vector<std::string>{"connect 0", "resource 1A2B01 1"}));

    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(HostGot(host, 1));
    EXPECT_EQ(HostReceived(host)[0],
              "FE 01 00 00 00 00 00 19 10 30 00 01 1A 2B 01 00 00 00 00 00 5D C1 5D C2 4E");
    ASSERT_TRUE(host.WaitForSession(1, 5000));

    ASSERT_TRUE(host.SendData(1, FromHex("C8 C5 D3 D3 D6 4E")));
    ASSERT_TRUE(CreatorGot(1));
    EXPECT_EQ(creator.Hex(0), "48 45 4C 4C 4F 15");

    ASSERT_TRUE(host.SendSegments(1, {FromHex("C1 6D"), FromHex("C2 6D"), FromHex("C3 4E")}));
    ASSERT_TRUE(CreatorGot(2));
    pump.Settle();
    ASSERT_EQ(creator.received.size(), 2u);
    EXPECT_EQ(creator.Hex(1), "41 14 42 14 43 15");

    // With nothing queued there is nothing to collect.
    std::string none;
    EXPECT_EQ(imp->Receive(none), 1011);
}

TEST_F(ProviderFixture, TracesOnlyWhileTheRoutesTracingIsActive) {
    const auto traced = [] {
        const std::string text = Notify::ReadLog();
        return text.find("[R1]") != std::string::npos &&
               text.find("SendMsg(): Translate option true") != std::string::npos;
    };
    Route("1A2B01");
    ConnectRoute();
    ASSERT_EQ(Send("ab"), 0);
    EXPECT_FALSE(traced());

    RouteConfig("R1").SetNumber("Tracing Active", 1);
    imp = std::make_unique<spimp>(creator);
    creator.imp = imp.get();
    (void)imp->Connect("R1", "END1");
    (void)Send("ab");
    EXPECT_TRUE(traced());
}

TEST_F(ProviderFixture, KeepAliveAfterTheHostsFirstAndLostConnectivity) {
    Route("1A2B01");
    ConnectRoute();
    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(host.WaitForSession(1, 5000));
    ASSERT_TRUE(host.SendKeepAlive(1));
    ASSERT_TRUE(pump.Until([&] { return imp->ActiveSession()->KeepAliveEnabled(); }));
    const RouteConfig cfg("R1");
    EXPECT_EQ(cfg.Number("KA Idle Timeout"), 90u);
    EXPECT_EQ(cfg.Number("KA Response Timeout"), 20u);

    host.SetSilent(true);
    const std::size_t before = HostReceived(host).size();
    clock.Advance(89'000);
    pump.Settle();
    EXPECT_EQ(HostReceived(host).size(), before) << "nothing before the idle time-out";
    clock.Advance(1'000);
    ASSERT_TRUE(HostGot(host, before + 1));
    EXPECT_EQ(HostReceived(host)[before],
              "FE 01 00 00 00 00 00 14 11 30 03 01 1A 2B 01 00 00 00 01 01");
    clock.Advance(20'000);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("receive 1003"); }));
}

// A host that is gone refuses the keep-alive's reconnect; the keep-alive tries again each
// idle time and brings the route back once a host listens again.
TEST_F(ProviderFixture, KeepAliveBringsTheRouteBackAfterRefusedReconnects) {
    Route("1A2B01", "PRINTER");
    ConnectRoute();
    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(host.WaitForSession(1, 5000));
    ASSERT_TRUE(host.SendKeepAlive(1));
    ASSERT_TRUE(pump.Until([&] { return imp->ActiveSession()->KeepAliveEnabled(); }));

    const std::uint16_t port = host.Port();
    host.Stop();
    for (int refused = 0; refused < 2; ++refused) {
        clock.Advance(90'000);
        ASSERT_TRUE(pump.Until([&] { return imp->Status() == kStateNotConnected; }));
    }
    quilhost::QuilHost back;
    ASSERT_TRUE(back.Start("127.0.0.1", port));
    clock.Advance(90'000);
    ASSERT_TRUE(HostGot(back, 1));
    const auto events = back.Events();
    const auto first = std::find_if(events.begin(), events.end(), [](const auto& e) {
        return e.kind == quilhost::EventKind::Received;
    });
    EXPECT_EQ(first->record.type, 3) << "a keep-alive";
}

// A reset that comes while the provider is handing a message on makes its next read fail.
// The keep-alive goes on all the same and connects again after the idle time, the session
// carrying on; a disconnect asked for while the connection is lost like that is reported done.
TEST_F(ProviderFixture, ReadFailureLeavesTheKeepAliveToConnectAgain) {
    Route("1A2B01");
    ConnectRoute();
    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(host.WaitForSession(1, 5000));
    ASSERT_TRUE(host.SendKeepAlive(1));
    ASSERT_TRUE(pump.Until([&] { return imp->ActiveSession()->KeepAliveEnabled(); }));
    // The host resets the connection the message came on before the provider reads again.
    const auto resetWhileHandingOn = [&](int connection) {
        creator.whileHandingOn = [this, connection] {
            creator.whileHandingOn = nullptr;
            EXPECT_TRUE(host.CloseConnection(connection, true));
            EXPECT_TRUE(host.WaitForClosed(connection, 5000));
        };
    };
    const auto receivedOn = [&](int connection) {
        for (const auto& e : host.Events())
            if (e.kind == quilhost::EventKind::Received && e.connection == connection) return true;
        return false;
    };

    resetWhileHandingOn(1);
    ASSERT_TRUE(host.SendData(1, FromHex("C1 4E")));
    ASSERT_TRUE(pump.Until([&] { return creator.Has("receive 1027"); }));
    ASSERT_EQ(imp->Status(), kStateReadFailed);
    clock.Advance(89'000);
    pump.Settle();
    EXPECT_FALSE(receivedOn(2)) << "nothing before the idle time-out";
    clock.Advance(1'000);
    ASSERT_TRUE(pump.Until([&] { return receivedOn(2); }));
    EXPECT_EQ(host.Sessions().size(), 1u) << "the session goes on";
    ASSERT_TRUE(host.SendData(1, FromHex("C2 4E")));
    ASSERT_TRUE(CreatorGot(2));
    EXPECT_EQ(creator.Hex(1), "42 15");

    resetWhileHandingOn(2);
    ASSERT_TRUE(host.SendData(1, FromHex("C3 4E")));
    ASSERT_TRUE(pump.Until([&] {
        return std::count(creator.events.begin(), creator.events.end(), "receive 1027") == 2;
    }));
    EXPECT_EQ(imp->Disconnect(), 0);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("disconnect 0"); }));
    clock.Advance(90'000);
    pump.Settle();
    EXPECT_FALSE(receivedOn(3)) << "no keep-alive after the disconnect";
}

TEST_F(ProviderFixture, PooledRouteBeginsWithThePoolNameAndTakesTheHostsTerminal) {
    Route("000000");
    RouteConfig("R1").SetText("PooledTA Code", "PROF01");
    ConnectRoute();
    EXPECT_EQ(HostReceived(host).at(0),
              "FE 01 00 00 00 00 00 1C 10 32 00 01 00 00 00 00 00 00 00 00 05 08 D7 D9 D6 C6 F0 "
              "F1");
    ASSERT_TRUE(pump.Until([&] { return creator.Has("resource 1A2B01 1"); }));
    EXPECT_EQ(creator.events, (std::vector<std::string>{"connect 0", "resource 1A2B01 1"}));
    EXPECT_EQ(imp->ActiveSession()->Key().Key(), "1A2B01127.0.0.1");
}

TEST_F(ProviderFixture, HostSessionErrors) {
    Route("1A2B01");
    ConnectRoute();
    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(host.WaitForSession(1, 5000));

    // Staging: the text reaches the creator as a host message and the session stays.
    ASSERT_TRUE(host.SendSessionError(1, "7QS07"));
    ASSERT_TRUE(CreatorGot(1));
    pump.Settle();
    EXPECT_FALSE(creator.Has("disconnect 1030"));
    EXPECT_EQ(imp->Status(), kStateIdle);

    // Unable to obtain the session: the text, then the session is gone.
    ASSERT_TRUE(host.SendSessionError(1, "7QS03"));
    ASSERT_TRUE(CreatorGot(2));
    clock.Advance(1);  // the session's end is reported a timer turn later
    ASSERT_TRUE(pump.Until([&] { return creator.Has("disconnect 1030"); }));
    const std::string text(creator.received.back().begin(), creator.received.back().end());
    EXPECT_EQ(text.rfind("7QS03- UNABLE TO OBTAIN HOST SESSION", 0), 0u) << text;
    EXPECT_EQ(creator.events.back(), "disconnect 1030");
}

TEST_F(ProviderFixture, PooledBeginRefusedEndsInConnectFailure) {
    Route("000000");
    RouteConfig("R1").SetText("PooledTA Code", "PROF01");
    host.RefuseNextBegin("7QS03");
    ASSERT_EQ(imp->Connect("R1", "END1"), 1009);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("receive 1030"); }));
    EXPECT_FALSE(creator.Has("connect 1030"));
    clock.Advance(1);
    ASSERT_TRUE(pump.Until([&] { return creator.Has("connect 1030"); }));
    EXPECT_EQ(creator.events, (std::vector<std::string>{"receive 1030", "connect 1030"}));
}

TEST_F(ProviderFixture, DroppedPacketsAndBrokenStreams) {
    Route("1A2B01");
    ConnectRoute();
    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(host.WaitForSession(1, 5000));

    // A message type the provider does not know, and a packet of another session: dropped.
    ASSERT_TRUE(host.SendData(1, FromHex("C1 4E"), 7));
    ASSERT_TRUE(host.SendRaw(1, FromHex("FE 01 00 00 00 00 00 16 11 30 00 00 1A 2B 01 00 00 00 "
                                        "09 09 C1 4E")));
    ASSERT_TRUE(host.SendData(1, FromHex("C2 4E")));
    ASSERT_TRUE(CreatorGot(1));
    EXPECT_EQ(creator.Hex(0), "42 15");

    // A record of length 19 breaks the stream: the connection is closed and the creator told.
    ASSERT_TRUE(host.SendRaw(1, FromHex("FE 01 00 00 00 00 00 13")));
    ASSERT_TRUE(pump.Until([&] { return creator.Has("receive 1027"); }));
    ASSERT_TRUE(host.WaitForClosed(1, 5000));
    EXPECT_EQ(imp->Status(), kStateNotConnected);

    // The next entry connects afresh (with the end system kept for it) and goes out.
    ASSERT_EQ(Send("cd"), 1009);
    ASSERT_TRUE(HostGot(host, 2));
    EXPECT_EQ(HostReceived(host).back().substr(0, 8), "FE 01 00");

    // A bad sync byte breaks it as well.
    ASSERT_TRUE(
        pump.Until([&] { return host.Sessions().size() >= 1 && HostReceived(host).size() >= 2; }));
    ASSERT_TRUE(host.SendRaw(2, FromHex("FD 01 00 00 00 00 00 14")));
    ASSERT_TRUE(pump.Until([&] {
        return std::count(creator.events.begin(), creator.events.end(), "receive 1027") == 2;
    }));
}

TEST_F(ProviderFixture, SendAfterDisconnectConnectsAgainAndSendsOnConnect) {
    Route("1A2B01");
    ConnectRoute();
    ASSERT_EQ(Send("ab"), 0);
    ASSERT_TRUE(HostGot(host, 1));
    EXPECT_EQ(imp->Disconnect(), 0);
    EXPECT_EQ(imp->Status(), 7) << "no active session";
    ASSERT_TRUE(pump.Until([&] { return creator.Has("disconnect 0"); }));
    ASSERT_TRUE(HostGot(host, 2));  // the terminate
    EXPECT_EQ(HostReceived(host)[1].substr(24, 2), "12");

    creator.events.clear();
    ASSERT_EQ(Send("xy"), 1009);
    ASSERT_TRUE(HostGot(host, 3));
    EXPECT_EQ(imp->ActiveSession()->EndSystem(), "TREVO");
    EXPECT_TRUE(HostReceived(host)[2].ends_with("5D E7 5D E8 4E"));
    EXPECT_FALSE(creator.Has("connect 0")) << "the pending entry answers the connect";
}

}  // namespace
}  // namespace quilsp::test

namespace quilsp::test {
namespace {

TEST_F(ProviderFixture, RouteDefaultsAreChosenAndWrittenBack) {
    struct Case {
        const char* lniata;
        const char* device;
        std::optional<std::uint32_t> dynamic;
        const char* code;
        bool usable;
        std::uint32_t port;
        std::uint32_t mode;
    };
    const Case cases[] = {
        {"000000", "TERMINAL", std::nullopt, nullptr, true, 30030, kTaDynamic},
        {"000000", "TERMINAL", 1, nullptr, true, 30030, kTaDynamic},
        {"000000", "TERMINAL", 0, "PCC1", true, 30032, kTaPooled},
        {"000000", "TERMINAL", 0, nullptr, false, 30032, kTaPooled},
        {"1A2B01", "TERMINAL", std::nullopt, nullptr, true, 30031, kTaFixed},
        {"1A2B01", "PRINTER", std::nullopt, nullptr, true, 30051, kTaFixed},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lniata) + " " + c.device);
        const std::string route = "T" + std::to_string(n++);
        const RouteConfig cfg(route);
        cfg.SetText("Remote IP Address", "host.example");
        cfg.SetText("LNIATA", c.lniata);
        cfg.SetText("Device", c.device);
        if (c.dynamic) cfg.SetNumber("DynamicTA Option", *c.dynamic);
        if (c.code) cfg.SetText("PooledTA Code", c.code);
        spimp fresh(creator);
        EXPECT_EQ(fresh.GetConfig(route), c.usable);
        EXPECT_EQ(fresh.Port(), c.port);
        EXPECT_EQ(fresh.TaMode(), c.mode);
        EXPECT_EQ(cfg.Number("Remote Port"), c.port);
        EXPECT_EQ(cfg.Text("Remote IP Address"), "HOST.EXAMPLE");
    }
    // A route without host or terminal address is refused at Connect.
    EXPECT_EQ(imp->Connect("NOSUCH", "END1"), 1010);
    // An option before any session answers 1030; Status tells there is none.
    char value[16] = "TRUE";
    EXPECT_EQ(imp->SetOption(1, value), 1030);
    EXPECT_EQ(imp->GetOption(1, value), 1030);
    EXPECT_EQ(imp->Status(), 7);
}

}  // namespace
}  // namespace quilsp::test
