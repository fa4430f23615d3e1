#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Sync.h"
#include "support/FakeClockScope.h"

using namespace platform;
using support::Eventually;
using support::FakeClockScope;

namespace {

constexpr DWORD kPending = 0xDEADBEEF;

// A wait running on a thread of its own; its result once it has returned.
class AsyncWait {
public:
    explicit AsyncWait(std::function<DWORD()> wait)
        : thread_([this, wait = std::move(wait)] { result_ = wait(); }) {}
    ~AsyncWait() { thread_.join(); }
    DWORD Result() const { return result_; }
    bool Finished() const { return result_ != kPending; }

private:
    std::atomic<DWORD> result_{kPending};
    std::thread thread_;
};

std::size_t CountFinishedWith(const std::vector<std::unique_ptr<AsyncWait>>& waits, DWORD result) {
    std::size_t n = 0;
    for (const auto& w : waits) n += w->Result() == result ? 1 : 0;
    return n;
}

}  // namespace

TEST(Event, AutoResetKeepsAnEarlySignalForExactlyOneWait) {
    Event event;
    event.Set();
    EXPECT_TRUE(event.IsSet());
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(event.IsSet());
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

    Event initiallySet(EventReset::Auto, true);
    EXPECT_EQ(WaitForSingleObject(initiallySet, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(initiallySet, 0), WAIT_TIMEOUT);
}

TEST(Event, AutoResetSignalReleasesOneOfTwoBlockedWaiters) {
    FakeClockScope clock;
    Event event;
    std::vector<std::unique_ptr<AsyncWait>> waits;
    for (int i = 0; i < 2; ++i) {
        waits.push_back(
            std::make_unique<AsyncWait>([&] { return WaitForSingleObject(event, 1000); }));
    }
    ASSERT_TRUE(clock.WaitForTimedWaiters(2));
    event.Set();
    ASSERT_TRUE(Eventually([&] { return CountFinishedWith(waits, WAIT_OBJECT_0) == 1; }));
    EXPECT_FALSE(event.IsSet()) << "the released waiter took the signal";
    clock.Advance(1000);
    ASSERT_TRUE(Eventually([&] { return waits[0]->Finished() && waits[1]->Finished(); }));
    EXPECT_EQ(CountFinishedWith(waits, WAIT_OBJECT_0), 1u);
    EXPECT_EQ(CountFinishedWith(waits, WAIT_TIMEOUT), 1u);
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSet) {
    FakeClockScope clock;
    Event event(EventReset::Manual);
    std::vector<std::unique_ptr<AsyncWait>> waits;
    for (int i = 0; i < 3; ++i) {
        waits.push_back(
            std::make_unique<AsyncWait>([&] { return WaitForSingleObject(event, 5000); }));
    }
    ASSERT_TRUE(clock.WaitForTimedWaiters(3));
    event.Set();
    ASSERT_TRUE(Eventually([&] { return CountFinishedWith(waits, WAIT_OBJECT_0) == 3; }));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    event.Reset();
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Wait, AnyGivesTheLowestSignalledIndexAndTakesOnlyThatObject) {
    Event a, b, c;
    Semaphore s(0, 5);
    b.Set();
    c.Set();
    ASSERT_TRUE(s.Release(2));
    EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c, &s}, false, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c, &s}, false, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c, &s}, false, 0), WAIT_OBJECT_0 + 3);
    EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c, &s}, false, 0), WAIT_OBJECT_0 + 3);
    EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c, &s}, false, 0), WAIT_TIMEOUT);
}

TEST(Wait, AllTakesEveryObjectTogetherOrNone) {
    FakeClockScope clock;
    Event a, b;
    Semaphore s(1, 1);
    a.Set();
    // Not all signalled: nothing may be taken, not even a or the semaphore.
    EXPECT_EQ(WaitForMultipleObjects({&a, &b, &s}, true, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(a.IsSet());

    AsyncWait all([&] { return WaitForMultipleObjects({&a, &b, &s}, true, 5000); });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    clock.Advance(4999);
    EXPECT_TRUE(a.IsSet()) << "a blocked wait for all took part of its objects";
    b.Set();
    ASSERT_TRUE(Eventually([&] { return all.Finished(); }));
    EXPECT_EQ(all.Result(), WAIT_OBJECT_0);
    EXPECT_FALSE(a.IsSet());
    EXPECT_FALSE(b.IsSet());
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
}

TEST(Wait, AllTimesOutWithoutConsumingWhatWasSignalled) {
    FakeClockScope clock;
    Event a, b;
    a.Set();
    AsyncWait all([&] { return WaitForMultipleObjects({&a, &b}, true, 5000); });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    // A wait for any on a is served at once while the wait for all cannot be.
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    a.Set();
    clock.Advance(5000);
    ASSERT_TRUE(Eventually([&] { return all.Finished(); }));
    EXPECT_EQ(all.Result(), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
}

TEST(Wait, BlockedWaitForAnyIsReleasedByTheObjectSetLater) {
    FakeClockScope clock;
    Event a, b;
    AsyncWait any([&] { return WaitForMultipleObjects({&a, &b}, false, 10000); });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    b.Set();
    ASSERT_TRUE(Eventually([&] { return any.Finished(); }));
    EXPECT_EQ(any.Result(), WAIT_OBJECT_0 + 1);
    EXPECT_FALSE(b.IsSet());
}

TEST(Wait, RefusesBadObjectLists) {
    Event a, b;
    std::vector<Waitable*> tooMany(MAXIMUM_WAIT_OBJECTS + 1, &a);
    struct Case {
        const char* what;
        std::vector<Waitable*> objects;
        bool all;
    } cases[] = {
        {"no object", {}, false},
        {"a null entry", {&a, nullptr}, false},
        {"one object twice in a wait for all", {&a, &b, &a}, true},
        {"more than the maximum", tooMany, false},
    };
    for (const Case& c : cases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WaitForMultipleObjects(c.objects, c.all, 0), WAIT_FAILED) << c.what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.what;
    }
    a.Set();
    EXPECT_EQ(WaitForMultipleObjects({&b, &a, &a}, false, 0), WAIT_OBJECT_0 + 1)
        << "the same object twice is fine in a wait for any";
}

TEST(Semaphore, ReleaseNeverPassesTheMaximum) {
    Semaphore s(1, 3);
    long previous = -1;
    ASSERT_TRUE(s.Release(1, &previous));
    EXPECT_EQ(previous, 1);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(s.Release(2, &previous)) << "2 + 2 passes the maximum of 3";
    EXPECT_EQ(GetLastError(), ERROR_TOO_MANY_POSTS);
    EXPECT_FALSE(s.Release(0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(s.Release(1, &previous));
    EXPECT_EQ(previous, 2);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0) << i;
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
}

TEST(Semaphore, ReleaseOfNWakesNBlockedWaiters) {
    FakeClockScope clock;
    Semaphore s(0, 10);
    std::vector<std::unique_ptr<AsyncWait>> waits;
    for (int i = 0; i < 3; ++i) {
        waits.push_back(std::make_unique<AsyncWait>([&] { return WaitForSingleObject(s, 1000); }));
    }
    ASSERT_TRUE(clock.WaitForTimedWaiters(3));
    ASSERT_TRUE(s.Release(2));
    ASSERT_TRUE(Eventually([&] { return CountFinishedWith(waits, WAIT_OBJECT_0) == 2; }));
    clock.Advance(1000);
    ASSERT_TRUE(Eventually([&] { return CountFinishedWith(waits, WAIT_TIMEOUT) == 1; }));
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
}

// This test takes the lock by hand, again and from other threads, on purpose.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wthread-safety-analysis"
#endif
TEST(CriticalSection, OwnerMayEnterAgainAndOthersWaitUntilItLeavesAsOften) {
    CriticalSection cs;
    cs.Lock();
    {
        CriticalSection::Guard again(cs);
        EXPECT_TRUE(cs.TryLock());
        cs.Unlock();
    }
    bool otherGot = true;
    std::thread([&] { otherGot = cs.TryLock(); }).join();
    EXPECT_FALSE(otherGot);
    cs.Unlock();
    std::thread([&] {
        otherGot = cs.TryLock();
        if (otherGot) cs.Unlock();
    }).join();
    EXPECT_TRUE(otherGot);
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
