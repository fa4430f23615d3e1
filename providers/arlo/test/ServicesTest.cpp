// The route trace and the idle time-out service.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "arlo/IdleTimer.h"
#include "arlo/RouteTrace.h"
#include "platform/Registry.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"

namespace arlo::test {
namespace {

class Owner final : public IIdleOwner {
public:
    std::atomic<int> fired{0};
    void OnDisconnect(int) override { ++fired; }
};

TEST(IdleTimerTest, FiresOnceWhenItsIntervalHasPassed) {
    support::FakeClockScope clock(1000);
    Owner owner;
    CIdleTimer timer(owner);
    ASSERT_TRUE(timer.RegisterTimer());
    CheckIdleTimers(1000 + 59999);
    EXPECT_EQ(owner.fired, 0);
    CheckIdleTimers(1000 + 60000);
    CheckIdleTimers(1000 + 120000);
    EXPECT_EQ(owner.fired, 1);
    timer.SetShortInterval(true);
    timer.SetTimerActive(true);
    timer.RestartTimer();
    CheckIdleTimers(1000 + 10000);
    EXPECT_EQ(owner.fired, 2);
    ASSERT_TRUE(timer.UnregisterTimer());
    timer.SetTimerActive(true);
    CheckIdleTimers(1000 + 500000);
    EXPECT_EQ(owner.fired, 2);
}

TEST(IdleTimerTest, ServiceThreadOnTheFakeClock) {
    support::FakeClockScope clock;
    Owner owner;
    // The clock moves only once the thread has begun its next wait (counted from before it
    // started), so each second is seen.
    auto begun = platform::FakeClock::TimedWaitsBegun();
    ASSERT_TRUE(StartTimerThread());
    {
        CIdleTimer timer(owner);
        timer.SetShortInterval(true);
        ASSERT_TRUE(timer.RegisterTimer());
        for (int i = 0; i < 12 && owner.fired == 0; ++i) {
            ASSERT_TRUE(support::Eventually(
                [&] { return platform::FakeClock::TimedWaitsBegun() > begun; }));
            begun = platform::FakeClock::TimedWaitsBegun();
            clock.Advance(1000);
        }
        ASSERT_TRUE(support::Eventually([&] { return owner.fired == 1; }));
    }
    StopTimerThread();
    EXPECT_EQ(owner.fired, 1);
}

void SetTrace(const std::string& route, unsigned long active, const std::string& file) {
    using namespace platform;
    const std::string path = "Software\\The TREVO Group\\Common TREVO API\\Routes\\" + route;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, path.c_str(), &key), 0);
    const DWORD value = static_cast<DWORD>(active);
    (void)RegSetValueEx(key, "Tracing Active", 0, 4, reinterpret_cast<const BYTE*>(&value), 4);
    (void)RegSetValueEx(key, "Trace File Name", 0, 1, reinterpret_cast<const BYTE*>(file.c_str()),
                        static_cast<DWORD>(file.size() + 1));
    RegCloseKey(key);
}

TEST(RouteTraceTest, WritesOnlyWhileActiveAndWrapsAtItsLimit) {
    support::TempRoot root;
    const std::string file = (root.path() / "trace.log").string();
    {
        CRouteTrace fresh("NEW");  // a key made now traces nothing
        EXPECT_FALSE(fresh.IsActive());
    }
    SetTrace("OFF", 0, file);
    {
        CRouteTrace off("OFF");
        off.TraceLine(0, "not written %d", 1);
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    SetTrace("ON", 1, file);
    {
        CRouteTrace on("ON");
        on.TraceLine(2, "line %d", 1);
        const std::uint8_t bytes[] = {0x41, 0x00};
        on.TraceData(0, bytes, 2, 1);
    }
    const std::string text = *root.ReadFile("trace.log");
    EXPECT_NE(text.find(" Error line 1\n"), std::string::npos);
    EXPECT_NE(text.find(" Info  41 00|A.\n"), std::string::npos);
    {
        std::filesystem::resize_file(file, kTraceWrapAt + 10);
        CRouteTrace on("ON");
        on.TraceLine(0, "after the limit");
        on.TraceLine(0, "from the start");
    }
    EXPECT_EQ(root.ReadFile("trace.log")->substr(20, 19), "Info from the start");
}

}  // namespace
}  // namespace arlo::test
