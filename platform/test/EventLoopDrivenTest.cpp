#include <poll.h>

#include <gtest/gtest.h>

#include <thread>

#include "platform/EventLoop.h"
#include "support/FakeClockScope.h"

using namespace platform;

namespace {

struct Counter final : IMessageTarget {
    LRESULT OnMessage(UINT msg, WPARAM, LPARAM) override {
        if (msg == WM_USER) ++posts;
        if (msg == WM_TIMER) ++ticks;
        return 0;
    }
    int posts = 0;
    int ticks = 0;
};

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

}  // namespace

TEST(EventLoopDriven, AnOuterLoopSeesEveryPostAndEveryTimer) {
    support::FakeClockScope clock;
    EventLoop loop;
    Counter target;
    const HWND h = loop.AddTarget(target);
    loop.SetDrivenFromOutside(true);
    auto turn = [&] { (void)loop.PumpUntil([] { return false; }, 0); };

    EXPECT_FALSE(Readable(loop.PollDescriptor()));
    std::thread([&] { ASSERT_TRUE(PostMessage(h, WM_USER, 0, 0)); }).join();
    EXPECT_TRUE(Readable(loop.PollDescriptor()));  // though the loop never slept
    turn();
    EXPECT_EQ(target.posts, 1);
    EXPECT_FALSE(Readable(loop.PollDescriptor()));

    EXPECT_FALSE(loop.NextTimerMs());
    ASSERT_TRUE(SetTimer(h, 1, 1500));
    EXPECT_EQ(loop.NextTimerMs(), 1500u);
    clock.Advance(1000);
    EXPECT_EQ(loop.NextTimerMs(), 500u);
    clock.Advance(500);
    EXPECT_EQ(loop.NextTimerMs(), 0u);
    turn();
    EXPECT_EQ(target.ticks, 1);
    loop.RemoveTarget(h);
}
