#include "linkpacket/LinkPacketHeader.h"

#include <gtest/gtest.h>

#include "support/Hex.h"

namespace linkpacket {
namespace {

using support::FromHex;
using support::ToHex;

TEST(LinkPacketHeader, EncodesLittleEndianAndDecodesBack) {
    const LinkPacketHeader header = MakeHeader(PacketKind::Request, 524, 0x1001);
    const auto bytes = Encode(header);
    EXPECT_EQ(ToHex(bytes), "E9 03 4D 0C 02 00 00 01 10 00 00");
    EXPECT_EQ(Decode(bytes), header);
    EXPECT_EQ(ToHex(Encode(MakeHeader(PacketKind::Icon, 271))), "E9 03 49 0F 01 00 00 00 00 00 00");

    std::uint8_t shortBuffer[10] = {};
    EXPECT_FALSE(EncodeTo(header, shortBuffer));
    EXPECT_FALSE(Decode(FromHex("E9 03 41 0B 00 00 00 01 00 00")).has_value());
}

TEST(LinkPacketHeader, AnswerCountsOnlyWithMagicKindAndLength) {
    struct Case {
        const char* bytes;
        std::int32_t result;
    };
    const Case cases[] = {
        {"E9 03 41 0B 00 00 00 01 00 00 00", 1},        // OK pressed
        {"E9 03 41 00 04 00 00 07 00 00 00", 7},        // length 1,024 still counts
        {"E9 03 41 01 04 00 00 01 00 00 00", 2},        // 1,025 does not
        {"E8 03 41 0B 00 00 00 01 00 00 00", 2},        // magic 1000
        {"E9 03 4D 0B 00 00 00 01 00 00 00", 2},        // kind 'M'
        {"E9 03 41 0B 00 00 00 FF FF FF FF", -1},       // the code as the peer gave it
        {"E9 03 41 0B 00 00 00 03 00 00 00 99 99", 3},  // trailing bytes are not read
    };
    for (const Case& c : cases) {
        const auto header = Decode(FromHex(c.bytes));
        ASSERT_TRUE(header.has_value()) << c.bytes;
        EXPECT_EQ(AnswerResult(*header), c.result) << c.bytes;
    }
}

}  // namespace
}  // namespace linkpacket
