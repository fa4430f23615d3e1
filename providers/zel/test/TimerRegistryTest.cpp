// The heartbeat service: one object per gateway, shared, and what its timers do.
#include <gtest/gtest.h>

#include "platform/EventLoop.h"
#include "support/FakeClockScope.h"
#include "zel/TimerRegistry.h"

namespace zel {
namespace {

struct Subscriber final : IHeartbeatSubscriber {
    explicit Subscriber(std::string gateway) : key(std::move(gateway)) {}
    std::string HeartbeatKeyText() const override { return key; }
    std::uint32_t HeartbeatKeyNumber() const override { return 1413; }
    int SendHeartBeat() override {
        ++sent;
        return answer;
    }
    void OnNoHeartBeat() override { ++lost; }

    std::string key;
    int answer = 0;
    int sent = 0;
    int lost = 0;
};

class TimerRegistryTest : public ::testing::Test {
protected:
    // One turn of the loop runs the timers due now.
    void Turn() {
        (void)loop.PumpUntil([] { return false; }, 0);
    }
    support::FakeClockScope clock;
    platform::EventLoop loop;
};

TEST_F(TimerRegistryTest, SharedByGatewayAndAskedNewestFirst) {
    Subscriber a("10.0.0.1"), b("10.0.0.1"), other("10.0.0.2");
    CTimerRegistry* ra = CTimerRegistry::GetInstance(&a, 1000, 300);
    CTimerRegistry* rb = CTimerRegistry::GetInstance(&b, 1000, 300);
    CTimerRegistry* ro = CTimerRegistry::GetInstance(&other, 1000, 300);
    EXPECT_EQ(ra, rb);
    EXPECT_NE(ra, ro);
    EXPECT_EQ(CTimerRegistry::Count(), 2u);

    clock.Advance(1000);
    Turn();
    EXPECT_EQ(b.sent, 1);  // the newest
    EXPECT_EQ(a.sent, 0);
    ra->Notify(CTimerRegistry::HEARTBEAT_ANSWERED);
    clock.Advance(300);
    Turn();
    EXPECT_EQ(a.lost + b.lost, 0);

    // Unanswered: every subscriber of that gateway hears of it.
    clock.Advance(700);
    Turn();
    EXPECT_EQ(b.sent, 2);
    clock.Advance(300);
    Turn();
    EXPECT_EQ(a.lost, 1);
    EXPECT_EQ(b.lost, 1);

    // Traffic starts the interval anew.
    clock.Advance(900);
    Turn();
    ro->Notify(CTimerRegistry::TRAFFIC);
    const int before = other.sent;
    clock.Advance(900);
    Turn();
    EXPECT_EQ(other.sent, before);

    // When b leaves, a keeps the timers; a failed send: all lost at once.
    a.answer = 1;
    rb->Release(&b);
    EXPECT_EQ(CTimerRegistry::Count(), 2u);
    const int lost = a.lost;
    clock.Advance(1000);
    Turn();
    EXPECT_EQ(a.sent, 1);
    EXPECT_EQ(a.lost, lost + 1);
    ra->Release(&a);
    ro->Release(&other);
    EXPECT_EQ(CTimerRegistry::Count(), 0u);
}

}  // namespace
}  // namespace zel
