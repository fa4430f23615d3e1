// The driver against the host simulator over loopback: the begin record as it goes on the wire,
// the host's answer, routing of replies by the routing option, the end-of-message strategies,
// the records that come back when the host cannot be reached, and two sessions sharing one
// connection.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "HostDriverFixture.h"
#include "support/Hex.h"

namespace quildrv {
namespace {

using support::FromHex;
using support::ToHex;

TEST_F(HostDriverFixture, TheBeginGoesOutWithTheFirstMessageAndTheAnswerOpensTheSession) {
    auto& d = NewDriver();
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    const auto message = FromHex("C1 C2 4E");
    ASSERT_EQ(d.driver->SendToHost(message.data(), 3), COMM_NO_ERROR);
    ASSERT_TRUE(host.WaitForReceived(1, 5000));
    const quilhost::HostRecord begin = Received()[0];
    const auto routing = quilhost::DecodeRouting(begin);
    ASSERT_TRUE(routing.has_value());
    const std::vector<std::uint8_t> seq = {static_cast<std::uint8_t>(routing->sequenceId & 0xFF),
                                           static_cast<std::uint8_t>(routing->sequenceId >> 8)};
    EXPECT_EQ(ToHex(quilhost::EncodeRecord(begin)),
              "FE 01 00 00 00 00 00 1F 10 32 00 01 1A 2B 01 00 00 00 AB CD 03 08 " + ToHex(seq) +
                  " 00 00 00 00 C1 C2 4E");

    ASSERT_TRUE(d.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));
    EXPECT_EQ(d.harness.SessionValue("STATE"), "1");
    EXPECT_EQ(d.harness.SessionValue("RID"), std::string("\x1A\x2B\x01", 3));
    EXPECT_EQ(d.harness.SessionValue("LID"), std::string("\x00\x00\x01\x01", 4));
    EXPECT_EQ(d.FrontEnd()->Session()->SessionState(), CHostSession::kMaintain);

    // Replies naming another sequence id, or no routing option, are dropped; the next good one
    // is the only message delivered.
    quilhost::HostRecord reply;
    reply.kind = 1;
    reply.terminal = {0x1A, 0x2B, 0x01};
    reply.sessionId = {0x00, 0x00, 0x01, 0x01};
    reply.payload = FromHex("E1 4E");
    quilhost::HostRecord stale = reply;
    stale.options.push_back({3, {static_cast<std::uint8_t>(seq[0] ^ 1), seq[1], 0, 0, 0, 0}});
    ASSERT_TRUE(host.SendRaw(1, quilhost::EncodeRecord(stale)));
    ASSERT_TRUE(host.SendRaw(1, quilhost::EncodeRecord(reply)));
    ASSERT_TRUE(host.SendData(1, FromHex("F1 4E")));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 F1 4E");
    EXPECT_EQ(NextMessage(d, 0), "");
}

TEST_F(HostDriverFixture, EndOfMessageStrategiesDeliverAndAskForNextParts) {
    struct Case {
        const char* strategy;  // EOMHandlerStrategy
        bool accumulate;
        std::vector<const char*> segments;
        std::vector<const char*> delivered;
        int requests;  // one-byte 6D data records sent back
        int badMessages;
    };
    const Case cases[] = {
        {"ORIGINAL", false, {"4E"}, {"1A 2B 01 4E"}, 0, 0},
        {"ORIGINAL", false, {"C1 4E C2 C3"}, {"1A 2B 01 C1 4E"}, 0, 0},
        {"ORIGINAL", false, {"C1 C2"}, {}, 0, 1},
        {"ALLOWEMBEDDED", false, {"C1 4E C2 4E"}, {"1A 2B 01 C1 4E C2 4E"}, 0, 0},
        {"ALLOWEMBEDDED", false, {"C1 4E C2"}, {}, 0, 1},
        {"ORIGINAL",
         true,
         {"C1 C2 D1 6D", "C1 C2 D2 7E", "C1 C2 D3 5F"},
         {"1A 2B 01 C1 C2 D1 D2 D3 5F"},
         2,
         0},
        {"ALLOWEMBEDDED", true, {"C1 4E D1 6D", "C1 C2 D2 4E"}, {"1A 2B 01 C1 4E D1 D2 4E"}, 1, 0},
    };
    int session = 0;
    for (const auto& c : cases) {
        const std::string label = std::string(c.strategy) + " " + c.segments.front();
        auto& d = NewDriver({{"EOMHandlerStrategy", c.strategy}});
        ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
        ASSERT_EQ(d.driver->SetAccumulationMode(c.accumulate), COMM_NO_ERROR);
        Begin(d);
        ++session;
        const std::size_t before = Received().size();
        std::vector<std::vector<std::uint8_t>> segments;
        for (const char* s : c.segments) segments.push_back(FromHex(s));
        ASSERT_TRUE(host.SendSegments(session, segments)) << label;
        if (c.badMessages > 0) {
            ASSERT_TRUE(d.harness.WaitForCallNamed("OnReceive", 1053)) << label;
        }
        for (const char* want : c.delivered) EXPECT_EQ(NextMessage(d), want) << label;
        EXPECT_EQ(NextMessage(d, 0), "") << label;
        ASSERT_TRUE(host.WaitForReceived(before + static_cast<std::size_t>(c.requests), 5000));
        int requests = 0;
        for (std::size_t i = before; i < Received().size(); ++i)
            if (Received()[i].payload == std::vector<std::uint8_t>{0x6D}) ++requests;
        EXPECT_EQ(requests, c.requests) << label;
    }
}

TEST_F(HostDriverFixture, AHostThatCannotBeReachedAnswersWithHostUnreachable) {
    MapPortsTo(ClosedPort());
    // The begin comes back as a session error: the connect result names the unreachable host.
    auto& d = NewDriver();
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    const auto message = FromHex("C1 C2 4E");
    ASSERT_EQ(d.driver->SendToHost(message.data(), 3), COMM_NO_ERROR);
    ASSERT_TRUE(d.harness.WaitForCallNamed("OnConnect", COMM_ERR_HOST_UNREACHABLE));

    // A keep-alive that cannot be sent is answered on the printer port only. A second session
    // on the same connection sends after it: its answer shows the keep-alive was handled.
    for (const char* port : {"30031", "30051"}) {
        auto& k = NewDriver({{"PORT", port}});
        auto& sentinel = NewDriver({{"PORT", port}, {"LNIATA", "1A2B02"}});
        ASSERT_EQ(k.driver->ConnectToHost(), COMM_NO_ERROR);
        ASSERT_EQ(sentinel.driver->ConnectToHost(), COMM_NO_ERROR);
        ASSERT_EQ(k.FrontEnd()->Session()->SendKeepAlive(), COMM_NO_ERROR);
        ASSERT_EQ(sentinel.driver->SendToHost(message.data(), 3), COMM_NO_ERROR);
        ASSERT_TRUE(sentinel.harness.WaitForCallNamed("OnConnect", COMM_ERR_HOST_UNREACHABLE));
        int answers = 0;
        for (const auto& call : k.harness.Calls())
            if (call.name == "OnConnect" && call.code == COMM_ERR_HOST_UNREACHABLE) ++answers;
        EXPECT_EQ(answers, std::string(port) == "30051" ? 1 : 0) << port;
    }
}

TEST_F(HostDriverFixture, TwoSessionsShareOneConnectionFromTwoThreads) {
    auto& a = NewDriver({{"LNIATA", "1A2B01"}});
    auto& b = NewDriver({{"LNIATA", "1A2B02"}});
    ASSERT_EQ(a.driver->ConnectToHost(), COMM_NO_ERROR);
    ASSERT_EQ(b.driver->ConnectToHost(), COMM_NO_ERROR);
    constexpr int kMessages = 20;
    const auto run = [&](Driver& d, std::uint8_t tag) {
        const std::vector<std::uint8_t> message = {tag, 0x4E};
        for (int i = 0; i < kMessages; ++i) (void)d.driver->SendToHost(message.data(), 2);
    };
    std::thread ta(run, std::ref(a), 0xC1);
    std::thread tb(run, std::ref(b), 0xC2);
    ta.join();
    tb.join();
    ASSERT_TRUE(host.WaitForReceived(2 * kMessages, 10000));
    const auto sessions = host.Sessions();
    ASSERT_GE(sessions.size(), 2u);
    for (const auto& s : sessions) EXPECT_EQ(s.connection, 1);
    ASSERT_TRUE(a.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));
    ASSERT_TRUE(b.harness.WaitForCallNamed("OnConnect", COMM_NO_ERROR));
    EXPECT_STREQ(a.driver->GetHostAddr(), "1A2B01");
    EXPECT_STREQ(b.driver->GetHostAddr(), "1A2B02");
}

}  // namespace
}  // namespace quildrv

namespace quildrv {
namespace {

TEST_F(HostDriverFixture, BeforeADeliveryTheFrontEndLearnsTheSessionsAddressAndTheTimingIsLogged) {
    auto& d = NewDriver({{"ENDTOENDLOGGING", "1"}});
    ASSERT_EQ(d.driver->ConnectToHost(), COMM_NO_ERROR);
    Begin(d);
    EXPECT_EQ(d.FrontEnd()->FrontEndLniata(), "1A2B01");

    // A front end that holds another address is told the session's before the message.
    d.FrontEnd()->CopyLniata("000000");
    d.harness.ClearRecords();
    ASSERT_TRUE(host.SendData(1, support::FromHex("E1 4E")));
    EXPECT_EQ(NextMessage(d), "1A 2B 01 E1 4E");
    EXPECT_EQ(d.FrontEnd()->FrontEndLniata(), "1A2B01");
    bool told = false;
    for (const auto& call : d.harness.Calls())
        told = told || (call.name == "OnHostAddress" && call.text == "1A2B01");
    EXPECT_TRUE(told);

    // Every end-to-end timing field of the reply is logged.
    for (const char* field : {"cln_out_time", "cln_qout_delta", "fep_quot_delta", "srv_out_delta",
                              "fep_rin_delta", "fep_rout_delta", "cln_rin_delta", "cln_rout_delta"})
        EXPECT_TRUE(d.harness.HasLogLine(std::string("\t") + field + "\t-----> ")) << field;
}

}  // namespace
}  // namespace quildrv
