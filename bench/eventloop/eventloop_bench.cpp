// Round trip of a posted message between two event loops on two threads (post, handle,
// post back, handle), against the least any such hand-off costs: a bare mutex and condition
// variable ping-pong between two threads. Prints the ratio of the two times at the end.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "bench/Ratio.h"
#include "platform/EventLoop.h"
#include "platform/Thread.h"

using namespace platform;

namespace {

void BM_ConditionVariableRoundTrip(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable wake;
    std::uint64_t request = 0;
    std::uint64_t reply = 0;
    bool stop = false;
    std::thread echo([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stop || request != reply; });
            if (stop) return;
            reply = request;
            wake.notify_all();
        }
    });
    std::uint64_t sequence = 0;
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(mutex);
        request = ++sequence;
        wake.notify_all();
        wake.wait(lock, [&] { return reply == sequence; });
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    wake.notify_all();
    echo.join();
}
BENCHMARK(BM_ConditionVariableRoundTrip)->UseRealTime();

// Posts every message it gets back to the sender's target.
class Echo : public IMessageTarget {
public:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM) override {
        if (msg == WM_CLOSE) {
            EventLoop::Current()->Quit(0);
        } else {
            (void)PostMessage(replyTo, WM_USER, wParam, 0);
        }
        return 0;
    }
    HWND replyTo = 0;
};

class Sink : public IMessageTarget {
public:
    LRESULT OnMessage(UINT, WPARAM wParam, LPARAM) override {
        last = wParam;
        return 0;
    }
    WPARAM last = 0;
};

void BM_EventLoopRoundTrip(benchmark::State& state) {
    EventLoop loop;
    Sink sink;
    const HWND sinkHandle = loop.AddTarget(sink);
    std::mutex mutex;
    std::condition_variable ready;
    HWND echoHandle = 0;
    Thread echoThread("echo");
    if (!echoThread.Start([&] {
            EventLoop echoLoop;
            Echo echo;
            echo.replyTo = sinkHandle;
            {
                std::lock_guard<std::mutex> lock(mutex);
                echoHandle = echoLoop.AddTarget(echo);
            }
            ready.notify_all();
            (void)echoLoop.Run();
            echoLoop.RemoveTarget(echoHandle);
        })) {
        state.SkipWithError("cannot start the echo thread");
        return;
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return echoHandle != 0; });
    }
    WPARAM sequence = 0;
    for (auto _ : state) {
        const WPARAM expected = ++sequence;
        (void)PostMessage(echoHandle, WM_USER, expected, 0);
        if (!loop.PumpUntil([&] { return sink.last == expected; }, INFINITE)) {
            state.SkipWithError("the pump ended early");
            break;
        }
    }
    (void)PostMessage(echoHandle, WM_CLOSE, 0, 0);
    (void)echoThread.Join();
    loop.RemoveTarget(sinkHandle);
}
BENCHMARK(BM_EventLoopRoundTrip)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double bare = reporter.Time("BM_ConditionVariableRoundTrip/real_time");
        const double loop = reporter.Time("BM_EventLoopRoundTrip/real_time");
        if (bare > 0.0 && loop > 0.0) {
            std::printf("event loop / condition variable round-trip time ratio: %.2f\n",
                        loop / bare);
        }
    });
    return 0;
}
