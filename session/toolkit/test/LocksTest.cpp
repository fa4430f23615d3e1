#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Wait.h"
#include "toolkit/Cond.h"
#include "toolkit/Condition.h"
#include "toolkit/Mutex.h"
#include "toolkit/ReadWriteLock.h"
#include "toolkit/Semaphore.h"
#include "toolkit/SyncException.h"

using namespace UTKTools;

namespace {

constexpr platform::DWORD kLong = 10000;  // a deadline that only a fault can reach
constexpr platform::DWORD kShort = 100;   // how long a blocked thread must stay blocked

// Makes a test clock current for one scope.
struct StoppedClock {
    explicit StoppedClock(platform::FakeClock& clock) { platform::SetClock(&clock); }
    ~StoppedClock() { platform::ResetClock(); }
    StoppedClock(const StoppedClock&) = delete;
    StoppedClock& operator=(const StoppedClock&) = delete;
};

bool Signalled(platform::Event& event, platform::DWORD ms) {
    return platform::WaitForSingleObject(event, ms) == platform::WAIT_OBJECT_0;
}

TEST(LocksTest, CopyingAnyLockThrowsWithItsText) {
    CMutex mutex;
    CRecursiveMutex recursive;
    CCriticalSection section;
    CCondition condition;
    CCond cond;
    CSemaphore semaphore;
    CReadWriteLock rw;
    CReadWriteLock::CRWState state;
    struct Case {
        std::function<void()> copy;
        const char* text;
    };
    const Case cases[] = {
        {[&] { CMutex c(mutex); }, "CMutex::CMutex(rho)> copy ctr illegal"},
        {[&] {
             CMutex c;
             c = mutex;
         },
         "CMutex::operator=> illegal"},
        {[&] { CRecursiveMutex c(recursive); },
         "CRecursiveMutex::CRecursiveMutex(rho)> copy ctr illegal"},
        {[&] {
             CRecursiveMutex c;
             c = recursive;
         },
         "CRecursiveMutex::operator=> illegal"},
        {[&] { CCriticalSection c(section); },
         "CCriticalSection::CCriticalSection(rho)> copy ctr illegal"},
        {[&] {
             CCriticalSection c;
             c = section;
         },
         "CCriticalSection::operator=> illegal"},
        {[&] { CCondition c(condition); }, "CCondition::CCondition(rho)> copy ctr illegal"},
        {[&] {
             CCondition c;
             c = condition;
         },
         "CCondition::operator=> illegal"},
        {[&] { CCond c(cond); }, "CCond::CCond(rho)> copy ctr illegal"},
        {[&] {
             CCond c;
             c = cond;
         },
         "CCond::operator=> illegal"},
        {[&] { CSemaphore c(semaphore); }, "CSemaphore::CSemaphore(rho)> copy ctr illegal"},
        {[&] {
             CSemaphore c;
             c = semaphore;
         },
         "CSemaphore::operator=> illegal"},
        {[&] { CReadWriteLock c(rw); }, "CReadWriteLock::CReadWriteLock(rho)> copy ctr illegal"},
        {[&] {
             CReadWriteLock c;
             c = rw;
         },
         "CReadWriteLock::operator=> illegal"},
        {[&] { CReadWriteLock::CRWState c(state); }, "CRWState::CRWState(rho)> copy ctr illegal"},
        {[&] {
             CReadWriteLock::CRWState c;
             c = state;
         },
         "CRWState::operator=> illegal"},
        {[&] { CReadWriteLock::CReader c(rw.Reader()); },
         "CReader::CReader(rho)> copy ctr illegal"},
        {[&] {
             CReadWriteLock::CReader c(state);
             c = rw.Reader();
         },
         "CReader::operator=> illegal"},
        {[&] { CReadWriteLock::CWriter c(rw.Writer()); },
         "CWriter::CWriter(rho)> copy ctr illegal"},
        {[&] {
             CReadWriteLock::CWriter c(state);
             c = rw.Writer();
         },
         "CWriter::operator=> illegal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            c.copy();
            ADD_FAILURE() << "no exception";
        } catch (const CSyncException& e) {
            EXPECT_EQ(e.error(), -1);
            EXPECT_STREQ(e.what(), c.text);
        }
    }
}

TEST(LocksTest, SyncExceptionKeepsItsTextWholeAndAcrossCopies) {
    const CSyncException none(3, nullptr);
    EXPECT_STREQ(none.what(), "No message allocated!");
    EXPECT_EQ(none.error(), 3);
    const std::string longText(5000, 'x');
    CSyncException big(7, "%s>%d", longText.c_str(), 42);
    EXPECT_EQ(std::string(big.what()), longText + ">42");
    const CSyncException copy(big);
    EXPECT_STREQ(copy.what(), big.what());
    CSyncException assigned(0, "old");
    assigned = none;
    EXPECT_STREQ(assigned.what(), "No message allocated!");
    EXPECT_EQ(assigned.error(), 3);
}

TEST(LocksTest, MutexesAreRecursiveAndIgnoreAReleaseByAnotherThread) {
    CRecursiveMutex mutex;
    mutex.Lock();
    mutex.Lock();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        mutex.Unlock();  // not the owner: nothing changes
        CGuard guard(mutex);
        entered = true;
    });
    mutex.Unlock();
    EXPECT_FALSE(entered.load());  // still held once by this thread
    mutex.Unlock();
    other.join();
    EXPECT_TRUE(entered.load());
}

TEST(LocksTest, ConditionKeepsASignalButCondLosesIt) {
    CCondition condition;
    condition.Signal();
    EXPECT_EQ(condition.Wait(0), EWAIT_SIGNALED);  // the signal was kept for it
    EXPECT_EQ(condition.Wait(0), EWAIT_TIMEOUT);

    CCond cond;
    CRecursiveMutex mutex;
    CGuard guard(mutex);
    cond.Signal();  // nobody waits: lost
    EXPECT_EQ(cond.Wait(mutex, 0), EWAIT_TIMEOUT);
}

// Starts `count` threads that each take the mutex, count themselves ready and wait; returns
// once all of them are inside their wait (they count themselves before they let go of it).
template <typename WaitFn>
std::vector<std::thread> StartWaiters(int count, CRecursiveMutex& mutex, int& ready,
                                      std::vector<int>& results, WaitFn wait) {
    std::vector<std::thread> threads;
    results.assign(static_cast<std::size_t>(count), -1);
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            CGuard guard(mutex);
            ++ready;
            results[static_cast<std::size_t>(i)] = wait();
        });
    }
    for (int spins = 0; spins < 1000000; ++spins) {
        CGuard guard(mutex);
        if (ready == count) {
            break;
        }
        std::this_thread::yield();
    }
    return threads;
}

TEST(LocksTest, BroadcastsReleaseEveryWaiter) {
    {
        // On a stopped test clock too: the broadcast's pauses are not time-outs.
        platform::FakeClock stopped;
        const StoppedClock scope(stopped);
        CCondition condition;
        condition.Broadcast();  // nobody waits: returns at once
        CRecursiveMutex mutex;
        int ready = 0;
        std::vector<int> results;
        auto threads = StartWaiters(2, mutex, ready, results,
                                    [&] { return static_cast<int>(condition.Wait(mutex, kLong)); });
        {
            CGuard guard(mutex);
            EXPECT_EQ(ready, 2);
        }
        condition.Broadcast();  // returns once both have left their wait
        for (auto& t : threads) {
            t.join();
        }
        EXPECT_EQ(results, (std::vector<int>{EWAIT_SIGNALED, EWAIT_SIGNALED}));
    }
    {
        CCond cond;
        cond.Broadcast();
        CRecursiveMutex mutex;
        int ready = 0;
        std::vector<int> results;
        auto threads = StartWaiters(3, mutex, ready, results,
                                    [&] { return static_cast<int>(cond.Wait(mutex)); });
        {
            CGuard guard(mutex);  // the broadcaster holds the mutex, as callers do
            EXPECT_EQ(ready, 3);
            cond.Broadcast();
        }
        for (auto& t : threads) {
            t.join();
        }
        EXPECT_EQ(results, (std::vector<int>{EWAIT_SIGNALED, EWAIT_SIGNALED, EWAIT_SIGNALED}));
    }
}

TEST(LocksTest, CondCarriesAQueueBetweenThreads) {
    CCond cond;
    CRecursiveMutex mutex;
    std::vector<int> queue;
    constexpr int kProducers = 4;
    constexpr int kItems = 500;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&] {
            for (int i = 0; i < kItems; ++i) {
                CGuard guard(mutex);
                queue.push_back(i);
                cond.Signal();
            }
        });
    }
    int taken = 0;
    {
        CGuard guard(mutex);
        for (int rounds = 0; taken < kProducers * kItems && rounds < 100000; ++rounds) {
            if (queue.empty()) {
                ASSERT_NE(cond.Wait(mutex, static_cast<std::int32_t>(kLong)), EWAIT_FAILED);
                continue;
            }
            taken += static_cast<int>(queue.size());
            queue.clear();
        }
    }
    for (auto& t : producers) {
        t.join();
    }
    EXPECT_EQ(taken, kProducers * kItems);
}

// A wait that times out still hands the caller's mutex back to it, held.
TEST(LocksTest, TimedOutWaitsTakeTheMutexAgain) {
    CCondition condition;
    CCond cond;
    const std::pair<const char*, std::function<EWAIT_RESULT(CRecursiveMutex&)>> waits[] = {
        {"CCondition", [&](CRecursiveMutex& m) { return condition.Wait(m, 20); }},
        {"CCond", [&](CRecursiveMutex& m) { return cond.Wait(m, 20); }},
    };
    for (const auto& [name, wait] : waits) {
        SCOPED_TRACE(name);
        CRecursiveMutex mutex;
        mutex.Lock();
        EXPECT_EQ(wait(mutex), EWAIT_TIMEOUT);
        platform::Event entered(platform::EventReset::Manual);
        std::thread other([&] {
            CGuard guard(mutex);
            entered.Set();
        });
        EXPECT_FALSE(Signalled(entered, kShort));  // still ours after the time-out
        mutex.Unlock();
        EXPECT_TRUE(Signalled(entered, kLong));
        other.join();
    }
}

TEST(LocksTest, SemaphoreCountsPostsAndTimesOut) {
    CSemaphore semaphore;
    EXPECT_EQ(semaphore.Wait(0), EWAIT_TIMEOUT);
    semaphore.Post();
    EXPECT_EQ(semaphore.Wait(0), EWAIT_SIGNALED);
    EXPECT_EQ(semaphore.Wait(0), EWAIT_TIMEOUT);
    semaphore.Post();
    semaphore.Post();
    EXPECT_EQ(semaphore.Wait(), EWAIT_SIGNALED);
    EXPECT_EQ(semaphore.Wait(5), EWAIT_SIGNALED);

    platform::Event woke;
    std::thread waiter([&] {
        EXPECT_EQ(semaphore.Wait(), EWAIT_SIGNALED);
        woke.Set();
    });
    semaphore.Post();
    EXPECT_TRUE(Signalled(woke, kLong));
    waiter.join();
}

// A thread that takes one side of a lock, reports it, and keeps it until told to let go.
class Holder {
public:
    Holder(CLockable& side)
        : thread_([this, &side] {
              trying_.Set();
              side.Lock();
              entered_.Set();
              (void)platform::WaitForSingleObject(release_, kLong);
              side.Unlock();
          }) {}
    ~Holder() {
        release_.Set();
        thread_.join();
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool Trying() { return Signalled(trying_, kLong); }
    bool Entered(platform::DWORD ms) { return Signalled(entered_, ms); }
    void Release() { release_.Set(); }

private:
    platform::Event trying_{platform::EventReset::Manual};
    platform::Event entered_{platform::EventReset::Manual};
    platform::Event release_{platform::EventReset::Manual};
    std::thread thread_;
};

TEST(LocksTest, ReadWriteLockPrefersReaders) {
    CReadWriteLock rw;
    Holder reader1(rw.Reader());
    Holder reader2(rw.Reader());
    ASSERT_TRUE(reader1.Entered(kLong));
    ASSERT_TRUE(reader2.Entered(kLong));  // two readers at once

    Holder writer(rw.Writer());
    ASSERT_TRUE(writer.Trying());
    EXPECT_FALSE(writer.Entered(kShort));  // waits for the readers

    Holder reader3(rw.Reader());
    EXPECT_TRUE(reader3.Entered(kLong));  // enters at once although a writer waits
    {
        CGuard more(rw.Reader());  // and so does any further reader
    }

    reader1.Release();
    reader2.Release();
    EXPECT_FALSE(writer.Entered(kShort));  // the third reader still holds it
    reader3.Release();
    EXPECT_TRUE(writer.Entered(kLong));

    Holder lateReader(rw.Reader());
    Holder secondWriter(rw.Writer());
    ASSERT_TRUE(lateReader.Trying());
    ASSERT_TRUE(secondWriter.Trying());
    EXPECT_FALSE(lateReader.Entered(kShort));  // a writer excludes readers...
    EXPECT_FALSE(secondWriter.Entered(0));     // ...and other writers
    writer.Release();
    // Whoever comes first, both get in once the other is done.
    lateReader.Release();
    secondWriter.Release();
    EXPECT_TRUE(lateReader.Entered(kLong));
    EXPECT_TRUE(secondWriter.Entered(kLong));
}

}  // namespace
