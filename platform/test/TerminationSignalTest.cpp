#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "platform/ChildProcess.h"
#include "platform/EventLoop.h"
#include "platform/TerminationSignal.h"

using platform::EventLoop;
using platform::TerminationSignal;

namespace {

constexpr platform::DWORD kRealLimit = 10000;  // ms

}  // namespace

// The signals come on the loop, in order, also one that was pending before the watch began;
// a second watch of the same object is refused.
TEST(TerminationSignal, ArrivesOnTheLoopInOrder) {
    ASSERT_TRUE(TerminationSignal::Block());
    ASSERT_EQ(std::raise(SIGINT), 0);  // pending: blocked, nobody reads yet
    EventLoop loop;
    std::vector<int> got;
    TerminationSignal signal;
    ASSERT_TRUE(signal.Watch(loop, [&](int s) { got.push_back(s); }));
    EXPECT_FALSE(signal.Watch(loop, [](int) {}));
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(loop.PumpUntil([&] { return got.size() == 1; }, kRealLimit));
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(loop.PumpUntil([&] { return got.size() == 2; }, kRealLimit));
    EXPECT_EQ(got, (std::vector<int>{SIGINT, SIGTERM}));

    // A signal that comes while nobody watches waits for the next watch, whose callback may
    // end it.
    signal.Stop();
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(signal.Watch(loop, [&](int s) {
        got.push_back(s);
        signal.Stop();
    }));
    ASSERT_TRUE(loop.PumpUntil([&] { return got.size() == 3; }, kRealLimit));
    EXPECT_EQ(got.back(), SIGTERM);
    EXPECT_FALSE(signal.Watching());
}

// A program this process starts has neither signal blocked, so it can be stopped.
TEST(TerminationSignal, StartedProgramsGetTheSignalsBack) {
    ASSERT_TRUE(TerminationSignal::Block());
    platform::ChildProcess child;
    ASSERT_TRUE(child.Start("/bin/grep", {"^SigBlk", "/proc/self/status"}));
    const std::vector<std::string> lines = child.ReadRemaining(kRealLimit);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].find_first_of("0123456789abcdef")), "0000000000000000");
    EXPECT_EQ(child.Wait(kRealLimit), 0);
}
