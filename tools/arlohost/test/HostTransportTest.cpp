// The host's side of the binary transport against hand-made workstation packets.
#include <gtest/gtest.h>

#include "arlohost/HostTransport.h"
#include "support/Hex.h"

namespace arlohost::test {
namespace {

using support::FromHex;
using support::ToHex;

std::vector<std::string> Hex(const std::vector<Packet>& packets) {
    std::vector<std::string> out;
    for (const auto& p : packets) out.push_back(ToHex(p));
    return out;
}

TEST(HostTransportTest, ReceivesWindowsAndSendsInThem) {
    HostTransport t;
    EXPECT_EQ(Hex(t.OnPacket(FromHex("FF 50 00 01 00 03 02 51 00 00 00 41"))),
              std::vector<std::string>{"FC 50 00 02 00 03 02 51 00 00 00"});
    EXPECT_TRUE(t.OnPacket(FromHex("FF 50 00 02 00 03 02 51 00 00 00 42")).empty());
    EXPECT_EQ(Hex(t.OnPacket(FromHex("FF 50 00 03 00 03 02 51 00 00 00 43"))),
              std::vector<std::string>{"FC 50 00 00 00 03 02 51 00 00 00"});
    const auto delivered = t.TakeDelivered();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(ToHex(delivered[0]), "41 42 43");
    // The last segment again: its final acknowledgement went astray.
    EXPECT_EQ(Hex(t.OnPacket(FromHex("FF 50 00 03 00 03 02 51 00 00 00 43"))),
              std::vector<std::string>{"FC 50 00 00 00 03 02 51 00 00 00"});
    EXPECT_TRUE(t.TakeDelivered().empty());

    std::vector<Packet> out;
    const std::vector<std::uint8_t> message(2025, 0x5A);
    ASSERT_TRUE(t.Send(message, 2, {0x50, 0x51}, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(ToHex(out[0]).substr(0, 32), "FE 50 00 01 00 03 02 51 00 00 00");
    const auto window = t.OnPacket(FromHex("FD 50 00 02 00 03 02 51 00 00 00"));
    ASSERT_EQ(window.size(), 2u);
    EXPECT_EQ(window[1].size(), 16u);
    // Segment 3 lost: asked for again.
    EXPECT_EQ(t.OnPacket(FromHex("FD 50 00 03 00 03 02 51 00 00 00")).size(), 1u);
    EXPECT_TRUE(t.OnPacket(FromHex("FD 50 00 00 00 03 02 51 00 00 00")).empty());
    EXPECT_EQ(t.Acknowledged(), 1);
    EXPECT_FALSE(t.Sending());
    (void)t.OnPacket(FromHex("FD 50 00 00 00 00 00 51 00 00 00"));
    EXPECT_EQ(t.Terminations(), 1);
    EXPECT_TRUE(t.Problems().empty());
}

}  // namespace
}  // namespace arlohost::test
