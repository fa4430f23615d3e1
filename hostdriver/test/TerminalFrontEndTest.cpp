// The terminal front end through the driver object against the host simulator: registration
// with the desktop payload, host data before and after the client's first send, a PAID switch
// to a second host, host errors as client messages, the host's keep-alive request and the idle
// time-out on a fake clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "HostDriverFixture.h"
#include "hostdriver/HostCode.h"
#include "hostdriver/HostErrors.h"
#include "hostdriver/HostSession.h"
#include "hostdriver/IdleTimer.h"
#include "hostdriver/TerminalMFE.h"
#include "support/FakeClockScope.h"
#include "winmon/Winmon.h"

namespace quildrv {
namespace {

using support::FromHex;
using support::ToHex;

unsigned WorkstationPayload(char* buffer, unsigned size) {
    const char text[] = "WS01";
    if (size >= sizeof text) std::memcpy(buffer, text, sizeof text);
    return sizeof text;
}

class TerminalTest : public HostDriverFixture {
protected:
    void SetUp() override {
        HostDriverFixture::SetUp();
        RegisterBuiltInFrontEnds();
        winmon::SetDesktopPayloadSource(&WorkstationPayload);
    }
    void TearDown() override {
        HostDriverFixture::TearDown();
        winmon::SetDesktopPayloadSource(nullptr);
    }

    Driver& NewTerminal(std::map<std::string, std::string> settings = {}) {
        settings.emplace("NOLDAP", "1");
        settings.emplace("HOSTINFO", (root / "HOSTINFO.TXT").string());
        return NewDriver(settings);
    }

    static CTerminalMFE* Terminal(Driver& d) {
        return dynamic_cast<CTerminalMFE*>(d.driver->FrontEnd());
    }

    // Connects, answers the registration as session `session` of the host, and sends the
    // client's first message.
    void ConnectAndSend(Driver& d, int session = 1) {
        ASSERT_EQ(d.driver->ConnectToHost(), COMM_WAITING);
        ASSERT_TRUE(d.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));
        ASSERT_TRUE(host.SendData(session, FromHex("E1 4E")));
        ASSERT_TRUE(d.harness.WaitForLogLine("payload response received"));
        const auto message = FromHex("C1 C2 4E");
        ASSERT_EQ(d.driver->SendToHost(message.data(), 3), COMM_NO_ERROR);
        ASSERT_TRUE(host.WaitFor(
            [&](const std::vector<quilhost::HostEvent>& events) {
                for (const auto& e : events)
                    if (e.kind == quilhost::EventKind::Received && e.record.payload == message)
                        return true;
                return false;
            },
            5000));
    }
};

TEST_F(TerminalTest, RegistersWithTheDesktopPayloadAndDeliversOnlyAfterTheClientSent) {
    auto& d = NewTerminal();
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_WAITING);
    ASSERT_TRUE(host.WaitForReceived(1, 5000));
    EXPECT_EQ(Received()[0].payload, *ToHostCode("WS01,BRXAPI.OCX"));
    ASSERT_TRUE(d.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));
    EXPECT_EQ(d.harness.SessionValue("ACTIVEHOST"), "127.0.0.1");

    // The first answer is the registration's; the next comes before the client sent anything.
    ASSERT_TRUE(host.SendData(1, FromHex("E1 4E")));
    ASSERT_TRUE(d.harness.WaitForLogLine("payload response received for LNIATA (1A2B01)"));
    ASSERT_TRUE(host.SendData(1, FromHex("E2 4E")));
    ASSERT_TRUE(d.harness.WaitForLogLine("returning! message not sent!"));

    const auto message = FromHex("C1 C2 4E");
    ASSERT_EQ(d.driver->SendToHost(message.data(), 3), COMM_NO_ERROR);
    ASSERT_TRUE(host.SendData(1, FromHex("C8 C5 D3 D3 D6 4E")));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 C8 C5 D3 D3 D6 4E");
    unsigned char* data = nullptr;
    unsigned int length = 0;
    EXPECT_EQ(d.driver->RecvFromHost(&data, &length), COMM_NO_RECV_DATA);
    EXPECT_EQ(std::string(d.driver->GetHostAddr()), "1A2B01");
}

TEST_F(TerminalTest, WithoutAnActiveSessionTheQueriesAnswerNothing) {
    CTerminalMFE terminal;
    QUILOptionsState state{};
    EXPECT_FALSE(terminal.IsHostAvailable());
    EXPECT_FALSE(terminal.IsConnected());
    EXPECT_EQ(terminal.GetLNIATA(), nullptr);
    EXPECT_EQ(terminal.GetElementState(0, &state), nullptr);
    EXPECT_FALSE(terminal.SetElementState(0, nullptr));
    EXPECT_STREQ(terminal.GetSessionData(), "PROTOCOL=QUIL");
    EXPECT_EQ(terminal.GetPort(), 30031);
    EXPECT_EQ(terminal.GetHostSessionState("h", nullptr), 0);
}

TEST_F(TerminalTest, AnotherHostsStateIsReadFromItsOtherHostsEntry) {
    auto& d = NewTerminal();
    CTerminalMFE terminal;
    ASSERT_EQ(terminal.SetHostDrvInterface(d.driver.get()), 0);
    CHostSession session(&terminal);
    ASSERT_EQ(session.DefaultFlag(), 0);
    const std::pair<const char*, int> cases[] = {
        {"HOST1/STATE=1/LID=0000ABCD/RID=1A2B01;", 1},
        {"HOST1/STATE=0/LID=0000ABCD/RID=1A2B01;", 0},
        {"HOST1/STATE=7/LID=0000ABCD/RID=1A2B01;", 0},
        {"HOST10/STATE=1/LID=00000001/RID=000001;HOST1/STATE=7/LID=0000ABCD/RID=1A2B01;", 0},
        {"HOST10/STATE=1/LID=00000001/RID=000001;", 0},
        {"HOST1;", 0},
        {"OTHER/STATE=0/LID=00000001/RID=000001;host1/STATE=1/LID=00000002/RID=000002;", 1},
    };
    for (const auto& [list, state] : cases) {
        d.harness.SetSessionValue("OTHERHOSTS", list);
        EXPECT_EQ(terminal.GetHostSessionState("HOST1", &session), state) << list;
    }
}

TEST_F(TerminalTest, APaidMessageOpensASessionToTheHostItNames) {
    quilhost::QuilHost second;
    ASSERT_TRUE(second.Start("127.0.0.2", 0));
    const std::string map = std::string(std::getenv("TREVO_ENDPOINT_MAP")) +
                            "127.0.0.2:30031=127.0.0.2:" + std::to_string(second.Port()) + ";";
    ::setenv("TREVO_ENDPOINT_MAP", map.c_str(), 1);
    root.WriteFile("HOSTINFO.TXT", "XY;127.0.0.2;C2;\r\nX;\r\n");

    auto& d = NewTerminal();
    ConnectAndSend(d);
    const auto paid = FromHex("7C 7C E7 E8 4E");
    ASSERT_EQ(d.driver->SendToHost(paid.data(), static_cast<unsigned>(paid.size())), COMM_NO_ERROR);
    ASSERT_TRUE(second.WaitForReceived(1, 5000));
    std::vector<quilhost::HostRecord> got;
    for (const auto& e : second.Events())
        if (e.kind == quilhost::EventKind::Received) got.push_back(e.record);
    EXPECT_EQ(ToHex(got[0].payload), "7C 7C E7 E8 4E");
    EXPECT_EQ(d.harness.SessionValue("ACTIVEHOST"), "127.0.0.2");
    EXPECT_EQ(Terminal(d)->SessionCount(), 2u);

    // The second host's answers reach the client; its state is kept in OTHERHOSTS.
    ASSERT_TRUE(second.WaitForSession(1, 5000));
    ASSERT_TRUE(second.SendData(1, FromHex("E3 4E")));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 E3 4E");
    const auto others = d.harness.SessionValue("OTHERHOSTS");
    ASSERT_TRUE(others.has_value());
    EXPECT_EQ(others->rfind("127.0.0.2/STATE=1/LID=", 0), 0u) << *others;
    EXPECT_EQ(Terminal(d)->GetHostState("127.0.0.2"), 1);
    drivers.clear();
    second.Stop();
}

TEST_F(TerminalTest, HostErrorsReachTheClientAsErrorOrReplacementMessages) {
    // One driver per port, its rows in order; an error that resets the connection comes last.
    struct Case {
        int port;
        const char* text;
        std::vector<std::uint8_t> expected;  // after the address bytes
        int option5;                         // -1: left as it is
        const char* state;                   // STATE stored for the session afterwards
        bool idsCleared;                     // RID and LID stored empty
    };
    const auto code = [](const char* text) { return *ToHostCode(text); };
    const auto replaced = [&](const char* text, std::span<const std::uint8_t> with) {
        return ReplacementMessage(with, code(text));
    };
    const auto staging = code("S07- STAGING");
    std::vector<std::uint8_t> stagingCut(staging.begin(), staging.begin() + 2);
    stagingCut.insert(stagingCut.end(), staging.begin() + 5, staging.end());
    const std::vector<Case> cases = {
        {30031, "JKLMN", FromHex("D1 D2 5B D3 D4 5B D5"), -1, "1", false},
        {30031, "S06 RA8S", replaced("S06 RA8S", kRa8sText), -1, "1", false},
        {30031, "C06 X", replaced("C06 X", kRa8sText), -1, "1", false},
        {30031, "C01 X", replaced("C01 X", kCentralSiteOutageText), -1, "1", false},
        {30031, "C02 X", replaced("C02 X", kSystemUnavailableText), -1, "1", false},
        {30031, "S07 X", ErrorMessage(code("S07 X")), -1, "1", false},
        {30031, "S07- STAGING", ErrorMessage(stagingCut), -1, "1", false},
        {30031, "JKLMN", replaced("JKLMN", kHostSessionErrorText), 1, "1", false},
        {30031, "S02- UNABLE", ErrorMessage(code("S02- UNABLE")), 0, "0", false},
        {30032, "S02- UNABLE", replaced("S02- UNABLE", kSignInText), -1, "0", false},
        {30030, "S02- UNABLE", replaced("S02- UNABLE", kSignInText), -1, "0", true},
    };
    Driver* d = nullptr;
    int port = 0;
    int session = 0;
    int sent = 0;
    std::string address;
    for (const Case& c : cases) {
        if (c.port != port) {
            port = c.port;
            ++session;
            address = "1A2B0" + std::to_string(session);
            // The pooled ports begin with the pool the route names.
            std::map<std::string, std::string> settings = {{"PORT", std::to_string(port)},
                                                           {"LNIATA", address}};
            if (port == 30032) settings.insert({{"POOLTYPE", "AGENCY"}, {"BASEPCC", "B2C"}});
            if (port == 30030) settings.insert({{"POOLTYPE", "HOST9"}, {"POOLNAME", "POOL9"}});
            d = &NewTerminal(settings);
            ConnectAndSend(*d, session);
            address = "1A 2B 0" + std::to_string(session) + " ";
        }
        if (c.option5 >= 0) {
            // The option also gives the sessions a new routing id: the client's next message
            // carries it to the host.
            ASSERT_TRUE(d->driver->SetDriverOption(5, c.option5));
            const auto message = FromHex("C1 4E");
            ASSERT_EQ(d->driver->SendToHost(message.data(), 2), COMM_NO_ERROR);
            ASSERT_TRUE(host.WaitFor(
                [&, want = ++sent](const std::vector<quilhost::HostEvent>& events) {
                    int n = 0;
                    for (const auto& e : events)
                        if (e.kind == quilhost::EventKind::Received && e.record.payload == message)
                            ++n;
                    return n >= want;
                },
                5000));
        }
        ASSERT_TRUE(host.SendSessionError(session, "", c.text, 4, 1)) << c.text;
        EXPECT_EQ(NextMessage(*d), address + ToHex(c.expected)) << c.port << " " << c.text;
        EXPECT_EQ(d->harness.SessionValue("STATE"), c.state) << c.port << " " << c.text;
        EXPECT_EQ(!d->harness.SessionValue("RID").has_value(), c.idsCleared) << c.port;
        EXPECT_EQ(!d->harness.SessionValue("LID").has_value(), c.idsCleared) << c.port;
    }
}

TEST_F(TerminalTest, TheHostsKeepAliveRequestAndAPrintUrlTurnKeepAliveOn) {
    auto& d = NewTerminal();
    ConnectAndSend(d);
    ASSERT_TRUE(Terminal(d)->HasIdleTimer());
    ASSERT_TRUE(host.SendData(1, FromHex("F9 6C 4E")));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 F9 6C 4E");
    EXPECT_FALSE(Terminal(d)->HasIdleTimer());
    EXPECT_TRUE(Terminal(d)->GetKeepAlive());
    EXPECT_NE(Terminal(d)->ActiveSession()->KeepAliveTimer(), nullptr);

    auto& url = NewTerminal({{"LNIATA", "1A2B02"}});
    ConnectAndSend(url, 2);
    ASSERT_TRUE(host.WaitForSession(2, 5000));
    const std::string address = "127.0.0.9/PRT";
    ASSERT_TRUE(
        host.SendPrintAddress(2, std::vector<std::uint8_t>(address.begin(), address.end())));
    EXPECT_EQ(NextMessage(url), "1A 2B 02 F9 6C 4E");
    EXPECT_FALSE(Terminal(url)->HasIdleTimer());
}

TEST_F(TerminalTest, IdleSessionsAreEndedAfterTheirTimeOut) {
    support::FakeClockScope clock;
    StopIdleThread();
    auto& d = NewTerminal({{"IDLETIMEOUT", "3"}});
    ConnectAndSend(d);
    ASSERT_TRUE(host.WaitForReceived(2, 5000));
    const auto terminates = [&] {
        int n = 0;
        for (const auto& r : Received())
            if (r.kind == 2) ++n;
        return n;
    };
    clock.Advance(179999);
    RunIdlePass();
    EXPECT_EQ(terminates(), 0);
    EXPECT_TRUE(Terminal(d)->HasIdleTimer());
    clock.Advance(1);
    RunIdlePass();
    ASSERT_TRUE(host.WaitFor(
        [](const std::vector<quilhost::HostEvent>& events) {
            for (const auto& e : events)
                if (e.kind == quilhost::EventKind::Received && e.record.kind == 2) return true;
            return false;
        },
        5000));
    EXPECT_FALSE(Terminal(d)->HasIdleTimer());
}

}  // namespace
}  // namespace quildrv
