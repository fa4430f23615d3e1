// The gateway's frames: what is built, and the reader fed in pieces of every size.
#include <gtest/gtest.h>

#include "brxconn/CLniata.h"
#include "support/Hex.h"
#include "zel/ZelFrame.h"

namespace zel {
namespace {

using support::FromHex;
using support::HexZeros;
using support::ToHex;

TEST(FrameTest, BuiltFrames) {
    EXPECT_EQ(RegistrationWord(CLniata("012345")), 0x45301201u);
    EXPECT_EQ(RegistrationWord(CLniata("FFFFFF")), 0xFFFFFF01u);
    const auto reg = RegistrationFrame(CLniata("012345"), "ABCDEFGH");
    EXPECT_EQ(reg.size(), 42u);
    EXPECT_EQ(ToHex(reg), "A5 5A A5 5A 22 00 00 00 01 00 01 12 30 45" + HexZeros(20) +
                              " 41 42 43 44 45 46 47 48");
    EXPECT_EQ(ToHex(HeartbeatFrame()), "A5 5A A5 5A 1A 00 00 00 10 00" + HexZeros(24));
    EXPECT_EQ(ToHex(BuildFrame(0, 0, FromHex("C1 C2 C3 4E"))),
              "A5 5A A5 5A 1E 00 00 00 00 00" + HexZeros(24) + " C1 C2 C3 4E");
}

TEST(FrameTest, ReaderTakesPiecesOfAnySize) {
    std::vector<std::uint8_t> stream;
    const auto a = BuildFrame(FLAG_ERROR, 0, FromHex("06 01"));
    const auto b = BuildFrame(0, 7, FromHex("01 23 45 E3 E2 C1 4E"));
    const auto c = HeartbeatFrame();
    for (const auto* f : {&a, &b, &c}) stream.insert(stream.end(), f->begin(), f->end());
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        CFrameReader reader;
        std::vector<Frame> frames;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            const std::size_t n = std::min(piece, stream.size() - at);
            ASSERT_TRUE(reader.Feed(std::span<const std::uint8_t>(stream).subspan(at, n)));
            while (auto f = reader.Next()) frames.push_back(std::move(*f));
        }
        ASSERT_EQ(frames.size(), 3u) << piece;
        EXPECT_EQ(frames[0].flags, FLAG_ERROR);
        EXPECT_EQ(ToHex(frames[0].data), "06 01");
        EXPECT_EQ(frames[1].word, 7u);
        EXPECT_EQ(ToHex(frames[1].data), "01 23 45 E3 E2 C1 4E");
        EXPECT_EQ(frames[2].flags, FLAG_HEARTBEAT);
        EXPECT_TRUE(frames[2].data.empty());
        EXPECT_EQ(reader.Pending(), 0u);
    }
}

TEST(FrameTest, ReaderRefusesWhatCannotBeAFrame) {
    struct Case {
        const char* bytes;
        bool failed;
    };
    for (const Case& k : std::vector<Case>{
             {"A5 5A A5 5B 1A 00 00 00", true},            // sync
             {"A5 5A A5 5A 19 00 00 00", true},            // shorter than a header
             {"A5 5A A5 5A 1B 00 01 00", true},            // above the cap
             {"A5 5A A5 5A 1A 00 01 00", false},           // the cap itself
             {"A5 5A A5 5A 1A 00 00 00 10 00 00", false},  // a header under way
         }) {
        CFrameReader reader;
        const bool fed = reader.Feed(FromHex(k.bytes));
        EXPECT_EQ(reader.Failed(), k.failed) << k.bytes;
        EXPECT_EQ(fed, !k.failed) << k.bytes;
        EXPECT_FALSE(reader.Next().has_value());
    }
    // A bad frame behind a good one: the good one still comes out.
    CFrameReader reader;
    auto stream = HeartbeatFrame();
    const auto bad = FromHex("00 00 00 00 1A 00 00 00");
    stream.insert(stream.end(), bad.begin(), bad.end());
    (void)reader.Feed(stream);
    EXPECT_TRUE(reader.Next().has_value());
    EXPECT_FALSE(reader.Next().has_value());
    EXPECT_TRUE(reader.Failed());
}

}  // namespace
}  // namespace zel
