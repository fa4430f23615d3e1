#include "printersim/CouponPrinter.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/Hex.h"

namespace printersim {
namespace {

TEST(CouponLineDecoderTest, InitialisationAcksAndFramesInPiecesOfAnySize) {
    const std::vector<std::uint8_t> line = support::FromHex(
        "1B 5B 33 3B 33 2F 7B 06 02 73 1B 0B 20 20 0F 50 53 1B 12 03 65 55 06 "
        "02 73 1B 0B 20 20 0F 50 53 1B 12 03 66");
    for (std::size_t piece = 1; piece <= line.size(); ++piece) {
        CouponLineDecoder decoder;
        std::vector<CouponEvent> events;
        for (std::size_t at = 0; at < line.size(); at += piece) {
            const std::size_t n = std::min(piece, line.size() - at);
            decoder.Feed(std::span(line).subspan(at, n), events);
        }
        ASSERT_EQ(events.size(), 5u) << piece;
        EXPECT_EQ(events[0].kind, CouponEvent::Initialisation);
        EXPECT_EQ(events[1].kind, CouponEvent::Ack);
        EXPECT_EQ(events[2].text, "PS");
        EXPECT_TRUE(events[2].checkOk);
        EXPECT_EQ(events[3].kind, CouponEvent::Ack);
        EXPECT_FALSE(events[4].checkOk);
    }
}

TEST(CouponLineDecoderTest, RepliesCarryTheirCheck) {
    EXPECT_EQ(EncodeCouponReply("0OK"), support::FromHex("02 1B 0B 20 20 00 0F 30 4F 4B 20 03 08"));
}

}  // namespace
}  // namespace printersim
