#include "devices/CouponFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Hex.h"

namespace devices {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(CouponFramesTest, TextsAreFramedWithTheirCheck) {
    EXPECT_EQ(MakeCouponFrame(Text("PS")),
              support::FromHex("02 73 1B 0B 20 20 0F 50 53 1B 12 03 65"));
    EXPECT_EQ(MakeCouponFrame(Text("PS\r\f")), MakeCouponFrame(Text("PS")));
    EXPECT_FALSE(MakeCouponFrame(Text("P")));
    EXPECT_FALSE(MakeCouponFrame(Bytes{}));
    // Two bytes are the text itself, even CR FF.
    EXPECT_EQ(MakeCouponFrame(Text("\r\f"))->size(), 13u);
    // The check stops at the first ETX, inside the text as well.
    const Bytes withEtx =
        *MakeCouponFrame(Text("A\x03"
                              "B"));
    EXPECT_EQ(withEtx.back(), 0x73 ^ 0x1B ^ 0x0B ^ 0x20 ^ 0x20 ^ 0x0F ^ 'A' ^ 0x03);
}

// A reply frame of the printer: header, text, 20 03, a check byte.
Bytes Reply(const std::string& text) {
    Bytes b = support::FromHex("02 1B 0B 20 20 00 0F");
    b.insert(b.end(), text.begin(), text.end());
    const Bytes tail = support::FromHex("20 03 5A");
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

TEST(CouponFramesTest, RepliesAreCutOneAtATimeAndWhatFollowsStays) {
    Bytes gathered = support::FromHex("06 55");  // junk before
    const Bytes one = Reply("0OK00SR1SC9545000314712");
    const Bytes two = Reply("0ERR5yyyy");
    gathered.insert(gathered.end(), one.begin(), one.end());
    gathered.insert(gathered.end(), two.begin(), two.end());
    gathered.push_back(0x02);
    EXPECT_EQ(CutCouponReply(gathered), "0OK00SR1SC9545000314712");
    EXPECT_EQ(CutCouponReply(gathered), "0ERR5yyyy");
    EXPECT_EQ(gathered, Bytes{0x02});
    EXPECT_FALSE(CutCouponReply(gathered));
}

TEST(CouponFramesTest, IncompleteOrShortRepliesStay) {
    struct Case {
        const char* hex;
        const char* text;  // nullptr: no reply
    };
    const Case cases[] = {
        {"02 1B 0B 20 20 00 0F 41 42 43 44 45 46 20 03 5A", "ABCDEF"},
        {"02 1B 0B 20 20 00 0F 41 42 43 44 45 46 20 03", nullptr},     // no check byte yet
        {"02 1B 0B 20 20 00 0F 41 20 03 44 45 46 47 48 49", nullptr},  // pair too early
        {"02 1B 0B 20 20 00 0F 20 03 5A", nullptr},                    // ten bytes: not searched
        {"02 1B 0B 20 20 00 0F 41 42 43 44 45 20 03 5A 00", nullptr},  // pair within six bytes
        {"02 1B 0B 20 20 00 0F 41 42 43 44 45 46 47 20 03 20 03 5A", "ABCDEFG"},
    };
    for (const Case& c : cases) {
        Bytes gathered = support::FromHex(c.hex);
        const Bytes before = gathered;
        const auto cut = CutCouponReply(gathered);
        if (!c.text) {
            EXPECT_FALSE(cut) << c.hex;
            EXPECT_EQ(gathered, before) << c.hex;
        } else {
            ASSERT_TRUE(cut) << c.hex;
            EXPECT_EQ(*cut, c.text);
        }
    }
}

}  // namespace
}  // namespace devices
