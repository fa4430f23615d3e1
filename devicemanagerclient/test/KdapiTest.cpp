// kdapi against the manager stand-in: in-process for the knobs, started from PATH for the
// start-up rules.
#include "devicemanagerclient/kdapi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kdm32nt/Transport.h"
#include "kdman/Manager.h"
#include "platform/Process.h"
#include "platform/Thread.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/Loopback.h"
#include "support/TempRoot.h"

namespace {

constexpr std::uint32_t kBit = KD_CUSTOMER_BIT;
constexpr int kDeadlineMs = 5000;

std::vector<std::string> g_notes;  // what the user was shown
void CaptureNote(const char* text, const char* caption) {
    g_notes.push_back(std::string(caption) + ": " + text);
}

// The queries the manager got with one request code.
std::vector<kdm32nt::Query> QueriesOf(const kdman::Manager& manager, std::int32_t code) {
    std::vector<kdm32nt::Query> found;
    for (const auto& query : manager.Queries())
        if (query.requestCode == code) found.push_back(query);
    return found;
}

class KdapiTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(manager.Start(platform::SocketAddress::Loopback(0)));
        ::setenv(kdm32nt::kAddressVariable, "127.0.0.1", 1);
        ::setenv(kdm32nt::kPortVariable, std::to_string(manager.Port()).c_str(), 1);
        ASSERT_TRUE(instanceLock.Take(kDeadlineMs));  // the manager counts as running
        g_notes.clear();
        KDSetNotifyHook(CaptureNote);
    }
    void TearDown() override {
        KDExit();
        KDSetNotifyHook(nullptr);
        manager.Stop();
    }

    kdman::Manager manager;
    kdman::InstanceLock instanceLock;
};

TEST_F(KdapiTest, OpenAndManagementRequestsSendTheirCodesFlagsAndPayloads) {
    EXPECT_EQ(KDOpen("PTR1"), 1u);
    EXPECT_EQ(KDGetLastError(), kBit);
    const auto opens = QueriesOf(manager, -2);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].deviceName, "PTR1");
    EXPECT_EQ(opens[0].flags, 0u);
    EXPECT_TRUE(KDInitialize());  // the management handle, for the requests below

    struct Case {
        const char* what;
        bool (*call)();
        std::int32_t code;
        std::uint32_t flags;
        const char* payload;
    };
    const Case cases[] = {
        {"status", [] { return KDStatus("PTR1"); }, -9, 1, "00 00 00 05 00 50 54 52 31 00"},
        {"add", [] { return KDAddDevice("A", "BC"); }, -6, 1,
         "00 00 00 09 00 00 00 0B 00 41 00 42 43 00"},
        {"properties", [] { return KDProperties("A"); }, -10, 1, "00 00 00 05 00 41 00"},
        {"share", [] { return KDShareDevice("A", 5); }, -14, 1, "00 00 00 05 00 41 00"},
        {"unshare", [] { return KDShareDevice("A", 0); }, -14, 0, "00 00 00 05 00 41 00"},
        {"delete", [] { return KDDeleteDevice("A"); }, -7, 1, "00 00 00 05 00 41 00"},
        {"show", [] { return KDShowKDManWindow(); }, -11, 0, ""},
        {"hide", [] { return KDHideKDManWindow(); }, -12, 0, ""},
    };
    for (const Case& c : cases) {
        const std::size_t before = manager.Queries().size();
        EXPECT_TRUE(c.call()) << c.what;
        EXPECT_EQ(KDGetLastError(), kBit) << c.what;
        const auto queries = manager.Queries();
        ASSERT_EQ(queries.size(), before + 1) << c.what;
        EXPECT_EQ(queries.back().requestCode, c.code) << c.what;
        EXPECT_EQ(queries.back().deviceName, "??MAK??") << c.what;
        EXPECT_EQ(queries.back().flags, c.flags) << c.what;
        EXPECT_EQ(support::ToHex(queries.back().payload), c.payload) << c.what;
    }
    // One management handle for all of them, opened with flags -1.
    const auto allOpens = QueriesOf(manager, -2);
    ASSERT_EQ(allOpens.size(), 2u);
    EXPECT_EQ(allOpens[1].deviceName, "??MAK??");
    EXPECT_EQ(allOpens[1].flags, 0xFFFFFFFFu);
    EXPECT_EQ(manager.ViewUpdates(), 1u);  // the add told the view

    manager.SetStatus("PTR2", 5);
    EXPECT_FALSE(KDStatus("PTR2"));
    EXPECT_EQ(KDGetLastError(), kBit | 5);
    EXPECT_FALSE(KDStatus("NOSUCH"));
    EXPECT_EQ(KDGetLastError(), kBit | 2);
    EXPECT_TRUE(KDClose(1));
}

TEST_F(KdapiTest, HandlesRunOutAtTheTableSizeAndRefusedOpensFreeTheirEntry) {
    EXPECT_EQ(KDOpen("NOSUCH"), 0u);  // the manager refuses: entry 1 is free again
    EXPECT_EQ(KDGetLastError(), kBit | 2);
    for (std::uint32_t expected = 1; expected <= KD_MAX_HANDLES; ++expected)
        ASSERT_EQ(KDOpen("PTR1"), expected);
    EXPECT_EQ(KDOpen("PTR1"), 0u);
    EXPECT_EQ(KDGetLastError(), kBit | 10);

    EXPECT_TRUE(KDClose(17));
    EXPECT_FALSE(KDClose(17));
    EXPECT_EQ(KDGetLastError(), kBit | 10);
    EXPECT_EQ(KDOpen("PTR1"), 17u);
    for (std::uint32_t handle = 1; handle <= KD_MAX_HANDLES; ++handle) ASSERT_TRUE(KDClose(handle));
}

struct Completion {
    std::mutex lock;
    std::vector<KDJOB*> jobs;
    std::vector<platform::DWORD> threads;
};
Completion g_done;
void Completed(KDJOB* job) {
    std::lock_guard<std::mutex> lock(g_done.lock);
    g_done.jobs.push_back(job);
    g_done.threads.push_back(platform::GetCurrentThreadId());
}
std::size_t CompletedCount() {
    std::lock_guard<std::mutex> lock(g_done.lock);
    return g_done.jobs.size();
}

TEST_F(KdapiTest, SubmittedJobsCompleteOnTheTransportThreadUnlessCancelled) {
    const std::uint32_t handle = KDOpen("PTR1");
    ASSERT_EQ(handle, 1u);
    {
        std::lock_guard<std::mutex> lock(g_done.lock);
        g_done.jobs.clear();
        g_done.threads.clear();
    }

    // The reply to the first comes late; it is cancelled before.
    char lateBuffer[8] = "late";
    KDJOB late{handle, 43, 0, 0, Completed, 4, lateBuffer};
    manager.SetDelay(43, 200);
    KDSubmit(&late);
    EXPECT_EQ(KDGetLastError(), kBit);
    EXPECT_TRUE(KDCancelSubmit(handle, &late));
    EXPECT_EQ(KDGetLastError(), kBit);

    char buffer[5] = {'h', 'e', 'l', 'l', 'o'};
    KDJOB job{handle, 42, 7, 0, Completed, sizeof buffer, buffer};
    KDSubmit(&job);
    EXPECT_EQ(KDGetLastError(), kBit);
    // The manager answers in order: once this one is done, the late reply was dropped.
    ASSERT_TRUE(support::Eventually([] { return CompletedCount() == 1; }));
    {
        std::lock_guard<std::mutex> lock(g_done.lock);
        EXPECT_EQ(g_done.jobs[0], &job);
        EXPECT_NE(g_done.threads[0], platform::GetCurrentThreadId());
    }
    EXPECT_EQ(job.requestCode, 42);
    EXPECT_EQ(job.flags, 8u);
    EXPECT_EQ(job.state, 0u);
    EXPECT_EQ(job.length, 5u);  // "ok:hello" cut to the five bytes given
    EXPECT_EQ(std::string(buffer, 5), "ok:he");
    EXPECT_EQ(late.state, 1u);
    EXPECT_STREQ(lateBuffer, "late");

    // A job on a handle that is not open fails at once, its routine called here.
    KDJOB closed{9, 44, 0, 0, Completed, 0, nullptr};
    KDSubmit(&closed);
    EXPECT_EQ(KDGetLastError(), kBit | 8);
    EXPECT_EQ(closed.state, 2u);
    EXPECT_EQ(CompletedCount(), 2u);
    EXPECT_TRUE(KDClose(handle));
}

TEST_F(KdapiTest, EnumerateAndRegistryPathLayOutRecordsAndTexts) {
    std::uint32_t length = 0, count = 0;
    alignas(KDDEVICEINFO) std::uint8_t buffer[256];
    ASSERT_TRUE(KDEnumDevices(0x10000000, buffer, sizeof buffer, &length, &count));
    EXPECT_EQ(length, 2 * sizeof(KDDEVICEINFO) + 10);
    ASSERT_EQ(count, 2u);
    const auto* devices = reinterpret_cast<const KDDEVICEINFO*>(buffer);
    EXPECT_EQ(devices[0].values[2], 100u);
    EXPECT_STREQ(devices[0].name, "PTR1");
    EXPECT_EQ(devices[1].values[0], 2u);
    EXPECT_STREQ(devices[1].name, "PTR2");

    // Room for both records and the first name only.
    alignas(KDDEVICEINFO) std::uint8_t small[2 * sizeof(KDDEVICEINFO) + 5 + 8];
    std::memset(small, 0xAA, sizeof small);
    const std::uint32_t capacity = 2 * sizeof(KDDEVICEINFO) + 5;
    ASSERT_TRUE(KDEnumDevices(0x01000000, small, capacity, &length, &count));
    EXPECT_EQ(length, 2 * sizeof(KDDEVICEINFO) + 10);
    EXPECT_EQ(count, 1u);
    const auto* cut = reinterpret_cast<const KDDEVICEINFO*>(small);
    EXPECT_STREQ(cut[0].name, "PTR1");
    EXPECT_EQ(cut[1].name, nullptr);
    EXPECT_EQ(small[capacity], 0xAA);

    const std::size_t before = manager.Queries().size();
    EXPECT_FALSE(KDEnumDevices(0x00000001, buffer, sizeof buffer, &length, &count));
    EXPECT_EQ(KDGetLastError(), kBit);
    EXPECT_EQ(manager.Queries().size(), before);

    ASSERT_TRUE(KDGetRegistryPath(buffer, sizeof buffer, &length, &count));
    ASSERT_EQ(count, 2u);
    const auto* paths = reinterpret_cast<const char* const*>(buffer);
    EXPECT_STREQ(paths[0], "SOFTWARE\\KDMan");
    EXPECT_STREQ(paths[1], "SOFTWARE\\KDMan\\Devices");
}

TEST_F(KdapiTest, GetItemCutsEachTextToItsBuffer) {
    char first[5], second[64], third[64], name[8] = "PTR1";
    std::uint32_t value = 0;
    ASSERT_TRUE(KDGetItem(first, sizeof first, second, sizeof second, third, sizeof third, &value,
                          name, sizeof name));
    EXPECT_STREQ(first, "Prin");
    EXPECT_STREQ(second, "ATB");
    EXPECT_STREQ(third, "COM1");
    EXPECT_STREQ(name, "Online");
    EXPECT_EQ(value, 7u);
    const auto items = QueriesOf(manager, -8);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(support::ToHex(items[0].payload), "00 00 00 05 00 50 54 52 31 00");
}

TEST_F(KdapiTest, RepliesPointingOutsideTheirDataFailAndWriteNothing) {
    struct Case {
        const char* what;
        std::int32_t code;
        const char* data;
        std::uint32_t count;
    };
    const Case cases[] = {
        {"name offset past the end", -4, "00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 64 41 00",
         1},
        {"name offset into the records", -4,
         "00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 00 41 00", 1},
        {"more records than data", -4, "00 00 00 01 00 00 00 02 00 00 00 03 00 00 00 10", 5},
        {"path offset at the end", -5, "00 00 00 06 41 00", 1},
        {"item block short", -8, "00 00 00 14 00 00 00 14", 0},
        {"fourth text outside", -8,
         "00 00 00 14 00 00 00 14 00 00 00 14 00 00 00 07 00 00 01 00 41 00", 0},
    };
    for (const Case& c : cases) {
        manager.SetReplyData(c.code, support::FromHex(c.data), c.count);
        std::vector<std::uint8_t> buffer(64 + 16, 0xAA);
        std::uint32_t length = 0xDEAD, count = 0xDEAD, value = 0xDEAD;
        char name[16] = "PTR1";
        bool result = true;
        if (c.code == -4)
            result = KDEnumDevices(0x10000000, buffer.data(), 64, &length, &count);
        else if (c.code == -5)
            result = KDGetRegistryPath(buffer.data(), 64, &length, &count);
        else
            result = KDGetItem(reinterpret_cast<char*>(buffer.data()), 16,
                               reinterpret_cast<char*>(buffer.data() + 16), 16,
                               reinterpret_cast<char*>(buffer.data() + 32), 16, &value, name,
                               sizeof name);
        EXPECT_FALSE(result) << c.what;
        EXPECT_EQ(KDGetLastError(), kBit | 11) << c.what;
        EXPECT_EQ(buffer, std::vector<std::uint8_t>(64 + 16, 0xAA)) << c.what;
        EXPECT_EQ(length, 0xDEADu) << c.what;
        EXPECT_EQ(value, 0xDEADu) << c.what;
        EXPECT_STREQ(name, "PTR1") << c.what;
    }
}

TEST_F(KdapiTest, UnsentManagementRequestReopensTheManagementHandle) {
    ASSERT_TRUE(KDInitialize());
    // A text too long to frame cannot be sent.
    const std::string huge(2 * 1024 * 1024, 'x');
    EXPECT_FALSE(KDStatus(huge.c_str()));
    EXPECT_EQ(KDGetLastError(), kBit | 7);
    EXPECT_TRUE(KDStatus("PTR1"));
    const auto opens = QueriesOf(manager, -2);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[1].deviceName, "??MAK??");
}

TEST_F(KdapiTest, SilentManagerTimesOutAndItsLateReplyIsNotTakenForTheNext) {
    ASSERT_TRUE(KDInitialize());
    support::FakeClockScope clock;
    manager.SetDelay(-9, 200);  // real time: it answers long after the fake time-out
    std::optional<bool> result;
    std::uint32_t error = 0;
    std::thread caller([&] {
        result = KDStatus("PTR1");
        error = KDGetLastError();
    });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    clock.Advance(60000);
    caller.join();
    EXPECT_EQ(result, false);
    EXPECT_EQ(error, kBit | 3);

    manager.SetDelay(-9, 0);
    manager.SetStatus("PTR2", 5);
    EXPECT_FALSE(KDStatus("PTR2"));  // the late 0 for PTR1 comes first and is dropped
    EXPECT_EQ(KDGetLastError(), kBit | 5);
}

// A job and the flag its completion routine sets (the job first, so the routine finds it).
struct SignalledJob {
    KDJOB job;
    std::atomic<bool> done{false};
};
void SignalDone(KDJOB* job) {
    reinterpret_cast<SignalledJob*>(job)->done.store(true, std::memory_order_release);
}

TEST_F(KdapiTest, CallersOnSeveralThreadsShareTheClient) {
    const std::uint32_t handle = KDOpen("PTR1");
    ASSERT_NE(handle, 0u);
    constexpr int kThreads = 4, kRounds = 10;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                if (!KDStatus("PTR1")) ++failures;
                char data[8] = "abc";
                SignalledJob signalled{{handle, 100 + t, 0, 0, SignalDone, sizeof data, data}};
                KDSubmit(&signalled.job);
                if (KDGetLastError() != kBit) ++failures;
                if (!support::Eventually(
                        [&] { return signalled.done.load(std::memory_order_acquire); }))
                    ++failures;
                else if (signalled.job.requestCode != 100 + t || std::string(data, 6) != "ok:abc")
                    ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(KDClose(handle));
}

// No manager running and none to start.
class KdapiStartTest : public support::TempRootTest {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath = path != nullptr ? path : "";
        support::LoopbackListener free;  // a port nobody uses, for the started manager
        ::setenv(kdm32nt::kAddressVariable, "127.0.0.1", 1);
        ::setenv(kdm32nt::kPortVariable, std::to_string(free.Port()).c_str(), 1);
        g_notes.clear();
        KDSetNotifyHook(CaptureNote);
    }
    void TearDown() override {
        ::setenv("PATH", savedPath.c_str(), 1);
        KDSetNotifyHook(nullptr);
    }
    std::string savedPath;
};

TEST_F(KdapiStartTest, ManagerMissingFromPathIsReported) {
    ::setenv("PATH", root.path().c_str(), 1);
    EXPECT_EQ(KDOpen("PTR1"), 0u);
    EXPECT_FALSE(KDStatus("PTR1"));
    EXPECT_EQ(KDGetLastError(), kBit | 6);
    ASSERT_EQ(g_notes.size(), 2u);
    EXPECT_EQ(g_notes[0], "KDAPI Error: Unable to Locate and Start KDMan!");
}

// Ends the manager that the client started, whatever the test's outcome.
struct StartedManager {
    explicit StartedManager(const support::TempRoot& root) {
        if (const auto text = root.ReadFile("run/KDMAN_INSTANCE_CHECK_MUTEX");
            text && !text->empty())
            pid = static_cast<platform::DWORD>(std::stoul(*text));
    }
    ~StartedManager() {
        if (pid != 0) {
            EXPECT_TRUE(platform::EndChildProcess(pid, kDeadlineMs));
        }
    }
    platform::DWORD pid = 0;
};

TEST_F(KdapiStartTest, ManagerIsStartedFromPath) {
    ::setenv("PATH", (std::string(KDMAN_DIR) + ":" + savedPath).c_str(), 1);
    const std::uint32_t handle = KDOpen("PTR1");
    const StartedManager started(root);
    ASSERT_NE(started.pid, 0u);
    EXPECT_EQ(handle, 1u);
    EXPECT_EQ(KDGetLastError(), kBit);
    EXPECT_TRUE(KDStatus("PTR1"));
    EXPECT_TRUE(g_notes.empty());
    KDExit();
    EXPECT_TRUE(KDClose(1));
}

}  // namespace
