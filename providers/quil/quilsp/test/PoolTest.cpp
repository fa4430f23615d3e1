// The session pool, pool keys, lock identifiers and their random generator, and the parsing
// of host notifications.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "quilsp/LockID.h"
#include "quilsp/NotificationMsg.h"
#include "quilsp/RanrotGenerator.h"
#include "quilsp/Session.h"
#include "quilsp/SessionPool.h"
#include "support/FakeClockScope.h"

using namespace quilsp;

namespace {

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(Ranrot, OutputAfterSeedingMatchesReferenceModel) {
    // Values from an independent model of the generator (seed 1).
    RanrotGenerator g(1);
    EXPECT_EQ(g.OutputHigh(), 0x3FF9BE09u);
    EXPECT_EQ(g.OutputLow(), 0x27027F89u);
    (void)g.Next();
    EXPECT_EQ(g.OutputHigh(), 0x3FF23A59u);
    EXPECT_EQ(g.OutputLow(), 0x59B40CADu);

    RanrotGenerator d(1);
    d.SetRange(0x10000000, 0x7FFFFFFF);
    const std::uint32_t expected[] = {0x54324011, 0x1F987173, 0x1DC2C5D1};
    for (std::uint32_t want : expected) EXPECT_EQ(d.Draw(), want);
}

TEST(Ranrot, SeedZeroIsAllOnesAndDrawsStayInRange) {
    RanrotGenerator zero(0);
    RanrotGenerator ones(0xFFFFFFFF);
    zero.SetRange(0x10000000, 0x7FFFFFFF);
    ones.SetRange(0x10000000, 0x7FFFFFFF);
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t v = zero.Draw();
        ASSERT_EQ(v, ones.Draw());
        ASSERT_GE(v, 0x10000000u);
        ASSERT_LE(v, 0x7FFFFFFFu);
    }
}

TEST(LockId, TextIsTheValueBytesUpToTheFirstZero) {
    support::FakeClockScope clock;
    for (int i = 0; i < 50; ++i) {
        CLockID id;
        std::string text;
        id.Generate(text);
        ASSERT_LE(text.size(), 4u);
        std::string expected;
        for (int b = 0; b < 4; ++b) {
            const char c = static_cast<char>((id.Value() >> (8 * b)) & 0xFF);
            if (c == 0) break;
            expected.push_back(c);
        }
        ASSERT_EQ(text, expected);
        clock.Advance(1);
    }
}

TEST(Notification, ParsesTerminalHostAndCode) {
    struct Case {
        std::string data;
        int mode;
        std::string lniata, host;
        bool coded;
    };
    const Case cases[] = {
        {"NOTIFY 1A2B01  host.x//9", 1, "1A2B01", "HOST.X", true},
        {"NOTIFY 1A2B01  HOST//9\x15", 1, "1A2B01", "HOST", true},
        {"NOTIFY 1A2B01  HOST//9A", 1, "1A2B01", "HOST", false},
        {"NOTIFY 1A2B01  HOST//", 1, "1A2B01", "HOST", false},
        {"NOTIFY 1A2B01  HOST//9", 2, "1A2B01", "HOST", false},
        {"NOTIFY 1A2B01  HOST", 1, "1A2B01", "HOST", false},
        {"NOTIFY 1A2B01  HOST//9", 3, "", "", false},
        {"NOTIFY 1A2", 1, "1A2", "", false},  // short data: only what is there
        {"SHORT", 1, "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        const CNotificationMsg msg(Text(c.data), c.mode);
        EXPECT_EQ(msg.Lniata(), c.lniata);
        EXPECT_EQ(msg.Host(), c.host);
        EXPECT_EQ(msg.HasCode(), c.coded);
        if (c.coded) {
            EXPECT_EQ(std::string(msg.Code().begin(), msg.Code().end()), "//9");
        }
    }
}

class PoolTest : public ::testing::Test {
protected:
    PoolTest() : pool(CSessionPool::Attach()) {}
    ~PoolTest() override { CSessionPool::Detach(); }
    platform::EventLoop loop;
    CSessionPool* pool;
};

TEST_F(PoolTest, SameTerminalAndHostShareOneSession) {
    CSession* a = nullptr;
    CSession* b = nullptr;
    CSession* c = nullptr;
    EXPECT_EQ(pool->GetSession(nullptr, CPoolKey("1A2B01", "HOSTA"), true, a),
              CSessionPool::Result::New);
    EXPECT_EQ(pool->GetSession(nullptr, CPoolKey("1A2B01", "HOSTA"), true, b),
              CSessionPool::Result::Existing);
    EXPECT_EQ(a, b);
    EXPECT_EQ(pool->GetSession(nullptr, CPoolKey("1A2B01", "HOSTB"), false, c),
              CSessionPool::Result::New);
    EXPECT_NE(a, c);
    EXPECT_EQ(pool->DefaultKey(), "1A2B01HOSTA");
    EXPECT_EQ(c->Key().Host(), "HOSTB");

    // A session without the default flag is taken up again and counts as new.
    CSession* again = nullptr;
    EXPECT_EQ(pool->GetSession(nullptr, CPoolKey("1A2B01", "HOSTB"), false, again),
              CSessionPool::Result::New);
    EXPECT_EQ(again, c);
}

TEST_F(PoolTest, RemoveAndChangeKey) {
    CSession* s = nullptr;
    ASSERT_EQ(pool->GetSession(nullptr, CPoolKey("000000", "HOST"), true, s),
              CSessionPool::Result::New);
    EXPECT_FALSE(pool->RemoveSession(CPoolKey("000000", "OTHER")));
    EXPECT_FALSE(pool->ChangeKey(CPoolKey("000000", "OTHER"), CPoolKey("1A2B01", "HOST"), true));
    EXPECT_EQ(pool->Size(), 1u);

    ASSERT_TRUE(pool->ChangeKey(CPoolKey("000000", "HOST"), CPoolKey("1A2B01", "HOST"), true));
    EXPECT_EQ(pool->Find(CPoolKey("1A2B01", "HOST")), s);
    EXPECT_EQ(s->Key().Key(), "1A2B01HOST");
    EXPECT_EQ(pool->DefaultKey(), "1A2B01HOST");
    EXPECT_TRUE(pool->RemoveSession(CPoolKey("1A2B01", "HOST")));
    EXPECT_EQ(pool->Size(), 0u);
}

}  // namespace
