// The quilhost program against a plain socket client: it names its port, plays its script
// (begin, host data, the client's acknowledgement, keep-alive, terminate) and prints a trace
// that matches what crossed the wire.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ChildProcess.h"
#include "quil/SessionOption.h"
#include "support/Hex.h"
#include "support/QuilClient.h"
#include "support/TempRoot.h"

using support::FromHex;
using support::ToHex;

namespace {

using support::Header;
using support::kDeadlineMs;
using support::QuilClient;

constexpr const char* kScript = R"(# host side of one terminal session
wait session 1 10000
send 1 "DA" "WELCOME" 4E
wait received 4 10000
wait closed 1 10000
)";

TEST(QuilHostProgramTest, PlaysItsScriptAgainstASocketClient) {
    support::TempRoot root;
    root.WriteFile("session.qhs", kScript);
    platform::ChildProcess program;
    ASSERT_TRUE(program.Start(QUILHOST_PROGRAM, {(root / "session.qhs").string()}));

    const auto first = program.ReadLine(kDeadlineMs);
    ASSERT_TRUE(first.has_value());
    const std::string prefix = "listening on 127.0.0.1:";
    ASSERT_EQ(first->rfind(prefix, 0), 0u) << *first;
    const int port = std::stoi(first->substr(prefix.size()));
    ASSERT_GT(port, 0);

    QuilClient client;
    ASSERT_TRUE(client.Connect(static_cast<std::uint16_t>(port)));
    std::vector<std::uint8_t> routing;
    (void)quil::RoutingOption{0x0102, 5}.ToOption().Write(routing);
    ASSERT_TRUE(client.Send(Header(0, 0), routing));
    auto r = client.Next();
    ASSERT_TRUE(r.has_value());
    const auto id = r->header.Identity();
    EXPECT_EQ(ToHex(id), "1A 2B 01 00 00 00 01 01");

    r = client.Next();  // the script's greeting
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Kind(), 1);
    EXPECT_EQ(ToHex(r->payload), "C4 C1 E6 C5 D3 C3 D6 D4 C5 4E");
    EXPECT_EQ(ToHex(r->options), ToHex(routing));

    ASSERT_TRUE(client.Send(Header(1, 0, id), routing, FromHex("C3 C1 F2 F0 4E")));
    ASSERT_TRUE(client.Send(Header(1, 3, id), routing));
    r = client.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Err(), 3);
    ASSERT_TRUE(client.Send(Header(2, 0, id), routing));
    r = client.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Kind(), 2);
    client.Socket().Close();

    std::vector<std::string> trace = program.ReadRemaining(kDeadlineMs);
    EXPECT_EQ(program.Wait(kDeadlineMs), 0);
    ASSERT_FALSE(trace.empty());
    // The client's port changes from run to run.
    const auto accepted = trace[0].find(" accepted 127.0.0.1:");
    ASSERT_NE(accepted, std::string::npos) << trace[0];
    trace[0].resize(accepted + 19);
    const std::vector<std::string> expected = {
        "#1 accepted 127.0.0.1",
        "#1 <- begin type=0 flags=00 ta=000000 sid=00000000 opts=[3/8 seq=258 idx=5] data=0",
        "#1 session 1 begun ta=1A2B01 sid=00000101",
        "#1 -> begin type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=258 idx=5] data=0",
        "#1 -> maintain type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=258 idx=5] data=10 "
        "\"DAWELCOME<4E>\"",
        "#1 <- maintain type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=258 idx=5] data=5 "
        "\"CA20<4E>\" [session 1] ack tsn=A 2 status=0",
        "#1 <- maintain type=3 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=258 idx=5] data=0 "
        "[session 1]",
        "#1 -> maintain type=3 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=258 idx=5] data=0",
        "#1 <- terminate type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=258 idx=5] data=0 "
        "[session 1]",
        "#1 session 1 ended by the client",
        "#1 -> terminate type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=258 idx=5] data=0",
        "#1 closed by the client",
    };
    EXPECT_EQ(trace, expected);
}

TEST(QuilHostProgramTest, RefusesABrokenScriptBeforeListening) {
    support::TempRoot root;
    root.WriteFile("broken.qhs", "send 1 \"OPEN\n");
    platform::ChildProcess program;
    ASSERT_TRUE(program.Start(QUILHOST_PROGRAM, {(root / "broken.qhs").string()}));
    const auto lines = program.ReadRemaining(kDeadlineMs);
    EXPECT_EQ(program.Wait(kDeadlineMs), 2);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("line 1: unterminated quoted text"), std::string::npos) << lines[0];
}

}  // namespace
