#include "devices/PendingReply.h"

#include <gtest/gtest.h>

namespace devices {
namespace {

TEST(PendingReplyTest, AnUnconfirmedReplyIsSentAgainWithAGrowingPeriod) {
    CPendingReply pending;
    pending.Set("W*DBAW*PEM", 1000);
    pending.HoldAck("C@20\x15");
    EXPECT_FALSE(pending.Due(1005));  // not later than the period
    EXPECT_EQ(pending.Due(1006), "W*DBBW*PEM");
    std::int64_t now = 1006;
    int periods[] = {5, 5, 10, 10, 10, 20, 20, 20, 40};
    for (int expected : periods) {
        EXPECT_EQ(pending.Period(), expected);
        now += pending.Period() + 1;
        ASSERT_TRUE(pending.Due(now));
    }
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(pending.Due(now += 1000));
    EXPECT_EQ(pending.Period(), CPendingReply::kLongestPeriod);

    EXPECT_EQ(pending.Confirm(), "C@20\x15");
    EXPECT_EQ(pending.Confirm(), "");  // sent once only
    EXPECT_EQ(pending.Period(), 5);
    EXPECT_EQ(pending.Resends(), 0);
    EXPECT_FALSE(pending.Due(now + 10000));
}

TEST(PendingReplyTest, AShortReplyIsSentAgainAsItStands) {
    CPendingReply pending;
    pending.Set("W*D", 0);
    EXPECT_EQ(pending.Due(6), "W*D");
}

}  // namespace
}  // namespace devices
