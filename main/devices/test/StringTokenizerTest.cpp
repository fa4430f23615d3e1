#include "devices/StringTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace devices {
namespace {

std::vector<std::string> Tokens(const std::string& text, std::string* remainder = nullptr) {
    std::vector<std::string> out;
    CStringTokenizer t(text);
    for (bool more = t.HasToken(); more; more = t.NextToken()) out.push_back(t.Token());
    if (remainder) *remainder = t.Remainder();
    return out;
}

TEST(StringTokenizerTest, TokensStartAtTheSecondDelimiter) {
    struct Case {
        const char* text;
        std::vector<std::string> tokens;
        const char* remainder;
    };
    const Case cases[] = {
        {"ab;cd;ef;gh", {";ef", ";gh"}, ""},
        {"ab;cd;ef;g", {";ef"}, ";g"},  // a last segment of one character
        {"TK:AU1:AAx:BBy:", {":AAx", ":BBy"}, ":"},
        {"TK:AU1", {}, ""},  // no second delimiter
        {"ab", {}, ""},      // no delimiter at all
        {"", {}, ""},
        {"ab::::", {":"}, "::"},  // an empty field, its code the next two delimiters
        {"ab;cd;efghij", {";efghij"}, ""},
    };
    for (const Case& c : cases) {
        std::string remainder;
        EXPECT_EQ(Tokens(c.text, &remainder), c.tokens) << c.text;
        EXPECT_EQ(remainder, c.remainder) << c.text;
    }
}

TEST(StringTokenizerTest, TheCodeIsTheTwoCharactersAfterTheDelimiterAndLongValuesStayWhole) {
    const std::string value(300, 'v');
    CStringTokenizer t("TK:CU:AB" + value + ":CD1");
    ASSERT_TRUE(t.HasToken());
    EXPECT_EQ(t.Code(), "AB");
    EXPECT_EQ(t.Token(), ":AB" + value);
    ASSERT_TRUE(t.NextToken());
    EXPECT_EQ(t.Code(), "CD");
    EXPECT_EQ(t.Remainder(), ":CD1");
    EXPECT_FALSE(t.NextToken());
    EXPECT_FALSE(t.NextToken());
}

}  // namespace
}  // namespace devices
