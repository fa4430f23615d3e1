// The receive side of a connection: what each data frame becomes and how the queue is
// handed out.
#include <gtest/gtest.h>

#include "brxconn/CMessage.h"
#include "support/Hex.h"
#include "zel/ZelReceiver.h"

namespace zel {
namespace {

using support::FromHex;
using support::ToHex;

// A frame's data: the receiver's own terminal address, then the bytes.
std::vector<std::uint8_t> Data(const std::string& hex) {
    return FromHex("01 23 45 " + hex);
}

class ReceiverTest : public ::testing::Test {
protected:
    ReceiverTest() { rx.lniata = CLniata("012345"); }
    CZelReceiver::Outcome Feed(const std::string& hex) { return rx.Process(Data(hex), vors); }
    std::string Text() {
        std::string t;
        EXPECT_EQ(rx.ReceiveText(t), 0);
        return t;
    }

    CZelReceiver rx;
    VorsSettings vors;
};

TEST_F(ReceiverTest, PrinterAnswerAndDeviceKinds) {
    // "A", "B" or "C" first on a terminal: answered, never queued.
    for (const char* c1 : {"C1", "C2", "C3"}) {
        const auto out = Feed(std::string(c1) + " 40 C1 4E");
        EXPECT_EQ(out.printerAnswer, 0);
        EXPECT_FALSE(out.announce);
    }
    EXPECT_EQ(rx.Queued(), 0u);
    // On a printer it is queued and announced.
    rx.deviceKind = DEVICE_PRINTER;
    const auto out = Feed("C1 40 C1 4E");
    EXPECT_EQ(out.printerAnswer, -1);
    EXPECT_TRUE(out.announce);
    EXPECT_EQ(Text(), "A A\x15");
}

TEST_F(ReceiverTest, CompletenessAndAnswers) {
    struct Case {
        const char* hex;
        bool announce;
        int answer;
    };
    for (const Case& k : std::vector<Case>{
             {"E3 E2 C1 4E", true, -1},
             {"E3 E2 C1 5F", true, 1},   // 0x16 on a terminal
             {"E3 E2 C1 6D", false, 1},  // 0x14: waits for the rest
         }) {
        CZelReceiver r;
        r.lniata = CLniata("012345");
        const auto out = r.Process(Data(k.hex), vors);
        EXPECT_EQ(out.announce, k.announce) << k.hex;
        EXPECT_EQ(out.printerAnswer, k.answer) << k.hex;
        EXPECT_EQ(r.Queued(), 1u);
    }
    // Another terminal address is taken over; a short frame is dropped.
    auto moved = rx.Process(FromHex("1A 2B 01 E3 E2 C1 4E"), vors);
    EXPECT_TRUE(moved.newLniata);
    EXPECT_EQ(rx.lniata.GetString(), "1A2B01");
    EXPECT_TRUE(rx.Process(FromHex("1A 2B 01 E3"), vors).dropped);
}

TEST_F(ReceiverTest, AccumulatedText) {
    // Already in ASCII (translation off) to give the queue exact bytes; accumulate stays on.
    rx.translate = false;
    (void)Feed("31 41 58 59 5A 2E");
    (void)Feed("00 00 41 42 43 15");
    const std::string t = Text();
    EXPECT_EQ(ToHex(std::vector<std::uint8_t>(t.begin(), t.end())), "31 41 58 59 5A 41 42 43");
    EXPECT_EQ(rx.Queued(), 0u);
}

TEST_F(ReceiverTest, LineWidthOfKind4) {
    // "9G" sets 80 columns; a kind-4 message then breaks after 80.
    (void)Feed("F9 C7 4E");
    (void)Text();
    EXPECT_EQ(rx.lineWidth, 80);
    std::string body = "F9 F1";
    for (int i = 0; i < 100; ++i) body += " E7";
    (void)Feed(body + " 4E");
    std::string t = Text();
    ASSERT_GT(t.size(), 84u);
    EXPECT_EQ(t.substr(82, 2), "\r\n");
    EXPECT_EQ(t.find("\r\n", 84), std::string::npos);
    (void)Feed("F9 C8 4E");
    (void)Text();
    EXPECT_EQ(rx.lineWidth, 64);
    (void)Feed(body + " 4E");
    t = Text();
    EXPECT_EQ(t.size(), 104u);  // "91", 64 columns, CR LF, the other 36 (not the end code)
    EXPECT_EQ(t.substr(66, 2), "\r\n");
    EXPECT_EQ(t.find("\r\n", 68), std::string::npos);
}

TEST_F(ReceiverTest, LayoutInPlace) {
    struct Case {
        const char* in;
        int deviceKind;
        std::size_t n;
        const char* out;
    };
    for (const Case& k : std::vector<Case>{
             {"00 0D 41", 1, 3, "1F 1E 41"},
             {"41 42 43 00 0A 87 44 15", 1, 3, "41 42 43 D8 44 15"},
             {"41 42 43 15", 2, 2, "41 42 43 15"},
             {"41 42 15", 1, 3, "41 42 15"},
             {"41 42", 1, 0, "41 42"},
         }) {
        auto m = FromHex(k.in);
        EXPECT_EQ(ReceiveLayout(m, k.deviceKind, 0, 64), k.n) << k.in;
        EXPECT_EQ(ToHex(m), k.out) << k.in;
    }
}

TEST_F(ReceiverTest, ReceiveFormsOnAnEmptyQueue) {
    std::string text = "kept";
    EXPECT_EQ(rx.ReceiveText(text), BRX_NOT_IMPLEMENTED);
    EXPECT_EQ(text, "kept");
    char* data = nullptr;
    int length = 0;
    EXPECT_EQ(rx.ReceiveBlock(&data, &length), BRX_NO_DATA);
    CMessage m;
    EXPECT_EQ(rx.ReceiveMessage(m), 0);
    EXPECT_EQ(m.GetLength(), 0);
    (void)Feed("E3 E2 C1 4E");
    EXPECT_EQ(rx.ReceiveBlock(&data, &length), 0);
    EXPECT_EQ(std::string(data, static_cast<std::size_t>(length)), "TSA\x15");
}

TEST_F(ReceiverTest, Options) {
    char value[8] = {};
    EXPECT_EQ(rx.SetOption(1, "true"), BRX_INVALID_OPTION);  // exactly upper case
    EXPECT_EQ(rx.SetOption(1, "FALSE"), 0);
    EXPECT_EQ(rx.GetOption(1, value), 0);
    EXPECT_STREQ(value, "FALSE");
    EXPECT_EQ(rx.SetOption(3, reinterpret_cast<const char*>(std::intptr_t{2})), 0);
    EXPECT_EQ(rx.GetOption(3, value), 0);
    EXPECT_EQ(value[0], 2);
    EXPECT_EQ(rx.SetOption(3, reinterpret_cast<const char*>(std::intptr_t{5})), BRX_INVALID_OPTION);
    EXPECT_EQ(rx.SetOption(4, "true"), 0);
    EXPECT_FALSE(rx.translate);
    EXPECT_FALSE(rx.accumulate);
    EXPECT_EQ(rx.SetOption(2, "TRUE"), BRX_INVALID_OPTION);  // not in binary mode
    EXPECT_EQ(rx.SetOption(4, "False"), 0);
    EXPECT_TRUE(rx.translate);
    EXPECT_EQ(rx.GetOption(2, value), 0);
    EXPECT_EQ(value[0], 1);
    EXPECT_EQ(rx.SetOption(9, "TRUE"), BRX_INVALID_OPTION);

    // Binary mode: a text ends it (1039); a transport packet outside it is dropped.
    rx.binary = true;
    rx.translate = rx.accumulate = false;
    EXPECT_TRUE(Feed("FE 50 00 01").announce);
    const auto text = Feed("E3 E2 C1 4E");
    EXPECT_EQ(text.code, 1039);
    EXPECT_FALSE(rx.binary);
    EXPECT_TRUE(Feed("FC 50 00 01").dropped);
}

}  // namespace
}  // namespace zel
