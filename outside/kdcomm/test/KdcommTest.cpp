#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "kdcomm/SyncObject.h"
#include "kdcomm/Thread.h"

namespace {

struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    std::atomic<int> runs{0};
};

unsigned waitForGate(void* arg) {
    auto* gate = static_cast<Gate*>(arg);
    gate->runs++;
    std::unique_lock<std::mutex> lock(gate->m);
    gate->cv.wait(lock, [gate] { return gate->open; });
    return 0;
}

TEST(KdcommThread, ReportsExitOnlyAfterTheProcedureReturnedAndJoins) {
    Gate gate;
    kdcomm::ThreadHandle* t = kdcomm::StartThread(&waitForGate, &gate);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(kdcomm::IsThreadExited(t));
    EXPECT_TRUE(kdcomm::SetThreadPriorityLevel(t, 2));
    EXPECT_FALSE(kdcomm::SetThreadPriorityLevel(t, 3));
    EXPECT_EQ(kdcomm::GetThreadPriorityLevel(t), 2);
    {
        std::lock_guard<std::mutex> lock(gate.m);
        gate.open = true;
    }
    gate.cv.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!kdcomm::IsThreadExited(t) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_TRUE(kdcomm::IsThreadExited(t));
    kdcomm::JoinThread(t);
    EXPECT_EQ(gate.runs.load(), 1);
    EXPECT_TRUE(kdcomm::IsThreadExited(nullptr));
    EXPECT_EQ(kdcomm::StartThread(nullptr, nullptr), nullptr);
}

TEST(KdcommCriticalSection, IsReentrantAndExcludesOtherThreads) {
    kdcomm::CriticalSection cs;
    kdcomm::Guard outer(cs);
    {
        kdcomm::Guard inner(cs);  // the owner enters again
    }
    bool otherGot = true;
    std::thread other([&] {
        otherGot = cs.tryLock();
        if (otherGot) cs.unlock();
    });
    other.join();
    EXPECT_FALSE(otherGot);
}

}  // namespace
