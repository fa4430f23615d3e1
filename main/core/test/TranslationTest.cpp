#include "core/Translation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Hex.h"

namespace {

using core::CHostLengthScanner;
using support::FromHex;
using support::ToHex;

std::vector<std::uint8_t> ToAscii(const std::vector<std::uint8_t>& in, bool bPassThrough = false,
                                  bool bPlatform = false) {
    CHostLengthScanner scanner(bPassThrough, bPlatform);
    const std::size_t length = scanner.EbcdicToAsciiLength(in);
    std::vector<std::uint8_t> out(length + 1);
    const std::size_t written = scanner.TranslateEbcdicToAscii(in, out);
    EXPECT_TRUE(written == length || written == length + 1) << written << " vs " << length;
    out.resize(written);
    return out;
}

std::vector<std::uint8_t> ToEbcdic(const std::vector<std::uint8_t>& in, bool bPassThrough,
                                   std::size_t* pDropped = nullptr) {
    CHostLengthScanner scanner(bPassThrough, false);
    const std::size_t length = scanner.AsciiToEbcdicLength(in);
    std::vector<std::uint8_t> out(length);
    std::size_t dropped = 0;
    const std::size_t written = scanner.TranslateAsciiToEbcdic(in, out, dropped);
    EXPECT_EQ(written, length);
    if (pDropped) *pDropped = dropped;
    return out;
}

// Raw translator output: C1 C2, the text, and the end-of-message byte.
TEST(HostLengthScannerTest, EbcdicToAsciiCases) {
    struct Case {
        const char* name;
        const char* ebcdic;
        bool bPlatform;
        std::string ascii;
    };
    const Case cases[] = {
        {"letters", "C1 C2 C1 C2 C3 4E", false,
         "AB"
         "ABC\x15"},
        {"digits and signs", "C1 C1 F1 F0 4B 6B 60 61 40 4E", false,
         "AA"
         "10.,-/ \x15"},
        {"shift gives small letter", "C1 C1 5D C1 4E", false, "AAa\x15"},
        {"shift shift is a parenthesis", "C1 C1 5D 5D 4E", false, "AA)\x15"},
        {"shift blank A is four blanks", "C1 C1 5D 40 C1 4E", false, "AA    \x15"},
        {"shift blank Z is 29 blanks", "C1 C1 5D 40 E9 4E", false,
         "AA" + std::string(29, ' ') + "\x15"},
        {"shift blank digit is one blank", "C1 C1 5D 40 F1 4E", false, "AA \x15"},
        {"no character is passed over", "C1 C1 5D 00 C2 4E", false, "AAb\x15"},
        {"platform parentheses", "C1 C1 50 5D C1 4E", true,
         "AA(\x29"
         "A\x15"},
        {"no end of message keeps the last character", "C1 C1 C1 C2", false, "AAAB\x15"},
        {"end of message I", "C1 C1 C1 6D", false, "AAA\x14"},
        {"shift before inner end stops, text kept", "C1 C1 C1 5D 4E C2 4E", false, "AAA\x15"},
        {"shift blank before inner end stops", "C1 C1 C1 5D 40 5F C2 4E", false, "AAA\x15"},
        {"shift before inner I keeps it", "C1 C1 C1 5D 6D C2", false, "AAA\x14"},
    };
    for (const Case& c : cases) {
        const auto out = ToAscii(FromHex(c.ebcdic), false, c.bPlatform);
        EXPECT_EQ(std::string(out.begin(), out.end()), c.ascii) << c.name;
    }
}

TEST(HostLengthScannerTest, EveryMessageStartsInTheNormalShiftState) {
    CHostLengthScanner scanner(false, false);
    std::vector<std::uint8_t> out(16);
    // Stops right after a shift byte, leaving the walk in the shift state.
    const auto first = FromHex("C1 C1 5D 6D C1");
    ASSERT_GT(scanner.TranslateEbcdicToAscii(first, out), 0u);
    ASSERT_EQ(scanner.DLEState(), 1);
    const auto second = FromHex("C1 C1 C1 4E");
    const std::size_t n = scanner.TranslateEbcdicToAscii(second, out);
    EXPECT_EQ(ToHex(std::span(out.data(), n)), "41 41 41 15");
    // The length scan and the translation agree even when the scan ended shifted.
    EXPECT_EQ(scanner.EbcdicToAsciiLength(first), 3u);
    EXPECT_EQ(scanner.TranslateEbcdicToAscii(second, out), scanner.EbcdicToAsciiLength(second));
}

TEST(HostLengthScannerTest, WritesStayInsideTheOutput) {
    CHostLengthScanner scanner(false, false);
    const auto blanks = FromHex("C1 C1 5D 40 E9 5D 40 E9 4E");
    for (std::size_t capacity : {0u, 1u, 2u, 3u, 10u, 31u, 59u}) {
        std::vector<std::uint8_t> out(capacity);
        EXPECT_LE(scanner.TranslateEbcdicToAscii(blanks, out), capacity);
    }
    std::vector<std::uint8_t> one(1);
    EXPECT_EQ(scanner.TranslateEbcdicToAscii(FromHex("C1"), one), 0u);
    EXPECT_EQ(scanner.EbcdicToAsciiLength(FromHex("C1")), 0u);
    std::size_t dropped = 0;
    std::vector<std::uint8_t> small(2);
    EXPECT_EQ(scanner.TranslateAsciiToEbcdic(support::Bytes("abc"), small, dropped), 2u);
}

TEST(HostLengthScannerTest, LongMessagesDoNotWrap) {
    const std::size_t n = 70'000;
    std::vector<std::uint8_t> ebcdic(n + 3, 0xC1);
    ebcdic.back() = 0x4E;
    const auto ascii = ToAscii(ebcdic);
    ASSERT_EQ(ascii.size(), n + 3);
    EXPECT_EQ(ascii[n + 1], 'A');
    EXPECT_EQ(ascii.back(), 0x15);

    const std::vector<std::uint8_t> text(n, 'a');
    const auto back = ToEbcdic(text, false);
    ASSERT_EQ(back.size(), 2 * n + 1);
    EXPECT_EQ(back[2 * n - 2], 0x5D);
    EXPECT_EQ(back[2 * n - 1], 0xC1);
    EXPECT_EQ(back.back(), 0x4E);
}

TEST(HostLengthScannerTest, AsciiToEbcdicCases) {
    struct Case {
        const char* name;
        std::string ascii;
        bool bPassThrough;
        const char* ebcdic;
        std::size_t dropped;
    };
    const Case cases[] = {
        {"small letter is shifted", "a", false, "5D C1 4E", 0},
        {"pass-through never shifts", "a", true, "C1 4E", 0},
        {"acknowledgement", "CA20\x15", false, "C3 C1 F2 F0 4E", 0},
        {"acknowledgement without a TSN",
         "C\x01"
         "20\x15",
         false, "C3 7C F2 F0 4E", 0},
        {"trailing I is the end", "AB\x14", false, "C1 C2 6D", 0},
        {"trailing C is replaced", "AB\x15", false, "C1 C2 4E", 0},
        {"PB goes out as 5B", "A\x17", false, "C1 5B 4E", 0},
        {"shifted signs", "(#)", false, "5D 72 5D 7D 5D 5D 4E", 0},
        {"unmapped byte is dropped, rest goes out",
         "A\x02"
         "B\x7F"
         "C",
         false, "C1 C2 C3 4E", 2},
        {"only unmapped bytes", "\x02", false, "4E", 1},
        {"empty text", "", false, "", 0},
    };
    for (const Case& c : cases) {
        std::size_t dropped = 99;
        const auto out = ToEbcdic(std::vector<std::uint8_t>(c.ascii.begin(), c.ascii.end()),
                                  c.bPassThrough, &dropped);
        EXPECT_EQ(ToHex(out), c.ebcdic) << c.name;
        EXPECT_EQ(dropped, c.dropped) << c.name;
    }
}

TEST(TranslationHelpersTest, LettersAndEndOfMessageNames) {
    const std::pair<std::uint8_t, std::uint8_t> letters[] = {
        {0xC1, 'A'}, {0xC9, 'I'},  {0xD1, 'J'},  {0xD9, 'R'},  {0xE2, 'S'},
        {0xE9, 'Z'}, {0xCA, 0x01}, {0x81, 0x01}, {0x7C, 0x01}, {0xE1, 0x01}};
    for (const auto& [ebcdic, ascii] : letters) {
        EXPECT_EQ(core::EbcdicLetterToAscii(ebcdic), ascii) << int(ebcdic);
    }
    EXPECT_EQ(core::GetEOMText(0x4E, 1), "C");
    EXPECT_EQ(core::GetEOMText(0x5F, 1), "U");
    EXPECT_EQ(core::GetEOMText(0x6D, 1), "I");
    EXPECT_EQ(core::GetEOMText(0x7E, 1), "PB");
    EXPECT_EQ(core::GetEOMText(0x15, 1), "?");
    EXPECT_EQ(core::GetEOMText(0x14, 0), "I");
    EXPECT_EQ(core::GetEOMText(0x15, 2), "C");
    EXPECT_EQ(core::GetEOMText(0x16, 0), "U");
    EXPECT_EQ(core::GetEOMText(0x17, 0), "PB");
    EXPECT_EQ(core::GetEOMText(0x4E, 0), "?");
}

}  // namespace
