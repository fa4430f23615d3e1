#include "locallinkpeer/LocalLinkPeer.h"

#include <gtest/gtest.h>

#include <array>

#include "support/Hex.h"

namespace locallinkpeer {
namespace {

TEST(LocalLinkPeerTest, EachQuestionGetsTheNextButtonTheLastOneRepeating) {
    LocalLinkPeer peer({1, 2});
    ASSERT_TRUE(peer.Start());
    const auto request = support::FromHex("E9 03 4D 0E 00 00 00 01 10 00 00 4F 4B 00");
    const std::uint32_t expected[] = {1, 2, 2};
    for (std::uint32_t button : expected) {
        platform::Socket s;
        ASSERT_TRUE(s.Create());
        ASSERT_TRUE(s.Connect(peer.Address(), 5000));
        ASSERT_TRUE(s.SendAll(request, 5000));
        std::array<std::uint8_t, 11> answer{};
        ASSERT_EQ(s.ReceiveAll(answer, 5000), 11);
        EXPECT_EQ(std::vector<std::uint8_t>(answer.begin(), answer.end()), EncodeAnswer(button));
    }
    ASSERT_EQ(peer.Questions().size(), 3u);
    EXPECT_EQ(peer.Questions()[0].text, "OK");
    EXPECT_EQ(peer.Questions()[0].code, 0x1001u);
}

TEST(LocalLinkPeerTest, BytesThatAreNoRequestGetNoAnswer) {
    Question q;
    EXPECT_FALSE(DecodeRequest(support::FromHex("E9 03 41 0C 00 00 00 00 00 00 00 00"), q));
    EXPECT_FALSE(DecodeRequest(support::FromHex("E9 03 4D 0D 00 00 00 00 00 00 00 00"), q));
    EXPECT_FALSE(DecodeRequest(support::FromHex("E9 03 4D 0C 00 00 00 00 00 00 00 41"), q));
    EXPECT_TRUE(DecodeRequest(support::FromHex("E9 03 4D 0C 00 00 00 00 10 00 00 00"), q));
    EXPECT_EQ(q.code, 0x1000u);
    EXPECT_EQ(q.text, "");
}

}  // namespace
}  // namespace locallinkpeer
