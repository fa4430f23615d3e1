#include "platform/WindowFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

std::vector<std::uint8_t> Encoded(const WindowFrame& f) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(f.Encode(bytes));
    return bytes;
}

WindowFrame WithSender(WindowFrame f, WindowHandle sender = 0x1234567890ABull) {
    f.sender = sender;
    return f;
}

}  // namespace

TEST(WindowFrame, RoundTripsEveryKindAndExtreme) {
    const WindowFrame cases[] = {
        WithSender(WindowFrame::Numbered(10001, static_cast<WPARAM>(-3), 0)),
        WithSender(WindowFrame::Numbered(0, 0, -1), 1),
        WithSender(WindowFrame::Numbered(0xBFFF, ~WPARAM{0}, INTPTR_MIN), ~WindowHandle{0}),
        WithSender(WindowFrame::Registered("SvhandleRequest", 77, 5)),
        WithSender(WindowFrame::Registered(std::string(255, '~'), 1, INTPTR_MAX)),
    };
    for (const WindowFrame& f : cases) {
        WindowFrame back;
        ASSERT_TRUE(WindowFrame::Decode(Encoded(f), back)) << f.name << f.number;
        EXPECT_EQ(back, f);
        EXPECT_LE(Encoded(f).size(), WindowFrame::kMaxSize);
    }
    EXPECT_EQ(WindowFrame::Registered("ShowIcon", 0, 0).MessageId(),
              RegisterWindowMessage("SHOWICON"));
    EXPECT_EQ(WindowFrame::Numbered(10003, 0, 0).MessageId(), 10003u);
}

TEST(WindowFrame, RefusesWhatCannotTravel) {
    const WindowFrame cases[] = {
        WindowFrame::Numbered(1, 0, 0),  // no sender
        WithSender(WindowFrame::Numbered(0xC000, 0, 0)),
        WithSender(WindowFrame::Registered(std::string(256, 'A'), 0, 0)),
        WithSender(WindowFrame::Registered("Show\nIcon", 0, 0)),
    };
    for (const WindowFrame& f : cases) {
        std::vector<std::uint8_t> bytes{9};
        EXPECT_FALSE(f.Encode(bytes));
        EXPECT_EQ(bytes.size(), 1u);
    }
}

TEST(WindowFrame, DecodeRefusesMalformedDatagrams) {
    const std::vector<std::uint8_t> good = Encoded(WithSender(WindowFrame::Registered("Ab", 1, 2)));
    auto changed = [&](std::size_t at, std::uint8_t v) {
        auto b = good;
        b[at] = v;
        return b;
    };
    auto numbered = Encoded(WithSender(WindowFrame::Numbered(5, 0, 0)));
    numbered[3] = 0x00;
    numbered[4] = 0xC0;  // 0xC000
    auto noSender = good;
    std::fill(noSender.end() - 8, noSender.end(), 0);
    auto trailing = good;
    trailing.push_back(0);
    const std::vector<std::vector<std::uint8_t>> cases = {
        {},
        changed(0, 'X'),                 // magic
        changed(1, 2),                   // version
        changed(2, 7),                   // kind
        changed(3, 0),                   // empty name
        changed(3, 200),                 // name longer than the datagram
        changed(4, 0x01),                // unprintable name
        numbered,                        // registered range as a number
        noSender,                        // sender 0
        trailing,                        // bytes after the frame
        {good.begin(), good.end() - 1},  // cut short
        std::vector<std::uint8_t>(WindowFrame::kMaxSize + 1, 'W'),
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        WindowFrame out = WindowFrame::Numbered(42, 0, 0);
        EXPECT_FALSE(WindowFrame::Decode(cases[i], out)) << "case " << i;
        EXPECT_EQ(out.number, 42u) << "case " << i;
    }
}
