// The gateway's character code, the C1 C2 forms and the printer substitutions.
#include <gtest/gtest.h>

#include "support/Hex.h"
#include "zel/SpImp.h"
#include "zel/ZelReceiver.h"
#include "zel/ZelTranslate.h"

namespace zel {
namespace {

using support::FromHex;
using support::ToHex;

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(TranslateTest, ToHostCode) {
    struct Case {
        std::vector<std::uint8_t> text;
        bool printer;
        const char* coded;
    };
    for (const Case& k : std::vector<Case>{
             {Text("ABC"), false, "C1 C2 C3 4E"},
             {Text("ABC\x15"), false, "C1 C2 C3 4E"},
             {Text("ABC\x14"), false, "C1 C2 C3 6D"},
             {Text("a"), false, "5D C1 4E"},
             {Text("a"), true, "C1 4E"},
             {{}, false, "4E"},
             {{0x14}, false, "6D"},
             {Text("\x43\x01\x33\x38"), false, "C3 7C F3 F8 4E"},
             {Text("A\nB\r\x17~"), false, "C1 72 C2 15 5B 4E"},
             {Text("A\nB\r\x15("), true, "C1 C2 4F 50 4E"},
             {Text("A B"), false, "C1 40 C2 4E"},
         }) {
        EXPECT_EQ(ToHex(TranslateToEbcdic(k.text, k.printer)), k.coded) << ToHex(k.text);
        EXPECT_EQ(TranslatedLength(k.text, k.printer), FromHex(k.coded).size());
    }
}

TEST(TranslateTest, ToAscii) {
    struct Case {
        const char* data;
        std::string ascii;
    };
    for (const Case& k : std::vector<Case>{
             {"E3 E2 C8 C5 D3 D3 D6 4E", "TSHELLO\x15"},
             {"E3 E2 C1 6D C2", "TSA\x14"},  // 0x14 ends it and stays
             {"E3 E2 C1 7E", "TSA\x17"},
             {"E3 E2 C1 5F", "TSA\x16"},
             {"E3 E2 C1 C2", "TSAB\x15"},  // no end code: closed with 0x15
             {"E3 E2 5D C1 4E", "TSa\x15"},
             {"E3 E2 C1 5D 40 C3 C2 4E", "TSA      B\x15"},  // a run of six blanks
             {"E3", "T\x15"},
         }) {
        const auto out = TranslateToAscii(FromHex(k.data));
        EXPECT_EQ(std::string(out.begin(), out.end()), k.ascii) << k.data;
    }
    EXPECT_TRUE(TranslateToAscii({}).empty());
}

TEST(TranslateTest, C1C2Forms) {
    struct Case {
        const char* c1c2;
        const char* first;
        const char* second;
    };
    for (const Case& k : std::vector<Case>{
             {"61 C3", "F2 C4", "F2 C4"},
             {"6C C3", "F1 6C", "F2 C3"},
             {"40 40", "F1 C1", "F1 6C"},
             {"7A F5", "F9 6C", "F9 6C"},
             {"6C 4F", "6C 15", "6C 15"},
             {"6C 6C", "6C 6C", "6C 6C"},
             {"61 15", "6C 15", "F1 C1"},
             {"61 C9", "F2 D1", "F2 D1"},
             {"61 F5", "F2 D5", "F2 D5"},
             {"61 4B", "F2 D3", "F2 D3"},
             {"61 99", "F1 00", "F1 C1"},
         }) {
        for (const C1C2Form form : {C1C2Form::First, C1C2Form::Second}) {
            auto data = FromHex(std::string("01 23 45 ") + k.c1c2 + " C1");
            TranslateC1C2(data, form);
            EXPECT_EQ(ToHex(data), std::string("01 23 45 ") +
                                       (form == C1C2Form::First ? k.first : k.second) + " C1")
                << k.c1c2;
        }
    }
    auto shortData = FromHex("01 23 45 61");
    TranslateC1C2(shortData, C1C2Form::First);
    EXPECT_EQ(ToHex(shortData), "01 23 45 61");
}

TEST(TranslateTest, ZerosAndSubstitutions) {
    auto z = FromHex("41 42 00 43 00");
    RemoveZeros(z);
    EXPECT_EQ(ToHex(z), "41 42 43");
    auto head = FromHex("00 00");
    RemoveZeros(head);
    EXPECT_EQ(ToHex(head), "00 00");

    auto out = Text("<A>\xE4");
    SubstituteOutgoing(out);
    EXPECT_EQ(std::string(out.begin(), out.end()), "(A),");

    auto in = FromHex("01 23 45 50 50 05 50 5D 72 4D 6B 41 42");
    SubstituteIncoming(in);
    EXPECT_EQ(ToHex(in), "01 23 45 50 50 5B 05 4C 60 6B 5B 41 42");
}

TEST(TranslateTest, MessageKinds) {
    struct Case {
        std::uint8_t first, second;
        int kind;
        int width;  // after it, from 64
    };
    for (const Case& k : std::vector<Case>{
             {0x00, 0x00, 1, 64}, {0x00, 0x0D, 1, 64}, {0x00, 'A', 11, 64}, {'/', 'x', 2, 64},
             {'0', 'Q', 1, 64},   {'1', '1', 11, 64},  {'2', 'Z', 1, 64},   {'2', 0x00, 11, 64},
             {'3', '*', 1, 64},   {'3', '-', 11, 64},  {'9', 'S', 7, 64},   {'9', 'F', 6, 64},
             {'9', 0x00, 3, 64},  {'9', 'G', 8, 80},   {'9', 'H', 9, 64},   {'9', 'J', 10, 64},
             {'9', '5', 4, 64},   {'9', '-', 4, 64},   {'9', 'Z', 0, 64},   {'B', 0x00, 5, 64},
             {'X', 'Y', 0, 64},
         }) {
        int width = 64;
        EXPECT_EQ(MessageKind(k.first, k.second, width), k.kind) << int(k.first) << int(k.second);
        EXPECT_EQ(width, k.width);
    }
}

TEST(TranslateTest, GatewayErrors) {
    const std::vector<std::pair<int, BRXError>> cases{
        {257, 1017}, {258, 1016}, {268, 1016}, {259, 1013}, {260, 1015},
        {261, 1015}, {262, 0},    {263, 1012}, {267, 1012}, {-1, 1012}};
    for (const auto& [code, error] : cases) EXPECT_EQ(MapGatewayError(code), error) << code;
}

}  // namespace
}  // namespace zel
