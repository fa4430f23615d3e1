// Binary mode over a ZEL route: the transport's segments and acknowledgements inside the
// gateway's data frames, with the simulator's faults.
#include "ZelFixture.h"

namespace zel::test {
namespace {

class ZelBinaryTest : public ZelFixture {
protected:
    ZelBinaryTest() {
        Set("Use Heart Beat Timer", 0);
        Set("VXTTimeOut", 2);
        m_step = 20;
    }
};

// Lost, repeated and reordered segments and acknowledgements within the transport's limits:
// every message arrives once, in order, both ways.
TEST_F(ZelBinaryTest, EveryMessageOnceDespiteFaults) {
    Set("VXTWindowSize", 3);
    struct Case {
        const char* name;
        zelgate::GatewaySettings settings;
    };
    auto make = [](auto change) {
        zelgate::GatewaySettings s;
        change(s.faults);
        return s;
    };
    zelgate::GatewaySettings split;
    split.splitAt = 20;
    const std::vector<Case> cases = {
        {"gateway segment lost", make([](auto& f) {
             f.dropOut = {2, 5};
         })},
        {"gateway segment duplicated", make([](auto& f) {
             f.duplicateOut = {1, 3, 6};
         })},
        {"gateway segments reordered", make([](auto& f) {
             f.reorderOut = {2, 6};
         })},
        {"workstation segment lost", make([](auto& f) {
             f.dropIn = {1, 3, 7};
         })},
        {"acknowledgements lost", make([](auto& f) {
             f.dropAck = {1, 2, 5};
         })},
        {"frames split in the header", split},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        zelgate::ZelGate g;
        ASSERT_TRUE(g.Start());
        Set("ZEL Port", g.Port());
        g.SetSettings(k.settings);
        Creator c;
        ConnectUp(c);
        BinaryOn(c);
        ExchangeEachWay(c, g);
        EXPECT_TRUE(g.Problems().empty()) << ::testing::PrintToString(g.Problems());
        EXPECT_EQ(c.Disconnect(), 0);
    }
}

// A text from the gateway ends binary mode: it comes with 1039, translated.
TEST_F(ZelBinaryTest, TextEndsBinaryMode) {
    Creator c;
    ConnectUp(c);
    BinaryOn(c);
    ASSERT_TRUE(gate.SendData(1, support::FromHex("E3 E2 C8 C9 4E")));
    ASSERT_TRUE(Until([&] { return c.Has("receive 1039"); }));
    ASSERT_FALSE(c.received.empty());
    // Handed on as a text (accumulated, as by default: without its last byte).
    EXPECT_EQ(std::string(c.received.back().begin(), c.received.back().end()), "TSHI");
    // Text mode again: "ABC" goes out in the gateway's code.
    std::string abc = "ABC";
    ASSERT_EQ(c.Send(abc), 0);
    ASSERT_TRUE(Until([&] {
        const auto data = gate.Frames(0);
        return !data.empty() && support::ToHex(data.back().data) == "C1 C2 C3 4E";
    }));
}

}  // namespace
}  // namespace zel::test
