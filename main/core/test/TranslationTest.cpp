#include "core/Translation.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// Every printable character toward the host and back: small letters and the signs of the
// second table go with a shift byte, and the eight characters the host has no byte for are
// left out.
TEST(HostLengthScannerTest, PrintableCharactersGoToTheHostAndBack) {
    std::vector<std::uint8_t> printable;
    for (int c = 0x20; c < 0x7F; ++c) printable.push_back(static_cast<std::uint8_t>(c));
    std::size_t dropped = 0;
    const auto wire = ToEbcdic(printable, false, &dropped);
    EXPECT_EQ(ToHex(wire),
              "40 5D 7A 5D 7D 7D 5D 6F 5D 4C 5D 72 5D 5D 5C 5D 5B 6B 60 4B 61 "  // !#$%&()*+,-./
              "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 7A 5D 4B 05 5D 4D 4C 6F 5D 7C "     // 0-9:;<=>?@
              "C1 C2 C3 C4 C5 C6 C7 C8 C9 D1 D2 D3 D4 D5 D6 D7 D8 D9 E2 E3 E4 E5 E6 "  // A-W
              "E7 E8 E9 5D 60 5D 05 5D 6B 4D "                                         // X-Z[\]^
              "5D C1 5D C2 5D C3 5D C4 5D C5 5D C6 5D C7 5D C8 5D C9 5D D1 5D D2 "     // a-k
              "5D D3 5D D4 5D D5 5D D6 5D D7 5D D8 5D D9 5D E2 5D E3 5D E4 5D E5 "     // l-v
              "5D E6 5D E7 5D E8 5D E9 4E");                                           // w-z
    EXPECT_EQ(dropped, 8u);  // " ' _ ` { | } ~

    std::vector<std::uint8_t> message = FromHex("C1 C1");
    message.insert(message.end(), wire.begin(), wire.end());
    const auto back = ToAscii(message);
    EXPECT_EQ(std::string(back.begin(), back.end()),
              "AA !#$%&()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^"
              "abcdefghijklmnopqrstuvwxyz\x15");
}

// What each host byte gives alone and right after a shift byte, one row per 16 bytes; ".." is
// no character at all.
TEST(HostLengthScannerTest, EveryHostByteAloneAndAfterAShift) {
    const char* const alone[16] = {
        ".. .. .. .. .. 3C .. .. .. .. .. .. .. .. .. ..",  // 00
        ".. .. .. .. .. 0D .. .. .. .. .. .. .. .. .. ..",  // 10
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 20
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 30
        "20 .. .. .. .. .. .. .. .. .. .. 2E 3E 5E 15 0D",  // 40
        "86 .. .. .. .. .. .. .. .. .. .. 23 2A .. .. 16",  // 50
        "2D 2F .. .. .. .. .. .. .. .. .. 2C .. 14 BB 3F",  // 60
        ".. .. 0D .. .. .. .. .. .. .. 3A .. 40 24 17 ..",  // 70
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 80
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 90
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // A0
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // B0
        ".. 41 42 43 44 45 46 47 48 49 .. .. .. .. .. ..",  // C0
        ".. 4A 4B 4C 4D 4E 4F 50 51 52 .. .. .. .. .. ..",  // D0
        ".. .. 53 54 55 56 57 58 59 5A .. .. .. .. .. ..",  // E0
        "30 31 32 33 34 35 36 37 38 39 .. .. .. .. .. ..",  // F0
    };
    const char* const shifted[16] = {
        ".. .. .. .. .. 5C .. .. .. .. .. .. .. .. .. ..",  // 00
        ".. .. .. .. .. 24 .. .. .. .. .. .. .. .. .. ..",  // 10
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 20
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 30
        ".. .. .. .. .. .. .. .. .. .. .. 3B 26 3D .. 24",  // 40
        "89 .. .. .. .. .. .. .. .. .. .. 2B 00 29 .. ..",  // 50
        "5B 88 .. .. .. .. .. .. .. .. .. 5D .. 14 00 25",  // 60
        ".. .. 28 .. .. .. .. .. .. .. 21 .. 40 23 17 ..",  // 70
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 80
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // 90
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // A0
        ".. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..",  // B0
        ".. 61 62 63 64 65 66 67 68 69 .. .. .. .. .. ..",  // C0
        ".. 6A 6B 6C 6D 6E 6F 70 71 72 .. .. .. .. .. ..",  // D0
        ".. .. 73 74 75 76 77 78 79 7A .. .. .. .. .. ..",  // E0
        "85 00 00 80 81 82 83 07 A7 84 .. .. .. .. .. ..",  // F0
    };
    // The one character a message of C1 C2, `lead` and an end of message gives.
    const auto one = [](std::vector<std::uint8_t> lead, bool bPlatform) {
        std::vector<std::uint8_t> message = FromHex("C1 C1");
        message.insert(message.end(), lead.begin(), lead.end());
        message.push_back(core::EBCDIC_EOM_C);
        auto out = ToAscii(message, false, bPlatform);
        out.erase(out.begin(), out.begin() + 2);
        if (!out.empty() && out.back() == core::ASCII_EOM_C) out.pop_back();
        EXPECT_LE(out.size(), 1u) << ToHex(lead);
        return out.empty() ? std::string("..") : ToHex(std::span(out.data(), 1));
    };
    for (int row = 0; row < 16; ++row) {
        std::string gotAlone, gotShifted, gotPlatform;
        for (int col = 0; col < 16; ++col) {
            const auto b = static_cast<std::uint8_t>(row * 16 + col);
            const char* sep = col ? " " : "";
            gotAlone += sep + one({b}, false);
            gotShifted += sep + one({core::EBCDIC_SHIFT, b}, false);
            gotPlatform += sep + one({b}, true);
        }
        EXPECT_EQ(gotAlone, alone[row]) << "row " << row;
        EXPECT_EQ(gotShifted, shifted[row]) << "row " << row;
        // Platform titles differ only in their parentheses, where the shift byte was.
        std::string platform = alone[row];
        if (row == 5) platform.replace(0, 2, "28").replace(39, 2, "29");
        EXPECT_EQ(gotPlatform, platform) << "row " << row;
    }
}

// Control and upper-half characters toward the host: the ones with a host byte, each before
// an "A" (so that none is taken for the end of the text).
TEST(HostLengthScannerTest, ControlAndUpperHalfCharactersToTheHost) {
    std::string got;
    for (int c = 0; c < 0x100; ++c) {
        if (c >= 0x20 && c < 0x7F) continue;
        const auto wire = ToEbcdic({static_cast<std::uint8_t>(c), 'A'}, false);
        ASSERT_GE(wire.size(), 2u);
        if (wire.size() == 2) continue;  // no host byte: only "A" and the end went
        char label[8];
        std::snprintf(label, sizeof label, "%s%02X:", got.empty() ? "" : " ", c);
        got += label + ToHex(std::span(wire.data(), wire.size() - 2));
    }
    EXPECT_EQ(got,
              "00:6C 01:7C 04:4F 07:5D F7 09:05 0A:72 0D:15 0F:0F 14:6D 15:4E 16:5F 17:5B "
              "18:4D 1E:4F 80:50 86:50 87:5B 88:5D 61 89:5D 50 9D:5B A4:7C A5:5B A7:4F AC:4F "
              "C8:40 C9:40 CA:40 CB:40 D8:5B E4:4F FB:5D F8 FE:6C FF:4F");
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
