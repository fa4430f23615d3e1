#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "HostTrevoFixture.h"
#include "notify/Notify.h"

namespace {

using hosttest::HostLinkTest;
using hosttest::Msg;
using hosttest::Options;

class MessageTranslationTest : public HostLinkTest {};

// Each host message in turn, translated as the message rules translate it.
TEST_F(MessageTranslationTest, HostMessagesToText) {
    struct Case {
        const char* name;
        Options options;
        std::vector<std::pair<const char*, std::string>> messages;
    };
    Options passThrough;
    passThrough.bPassThrough = true;
    Options platform;
    platform.bPlatformTitle = true;
    const Case cases[] = {
        {"letters", {}, {{"C1 C2 C1 C2 C3 4E", "ABC"}}},
        {"pass-through keeps C1 C2", passThrough, {{"C1 C2 C1 C2 C3 4E", "ABABC"}}},
        {"shift split over two messages",
         {},
         {{"D4 D4 C1 5D 4E", "A"}, {"D4 D4 C2 4E", "b"}, {"D4 D4 C2 4E", "B"}}},
        {"shift and blank split over two messages",
         {},
         {{"D4 D4 C1 5D 40 4E", "A"}, {"D4 D4 C3 C1 4E", "      A"}}},
        {"even run of shifts holds nothing back",
         {},
         {{"D4 D4 5D 5D 4E", ")"}, {"D4 D4 C1 4E", "A"}}},
        {"odd run holds the last shift back",
         {},
         {{"D4 D4 5D 5D 5D 4E", ")"}, {"D4 D4 C1 4E", "a"}}},
        {"platform titles have parentheses",
         platform,
         {{"D4 D4 50 C1 5D C2 4E", "(A)B"}, {"D4 D4 C1 5D 4E", "A"}, {"D4 D4 C2 4E", ")B"}}},
        {"no end of message keeps the last character", {}, {{"D4 D4 C1 C2", "AB"}}},
        {"inner end of message bytes are left out", {}, {{"D4 D4 C1 4E C2 6D C3 4E", "ABC"}}},
        {"shift before an inner end of message ends the text", {}, {{"D4 D4 C1 5D 4E C2 4E", "A"}}},
        {"a character without a code is left out, not cut at",
         {},
         {{"D4 D4 C1 5D F1 C2 4E", "AB"}}},
        {"pass-through C1 without a character", passThrough, {{"00 C1 C2 4E", "AB"}}},
        {"two bytes only", {}, {{"D4 4E", ""}}},
    };
    for (const Case& c : cases) {
        Make(c.options);
        for (const auto& [hex, text] : c.messages) {
            SCOPED_TRACE(std::string(c.name) + ": " + hex);
            std::string msg = Msg(hex);
            host->MsgTranslateEbcdicToAscii(msg);
            EXPECT_EQ(hosttest::Hex(msg), hosttest::Hex(text));
        }
    }
    const std::optional<std::string> log = Notify::ReadLog();
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("'Device 01', Added DLE prefix"), std::string::npos);
    EXPECT_NE(log->find("'Device 01', Added DLE_SPACE prefix"), std::string::npos);
}

TEST_F(MessageTranslationTest, TextToHost) {
    Make({});
    struct Case {
        std::string text;
        const char* wire;
    };
    const Case cases[] = {{"a", "5D C1 4E"},
                          {"CA20\x15", "C3 C1 F2 F0 4E"},
                          {"A\x02"
                           "B",
                           "C1 C2 4E"},  // the unmapped byte alone is left out
                          {"AB\x14", "C1 C2 6D"}};
    for (const Case& c : cases) {
        std::string msg = c.text;
        host->MsgTranslateAsciiToEbcdic(msg);
        EXPECT_EQ(hosttest::Hex(msg), c.wire) << hosttest::Hex(c.text);
    }
    const std::optional<std::string> log = Notify::ReadLog();
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("1 characters without a host character left out"), std::string::npos);
}

TEST_F(MessageTranslationTest, LongMessages) {
    Make({});
    const std::size_t n = 70'000;
    std::string msg = "\xD4\xD4" + std::string(n, '\xC1') + "\x4E";
    host->MsgTranslateEbcdicToAscii(msg);
    EXPECT_EQ(msg, std::string(n, 'A'));
    std::string text(n, 'b');
    host->MsgTranslateAsciiToEbcdic(text);
    ASSERT_EQ(text.size(), 2 * n + 1);
    EXPECT_EQ(text.substr(2 * n - 2), "\x5D\xC2\x4E");
}

}  // namespace
