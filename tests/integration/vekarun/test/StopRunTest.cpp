// The program stops cleanly on a termination signal: run headless as the real program, and
// as a service of a systemd whose folder, systemctl and notification socket are the test's.
#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "app/Program.h"
#include "platform/ChildProcess.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/TerminationSignal.h"
#include "servicemanager/SystemdServiceManager.h"
#include "support/DatagramSocket.h"
#include "support/FakeClockScope.h"  // Eventually
#include "support/TempRoot.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLimitMs = 60000;

std::size_t ThreadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++n;
    return n;
}

void StartAsService() {
    platform::HKEY h = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(
                  platform::HKEY_LOCAL_MACHINE,
                  "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA", 0, "", 0,
                  platform::KEY_ALL_ACCESS, nullptr, &h, nullptr),
              platform::ERROR_SUCCESS);
    const std::uint32_t one = 1;
    ASSERT_EQ(platform::RegSetValueEx(h, "StartAsService", 0, platform::REG_DWORD,
                                      reinterpret_cast<const platform::BYTE*>(&one), 4),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
}

class StopRun : public support::TempRootTest {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("QT_QPA_PLATFORM");
    }
};

}  // namespace

// The program itself: a termination signal to the process ends it at once with 0, and it
// leaves no lock file behind.
TEST_F(StopRun, TheProgramEndsOnATerminationSignal) {
    const fs::path veka = platform::ProgramFile().parent_path() / "veka";
    ASSERT_TRUE(fs::exists(veka)) << veka;
    const fs::path lock = root / "run/VEKA.lock";
    platform::ChildProcess child;
    ASSERT_TRUE(child.Start(veka.string(), {}));
    // The lock comes before the loop; a signal sent from then on waits for the loop.
    ASSERT_TRUE(support::Eventually([&] { return fs::exists(lock); }, std::chrono::seconds(60)));
    ASSERT_EQ(::kill(child.Pid(), SIGTERM), 0);
    EXPECT_EQ(child.Wait(kLimitMs), 0);
    EXPECT_FALSE(fs::exists(lock));
}

// As a service: installed when missing, started (three pending reports, then ready), and on
// a termination signal stopping (pending through the grace), then stopped with no thread,
// descriptor watch or lock file of its run left.
TEST_F(StopRun, AServiceStartsReportsAndStopsOnATerminationSignal) {
    ASSERT_TRUE(platform::TerminationSignal::Block());
    StartAsService();
    root.WriteFile("bin/systemctl", "#!/bin/sh\necho \"$*\" >> \"$(dirname \"$0\")/calls\"\n");
    fs::permissions(root / "bin/systemctl", fs::perms::owner_all);
    fs::create_directories(root / "units");
    support::DatagramSocket notifications(root / "notify");
    ASSERT_TRUE(notifications.Bound());
    setenv("NOTIFY_SOCKET", (root / "notify").c_str(), 1);
    // The status relay a service binds listens on a port of the system's choosing, on
    // loopback only, so runs side by side never meet.
    setenv("TREVO_RELAY_ADDRESS", "127.0.0.1", 1);
    setenv("TREVO_RELAY_PORT", "0", 1);
    servicemanager::CSystemdServiceManager services(
        {root / "units", (root / "bin/systemctl").string()});

    // A sanitizer's runtime may start a thread of its own with the first thread of the
    // process: it comes before the count.
    std::thread([] {}).join();
    const std::size_t threadsBefore = ThreadCount();
    shell::AppState state;
    app::CProgram program(state, nullptr, &services);
    std::atomic<bool> ended{false};
    int exitCode = -1;
    std::thread runner([&] {
        exitCode = program.Run({});
        ended = true;
    });
    for (const char* expected : {"EXTEND_TIMEOUT_USEC=3000000", "EXTEND_TIMEOUT_USEC=3000000",
                                 "EXTEND_TIMEOUT_USEC=3000000", "READY=1"})
        EXPECT_EQ(notifications.Next(kLimitMs), expected);
    EXPECT_TRUE(state.serviceMode);
    EXPECT_NE(root.ReadFile("units/TrevoPrint.service")
                  .value_or("")
                  .find("ExecStart=" + platform::ProgramFile().string() + "\n"),
              std::string::npos);
    EXPECT_EQ(root.ReadFile("bin/calls"), "daemon-reload\nenable TrevoPrint.service\n");
    EXPECT_TRUE(fs::exists(root / "run/VEKA.lock"));

    // To the user-interface thread: no other thread of this test process blocks the signal.
    ASSERT_EQ(::pthread_kill(runner.native_handle(), SIGTERM), 0);
    EXPECT_EQ(notifications.Next(kLimitMs), "STOPPING=1");
    ASSERT_TRUE(support::Eventually([&] { return ended.load(); }, std::chrono::seconds(60)));
    runner.join();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(state.stopRequested.load());
    EXPECT_EQ(notifications.Next(0), std::nullopt);
    EXPECT_FALSE(fs::exists(root / "run/VEKA.lock"));
    EXPECT_EQ(ThreadCount(), threadsBefore);
    unsetenv("NOTIFY_SOCKET");
    unsetenv("TREVO_RELAY_ADDRESS");
    unsetenv("TREVO_RELAY_PORT");
}
