#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Time.h"
#include "support/FakeClockScope.h"

using namespace platform;
using support::Eventually;
using support::FakeClockScope;

TEST(FakeClock, LongTimeOutEndsWhenTheClockPassesItAndNotBefore) {
    FakeClockScope clock;
    Event never;
    std::atomic<DWORD> result{0xDEADBEEF};
    std::thread waiter([&] { result = WaitForSingleObject(never, 600000); });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    clock.Advance(599999);
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    EXPECT_EQ(result, 0xDEADBEEFu);
    clock.Advance(1);
    ASSERT_TRUE(Eventually([&] { return result != 0xDEADBEEF; }));
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
}

TEST(FakeClock, WaitOneMillisecondShortOfItsDeadlineIsStillSatisfiedBySet) {
    FakeClockScope clock;
    Event event;
    std::atomic<DWORD> result{0xDEADBEEF};
    std::thread waiter([&] { result = WaitForSingleObject(event, 600000); });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    clock.Advance(599999);
    event.Set();
    ASSERT_TRUE(Eventually([&] { return result != 0xDEADBEEF; }));
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST(FakeClock, SleepEndsWhenTheClockHasMovedItsLength) {
    FakeClockScope clock;
    std::atomic<bool> awake{false};
    std::thread sleeper([&] {
        Sleep(10000);
        awake = true;
    });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    clock.Advance(4000);
    clock.Advance(5999);
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    EXPECT_FALSE(awake);
    clock.Advance(1);
    ASSERT_TRUE(Eventually([&] { return awake.load(); }));
    sleeper.join();
}

TEST(FakeClock, TickCountWrapsAt32BitsWhileTheWideCountGoesOn) {
    FakeClockScope clock(0xFFFFFFF0ull);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    clock.Advance(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(GetTickCount64(), 0x100000010ull);
    EXPECT_EQ(static_cast<DWORD>(GetTickCount() - 0xFFFFFFF0u), 0x20u)
        << "elapsed time across the wrap, as callers compute it";
}

TEST(FakeClock, WallClockMovesWithItAndBreaksIntoLocalFields) {
    const char* oldTz = getenv("TZ");
    const std::string saved = oldTz != nullptr ? oldTz : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    {
        // 2026-01-05 08:00:00.000 UTC is a Monday.
        FakeClockScope clock(0, FakeClock::kDefaultWallMs);
        clock.Advance(86400000ll * 6 + 3600000ll * 15 + 59 * 60000 + 59 * 1000 + 999);
        const SystemTime expected{2026, 1, 0, 11, 23, 59, 59, 999};  // Sunday the 11th
        EXPECT_EQ(GetLocalTime(), expected);
        EXPECT_EQ(CurrentTime(), FakeClock::kDefaultWallMs / 1000 + 6 * 86400 + 15 * 3600 + 3599);
        clock.Advance(1);
        const SystemTime next{2026, 1, 1, 12, 0, 0, 0, 0};
        EXPECT_EQ(GetLocalTime(), next);
    }
    if (oldTz != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

TEST(Clock, ResetClockReturnsToTheRealClock) {
    {
        FakeClockScope clock(5);
        EXPECT_EQ(GetTickCount64(), 5u);
        EXPECT_TRUE(CurrentClock().IsManual());
    }
    EXPECT_FALSE(CurrentClock().IsManual());
    const std::uint64_t before = GetTickCount64();
    EXPECT_TRUE(Eventually([&] { return GetTickCount64() > before; }));
}

TEST(Clock, RealTimeOutsNeverEndEarly) {
    // Real time-outs and sleeps never end before their time has really passed, wherever
    // within a millisecond they begin.
    Event never;
    for (int i = 0; i < 10; ++i) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(WaitForSingleObject(never, 7), WAIT_TIMEOUT);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(7)) << i;
        start = std::chrono::steady_clock::now();
        Sleep(3);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3)) << i;
    }
}
