#include <gtest/gtest.h>

#include <string>

#include "brxconn/CMessage.h"

namespace {

std::string Bytes(const CMessage& m) {
    std::string out;
    EXPECT_EQ(m.GetData(out), CMessage::MSG_OK);
    return out;
}

// Blocks added as text, as bytes and as masked user buffers read back as one sequence of
// the unmasked bytes, zeros included; every position maps into the right block.
TEST(CMessage, MaskedBlocksReadAsOneSequence) {
    CMessage m(4, 100);
    ASSERT_EQ(m.AddData(std::string("AB\0C", 4)), CMessage::MSG_OK);
    const unsigned char packet[] = {0xFE, 0x00, 0x05, 'x', 'y'};
    ASSERT_EQ(m.AddUserBuffer(packet, sizeof packet, 3), CMessage::MSG_OK);
    ASSERT_EQ(m.AddChar('Z'), CMessage::MSG_OK);
    EXPECT_EQ(m.GetBlockCount(), 3);
    EXPECT_EQ(m.GetLength(), 7);
    EXPECT_EQ(Bytes(m), std::string("AB\0CxyZ", 7));

    unsigned char c = 0;
    ASSERT_EQ(m.GetCharAt(4, &c), CMessage::MSG_OK);
    EXPECT_EQ(c, 'x');
    ASSERT_EQ(m.PutCharAt(5, 'Y'), CMessage::MSG_OK);
    unsigned char span[4] = {};
    ASSERT_EQ(m.GetDataAt(3, span, 4), CMessage::MSG_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(span), 4), "CxYZ");

    // Showing the mask again brings the header bytes back in place.
    ASSERT_EQ(m.MaskBlock(1, 0), CMessage::MSG_OK);
    EXPECT_EQ(Bytes(m), std::string("AB\0C\xFE\x00\x05xYZ", 10));
    ASSERT_EQ(m.MaskBlock(1, 4), CMessage::MSG_OK);
    EXPECT_EQ(Bytes(m), std::string("AB\0CYZ", 6));

    // A pointer across blocks joins them; inside one block it points into it.
    unsigned char* p = m.GetDataPtrAt(2, 3);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(p), 3), std::string("\0CY", 3));
    EXPECT_EQ(Bytes(m), std::string("AB\0CYZ", 6));
}

// Every position, length and size is checked before anything is read, written or grown.
TEST(CMessage, OutOfRangeChangesNothing) {
    CMessage m(0, 8);
    ASSERT_EQ(m.AddData("ABCD"), CMessage::MSG_OK);
    unsigned char buffer[16] = {};
    struct Case {
        const char* what;
        CMessage::Error got;
        CMessage::Error want;
    };
    const unsigned char five[5] = {1, 2, 3, 4, 5};
    const Case cases[] = {
        {"read past the end", m.GetDataAt(2, buffer, 3), CMessage::MSG_OUT_OF_RANGE},
        {"read from past the end", m.GetDataAt(5, buffer, 0), CMessage::MSG_OUT_OF_RANGE},
        {"read the whole", m.GetDataAt(0, buffer, 4), CMessage::MSG_OK},
        {"negative position", m.GetDataAt(-1, buffer, 1), CMessage::MSG_BAD_ARGUMENT},
        {"negative length", m.GetDataAt(0, buffer, -1), CMessage::MSG_BAD_ARGUMENT},
        {"null buffer", m.GetDataAt(0, nullptr, 1), CMessage::MSG_BAD_ARGUMENT},
        {"char past the end", m.GetCharAt(4, buffer), CMessage::MSG_OUT_OF_RANGE},
        {"put past the end", m.PutCharAt(4, 'x'), CMessage::MSG_OUT_OF_RANGE},
        {"beyond the maximum", m.AddData(five, 5), CMessage::MSG_TOO_LONG},
        {"user buffer beyond the maximum", m.AddUserBuffer(five, 5, 0), CMessage::MSG_TOO_LONG},
        {"mask longer than the buffer", m.AddUserBuffer(five, 2, 3), CMessage::MSG_OUT_OF_RANGE},
        {"mask of no block", m.MaskBlock(1, 0), CMessage::MSG_OUT_OF_RANGE},
        {"mask longer than its block", m.MaskBlock(0, 5), CMessage::MSG_OUT_OF_RANGE},
        {"up to the maximum", m.AddData(five, 4), CMessage::MSG_OK},
        {"one more", m.AddChar('x'), CMessage::MSG_TOO_LONG},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_EQ(Bytes(m), std::string("ABCD\x01\x02\x03\x04"));
    EXPECT_EQ(m.GetDataPtrAt(6, 3), nullptr);
    EXPECT_EQ(m.GetDataPtrAt(0, 0), nullptr);

    CMessage copy = m;
    m.Clear();
    EXPECT_EQ(m.GetLength(), 0);
    EXPECT_EQ(copy.GetLength(), 8);
}

}  // namespace
