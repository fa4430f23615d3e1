// Binary mode over an ARLO route: segments, windows and acknowledgements through the
// connection library, with the simulator's fault knobs.
#include <random>

#include "ArloFixture.h"

namespace arlo::test {
namespace {

using support::FromHex;
using support::RandomBytes;
using support::SendBlock;
using support::ToHex;

class ArloBinaryTest : public ArloFixture {
protected:
    // The transport packets the workstation sent (after each data packet's 12 header bytes).
    std::vector<std::string> TransportOut() const {
        std::vector<std::string> out;
        for (const auto& p : host.Packets())
            if (p.wire.size() > 12 && p.wire[4] == 0x02 &&
                (p.wire[12] == 0xFF || p.wire[12] == 0xFD))
                out.push_back(ToHex(std::vector<std::uint8_t>(p.wire.begin() + 12, p.wire.end())));
        return out;
    }
};

TEST_F(ArloBinaryTest, SegmentsWindowsAndText) {
    Set("VXTWindowSize", 2);
    Creator c;
    ConnectUp(c);
    BinaryOn(c);
    std::vector<std::uint8_t> hello{'H', 'E', 'L', 'L', 'O'};
    ASSERT_EQ(SendBlock(c, hello), 0);
    ASSERT_TRUE(Until([&] { return c.Has("send 0"); }));
    ASSERT_FALSE(TransportOut().empty());
    EXPECT_EQ(TransportOut()[0], "FF 50 00 01 00 01 01 51 00 00 00 48 45 4C 4C 4F");

    // 2,025 bytes in two windows: 1010, then 1010 and 5.
    const auto big = RandomBytes(2025, 1);
    ASSERT_EQ(SendBlock(c, big), 0);
    ASSERT_TRUE(Until([&] { return c.Count("send 0") == 2; }));
    ASSERT_EQ(host.Delivered().size(), 2u);
    EXPECT_EQ(host.Delivered()[1], big);
    const auto out = TransportOut();
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[1].substr(0, 32), "FF 50 00 01 00 03 02 51 00 00 00");
    EXPECT_EQ(out[2].substr(0, 32), "FF 50 00 02 00 03 02 51 00 00 00");
    EXPECT_EQ(out[3], "FF 50 00 03 00 03 02 51 00 00 00 " +
                          ToHex(std::vector<std::uint8_t>(big.end() - 5, big.end())));

    // Inbound: acknowledged window by window, finally with SEQ1 0.
    const auto in = RandomBytes(3000, 2);
    ASSERT_TRUE(host.SendBinary(1, in, 2, {0x50, 0x51}));
    ASSERT_TRUE(Until([&] { return !c.received.empty(); }));
    EXPECT_EQ(c.received[0], in);
    ASSERT_TRUE(Until([&] { return TransportOut().size() >= 6; }));
    const auto acks = TransportOut();
    ASSERT_EQ(acks.size(), 6u);
    EXPECT_EQ(acks[4], "FD 50 00 02 00 03 02 51 00 00 00");
    EXPECT_EQ(acks[5], "FD 50 00 00 00 03 02 51 00 00 00");

    // A text while a send waits for its acknowledgement ends binary mode.
    arlohost::Faults withheld;
    withheld.dropAck = {4};  // the acknowledgement of the next send
    host.SetFaults(withheld);
    ASSERT_TRUE(host.SendBody(1, arlohost::DataBody(2, FromHex("C8 C9 4E"))));
    ASSERT_EQ(SendBlock(c, hello), 0);
    ASSERT_TRUE(Until([&] { return c.Has("receive 1039"); }));
    EXPECT_TRUE(c.Has("send 1037")) << ::testing::PrintToString(c.events);
    EXPECT_EQ(std::string(c.received.back().begin(), c.received.back().end()), "HI");
    ASSERT_TRUE(Until([&] { return host.Terminations() == 1; }));
    EXPECT_EQ(TransportOut().back(), "FD 50 00 00 00 00 00 51 00 00 00");
    EXPECT_TRUE(host.Problems().empty());
}

}  // namespace
}  // namespace arlo::test

namespace arlo::test {
namespace {

// One table over the simulator's knobs: within the limits (the first segment three sends,
// a window four, three NACK repeats) every message arrives once, in order.
TEST_F(ArloBinaryTest, FaultsWithinTheLimits) {
    Set("VXTWindowSize", 3);
    struct Case {
        const char* name;
        arlohost::Faults faults;
    };
    auto make = [](auto change) {
        arlohost::Faults f;
        change(f);
        return f;
    };
    const std::vector<Case> cases = {
        {"host segment lost", make([](auto& f) {
             f.dropOut = {2, 5};
         })},
        {"host segment duplicated", make([](auto& f) {
             f.duplicateOut = {1, 3, 6};
         })},
        {"host segments reordered", make([](auto& f) {
             f.reorderOut = {2, 6};
         })},
        {"workstation segment lost", make([](auto& f) {
             f.dropIn = {1, 3, 7};
         })},
        {"acknowledgements lost", make([](auto& f) {
             f.dropAck = {1, 2, 5};
         })},
        {"acknowledgements spoiled", make([](auto& f) {
             f.spoilAck = {1, 2, 3, 6};
         })},
        {"packets split", make([](auto& f) { f.splitAt = 7; })},
        {"packets split in the header", make([](auto& f) { f.splitAt = 2; })},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        arlohost::ArloHost h;
        ASSERT_TRUE(h.Start());
        Set("Load Balancer IP Port", h.LoadBalancerPort());
        h.SetFaults(k.faults);
        Creator c;
        ConnectUp(c);
        BinaryOn(c);
        ExchangeEachWay(c, h);
        EXPECT_EQ(c.Count("send 0"), 3u) << ::testing::PrintToString(c.events);
        EXPECT_TRUE(h.Problems().empty()) << ::testing::PrintToString(h.Problems());
        EXPECT_EQ(c.Disconnect(), BRX_NO_CONNECT);
        ASSERT_TRUE(Until([&] { return c.Has("disconnect 0"); }));
    }
}

// Beyond the limits the sender is told 1001 and nothing partial or repeated is delivered.
TEST_F(ArloBinaryTest, FaultsBeyondTheLimits) {
    arlohost::Faults silent;
    silent.dropAck = {1, 2, 3, 4, 5, 6};
    host.SetFaults(silent);
    Set("VXTWindowSize", 4);
    Creator c;
    ConnectUp(c);
    BinaryOn(c);
    ASSERT_EQ(SendBlock(c, RandomBytes(3000, 1)), 0);
    ASSERT_TRUE(Until([&] { return c.Has("send 1001"); }));
    EXPECT_TRUE(host.Delivered().empty());  // nothing partial

    // The host's segment 2 never arrives (each window of four from it loses it): three NACK
    // repeats, then 1001 to the receiver.
    Set("VXTWindowSize", 4);
    arlohost::Faults lost;
    for (int i = 2; i <= 40; i += 4) lost.dropOut.insert(i);
    host.SetFaults(lost);
    ASSERT_TRUE(host.SendBinary(1, RandomBytes(5000, 2), 4, {1, 2}));
    ASSERT_TRUE(Until([&] { return c.Has("receive 1001") || !c.received.empty(); }));
    EXPECT_TRUE(c.received.empty()) << ::testing::PrintToString(c.events) << c.received.size();
}

// A seeded soak: 1,000 messages both ways with random faults lose and repeat nothing.
TEST_F(ArloBinaryTest, SoakWithRandomFaults) {
    Set("VXTWindowSize", 2);
    std::mt19937 gen(25);
    arlohost::Faults f;
    f.retransmitMs = 100;
    m_step = 40;
    for (int i = 1; i <= 4000; ++i) {
        const unsigned r = gen() % 100;
        if (r < 3)
            f.dropOut.insert(i);
        else if (r < 5)
            f.duplicateOut.insert(i);
        else if (r < 7)
            f.dropIn.insert(i);
        else if (r < 9)
            f.dropAck.insert(i);
    }
    host.SetFaults(f);
    Creator c;
    ConnectUp(c);
    BinaryOn(c);
    std::vector<std::vector<std::uint8_t>> sent, came;
    for (unsigned i = 0; i < 500; ++i) {
        const auto out = RandomBytes(1 + gen() % 2500, 1000 + i);
        sent.push_back(out);
        ASSERT_EQ(SendBlock(c, out), 0);
        const auto in = RandomBytes(1 + gen() % 2500, 5000 + i);
        came.push_back(in);
        ASSERT_TRUE(Until([&] { return !host.IsSending(1); }));
        ASSERT_TRUE(host.SendBinary(1, in, 2, {0x50, 0x51}));
        ASSERT_TRUE(Until([&] { return c.received.size() == i + 1; }))
            << i << ::testing::PrintToString(c.events) << ::testing::PrintToString(host.Problems())
            << c.received.size() << " " << host.Delivered().size();
    }
    EXPECT_EQ(c.Count("send 0"), 500u);
    EXPECT_EQ(host.Delivered(), sent);
    EXPECT_EQ(c.received, came);
}

}  // namespace
}  // namespace arlo::test

namespace arlo::test {
namespace {

TEST_F(ArloBinaryTest, EchoedAtOnce) {
    host.SetEcho(true);
    Creator c;
    ConnectUp(c);
    BinaryOn(c);
    for (unsigned i = 0; i < 3; ++i) {
        const auto m = RandomBytes(100, 70 + i);
        ASSERT_EQ(SendBlock(c, m), 0);
        ASSERT_TRUE(Until([&] { return c.received.size() == i + 1; }))
            << i << ::testing::PrintToString(c.events);
        EXPECT_EQ(c.received.back(), m);
    }
}

}  // namespace
}  // namespace arlo::test
