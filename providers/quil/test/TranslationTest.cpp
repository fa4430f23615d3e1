// Client text to host code and back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quil/Translation.h"
#include "support/Hex.h"

using support::FromHex;
using support::ToHex;

namespace quil {
namespace {

std::vector<std::uint8_t> Text(std::string_view s) {
    return {s.begin(), s.end()};
}

TEST(TranslationTest, ClientToHost) {
    struct Case {
        std::vector<std::uint8_t> client;
        bool shift;
        const char* host;
    };
    const Case cases[] = {
        {Text("ab"), true, "5D C1 5D C2 4E"},
        {Text("ab"), false, "C1 C2 4E"},
        {Text("AB1 @"), true, "C1 C2 F1 40 5D 7C 4E"},
        {Text("AB\x15"), true, "C1 C2 4E"},      // a final 0x15 is dropped
        {Text("AB\x14"), true, "C1 C2 6D"},      // ends in 0x14: no end-of-message code
        {Text("A\x14\x15"), false, "C1 6D"},     // both rules together
        {Text("\x15"), false, "4E"},             // nothing left but the end
        {Text("A\x15\x15"), false, "C1 4E 4E"},  // only the last 0x15 goes
        {Text("a"), false, "C1 4E"},
        {FromHex("FB 07 88 41"), true, "5D F8 5D F7 5D 61 C1 4E"},
        {FromHex("02"), false, "00 4E"},  // no character: emitted as 0
    };
    for (const auto& c : cases) {
        auto text = c.client;
        const std::size_t n = ClientToHost(text, c.shift);
        EXPECT_EQ(ToHex(text), c.host) << ToHex(c.client) << " shift " << c.shift;
        EXPECT_EQ(n, text.size());
    }
    std::vector<std::uint8_t> empty;
    EXPECT_EQ(ClientToHost(empty, true), 0u);
    EXPECT_TRUE(empty.empty());
}

TEST(TranslationTest, HostToClient) {
    struct Case {
        const char* host;
        const char* client;  // including the terminator
    };
    const Case cases[] = {
        {"C1 C2 C3 4E", "41 42 43 15 00"},
        {"C1 C2 5D C1 4E", "41 42 61 15 00"},              // shift: lower-case a
        {"C1 C2 5D 40 C1 4E", "41 42 20 20 20 20 15 00"},  // compressed blanks: A gives 4
        {"C1 C2 5D 40 F1 C3", "41 42 20 43 15 00"},        // not a letter: one blank
        {"C1 C2 C3", "41 42 43 15 00"},                    // no end code: 0x15 appended
        {"C1 C2 C3 5F", "41 42 43 16 00"},                 // end code: nothing appended
        {"C1 C2 C3 4E 00", "41 42 43 15 00"},              // already ends in 0x15
        {"C1 C2 5D 4E C3 C4", "41 42 15 00"},              // shifted end: the rest is dropped
        {"C1 C2 5D 6D C3 C4", "41 42 14 15 00"},           // shifted 0x14 kept, text ends
        {"C1 C2 01 C3 6D", "41 42 43 14 00"},              // no character: skipped
        {"02 03 C1 6D", "00 00 41 14 00"},                 // first two bytes as they are
        {"5D", "10 15 00"},                                // the shift code among the first two
        {"", ""},
    };
    for (const auto& c : cases) {
        HostToClientTranslator t;
        EXPECT_EQ(ToHex(t.Translate(FromHex(c.host))), c.client) << c.host;
    }
    // Z gives the most compressed blanks: 29.
    HostToClientTranslator t;
    std::string blanks = "41 42";
    for (int i = 0; i < 29; ++i) blanks += " 20";
    EXPECT_EQ(ToHex(t.Translate(FromHex("C1 C2 5D 40 E9"))), blanks + " 15 00");
}

TEST(TranslationTest, ShiftStateCarriesOverWithinOneSessionOnly) {
    HostToClientTranslator first, second;
    // A message that ends right after the shift code leaves its session in the shifted state.
    EXPECT_EQ(ToHex(first.Translate(FromHex("C1 C2 C3 5D"))), "41 42 43 15 00");
    EXPECT_EQ(first.ShiftState(), 1);
    // The next message of that session starts shifted after its first two bytes ...
    EXPECT_EQ(ToHex(first.Translate(FromHex("C1 C2 C3 C4 4E"))), "41 42 63 44 15 00");
    EXPECT_EQ(first.ShiftState(), 0);
    // ... while another session is not affected.
    EXPECT_EQ(ToHex(second.Translate(FromHex("C1 C2 C3 C4 4E"))), "41 42 43 44 15 00");

    // Compressed blanks also carry over.
    EXPECT_EQ(ToHex(first.Translate(FromHex("C1 C2 5D 40"))), "41 42 15 00");
    EXPECT_EQ(first.ShiftState(), 2);
    EXPECT_EQ(ToHex(first.Translate(FromHex("C1 C2 C2 4E"))), "41 42 20 20 20 20 20 15 00");
}

TEST(TranslationTest, LettersDigitsAndBlankRoundTrip) {
    const std::string text = "THE QUICK BROWN FOX 0123456789 JUMPS";
    auto host = Text(text);
    ClientToHost(host, true);
    HostToClientTranslator t;
    const auto back = t.Translate(host);
    ASSERT_GE(back.size(), 2u);
    EXPECT_EQ(std::string(back.begin(), back.end() - 2), text);
    EXPECT_EQ(back[back.size() - 2], 0x15);
}

}  // namespace
}  // namespace quil
