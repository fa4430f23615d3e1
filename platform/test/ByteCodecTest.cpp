#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

using platform::ByteReader;
using platform::ByteWriter;

TEST(ByteCodec, RoundTripsBothByteOrders) {
    std::vector<std::uint8_t> buf;
    ByteWriter w(buf);
    ASSERT_TRUE(w.u8(0xAB) && w.u16be(0x1234) && w.u16le(0x1234) && w.u32be(0xDEADBEEF) &&
                w.u32le(0xDEADBEEF));
    const std::vector<std::uint8_t> expected = {0xAB, 0x12, 0x34, 0x34, 0x12, 0xDE, 0xAD,
                                                0xBE, 0xEF, 0xEF, 0xBE, 0xAD, 0xDE};
    EXPECT_EQ(buf, expected);

    ByteReader r(buf);
    std::uint8_t b = 0;
    std::uint16_t s1 = 0, s2 = 0;
    std::uint32_t l1 = 0, l2 = 0;
    ASSERT_TRUE(r.u8(b) && r.u16be(s1) && r.u16le(s2) && r.u32be(l1) && r.u32le(l2));
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(s1, 0x1234);
    EXPECT_EQ(s2, 0x1234);
    EXPECT_EQ(l1, 0xDEADBEEFu);
    EXPECT_EQ(l2, 0xDEADBEEFu);
    EXPECT_TRUE(r.empty());
    EXPECT_TRUE(r.ok());
}

TEST(ByteCodec, ReadPastEndFailsWithoutMovingAndStaysFailed) {
    const std::array<std::uint8_t, 3> data = {1, 2, 3};
    ByteReader r(data);
    std::uint16_t s = 0;
    ASSERT_TRUE(r.u16be(s));
    std::uint32_t l = 0;
    EXPECT_FALSE(r.u32be(l));
    EXPECT_EQ(r.position(), 2u);
    EXPECT_FALSE(r.ok());
    std::uint8_t b = 0;
    EXPECT_FALSE(r.u8(b));  // sticky: the byte is there, but the parse already failed
    std::span<const std::uint8_t> view;
    ByteReader r2(data);
    EXPECT_FALSE(r2.bytes(SIZE_MAX, view));
    EXPECT_FALSE(r2.skip(4));
}

TEST(ByteCodec, BoundedWriterRefusesOverflowAndPatchesInRange) {
    std::vector<std::uint8_t> buf;
    ByteWriter w(buf, 4);
    ASSERT_TRUE(w.u16be(0));
    ASSERT_TRUE(w.u8(7));
    EXPECT_FALSE(w.u16be(0xFFFF));
    EXPECT_EQ(buf.size(), 3u);
    EXPECT_FALSE(w.ok());

    std::vector<std::uint8_t> buf2;
    ByteWriter w2(buf2);
    ASSERT_TRUE(w2.u16be(0) && w2.u8(9));
    EXPECT_TRUE(w2.patch16be(0, 0x0102));
    EXPECT_FALSE(w2.patch16be(2, 0x0304));
    EXPECT_EQ(buf2, (std::vector<std::uint8_t>{1, 2, 9}));
}
