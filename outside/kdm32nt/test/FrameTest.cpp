#include "kdm32nt/Frame.h"

#include <gtest/gtest.h>

#include "support/Hex.h"

namespace kdm32nt {
namespace {

TEST(Frame, QueriesAndRepliesComeBackWholeHoweverTheStreamIsCut) {
    Query query;
    query.sequence = 0x0102030405060708;
    query.handle = 4096;
    query.words[2] = 9;
    query.requestCode = -9;
    query.flags = 0xFFFFFFFF;
    query.submitId = 0xFEDCBA9876543210;
    query.deviceName = "??MAK??";
    query.payload = support::FromHex("00 00 00 05 00 50 54 52 31 00");
    Reply reply;
    reply.sequence = 7;
    reply.handle = 1;
    reply.requestCode = -4;
    reply.count = 2;
    reply.status = 5;
    reply.data = {1, 2, 3};

    std::vector<std::uint8_t> stream = *EncodeQuery(query);
    const auto second = *EncodeReply(reply);
    stream.insert(stream.end(), second.begin(), second.end());
    EXPECT_EQ(support::ToHex(std::span(stream).first(5)), "00 00 00 40 51");

    for (const std::size_t slice : {std::size_t{1}, std::size_t{5}, stream.size()}) {
        FrameReader reader;
        std::vector<std::vector<std::uint8_t>> bodies;
        for (std::size_t at = 0; at < stream.size(); at += slice) {
            reader.Feed(std::span(stream).subspan(at, std::min(slice, stream.size() - at)));
            while (auto body = reader.Next()) bodies.push_back(*body);
        }
        ASSERT_EQ(bodies.size(), 2u) << slice;
        EXPECT_EQ(DecodeQuery(bodies[0]), query);
        EXPECT_EQ(DecodeReply(bodies[1]), reply);
        EXPECT_FALSE(DecodeReply(bodies[0]).has_value());
    }
}

TEST(Frame, BadLengthsAreRefused) {
    FrameReader reader;
    reader.Feed(support::FromHex("00 10 00 01 52"));  // above the longest body
    EXPECT_FALSE(reader.Next().has_value());
    EXPECT_TRUE(reader.Broken());

    auto body = *EncodeReply(Reply{});
    body.erase(body.begin(), body.begin() + 4);
    body.push_back(0);  // a byte beyond the announced data
    EXPECT_FALSE(DecodeReply(body).has_value());
    body.resize(body.size() - 2);  // the data cut short
    EXPECT_FALSE(DecodeReply(body).has_value());

    Query tooLong;
    tooLong.deviceName.assign(kMaxNameLength + 1, 'x');
    EXPECT_FALSE(EncodeQuery(tooLong).has_value());
    tooLong.deviceName.clear();
    tooLong.payload.resize(kMaxFrameBody);
    EXPECT_FALSE(EncodeQuery(tooLong).has_value());
}

}  // namespace
}  // namespace kdm32nt
