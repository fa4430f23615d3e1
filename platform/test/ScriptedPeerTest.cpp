#include "support/ScriptedPeer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/Socket.h"
#include "support/Hex.h"
#include "support/PtyPair.h"

using support::ConnectedPair;
using support::FromHex;
using support::ScriptedPeer;

TEST(ScriptedPeer, PlaysAConversationOverASocketAndOverAPlainDescriptor) {
    auto pair = ConnectedPair();
    ScriptedPeer peer(pair.server.Fd());
    peer.ExpectHex("C3 C1 F2").SendText("OK").ExpectText("BYE").ExpectEnd();
    peer.Start();
    ASSERT_TRUE(pair.client.SendAll(FromHex("C3 C1 F2")));
    std::uint8_t answer[2];
    ASSERT_EQ(pair.client.ReceiveAll(answer, 5000), 2);
    EXPECT_EQ(std::string(answer, answer + 2), "OK");
    ASSERT_TRUE(pair.client.SendAll(FromHex("42 59 45")));
    pair.client.Close();
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_EQ(peer.Received(), FromHex("C3 C1 F2 42 59 45"));

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ScriptedPeer reader(fds[0]);
    reader.ExpectHex("01 02").ExpectEnd();
    ASSERT_TRUE(platform::FdWriteAll(fds[1], FromHex("01 02"), 5000));
    ::close(fds[1]);
    EXPECT_EQ(reader.Play(), "");
    ::close(fds[0]);
}

TEST(ScriptedPeer, PlaysTheFarEndOfAPseudoTerminalLine) {
    using Side = platform::Pty::Side;
    support::PtyPair line;
    ScriptedPeer printer(ScriptedPeer::FarEndOf(line.pty()));
    printer.ExpectHex("1B 40 41").SendHex("06").ExpectHex("42");
    printer.Start();
    ASSERT_TRUE(line.pty().Write(Side::Slave, FromHex("1B 40 41"), 5000));
    std::uint8_t answer = 0;
    EXPECT_EQ(line.pty().Read(Side::Slave, std::span(&answer, 1), 5000), 1);
    EXPECT_EQ(answer, 0x06);
    ASSERT_TRUE(line.pty().Write(Side::Slave, FromHex("43"), 5000));
    EXPECT_EQ(printer.Finish(), "expected 42 at offset 3, got 43 (step 3)");
}

TEST(ScriptedPeer, ReportsTheFirstDifferenceWithItsOffset) {
    struct Case {
        const char* sent;  // what the other side sends before it closes
        bool closes;
        const char* expect;
        bool expectEnd;
        const char* report;
    };
    const Case cases[] = {
        {"01 02 04 05", true, "01 02 03", false, "expected 03 at offset 2, got 04 (step 1)"},
        {"01", true, "01 02", false, "expected 02 at offset 1, got end of stream (step 1)"},
        {"01 02 03", true, "01 02", true, "expected end of stream at offset 2, got 03 (step 2)"},
        {"", false, "01", false, "expected 01 at offset 0, got nothing within 20 ms (step 1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        auto pair = ConnectedPair();
        ASSERT_TRUE(pair.client.SendAll(FromHex(c.sent)));
        if (c.closes) pair.client.Close();
        ScriptedPeer peer(pair.server.Fd());
        peer.ExpectHex(c.expect);
        if (c.expectEnd) peer.ExpectEnd();
        EXPECT_EQ(peer.Play(std::chrono::milliseconds(20)), c.report);
    }
}
