#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brxconn/CLniata.h"

namespace {

// Text in either case to octets and parts, and back in capitals.
TEST(CLniata, TextOctetsAndParts) {
    struct Case {
        const char* text;
        long number;
        int ln, ia, ta;
        const char* back;
    };
    const Case cases[] = {
        {"000000", 0x000000, 0x000, 0x0, 0x00, "000000"},
        {"0a1b2c", 0x0A1B2C, 0x0A1, 0xB, 0x2C, "0A1B2C"},
        {"FfFfFf", 0xFFFFFF, 0xFFF, 0xF, 0xFF, "FFFFFF"},
        {"123456", 0x123456, 0x123, 0x4, 0x56, "123456"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CLniata fromText(c.text);
        EXPECT_EQ(fromText.GetLnIaTa(), c.number);
        EXPECT_EQ(fromText.GetOctet1(), (c.number >> 16) & 0xFF);
        EXPECT_EQ(fromText.GetOctet2(), (c.number >> 8) & 0xFF);
        EXPECT_EQ(fromText.GetOctet3(), c.number & 0xFF);
        EXPECT_EQ(fromText.GetLn(), c.ln);
        EXPECT_EQ(fromText.GetIa(), c.ia);
        EXPECT_EQ(fromText.GetTa(), c.ta);
        EXPECT_EQ(fromText.GetString(), c.back);

        CLniata fromParts;
        fromParts.SetLn(c.ln);
        fromParts.SetIa(c.ia);
        fromParts.SetTa(c.ta);
        EXPECT_EQ(fromParts, fromText);
        EXPECT_EQ(CLniata(c.number), fromText);
    }
}

// Anything but six hexadecimal characters is refused and leaves the value as it was.
TEST(CLniata, BadTextChangesNothing) {
    for (const std::string& bad :
         std::vector<std::string>{"", "12345", "1234567", "12345G", " 12345",
                                  std::string("12\0"
                                              "456",
                                              6)}) {
        CLniata value("ABCDEF");
        EXPECT_FALSE(value.SetString(bad)) << bad;
        EXPECT_EQ(value.GetString(), "ABCDEF");
        EXPECT_EQ(CLniata(bad).GetLnIaTa(), 0);
    }
    EXPECT_EQ(CLniata(static_cast<const char*>(nullptr)).GetLnIaTa(), 0);
    // A number wider than three octets keeps its low 24 bits.
    EXPECT_EQ(CLniata(0x7F123456L).GetString(), "123456");
}

}  // namespace
