// The driver's small parts: the log file medium, the endpoint map, the options data checks,
// the registries, the millisecond clock and the thread object.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hostdriver/DriverRuntime.h"
#include "hostdriver/EndpointMap.h"
#include "hostdriver/FileLogMedia.h"
#include "hostdriver/HostSession.h"
#include "hostdriver/HostSessionList.h"
#include "hostdriver/HostSocketList.h"
#include "hostdriver/IdleTimer.h"
#include "hostdriver/KeepAliveTimer.h"
#include "hostdriver/OptionsData.h"
#include "hostdriver/PerfClock.h"
#include "hostdriver/WorkerThread.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

namespace quildrv {
namespace {

using support::FromHex;

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FileLogMediaTest, StartsAgainAtTheLimitAndKeepsItsPositionInPersistMode) {
    support::TempRoot root;
    const std::string file = (root / "trace.txt").string();
    {
        CFileLogMedia medium(file, 10, 0);
        ASSERT_TRUE(medium.IsOpen());
        medium.Write(UTKLogger::CPriority::INFO, "AAAAAAA\n");
        medium.Write(UTKLogger::CPriority::INFO, "BBBBBBB\n");
        // The second line brought the position past 10: the third overwrites the start.
        medium.Write(UTKLogger::CPriority::INFO, "CCCCCCC\n");
        EXPECT_EQ(ReadAll(file), "CCCCCCC\nBBBBBBB\n");
    }
    {
        CFileLogMedia medium(file, 1000, 1);
        for (int i = 0; i < 10; ++i) medium.Write(UTKLogger::CPriority::INFO, "123456789\n");
        EXPECT_TRUE(medium.Close());
        EXPECT_FALSE(medium.Close());
    }
    EXPECT_EQ(ReadAll(file + ".persist"), std::string("\x64\0\0\0\0\0\0\0", 8));
    CFileLogMedia again(file, 1000, 1);
    again.Write(UTKLogger::CPriority::INFO, "X");
    again.Close();
    const std::string text = ReadAll(file);
    ASSERT_EQ(text.size(), 101u);  // opening emptied the file; writing went on at 100
    EXPECT_EQ(text.back(), 'X');
    EXPECT_EQ(ReadAll(file + ".persist"), std::string("\x65\0\0\0\0\0\0\0", 8));
}

TEST(EndpointMapTest, MapsConfiguredEndpointsOnly) {
    const char* map = "127.0.0.1:30031=127.0.0.1:40001; HostA:30051=127.0.0.1:40002,bad,x:1=y";
    struct Case {
        const char* host;
        std::uint16_t port;
        const char* wantHost;
        std::uint16_t wantPort;
    };
    const Case cases[] = {
        {"127.0.0.1", 30031, "127.0.0.1", 40001},
        {" HostA", 30051, "127.0.0.1", 40002},
        {" hosta", 30051, "127.0.0.1", 40002},
        {"127.0.0.1", 30051, "127.0.0.1", 30051},
        {"x", 1, "x", 1},
    };
    for (const auto& c : cases) {
        const Endpoint e = MapEndpoint(c.host, c.port, map);
        EXPECT_EQ(e.host, c.wantHost) << c.host;
        EXPECT_EQ(e.port, c.wantPort) << c.host;
    }
}

TEST(OptionsDataTest, ChecksAndCutsOptionAreas) {
    struct Case {
        const char* bytes;
        bool valid;
        std::size_t corrected;
    };
    const Case cases[] = {
        {"", true, 0},
        {"03 08 01 02 00 00 00 00", true, 8},
        {"03 08 01 02 00 00 00 00 07 04 00 01", true, 12},
        {"03 08 01 02 00 00 00 00 07 00 00 00", false, 8},  // zero length: cut there
        {"03 08 01 02 00 00 00 00 07 06 00 00", false, 8},  // not a multiple of 4
        {"03 08 01 02 00 00 00 00 07 10 00 00", false, 8},  // runs past the end
        {"03 08 01 02 00 00", false, 0},                    // area not a multiple of 4
        {"00 00 00 00", false, 0},
    };
    for (const auto& c : cases) {
        const auto bytes = FromHex(c.bytes);
        EXPECT_EQ(ValidateOptionsData(bytes.data(), bytes.size(), {}), c.valid) << c.bytes;
        EXPECT_EQ(CorrectOptionsData(bytes.data(), bytes.size(), {}), c.corrected) << c.bytes;
    }
    // An area of 64 bytes is cut to 60 before the walk.
    std::vector<std::uint8_t> big(64, 0);
    for (std::size_t i = 0; i < big.size(); i += 4) big[i + 1] = 4;
    EXPECT_FALSE(ValidateOptionsData(big.data(), big.size(), {}));
    EXPECT_EQ(CorrectOptionsData(big.data(), big.size(), {}), 60u);
}

TEST(RegistryTest, SessionsTakeTheLowestFreeSlotAndSocketsAreSharedByHostAndPort) {
    support::TempRoot root;
    ASSERT_EQ(DriverStartup(), 1);
    {
        CHostSessionList* sessions = GetSessionRegistry();
        CHostSession a(nullptr), b(nullptr), c(nullptr);
        ASSERT_TRUE(sessions->Register(&a));
        ASSERT_TRUE(sessions->Register(&b));
        EXPECT_EQ(b.RegistryIndex(), 1);
        sessions->Unregister(0);
        ASSERT_TRUE(sessions->Register(&c));
        EXPECT_EQ(c.RegistryIndex(), 0);
        EXPECT_EQ(sessions->GetHostSessionEntry(0), &c);
        sessions->ReleaseHostSessionEntry(0);
        EXPECT_EQ(sessions->GetHostSessionEntry(7), nullptr);
        EXPECT_FALSE(sessions->Register(nullptr));
        sessions->Unregister(0);
        sessions->Unregister(1);

        CHostSocketList* sockets = GetSocketRegistry();
        const auto upper = sockets->GetHostSocket("HOST", 30031);
        EXPECT_NE(upper, kNoSocket);
        EXPECT_EQ(sockets->GetHostSocket("host", 30031), upper);
        EXPECT_NE(sockets->GetHostSocket("host", 30051), upper);
        EXPECT_EQ(sockets->SocketAt(99), nullptr);
    }
    DriverShutdown();
}

TEST(DriverStartupTest, AFailureAtAnyStepLeavesNothingRunning) {
    for (int step = 1; step <= 4; ++step) {
        FailStartupAtStep(step);
        EXPECT_EQ(DriverStartup(), 0) << step;
        FailStartupAtStep(0);
        EXPECT_FALSE(KeepAliveThreadRunning()) << step;
        EXPECT_FALSE(IdleThreadRunning()) << step;
        EXPECT_EQ(CurrentSessionRegistry(), nullptr) << step;
        EXPECT_EQ(CurrentSocketRegistry(), nullptr) << step;
    }
    ASSERT_EQ(DriverStartup(), 1);
    EXPECT_TRUE(KeepAliveThreadRunning());
    EXPECT_TRUE(IdleThreadRunning());
    EXPECT_EQ(DriverShutdown(), 0);
    EXPECT_FALSE(KeepAliveThreadRunning());
}

TEST(PerfClockTest, CountsFromZeroAndStartsAgainAfterFourMillionMilliseconds) {
    support::FakeClockScope clock(1000);
    CPerfClock perf;
    EXPECT_EQ(perf.Get(), 0u);
    clock.Advance(3999999);
    EXPECT_EQ(perf.Get(), 3999999u);
    clock.Advance(2);
    EXPECT_EQ(perf.Get(), 0u);
    clock.Advance(5);
    EXPECT_EQ(perf.Get(), 5u);
}

TEST(WorkerThreadTest, StartsOnceStopsAlwaysAndRunsAgainAfterItEnded) {
    CWorkerThread never;
    never.Stop();  // returns at once

    static std::atomic<int> runs{0};
    const auto body = [](void*) -> unsigned {
        ++runs;
        return 7;
    };
    CWorkerThread thread;
    EXPECT_FALSE(thread.Start(nullptr, nullptr));
    ASSERT_TRUE(thread.Start(body, nullptr));
    thread.Stop();
    EXPECT_EQ(thread.Result(), 7u);
    ASSERT_TRUE(thread.Start(body, nullptr));
    thread.Stop();
    EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace quildrv
