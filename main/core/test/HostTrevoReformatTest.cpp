#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "HostTrevoFixture.h"

namespace {

using hosttest::HostLinkTest;
using hosttest::Options;

class ReformatTest : public HostLinkTest {};

// Text given to the device for each host message in turn.
TEST_F(ReformatTest, TextForTheDevice) {
    struct Case {
        const char* name;
        Options options;
        std::vector<std::pair<const char*, std::string>> messages;
    };
    Options crlf;
    crlf.bCRtoCRLF = true;
    Options endOfOutput;
    endOfOutput.strEndOfOutput = "<END>";
    Options special;
    special.bSpecialActions = true;
    Options formFeed;
    formFeed.strEndOfOutput = "\x0C";
    const Case cases[] = {
        {"carriage return and > is a form feed",
         {},
         {{"D4 D4 C1 15 4C C2 6D",
           "A\r\x0C"
           "B"}}},
        {"carriage return becomes CR LF", crlf, {{"D4 D4 C1 15 C2 6D", "A\r\nB"}}},
        {"end of output on a complete message",
         endOfOutput,
         {{"D4 D4 C1 4E", "A<END>"}, {"D4 D5 C1 5F", "A<END>"}, {"D4 D6 C1 6D", "A"}}},
        {"trailing form feed replaced by the end of output",
         endOfOutput,
         {{"D4 D4 C1 15 4C 4E", "A\r<END>"}}},
        {"blank before a carriage return after a control byte",
         {},
         {{"D4 D4 15 15 6D", "\r \r"}, {"D4 D5 15 C1 6D", " \rA"}}},
        {"blank also between CR LF pairs", crlf, {{"D4 D4 15 15 6D", "\r\n \r\n"}}},
        {"no blank with special actions", special, {{"D4 D4 15 15 6D", "\r\r"}}},
        {"zero C1 and C2 0x15 start with a carriage return", {}, {{"00 15 C1 6D", "\rA"}}},
        {"lone form feed after a form feed is dropped",
         formFeed,
         {{"D4 D4 40 4E", " \x0C"},
          {"D4 D5 C8 C9 4E", "HI\x0C"},
          {"D4 D6 40 4E", ""},
          {"D4 D7 40 4E", ""},
          {"D4 D8 C8 C9 4E", "HI\x0C"}}},
    };
    for (const Case& c : cases) {
        Make(c.options);
        for (const auto& [hex, text] : c.messages) {
            SCOPED_TRACE(std::string(c.name) + ": " + hex);
            EXPECT_EQ(Receive(hex), 0);
            EXPECT_EQ(hosttest::Hex(delivered), hosttest::Hex(text));
        }
    }
}

TEST_F(ReformatTest, ByPassKeyKeepsALoneFormFeedOfABMessage) {
    Options formFeed;
    formFeed.strEndOfOutput = "\x0C";
    const std::string key = core::CHostTrevo::kApplicationKey;
    struct Case {
        std::optional<std::uint32_t> stored;
        std::string text;
    };
    const Case cases[] = {{std::nullopt, " \x0C"}, {0u, ""}, {1u, " \x0C"}, {7u, " \x0C"}};
    for (const Case& c : cases) {
        registry.values.clear();
        if (c.stored) {
            ASSERT_TRUE(registry.SetDWORD(key, "ByPassKey", *c.stored));
        }
        Make(formFeed);
        Receive("C3 D9 4E");
        EXPECT_EQ(Receive("C2 C1 C8 4E"), 0);
        EXPECT_EQ(delivered, "H\x0C");
        EXPECT_EQ(Receive("C2 C2 40 4E"), 0);
        EXPECT_EQ(delivered, c.text);
        std::uint32_t value = 99;
        EXPECT_TRUE(registry.QueryDWORD(key, "ByPassKey", value));
        EXPECT_EQ(value, c.stored.value_or(1u));
    }
}

TEST_F(ReformatTest, ReplacedCharacters) {
    Make({});
    Receive("D4 D4 C1 6D");
    std::string text = "\x87-\x94-\xA4";
    host->MsgFromHostReformat(text);
    EXPECT_EQ(text, "#-^-@");
    // The last printable character before a carriage return is "}" (0x7D).
    text = "}\r~\r";
    host->MsgFromHostReformat(text);
    EXPECT_EQ(text, "}\r~ \r");
}

}  // namespace
