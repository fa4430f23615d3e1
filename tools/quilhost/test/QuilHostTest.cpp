// The simulator against a plain socket client: a whole session, checks of what it receives,
// the host's own actions and its script.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "quil/SessionOption.h"
#include "quilhost/HostCode.h"
#include "quilhost/HostScript.h"
#include "quilhost/QuilHost.h"
#include "support/Hex.h"
#include "support/QuilClient.h"

using support::FromHex;
using support::ToHex;

namespace quilhost {
namespace {

using support::Header;
using support::kDeadlineMs;
using support::QuilClient;

std::vector<std::uint8_t> Host(std::string_view text) {
    return ToHostCode(text).value();
}

std::vector<std::uint8_t> RoutingArea(std::uint16_t seq, std::uint32_t index) {
    std::vector<std::uint8_t> area;
    (void)quil::RoutingOption{seq, index}.ToOption().Write(area);
    return area;
}

std::vector<std::string> Lines(const QuilHost& host) {
    auto lines = host.Trace();
    // The client's port changes from run to run.
    for (auto& l : lines)
        if (l.rfind("#", 0) == 0 && l.find(" accepted 127.0.0.1:") != std::string::npos)
            l = l.substr(0, l.find(':'));
        else if (l.rfind("listening on", 0) == 0)
            l = "listening";
    return lines;
}

// A script line and the error it is to give.
struct Bad {
    const char* line;
    const char* error;
};

class QuilHostTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Start()); }
    void TearDown() override { host.Stop(); }

    // Connects and begins a session; returns the host's answer.
    quil::SessionIdentity Begin(QuilClient& client, const std::vector<std::uint8_t>& options,
                                const quil::SessionIdentity& identity = {}) {
        EXPECT_TRUE(client.Connect(host.Port()));
        EXPECT_TRUE(client.Send(Header(0, 0, identity), options));
        const auto answer = client.Next();
        EXPECT_TRUE(answer.has_value());
        if (!answer) return {};
        EXPECT_EQ(answer->header.Kind(), 0);
        EXPECT_EQ(answer->header.Err(), 0);
        EXPECT_EQ(ToHex(answer->options), ToHex(options)) << "options come back";
        return answer->header.Identity();
    }

    QuilHost host;
};

TEST_F(QuilHostTest, WholeSessionTraceAndRecordedTraffic) {
    QuilClient client;
    const auto routing = RoutingArea(0x1234, 7);
    const auto id = Begin(client, routing);
    EXPECT_EQ(ToHex(id), "1A 2B 01 00 00 00 01 01");

    // Client data; the host answers with the two segments queued for it.
    host.QueueReply(1, {Host("AB"), Host("AC")});
    host.QueueReply(1, {});  // nothing for the second entry
    ASSERT_TRUE(client.Send(Header(1, 0, id), routing, Host("HELLO")));
    for (const char* expected : {"C1 C2", "C1 C3"}) {
        const auto seg = client.Next();
        ASSERT_TRUE(seg.has_value());
        EXPECT_EQ(ToHex(seg->payload), expected);
        EXPECT_EQ(seg->header.Kind(), 1);
        EXPECT_EQ(seg->header.Identity(), id);
        EXPECT_EQ(ToHex(seg->options), ToHex(routing));
    }

    // Host data, then the device's acknowledgement of it.
    ASSERT_TRUE(host.SendData(1, FromHex("C1 C2 C8 C9 4E")));
    auto msg = client.Next();
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(ToHex(msg->payload), "C1 C2 C8 C9 4E");
    ASSERT_TRUE(client.Send(Header(1, 0, id), routing, FromHex("C3 C2 F2 F0 4E")));

    // Keep-alive and its answer.
    ASSERT_TRUE(client.Send(Header(1, 3, id), routing));
    msg = client.Next();
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->header.Err(), 3);
    EXPECT_TRUE(msg->payload.empty());

    // Terminate and its confirmation.
    ASSERT_TRUE(client.Send(Header(2, 0, id), routing));
    msg = client.Next();
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->header.Kind(), 2);
    EXPECT_EQ(msg->header.Identity(), id);
    client.Socket().Close();
    ASSERT_TRUE(host.WaitForClosed(1, kDeadlineMs));

    const std::vector<std::string> expected = {
        "listening",
        "#1 accepted 127.0.0.1",
        "#1 <- begin type=0 flags=00 ta=000000 sid=00000000 opts=[3/8 seq=4660 idx=7] data=0",
        "#1 session 1 begun ta=1A2B01 sid=00000101",
        "#1 -> begin type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=0",
        "#1 <- maintain type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=5 "
        "\"HELLO\" [session 1]",
        "#1 -> maintain type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=2 "
        "\"AB\"",
        "#1 -> maintain type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=2 "
        "\"AC\"",
        "#1 -> maintain type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=5 "
        "\"ABHI<4E>\"",
        "#1 <- maintain type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=5 "
        "\"CB20<4E>\" [session 1] ack tsn=B 2 status=0",
        "#1 <- maintain type=3 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=0 "
        "[session 1]",
        "#1 -> maintain type=3 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=0",
        "#1 <- terminate type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=0 "
        "[session 1]",
        "#1 session 1 ended by the client",
        "#1 -> terminate type=0 flags=00 ta=1A2B01 sid=00000101 opts=[3/8 seq=4660 idx=7] data=0",
        "#1 closed by the client",
    };
    EXPECT_EQ(Lines(host), expected);

    // The recorded traffic: what the client sent, decoded, with no complaints.
    std::vector<std::string> received;
    for (const auto& e : host.Events()) {
        if (e.kind == EventKind::Problem) ADD_FAILURE() << e.line;
        if (e.kind != EventKind::Received) continue;
        received.push_back(ShowHostCode(e.record.payload));
        EXPECT_EQ(e.record.options.size(), 1u);
        if (e.ack) {
            EXPECT_EQ(e.ack->status, '0');
        }
    }
    EXPECT_EQ(received, (std::vector<std::string>{"", "HELLO", "CB20<4E>", "", ""}));
    ASSERT_EQ(host.Sessions().size(), 1u);
    EXPECT_FALSE(host.Sessions()[0].active);
}

// The sink is called outside the host's lock, so it may ask the host for its trace; it gets
// every line, in order.
TEST(QuilHostSink, MayCallTheHostAndGetsEveryLineInOrder) {
    QuilHost host;
    std::mutex linesLock;
    std::vector<std::string> lines;
    host.SetTraceSink([&](const std::string& line) {
        EXPECT_FALSE(host.Trace().empty());
        std::lock_guard lock(linesLock);
        lines.push_back(line);
    });
    ASSERT_TRUE(host.Start());
    QuilClient client;
    ASSERT_TRUE(client.Connect(host.Port()));
    ASSERT_TRUE(client.Send(Header(0, 0, {})));
    ASSERT_TRUE(client.Next().has_value());
    client.Socket().Close();
    ASSERT_TRUE(host.WaitForClosed(1, kDeadlineMs));
    host.Stop();
    std::lock_guard lock(linesLock);
    EXPECT_EQ(lines, host.Trace());
    EXPECT_EQ(lines.size(), 6u);
}

TEST_F(QuilHostTest, KeepsSessionsByIdentityAcrossConnections) {
    QuilClient first;
    const auto id = Begin(first, {});
    QuilClient other;  // a second terminal asking for its own address
    quil::SessionIdentity own{0x0C, 0x0D, 0x0E, 0, 0, 0, 0, 0};
    const auto otherId = Begin(other, {}, own);
    EXPECT_EQ(ToHex(otherId), "0C 0D 0E 00 00 00 01 02");

    first.Socket().Close();
    ASSERT_TRUE(host.WaitForClosed(1, kDeadlineMs));
    QuilClient again;  // resumes the first session with its cached identity
    EXPECT_EQ(Begin(again, {}, id), id);
    ASSERT_TRUE(again.Send(Header(1, 3, id)));
    ASSERT_TRUE(again.Next().has_value());
    // The connection's own keep-alive comes back as it went.
    const auto socketKeepAlive =
        FromHex("FE 01 00 00 00 00 00 14 13 30 07 00 00 00 00 00 00 00 00 00");
    ASSERT_TRUE(again.SendRaw(socketKeepAlive));
    const auto echo = again.Next();
    ASSERT_TRUE(echo.has_value());
    EXPECT_EQ(ToHex(echo->wire), ToHex(socketKeepAlive));

    // A maintain for an identity the host does not know gets a session error.
    quil::SessionIdentity unknown = id;
    unknown[7] ^= 0xFF;
    ASSERT_TRUE(again.Send(Header(1, 0, unknown), {}, Host("X")));
    const auto err = again.Next();
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(err->header.Err(), 4);
    EXPECT_EQ(ShowHostCode(err->payload), "7QS02- UNABLE TO ACCESS HOST SESSION");

    const auto sessions = host.Sessions();
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].connection, 3);
    EXPECT_EQ(sessions[1].terminal, "0C0D0E");
}

TEST_F(QuilHostTest, HostActionsReachTheClient) {
    QuilClient client;
    const auto routing = RoutingArea(9, 1);
    const auto id = Begin(client, routing);

    ASSERT_TRUE(host.SendSegments(1, {FromHex("C4 C1 C1 6D"), FromHex("C4 C1 C2 7E"),
                                      FromHex("C4 C1 C3 5F"), FromHex("C4 C1 C4 4E")}));
    for (const char* eom : {"6D", "7E", "5F", "4E"}) {
        const auto seg = client.Next();
        ASSERT_TRUE(seg.has_value());
        EXPECT_EQ(ToHex(seg->payload).substr(9), eom);
    }
    ASSERT_TRUE(host.SendPrintAddress(1, Host("PRT01")));
    auto r = client.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Err(), 2);
    ASSERT_TRUE(client.Send(Header(1, 2, id), routing, r->payload));  // the client's answer
    ASSERT_TRUE(host.SendPrintAddress(1, Host("PRT02")));
    ASSERT_TRUE(client.Next().has_value());
    ASSERT_TRUE(client.Send(Header(1, 2, id), routing, Host("PRT03")));  // a wrong answer
    ASSERT_TRUE(client.Send(Header(1, 2, id), routing, Host("PRT04")));  // and one unasked
    ASSERT_TRUE(host.WaitForReceived(4, kDeadlineMs));
    std::vector<std::string> problems;
    for (const auto& e : host.Events())
        if (e.kind == EventKind::Problem) problems.push_back(e.line);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "#1 !! print-address answer differs from the request \"PRT02\"",
                            "#1 !! print-address answer without a request"}));

    ASSERT_TRUE(host.SendNotification(1, "1A2B09", "HOSTB", "9"));
    r = client.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Err(), 1);
    const std::string text = ShowHostCode(r->payload);
    EXPECT_EQ(text.substr(7, 6), "1A2B09");
    EXPECT_EQ(text.substr(15), "HOSTB//9<4E>");

    struct ErrorCase {
        const char* code;
        const char* text;
        std::uint8_t type;
        int kind;
        const char* expected;
    };
    const ErrorCase errors[] = {
        {"7QS04", "", 4, -1, "7QS04- UNABLE TO READ HOST SESSION RECORD"},
        {"7QS08", "", 5, 0, "7QS08- "},
        {"7QC01", "7QC01- OWN TEXT", 4, 2, "7QC01- OWN TEXT"},
    };
    for (const auto& e : errors) {
        ASSERT_TRUE(host.SendSessionError(1, e.code, e.text, e.type, e.kind));
        r = client.Next();
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->header.Err(), e.type);
        EXPECT_EQ(r->header.Kind(), e.kind < 0 ? 1 : e.kind);
        EXPECT_EQ(ShowHostCode(r->payload), e.expected);
        EXPECT_EQ(ToHex(r->options), ToHex(routing));
    }

    ASSERT_TRUE(host.TerminateSession(1));
    r = client.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Kind(), 2);
    EXPECT_FALSE(host.Sessions()[0].active);

    // The next begin is refused.
    host.RefuseNextBegin("7QS03");
    ASSERT_TRUE(client.Send(Header(0, 0)));
    r = client.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Kind(), 0);
    EXPECT_EQ(r->header.Err(), 4);
    EXPECT_EQ(ShowHostCode(r->payload), "7QS03- UNABLE TO OBTAIN HOST SESSION");
    EXPECT_EQ(host.Sessions().size(), 1u);
}

TEST_F(QuilHostTest, SilenceDelayCloseAndReset) {
    QuilClient client;
    const auto id = Begin(client, {});
    host.SetSilent(true);
    ASSERT_TRUE(client.Send(Header(1, 3, id)));
    EXPECT_FALSE(client.Next(300).has_value()) << "a silent host does not answer";
    ASSERT_TRUE(host.WaitForReceived(2, kDeadlineMs));

    host.SetSilent(false);
    host.SetDelay(150);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.Send(Header(1, 3, id)));
    ASSERT_TRUE(client.Next().has_value());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    host.SetDelay(0);

    ASSERT_TRUE(host.CloseConnection(1, false));
    EXPECT_EQ(client.WaitEnd(), 0) << "an orderly close";

    QuilClient second;
    Begin(second, {});
    ASSERT_TRUE(host.CloseConnection(2, true));
    const auto end = second.WaitEnd();
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(*end, platform::WSAECONNRESET);
    ASSERT_TRUE(host.WaitForClosed(2, kDeadlineMs));
    EXPECT_EQ(Lines(host).back(), "#2 reset by the host");
}

TEST_F(QuilHostTest, ReportsEveryMalformedRecord) {
    struct Case {
        const char* wire;
        const char* problem;  // expected within the problem line
        bool closes;
    };
    const Case cases[] = {
        // option of length 1
        {"FE 01 00 00 00 00 00 18 10 31 00 00 00 00 00 00 00 00 00 00 03 01 00 00",
         "option 3 at offset 0 has length 1", false},
        // option running past the area
        {"FE 01 00 00 00 00 00 18 10 31 00 00 00 00 00 00 00 00 00 00 03 08 00 00",
         "runs past the option area", false},
        // wrong option size and unknown option
        {"FE 01 00 00 00 00 00 1C 10 32 00 00 00 00 00 00 00 00 00 00 03 04 00 00 0B 04 00 00",
         "option 3 has length 4", false},
        // reserved bits set, as in a header that skipped preparation
        {"FE 01 00 00 00 00 00 14 10 30 00 0E 00 00 00 00 00 00 00 00",
         "reserved bits 3-1 of header byte 3 are 7", false},
        {"FE 01 00 00 00 00 00 14 10 20 00 00 00 00 00 00 00 00 00 00",
         "session header length is 2 words", false},
        {"FE 01 00 00 00 00 00 14 10 30 09 00 00 00 00 00 00 00 00 00",
         "message type 9 is not one a client sends", false},
        {"FE 01 00 00 00 00 00 16 11 30 03 00 00 00 00 00 00 00 00 00 C1 C2",
         "a keep-alive carries 2 bytes", false},
        {"FE 01 00 00 00 00 00 13 10 30 00 00 00 00 00 00 00 00 00", "stream length 19 is below 20",
         true},
        {"FE 01 00 00 00 00 00 08", "stream length 8 is below 20", true},
        {"FE 01 00 00 7F FF FF FF", "above the limit", true},
        {"FD 01 00 00 00 00 00 14", "stream header starts FD 01", true},
        {"FE 02 00 00 00 00 00 14", "stream header starts FE 02", true},
    };
    int connection = 0;
    for (const auto& c : cases) {
        ++connection;
        QuilClient client;
        ASSERT_TRUE(client.Connect(host.Port()));
        ASSERT_TRUE(client.SendRaw(FromHex(c.wire)));
        const bool reported = host.WaitFor(
            [&](const std::vector<HostEvent>& events) {
                return std::any_of(events.begin(), events.end(), [&](const HostEvent& e) {
                    return e.kind == EventKind::Problem && e.connection == connection &&
                           e.line.find(c.problem) != std::string::npos;
                });
            },
            kDeadlineMs);
        EXPECT_TRUE(reported) << c.wire;
        if (c.closes) {
            EXPECT_TRUE(client.WaitEnd().has_value()) << c.wire;
        } else {
            // The connection stays usable.
            ASSERT_TRUE(client.Send(Header(0, 0)));
            EXPECT_TRUE(client.Next().has_value()) << c.wire;
        }
        client.Socket().Close();
        ASSERT_TRUE(host.WaitForClosed(connection, kDeadlineMs));
    }
}

TEST_F(QuilHostTest, ScriptDrivesTheHost) {
    HostScript script;
    std::string error;
    ASSERT_TRUE(script.Parse(R"(
        # greet, then answer the first entry in two segments (queued before the greeting,
        # as the entry may follow it at once)
        wait session 1 5000
        reply 1 "AB" "ONE" 6D | "AB" "TWO" 4E
        send 1 "DA" "WELCOME" 4E
        wait received 2 5000
        print 1 "PRT01"
        error 1 7QS07 type=5
        terminate 1
        wait closed 1 5000
    )",
                             error))
        << error;
    bool ran = false;
    std::string runError;
    std::thread runner([&] { ran = script.Run(host, runError); });

    QuilClient client;
    const auto id = Begin(client, {});
    std::vector<std::string> got;
    auto next = [&] {
        const auto r = client.Next();
        got.push_back(r ? std::to_string(r->header.Kind()) + "/" + std::to_string(r->header.Err()) +
                              " " + ShowHostCode(r->payload)
                        : "none");
    };
    next();
    ASSERT_TRUE(client.Send(Header(1, 0, id), {}, Host("ENTRY")));
    next();
    next();
    next();
    next();
    next();
    client.Socket().Close();
    runner.join();
    EXPECT_TRUE(ran) << runError;
    EXPECT_EQ(got, (std::vector<std::string>{
                       "1/0 DAWELCOME<4E>", "1/0 ABONE<6D>", "1/0 ABTWO<4E>", "1/2 PRT01",
                       "1/5 7QS07- STAGING IN EFFECT FOR THIS SESSION SERVICE WILL", "2/0 "}));

    const Bad bad[] = {
        {"send 1 \"ab~\" 4E", "has a character without a host code"},
        {"send 1 4E | ", "empty message or segment"},
        {"send 1 4", "neither quoted text nor a hex byte"},
        {"frobnicate 1", "unknown command frobnicate"},
        {"send 1 \"OPEN", "unterminated quoted text"},
        {"print 1 \"A\" | \"B\"", "a print-address request is one record"},
    };
    for (const auto& b : bad) {
        HostScript s;
        EXPECT_FALSE(s.Parse(b.line, error)) << b.line;
        EXPECT_NE(error.find(b.error), std::string::npos) << b.line << ": " << error;
    }
    HostScript timeout;
    ASSERT_TRUE(timeout.Parse("wait session 9 50", error));
    EXPECT_FALSE(timeout.Run(host, error));
    EXPECT_EQ(error, "line 1: wait session 9 timed out");
}

TEST_F(QuilHostTest, ScriptedBeginAnswersHostKeepAlivesAndMessageTypes) {
    // Each part of the script runs between the client's steps.
    std::string error;
    auto run = [&](const char* text) {
        HostScript script;
        return script.Parse(text, error) && script.Run(host, error);
    };
    ASSERT_TRUE(run("refuse 7QS07 keep")) << error;

    // A staging notice answers the begin, and the session it opened goes on.
    QuilClient client;
    ASSERT_TRUE(client.Connect(host.Port()));
    ASSERT_TRUE(client.Send(Header(0, 0)));
    auto r = client.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Kind(), 0);
    EXPECT_EQ(r->header.Err(), 4);
    EXPECT_EQ(ShowHostCode(r->payload), "7QS07- STAGING IN EFFECT FOR THIS SESSION SERVICE WILL");
    const auto id = r->header.Identity();
    EXPECT_EQ(ToHex(id), "1A 2B 01 00 00 00 01 01");
    ASSERT_TRUE(client.Send(Header(1, 0, id), {}, Host("ENTRY")));
    ASSERT_TRUE(run(R"(
        wait received 2 5000
        keepalive 1
        send 1 type=1 "NOTIFY 1A2B09  HOSTB//9"
        send 1 type=7 "DA" 4E
        send 1 type=2 "PRT01"
    )")) << error;

    // The host's own keep-alive, then messages of the types named.
    std::vector<std::string> got;
    for (int i = 0; i < 4; ++i) {
        r = client.Next();
        ASSERT_TRUE(r.has_value()) << i;
        got.push_back(std::to_string(r->header.Kind()) + "/" + std::to_string(r->header.Err()) +
                      " " + ShowHostCode(r->payload));
        EXPECT_EQ(r->header.Identity(), id);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"1/3 ", "1/1 NOTIFY 1A2B09  HOSTB//9", "1/7 DA<4E>",
                                             "1/2 PRT01"}));
    ASSERT_TRUE(client.Send(Header(1, 2, id), {}, r->payload));
    ASSERT_TRUE(run("wait received 3 5000\ngreet type=2 \"PRT02\"")) << error;

    // A begin answered with a print-address request; its answer is checked like any other.
    QuilClient printer;
    ASSERT_TRUE(printer.Connect(host.Port()));
    const quil::SessionIdentity own{0x0C, 0x0D, 0x0E, 0, 0, 0, 0, 0};
    ASSERT_TRUE(printer.Send(Header(0, 0, own)));
    r = printer.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Kind(), 0);
    EXPECT_EQ(r->header.Err(), 2);
    EXPECT_EQ(ShowHostCode(r->payload), "PRT02");
    EXPECT_EQ(ToHex(r->header.Identity()), "0C 0D 0E 00 00 00 01 02");
    ASSERT_TRUE(printer.Send(Header(1, 2, r->header.Identity()), {}, r->payload));
    ASSERT_TRUE(run("wait session 2 5000\nwait received 5 5000\nrefuse 7QS03 type=5")) << error;

    // The refusal readied last opens nothing.
    QuilClient refused;
    ASSERT_TRUE(refused.Connect(host.Port()));
    ASSERT_TRUE(refused.Send(Header(0, 0)));
    r = refused.Next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->header.Err(), 5);
    EXPECT_EQ(ToHex(r->header.Identity()), "00 00 00 00 00 00 00 00");
    EXPECT_EQ(host.Sessions().size(), 2u);

    for (const auto& e : host.Events()) EXPECT_NE(e.kind, EventKind::Problem) << e.line;

    const Bad bad[] = {
        {"greet \"A\" | \"B\"", "a begin is answered with one record"},
        {"greet type=300 \"A\"", "greet [type=<n>] <message>"},
        {"send 1 type=x \"A\"", "bad message type"},
        {"refuse 7QS07 hold", "refuse <code>"},
        {"keepalive", "wrong number of arguments"},
    };
    for (const auto& b : bad) {
        HostScript s;
        EXPECT_TRUE(s.Parse(b.line, error)) << b.line << ": " << error;
        EXPECT_FALSE(s.Run(host, error)) << b.line;
        EXPECT_NE(error.find(b.error), std::string::npos) << b.line << ": " << error;
    }
}

TEST_F(QuilHostTest, LongRecordsAreTracedWhole) {
    QuilClient client;
    const auto id = Begin(client, {});
    std::vector<std::uint8_t> payload(700, 0xC1);
    payload.push_back(0x4E);
    ASSERT_TRUE(host.SendData(1, payload));
    ASSERT_TRUE(client.Next().has_value());
    ASSERT_TRUE(client.Send(Header(1, 0, id), {}, payload));
    ASSERT_TRUE(host.WaitForReceived(2, kDeadlineMs));
    const std::string shown = " data=701 \"" + std::string(700, 'A') + "<4E>\"";
    int whole = 0;
    for (const auto& line : host.Trace())
        if (line.find(shown) != std::string::npos) ++whole;
    EXPECT_EQ(whole, 2) << "the record sent and the record received";
}

TEST_F(QuilHostTest, SecondHostOnItsOwnLoopbackAddressEchoesData) {
    QuilHost second;
    EXPECT_FALSE(second.Start("10.0.0.1", host.Port())) << "loopback addresses only";
    ASSERT_TRUE(second.Start("127.0.0.2", host.Port()));
    EXPECT_EQ(second.Port(), host.Port());
    second.SetEcho(true);

    QuilClient client;
    ASSERT_TRUE(client.Connect(platform::SocketAddress{0x7F000002u, second.Port()}));
    // A begin with data gets the begin's answer, then its data back.
    ASSERT_TRUE(client.Send(Header(0, 0, {}), {}, Host("HELLO")));
    const auto answer = client.Next();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->header.Kind(), 0);
    const auto echo = client.Next();
    ASSERT_TRUE(echo.has_value());
    EXPECT_EQ(echo->header.Kind(), 1);
    EXPECT_EQ(ShowHostCode(echo->payload), "HELLO");
    // And so does every later data message; a queued reply goes first.
    second.QueueReply(1, {Host("READY")});
    ASSERT_TRUE(client.Send(Header(1, 0, answer->header.Identity()), {}, Host("AGAIN")));
    const auto queued = client.Next();
    ASSERT_TRUE(queued.has_value());
    EXPECT_EQ(ShowHostCode(queued->payload), "READY");
    ASSERT_TRUE(client.Send(Header(1, 0, answer->header.Identity()), {}, Host("AGAIN")));
    const auto again = client.Next();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(ShowHostCode(again->payload), "AGAIN");
}

// The threads of this process, as the system counts them.
int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

// A long run holds only what is open: finished connections are joined and forgotten (their
// closes still count), and the recorded events are bounded.
TEST(QuilHostLongRun, FinishedConnectionsAndOldEventsAreLetGo) {
    HostSettings settings;
    settings.maxEvents = 64;
    QuilHost host(settings);
    ASSERT_TRUE(host.Start());
    const int threadsBefore = ThreadCount();
    constexpr int kConnections = 60;
    for (int i = 1; i <= kConnections; ++i) {
        QuilClient client;
        ASSERT_TRUE(client.Connect(host.Port()));
        ASSERT_TRUE(client.Send(Header(0, 0, {})));
        ASSERT_TRUE(client.Next().has_value());
    }  // each client closes here
    ASSERT_TRUE(host.WaitForClosed(kConnections, kDeadlineMs));
    ASSERT_TRUE(host.WaitForConnectionsHeld(0, kDeadlineMs));
    EXPECT_TRUE(host.WaitForClosed(1, 0)) << "closed, though long forgotten";
    EXPECT_FALSE(host.WaitForClosed(kConnections + 1, 0)) << "never accepted";
    EXPECT_TRUE(host.WaitForReceived(kConnections, 0)) << "every begin counted";
    EXPECT_LE(host.Events().size(), settings.maxEvents);
    EXPECT_EQ(host.Events().back().kind, EventKind::Closed);
    EXPECT_LE(ThreadCount(), threadsBefore);
    EXPECT_FALSE(host.CloseConnection(1, false)) << "a forgotten connection";
}

// A client that stops inside a record is closed once the limit passes; one that is quiet
// between records is not.
TEST(QuilHostLongRun, ConnectionIdleInsideARecordIsClosed) {
    HostSettings settings;
    settings.recordIdleTimeoutMs = 200;
    QuilHost host(settings);
    ASSERT_TRUE(host.Start());
    QuilClient quiet;
    ASSERT_TRUE(quiet.Connect(host.Port()));
    QuilClient inHeader;
    ASSERT_TRUE(inHeader.Connect(host.Port()));
    ASSERT_TRUE(inHeader.SendRaw(FromHex("FE 01 00")));
    QuilClient inBody;
    ASSERT_TRUE(inBody.Connect(host.Port()));
    ASSERT_TRUE(inBody.SendRaw(FromHex("FE 01 00 00 00 00 00 19 10 30 00")));
    EXPECT_EQ(inHeader.WaitEnd(), std::optional<int>(0));
    EXPECT_EQ(inBody.WaitEnd(), std::optional<int>(0));
    ASSERT_TRUE(host.WaitForClosed(3, kDeadlineMs));
    const auto trace = host.Trace();
    EXPECT_NE(std::find(trace.begin(), trace.end(), "#2 !! idle inside a stream header; closing"),
              trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "#3 !! idle inside a record; closing"),
              trace.end());
    // The quiet one was open before both and is open still, and is answered.
    EXPECT_FALSE(host.WaitForClosed(1, 0));
    ASSERT_TRUE(quiet.Send(Header(0, 0, {})));
    EXPECT_TRUE(quiet.Next().has_value());
}

// A reader that cannot be started closes its connection only; the next one is served.
TEST(QuilHostLongRun, FailedReaderStartClosesThatConnectionOnly) {
    HostSettings settings;
    std::atomic<int> starts{0};
    settings.startThread = [&starts](std::function<void()> body) {
        if (starts++ == 0)
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    };
    QuilHost host(settings);
    ASSERT_TRUE(host.Start());
    QuilClient refused;
    ASSERT_TRUE(refused.Connect(host.Port()));
    EXPECT_EQ(refused.WaitEnd(), std::optional<int>(0));
    ASSERT_TRUE(host.WaitForClosed(1, kDeadlineMs));
    QuilClient served;
    ASSERT_TRUE(served.Connect(host.Port()));
    ASSERT_TRUE(served.Send(Header(0, 0, {})));
    EXPECT_TRUE(served.Next().has_value());
    const auto trace = host.Trace();
    EXPECT_NE(std::find_if(trace.begin(), trace.end(),
                           [](const std::string& l) {
                               return l.rfind("#1 !! cannot start a reader (error ", 0) == 0;
                           }),
              trace.end());
}

}  // namespace
}  // namespace quilhost
