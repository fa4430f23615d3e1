#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/Thread.h"
#include "support/FakeClockScope.h"

using namespace platform;
using support::Eventually;
using support::FakeClockScope;

namespace {

constexpr DWORD kRealLimit = 10000;  // ms: bounds every pump that waits for another thread

struct Received {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread;
};

// A target that records what it gets and answers with a function of it.
class Recorder : public IMessageTarget {
public:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            got_.push_back({msg, wParam, lParam, GetCurrentThreadId()});
        }
        return onMessage ? onMessage(msg, wParam, lParam) : 0;
    }
    std::vector<Received> Got() {
        std::lock_guard<std::mutex> lock(mutex_);
        return got_;
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return got_.size();
    }

    std::function<LRESULT(UINT, WPARAM, LPARAM)> onMessage;

private:
    std::mutex mutex_;
    std::vector<Received> got_;
};

}  // namespace

TEST(EventLoop, PostedMessagesArriveInOrderOnTheLoopsThread) {
    EventLoop loop;
    Recorder target;
    const HWND handle = loop.AddTarget(target);
    constexpr int kCount = 1000;
    Thread poster;
    ASSERT_TRUE(poster.Start([&] {
        for (int i = 0; i < kCount; ++i) ASSERT_TRUE(PostMessage(handle, WM_USER, i, -i));
    }));
    ASSERT_TRUE(loop.PumpUntil([&] { return target.Count() == kCount; }, kRealLimit));
    const std::vector<Received> got = target.Got();
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(got[i].wParam, static_cast<WPARAM>(i));
        ASSERT_EQ(got[i].lParam, -i);
        ASSERT_EQ(got[i].thread, GetCurrentThreadId());
    }
}

TEST(EventLoop, SendMessageReturnsTheHandlersResultFromAnyThread) {
    EventLoop loop;
    Recorder target;
    target.onMessage = [](UINT msg, WPARAM w, LPARAM l) {
        return static_cast<LRESULT>(msg) + static_cast<LRESULT>(w) * l;
    };
    const HWND handle = loop.AddTarget(target);

    // From the loop's own thread the handler runs at once.
    EXPECT_EQ(SendMessage(handle, WM_USER, 2, 3), static_cast<LRESULT>(WM_USER) + 6);

    std::atomic<LRESULT> result{-1};
    Thread sender;
    ASSERT_TRUE(sender.Start([&] { result = SendMessage(handle, WM_USER + 1, 4, 5); }));
    ASSERT_TRUE(loop.PumpUntil([&] { return target.Count() == 2; }, kRealLimit));
    ASSERT_TRUE(sender.Join());
    EXPECT_EQ(result, static_cast<LRESULT>(WM_USER) + 1 + 20);
    const std::vector<Received> got = target.Got();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].thread, GetCurrentThreadId()) << "the handler ran on the loop's thread";
}

TEST(EventLoop, TwoLoopsSendingToEachOtherBothGoOn) {
    EventLoop mine;
    Recorder here;
    here.onMessage = [](UINT, WPARAM w, LPARAM) { return static_cast<LRESULT>(w) * 10; };
    const HWND hereHandle = mine.AddTarget(here);

    std::atomic<HWND> thereHandle{0};
    Thread other;
    ASSERT_TRUE(other.Start([&] {
        EventLoop theirs;
        Recorder there;
        bool closed = false;
        // Answers by asking back the first loop, which is blocked in its own send meanwhile.
        there.onMessage = [&](UINT msg, WPARAM w, LPARAM) -> LRESULT {
            if (msg == WM_CLOSE) {
                closed = true;
                return 0;
            }
            return SendMessage(hereHandle, WM_USER, w + 1, 0) + 1;
        };
        thereHandle = theirs.AddTarget(there);
        (void)theirs.PumpUntil([&] { return closed; }, INFINITE);
        theirs.RemoveTarget(thereHandle);
    }));
    ASSERT_TRUE(Eventually([&] { return thereHandle != 0; }));
    EXPECT_EQ(SendMessage(thereHandle, WM_USER, 4, 0), 51);
    ASSERT_TRUE(PostMessage(thereHandle, WM_CLOSE, 0, 0));
}

TEST(EventLoop, RemovedTargetGetsNothingMoreAndItsHandleIsRefused) {
    EventLoop loop;
    Recorder target, witness;
    const HWND handle = loop.AddTarget(target);
    const HWND witnessHandle = loop.AddTarget(witness);
    ASSERT_TRUE(PostMessage(handle, WM_USER, 1, 0));
    ASSERT_TRUE(SetTimer(handle, 1, 10));
    loop.RemoveTarget(handle);
    ASSERT_TRUE(PostMessage(witnessHandle, WM_USER, 2, 0));
    ASSERT_TRUE(loop.PumpUntil([&] { return witness.Count() == 1; }, kRealLimit));
    EXPECT_EQ(target.Count(), 0u) << "a message queued before the removal was dropped";

    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(PostMessage(handle, WM_USER, 3, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessage(handle, WM_USER, 3, 0), 0);
    EXPECT_FALSE(SetTimer(handle, 2, 10));
    EXPECT_FALSE(KillTimer(handle, 1)) << "its timers ended with it";
    const HWND again = loop.AddTarget(target);
    EXPECT_NE(again, handle) << "handles are never reused";
    loop.RemoveTarget(again);
}

// A target or watch removed by another thread (a socket closed from a timer thread, say)
// must not be in use once the removal returns: its owner may free it at once.
TEST(EventLoop, RemovalFromAnotherThreadWaitsForTheRunningHandler) {
    EventLoop loop;
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    Recorder target;
    const HWND handle = loop.AddTarget(target);

    struct Case {
        const char* what;
        std::function<void(std::function<void()>)> arm;  // makes the loop run the handler
        std::function<void()> remove;
    } cases[] = {
        {"target",
         [&](std::function<void()> handler) {
             target.onMessage = [handler](UINT, WPARAM, LPARAM) {
                 handler();
                 return LRESULT{0};
             };
             ASSERT_TRUE(PostMessage(handle, WM_USER, 0, 0));
         },
         [&] { loop.RemoveTarget(handle); }},
        {"watch",
         [&](std::function<void()> handler) {
             ASSERT_TRUE(
                 loop.AddWatch(fds[0], EventLoop::Readable, [handler](unsigned) { handler(); }));
             ASSERT_EQ(::write(fds[1], "x", 1), 1);
         },
         [&] { loop.RemoveWatch(fds[0]); }},
    };
    for (const Case& c : cases) {
        Event entered, removing(EventReset::Manual);
        std::atomic<bool> handlerDone{false};
        std::atomic<int> doneWhenRemoved{-1};
        c.arm([&] {
            if (handlerDone) return;
            entered.Set();
            (void)WaitForSingleObject(removing, INFINITE);
            // Stay in the handler a little while the other thread removes it.
            (void)Eventually([] { return false; }, std::chrono::milliseconds(20));
            handlerDone = true;
        });
        Thread remover;
        ASSERT_TRUE(remover.Start([&] {
            (void)WaitForSingleObject(entered, INFINITE);
            removing.Set();
            c.remove();
            doneWhenRemoved = handlerDone ? 1 : 0;
        }));
        ASSERT_TRUE(loop.PumpUntil([&] { return handlerDone.load(); }, kRealLimit)) << c.what;
        ASSERT_TRUE(remover.Join());
        EXPECT_EQ(doneWhenRemoved, 1) << c.what << " removed while its handler still ran";
    }
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(EventLoop, SendToATargetWhoseLoopEndsReturnsZero) {
    std::atomic<HWND> handle{0};
    Event sendQueued(EventReset::Manual);
    Thread owner;
    ASSERT_TRUE(owner.Start([&] {
        EventLoop loop;
        Recorder target;
        handle = loop.AddTarget(target);
        // The loop never pumps; it ends while a send waits for it.
        (void)WaitForSingleObject(sendQueued, INFINITE);
    }));
    ASSERT_TRUE(Eventually([&] { return handle != 0; }));
    std::atomic<LRESULT> result{-1};
    std::thread sender([&] { result = SendMessage(handle, WM_USER, 1, 1); });
    // Whether the send is queued before the loop ends or comes after it, it gets 0 and
    // never hangs.
    sendQueued.Set();
    sender.join();
    EXPECT_EQ(result, 0);
}

TEST(EventLoop, TimersRepeatOnTheFakeClockUntilKilled) {
    FakeClockScope clock;
    EventLoop loop;
    Recorder a, b;
    const HWND ha = loop.AddTarget(a);
    const HWND hb = loop.AddTarget(b);
    ASSERT_TRUE(SetTimer(ha, 7, 1500));
    ASSERT_TRUE(SetTimer(hb, 7, 1000));  // ids are per target
    auto pump = [&] { (void)loop.PumpUntil([] { return false; }, 0); };

    struct Step {
        std::uint64_t advance;
        std::size_t ticksA, ticksB;
    } steps[] = {
        {999, 0, 0},   {1, 0, 1}, {499, 0, 1}, {1, 1, 1},  // 1500
        {500, 1, 2},                                       // 2000
        {1000, 2, 3},                                      // 3000
        {60000, 3, 4},                                     // a timer that fell behind fires once
    };
    for (const Step& s : steps) {
        clock.Advance(s.advance);
        pump();
        EXPECT_EQ(a.Count(), s.ticksA) << "at " << clock.Clock().NowMs();
        EXPECT_EQ(b.Count(), s.ticksB) << "at " << clock.Clock().NowMs();
    }
    for (const Received& r : a.Got()) {
        EXPECT_EQ(r.msg, WM_TIMER);
        EXPECT_EQ(r.wParam, 7u);
    }
    EXPECT_TRUE(KillTimer(ha, 7));
    EXPECT_FALSE(KillTimer(ha, 7));
    clock.Advance(1500);
    pump();
    EXPECT_EQ(a.Count(), 3u);
    EXPECT_EQ(b.Count(), 5u);

    // Setting a running timer again restarts it with the new period.
    ASSERT_TRUE(SetTimer(hb, 7, 5000));
    clock.Advance(4999);
    pump();
    EXPECT_EQ(b.Count(), 5u);
    clock.Advance(1);
    pump();
    EXPECT_EQ(b.Count(), 6u);
}

TEST(EventLoop, SleepingLoopWakesWhenTheFakeClockReachesItsTimer) {
    FakeClockScope clock;
    std::atomic<HWND> handle{0};
    std::atomic<int> ticks{0};
    Thread owner;
    ASSERT_TRUE(owner.Start([&] {
        EventLoop loop;
        Recorder target;
        target.onMessage = [&](UINT msg, WPARAM, LPARAM) {
            if (msg == WM_TIMER) ++ticks;
            return LRESULT{0};
        };
        handle = loop.AddTarget(target);
        (void)loop.PumpUntil([&] { return owner.StopRequested(); }, INFINITE);
        loop.RemoveTarget(handle);
    }));
    ASSERT_TRUE(Eventually([&] { return handle != 0; }));
    ASSERT_TRUE(SetTimer(handle, 1, 20000));  // from another thread
    clock.Advance(20000);
    EXPECT_TRUE(Eventually([&] { return ticks == 1; }));
    owner.Stop();
    ASSERT_TRUE(PostMessage(handle, WM_USER, 0, 0));  // the stop is seen after a message
}

TEST(EventLoop, WatchReportsAReadableDescriptorUntilRemoved) {
    EventLoop loop;
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    std::vector<std::uint8_t> read;
    std::atomic<int> calls{0};
    ASSERT_TRUE(loop.AddWatch(fds[0], EventLoop::Readable, [&](unsigned events) {
        ++calls;
        EXPECT_TRUE(events & EventLoop::Readable);
        std::uint8_t buffer[16];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) read.insert(read.end(), buffer, buffer + n);
    }));
    EXPECT_FALSE(loop.AddWatch(fds[0], EventLoop::Readable, [](unsigned) {}))
        << "one watch per descriptor";

    std::thread writer([&] { ASSERT_EQ(::write(fds[1], "ab", 2), 2); });
    writer.join();
    ASSERT_TRUE(loop.PumpUntil([&] { return read.size() == 2; }, kRealLimit));
    EXPECT_EQ(read, (std::vector<std::uint8_t>{'a', 'b'}));

    // Paused, then removed: data waiting in the pipe calls nothing.
    ASSERT_TRUE(loop.SetWatchEvents(fds[0], 0));
    ASSERT_EQ(::write(fds[1], "c", 1), 1);
    const int before = calls;
    (void)loop.PumpUntil([] { return false; }, 0);
    EXPECT_EQ(calls, before);
    ASSERT_TRUE(loop.SetWatchEvents(fds[0], EventLoop::Readable));
    ASSERT_TRUE(loop.PumpUntil([&] { return read.size() == 3; }, kRealLimit));
    loop.RemoveWatch(fds[0]);
    ASSERT_EQ(::write(fds[1], "d", 1), 1);
    (void)loop.PumpUntil([] { return false; }, 0);
    EXPECT_EQ(read.size(), 3u);

    std::atomic<bool> writable{false};
    ASSERT_TRUE(loop.AddWatch(fds[1], EventLoop::Writable, [&](unsigned events) {
        writable = (events & EventLoop::Writable) != 0;
    }));
    ASSERT_TRUE(loop.PumpUntil([&] { return writable.load(); }, kRealLimit));
    loop.RemoveWatch(fds[1]);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(EventLoop, NestedPumpEndsAtItsDeadlineOrItsCondition) {
    {
        FakeClockScope clock;
        EventLoop loop;
        Recorder target;
        target.onMessage = [&](UINT, WPARAM w, LPARAM) {
            clock.Advance(w);
            return LRESULT{0};
        };
        const HWND handle = loop.AddTarget(target);
        ASSERT_TRUE(PostMessage(handle, WM_USER, 4999, 0));
        ASSERT_TRUE(PostMessage(handle, WM_USER, 1, 0));
        // The first message leaves the deadline ahead, the second reaches it.
        EXPECT_FALSE(loop.PumpUntil([] { return false; }, 5000));
        EXPECT_EQ(target.Count(), 2u);
        EXPECT_EQ(clock.Clock().NowMs(), 5000u);
    }
    {
        EventLoop loop;
        Recorder target;
        const HWND handle = loop.AddTarget(target);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(PostMessage(handle, WM_USER, i, 0));
        // Stops right after the message that makes the condition true.
        EXPECT_TRUE(loop.PumpUntil([&] { return target.Count() == 2; }, kRealLimit));
        EXPECT_EQ(target.Count(), 2u);
        EXPECT_TRUE(loop.PumpUntil([&] { return target.Count() == 3; }, 0));

        // A real deadline really passes, and so does a real timer's period.
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(loop.PumpUntil([] { return false; }, 30));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
        for (int i = 0; i < 5; ++i) {
            const auto set = std::chrono::steady_clock::now();
            ASSERT_TRUE(SetTimer(handle, 1, 7));
            ASSERT_TRUE(loop.PumpUntil([&] { return target.Count() == 4u + i; }, kRealLimit));
            EXPECT_GE(std::chrono::steady_clock::now() - set, std::chrono::milliseconds(7)) << i;
            EXPECT_TRUE(KillTimer(handle, 1));
        }
    }
}

TEST(EventLoop, QuitEndsNestedPumpAndRunWithItsCode) {
    EventLoop loop;
    Recorder target;
    target.onMessage = [&](UINT msg, WPARAM w, LPARAM) {
        if (msg == WM_USER) {
            // A modal wait inside a handler: Quit ends it, and then the outer Run.
            EXPECT_FALSE(loop.PumpUntil([] { return false; }, INFINITE));
        } else {
            loop.Quit(static_cast<int>(w));
        }
        return LRESULT{0};
    };
    const HWND handle = loop.AddTarget(target);
    ASSERT_TRUE(PostMessage(handle, WM_USER, 0, 0));
    ASSERT_TRUE(PostMessage(handle, WM_CLOSE, 42, 0));
    EXPECT_EQ(loop.Run(), 42);

    Thread quitter;
    ASSERT_TRUE(quitter.Start([&] { loop.Quit(7); }));
    EXPECT_EQ(loop.Run(), 7) << "Quit from another thread";
}

namespace {

// The real clock, but for one step run on the loop's thread at its first reading after it
// is armed: the moment the loop has looked for Quit and is about to choose how long to sleep.
class ClockWithStep final : public IClock {
public:
    std::uint64_t NowMs() const override {
        if (std::this_thread::get_id() == stepThread.load() && step) std::exchange(step, nullptr)();
        return real.NowMs();
    }
    std::int64_t WallMs() const override { return real.WallMs(); }
    bool IsManual() const override { return false; }

    RealClock real;
    mutable std::function<void()> step;
    std::atomic<std::thread::id> stepThread{};
};

}  // namespace

TEST(EventLoop, QuitJustBeforeTheLoopSleepsStillEndsIt) {
    ClockWithStep clock;
    SetClock(&clock);
    std::atomic<EventLoop*> running{nullptr};
    std::atomic<bool> ended{false};
    int code = -1;
    Thread loopThread;
    ASSERT_TRUE(loopThread.Start([&] {
        EventLoop loop;
        clock.step = [&] { loop.Quit(9); };
        clock.stepThread = std::this_thread::get_id();
        running = &loop;
        code = loop.Run();
        ended = true;
        running = nullptr;
    }));
    const bool endedByItself = support::Eventually([&] { return ended.load(); });
    if (!endedByItself) {
        // Wake the stuck loop so that the test can end.
        Recorder nudge;
        ASSERT_TRUE(support::Eventually([&] { return running.load() != nullptr; }));
        const HWND handle = running.load()->AddTarget(nudge);
        EXPECT_TRUE(PostMessage(handle, WM_USER, 0, 0));
        ASSERT_TRUE(support::Eventually([&] { return ended.load(); }));
    }
    EXPECT_TRUE(endedByItself) << "the loop slept through a Quit";
    EXPECT_TRUE(loopThread.Join());
    ResetClock();
    EXPECT_EQ(code, 9);
}

TEST(RegisterWindowMessage, SameNameAnyCaseGivesTheSameProcessWideId) {
    const UINT first = RegisterWindowMessage("PassportReaderRequest");
    EXPECT_GE(first, 0xC000u);
    EXPECT_LE(first, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessage("passportreaderREQUEST"), first);
    UINT fromOther = 0;
    std::thread([&] { fromOther = RegisterWindowMessage("PASSPORTREADERREQUEST"); }).join();
    EXPECT_EQ(fromOther, first);
    const UINT second = RegisterWindowMessage("ShowIcon");
    EXPECT_NE(second, first);
    EXPECT_GE(second, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST(EventLoop, LoopRefusedItsDescriptorsSaysSoInsteadOfRunning) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' own checks need free descriptors";
#endif
    // Leave no descriptor free: the lowest free number becomes the limit.
    const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::optional<EventLoop> loop;
    loop.emplace();
    const DWORD error = GetLastError();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);

    EXPECT_FALSE(loop->IsValid());
    EXPECT_EQ(error, ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(loop->Run(), -1);
    EXPECT_FALSE(loop->PumpUntil([] { return false; }, INFINITE));
    Recorder target;
    const HWND handle = loop->AddTarget(target);
    EXPECT_TRUE(PostMessage(handle, WM_USER, 0, 0));
    loop->RemoveTarget(handle);
    loop.reset();

    EventLoop good;
    EXPECT_TRUE(good.IsValid());
}
