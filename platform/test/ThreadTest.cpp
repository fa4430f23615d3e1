#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "platform/Thread.h"
#include "support/FakeClockScope.h"

using namespace platform;
using support::Eventually;

TEST(Thread, RunsOnlyOnceStartedAndEndsWhenStoppedAndJoined) {
    std::atomic<int> runs{0};
    std::atomic<DWORD> seenId{0};
    Thread thread("worker");
    EXPECT_FALSE(thread.Started());
    EXPECT_EQ(thread.Id(), 0u);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);

    ASSERT_TRUE(thread.Start([&] {
        ++runs;
        seenId = GetCurrentThreadId();
        (void)WaitForSingleObject(thread.StopEvent(), INFINITE);
    }));
    EXPECT_NE(thread.Id(), 0u);
    EXPECT_NE(thread.Id(), GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT) << "still waiting for its stop";
    EXPECT_FALSE(thread.Start([] {})) << "a second start";
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

    thread.Stop();
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
    EXPECT_TRUE(thread.Join());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(seenId, thread.Id());
}

TEST(Thread, DestructorStopsAndJoins) {
    std::atomic<bool> ended{false};
    {
        Thread thread;
        ASSERT_TRUE(thread.Start([&] {
            while (WaitForSingleObject(thread.StopEvent(), INFINITE) != WAIT_OBJECT_0) {
            }
            ended = true;
        }));
    }
    EXPECT_TRUE(ended);

    Thread neverStarted;
    EXPECT_TRUE(neverStarted.Join());
    EXPECT_FALSE(neverStarted.Start(nullptr));
}

TEST(Thread, WaitForTheEndOfOneOfSeveralThreads) {
    Thread slow, quick;
    Event go;
    ASSERT_TRUE(slow.Start([&] { (void)WaitForSingleObject(slow.StopEvent(), INFINITE); }));
    ASSERT_TRUE(quick.Start([&] { (void)WaitForSingleObject(go, INFINITE); }));
    go.Set();
    EXPECT_EQ(WaitForMultipleObjects({&slow, &quick}, false, INFINITE), WAIT_OBJECT_0 + 1);
}

TEST(Thread, CountsAsEndedOnlyOnceItsBodyAndWhatItHeldAreGone) {
    // What the body holds takes a while to let go, as a module's objects may.
    struct SlowToRelease {
        explicit SlowToRelease(std::atomic<bool>& flag) : released(&flag) {}
        std::atomic<bool>* released;
        ~SlowToRelease() {
            (void)Eventually([] { return false; }, std::chrono::milliseconds(20));
            *released = true;
        }
    };
    std::atomic<bool> released{false};
    auto held = std::make_shared<SlowToRelease>(released);
    Thread thread;
    ASSERT_TRUE(thread.Start([held = std::move(held)] {}));
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(released);
}
