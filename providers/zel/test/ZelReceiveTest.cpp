// The receive side of a ZEL route end to end: what the gateway's data frames become for the
// creator, through the connection library and through the module's own connection object.
#include <cstring>

#include "ZelFixture.h"
#include "brxconn/CMessage.h"
#include "zel/ZelReceiver.h"

namespace zel::test {
namespace {

using support::FromHex;

class ZelReceiveTest : public ZelFixture {};

// "A", "B" or "C" first asks a terminal for the printer answer: the gateway gets it and the
// creator never sees the message. A printer is handed the message like any other.
TEST_F(ZelReceiveTest, PrinterAnswerByDeviceKind) {
    const std::vector<std::string> asking{"C1 40 C1 4E", "C2 4E", "C3 F1 4E"};
    for (const std::intptr_t kind :
         {std::intptr_t{DEVICE_TERMINAL}, std::intptr_t{DEVICE_PRINTER}}) {
        SCOPED_TRACE(kind);
        Creator c;
        ASSERT_EQ(c.SetOption(3, reinterpret_cast<char*>(kind)), 0);
        ConnectUp(c);
        const int n = gate.Connections();
        for (const auto& m : asking) ASSERT_TRUE(gate.SendData(n, FromHex(m)));
        // A text behind them: once it is in, so are they.
        ASSERT_TRUE(gate.SendData(n, FromHex("E3 E2 C8 C9 4E")));
        std::vector<std::string> texts;
        ASSERT_TRUE(Until([&] {
            texts.clear();
            for (const auto& r : c.received) texts.emplace_back(r.begin(), r.end());
            return !texts.empty() && texts.back().find("TSHI") == 0;
        }));
        if (kind == DEVICE_TERMINAL) {
            // A terminal's text comes as its Receive gives it: with accumulate on (as it is
            // by default), without the message's last byte.
            EXPECT_EQ(texts, std::vector<std::string>{"TSHI"});
            EXPECT_EQ(c.Count("receive 0"), 1u);
            ASSERT_TRUE(gate.WaitFor([&] { return DataTo(n).size() == 3; }));
            EXPECT_EQ(DataTo(n), std::vector<std::string>(3, "C3 7C F3 F8 4E"));
        } else {
            EXPECT_EQ(texts, (std::vector<std::string>{"A A\x15", "B\x15", "C1\x15", "TSHI\x15"}));
            EXPECT_TRUE(DataTo(n).empty());
        }
        EXPECT_EQ(c.Disconnect(), 0);
    }
}

// With accumulate on, a terminal's messages up to the one that ends the text come as one
// text: a continuation without its first two bytes, each message without its last. The same
// whether the gateway's bytes are taken as they come or translated from its code (where a
// message ended by 0x14 is answered and waits for the rest).
TEST_F(ZelReceiveTest, AccumulatedTextOnATerminal) {
    struct Case {
        const char* translate;
        const char* first;
        const char* second;
        std::size_t announced;
        std::vector<std::string> answers;
    };
    for (const Case& k : std::vector<Case>{
             {"FALSE", "31 41 58 59 5A 2E", "00 00 41 42 43 15", 2, {}},
             {"TRUE", "F1 C1 E7 E8 E9 6D", "00 00 C1 C2 C3 4E", 1, {"6D"}},
         }) {
        SCOPED_TRACE(k.translate);
        Creator c;
        auto conn = ModuleConnection(c);
        ASSERT_TRUE(conn);
        std::vector<char> translate(k.translate, k.translate + std::strlen(k.translate) + 1);
        ASSERT_EQ(conn->SetOption(2, translate.data()), 0);
        ConnectUp(*conn, c);
        const int n = gate.Connections();
        ASSERT_TRUE(gate.SendData(n, FromHex(k.first)));
        ASSERT_TRUE(gate.SendData(n, FromHex(k.second)));
        ASSERT_TRUE(Until([&] { return c.Count("receive 0") == k.announced; }));
        std::string text;
        EXPECT_EQ(conn->Receive(text), 0);
        EXPECT_EQ(HexOf(text), "31 41 58 59 5A 41 42 43");
        EXPECT_TRUE(gate.WaitFor([&] { return DataTo(n) == k.answers; }))
            << ::testing::PrintToString(DataTo(n));

        // Nothing is left: the three forms of receiving on an empty queue.
        text = "kept";
        EXPECT_EQ(conn->Receive(text), BRX_NOT_IMPLEMENTED);
        EXPECT_EQ(text, "kept");
        char* data = nullptr;
        int length = -1;
        EXPECT_EQ(conn->Receive(&data, &length), BRX_NO_DATA);
        CMessage m;
        EXPECT_EQ(conn->Receive(m), 0);
        EXPECT_EQ(m.GetLength(), 0);
        EXPECT_EQ(conn->Disconnect(), 0);
    }
}

// "9G" makes kind-4 messages break into lines of 80 columns, "9H" of 64 again.
TEST_F(ZelReceiveTest, LineWidthSetByTheHost) {
    Creator c;
    auto conn = ModuleConnection(c);
    ASSERT_TRUE(conn);
    ConnectUp(*conn, c);
    std::string body = "F9 F1";
    for (int i = 0; i < 100; ++i) body += " E7";
    body += " 4E";
    struct Case {
        const char* setting;
        std::size_t breakAt;
    };
    for (const Case& k : {Case{"F9 C7 4E", 82}, Case{"F9 C8 4E", 66}}) {
        SCOPED_TRACE(k.setting);
        for (const std::string& m : {std::string(k.setting), body}) {
            const std::size_t before = c.Count("receive 0");
            ASSERT_TRUE(gate.SendData(1, FromHex(m)));
            ASSERT_TRUE(Until([&] { return c.Count("receive 0") == before + 1; }));
        }
        std::string setting, text;
        ASSERT_EQ(conn->Receive(setting), 0);
        ASSERT_EQ(conn->Receive(text), 0);
        ASSERT_GT(text.size(), k.breakAt + 2);
        EXPECT_EQ(text.substr(0, 2), "91");
        EXPECT_EQ(text.substr(k.breakAt, 2), "\r\n");
        EXPECT_EQ(text.find("\r\n", k.breakAt + 2), std::string::npos);
        EXPECT_EQ(text.size(), 2 + 100 + 2u);  // the end code left out, one line break in
    }
}

// Through the connection library: a text on an empty queue answers 1008.
// Through the connection library the creator is handed what its Receive gives: a message
// the gateway ended with 0x14 waits, and the next one completes it; nothing is handed on
// behind, and nothing stays queued.
TEST_F(ZelReceiveTest, AccumulatedTextReachesTheCreatorWhole) {
    Creator c;
    char translate[] = "TRUE";
    ASSERT_EQ(c.SetOption(2, translate), 0);
    ConnectUp(c);
    ASSERT_TRUE(gate.SendData(1, FromHex("F1 C1 E7 E8 E9 6D")));
    ASSERT_TRUE(gate.SendData(1, FromHex("00 00 C1 C2 C3 4E")));
    ASSERT_TRUE(Until([&] { return !c.received.empty(); }));
    ASSERT_TRUE(gate.SendData(1, FromHex("E3 E2 C8 C9 4E")));
    ASSERT_TRUE(Until([&] { return c.received.size() >= 2; }));
    EXPECT_EQ(support::ToHex(c.received[0]), "31 41 58 59 5A 41 42 43");
    EXPECT_EQ(support::ToHex(c.received[1]), "54 53 48 49");
    EXPECT_EQ(c.Count("receive 0"), 2u);
    std::string text;
    EXPECT_EQ(c.Receive(text), BRX_NOT_IMPLEMENTED);
}

TEST_F(ZelReceiveTest, NothingQueued) {
    Creator c;
    ConnectUp(c);
    std::string text;
    EXPECT_EQ(c.Receive(text), BRX_NOT_IMPLEMENTED);
    EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace zel::test
