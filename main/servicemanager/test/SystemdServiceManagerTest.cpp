#include "servicemanager/SystemdServiceManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Process.h"
#include "platform/Win32Error.h"
#include "support/DatagramSocket.h"
#include "support/TempRoot.h"

using servicemanager::CSystemdServiceManager;
using shell::ServiceState;

namespace {

// A systemctl that writes its arguments to "calls" beside it, answers is-active from the file
// "state" (inactive without one) and fails a command whose "fail-<command>" file exists.
constexpr const char* kFakeSystemctl = R"sh(#!/bin/sh
here=$(dirname "$0")
echo "$*" >> "$here/calls"
if [ "$1" = is-active ]; then
  state=inactive
  if [ -f "$here/state" ]; then state=$(cat "$here/state"); fi
  echo "$state"
  [ "$state" = active ]
  exit $?
fi
if [ -f "$here/fail-$1" ]; then echo "Failed to $1: Access denied" >&2; exit 1; fi
exit 0
)sh";

class SystemdServiceManager : public support::TempRootTest {
protected:
    void SetUp() override {
        root.WriteFile("bin/systemctl", kFakeSystemctl);
        std::filesystem::permissions(root / "bin/systemctl", std::filesystem::perms::owner_all);
        std::filesystem::create_directories(root / "units");
    }
    CSystemdServiceManager Manager() {
        return CSystemdServiceManager({root / "units", (root / "bin/systemctl").string()});
    }
    std::string Calls() {
        const std::optional<std::string> calls = root.ReadFile("bin/calls");
        std::filesystem::remove(root / "bin/calls");
        return calls.value_or("");
    }
};

// Environment variables of one test, restored afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

}  // namespace

// Install writes the unit and enables it; a running service is stopped without waiting for
// it, and removal disables it and deletes the unit.
TEST_F(SystemdServiceManager, InstallStopAndDelete) {
    CSystemdServiceManager manager = Manager();
    ASSERT_TRUE(manager.Open());
    EXPECT_FALSE(manager.OpenService("001TrevoPrint"));
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_SERVICE_DOES_NOT_EXIST);

    ASSERT_TRUE(manager.Install(
        {"001TrevoPrint", "Trevo Print Module001", "/opt/trevo/veka", "001", root.path()}));
    EXPECT_EQ(Calls(), "daemon-reload\nenable 001TrevoPrint.service\n");
    const std::filesystem::path unit = root / "units/001TrevoPrint.service";
    EXPECT_NE(root.ReadFile("units/001TrevoPrint.service")
                  .value_or("")
                  .find("ExecStart=/opt/trevo/veka 001\n"),
              std::string::npos);
    EXPECT_EQ(std::filesystem::status(unit).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0644));
    EXPECT_TRUE(manager.OpenService("001TrevoPrint"));

    EXPECT_FALSE(manager.Stop("001TrevoPrint"));  // not running
    EXPECT_EQ(platform::GetLastError(), shell::ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_EQ(Calls(), "is-active 001TrevoPrint.service\n");
    root.WriteFile("bin/state", "active\n");
    EXPECT_TRUE(manager.Stop("001TrevoPrint"));
    EXPECT_EQ(Calls(), "is-active 001TrevoPrint.service\nstop --no-block 001TrevoPrint.service\n");
    const struct {
        const char* answer;
        ServiceState state;
    } states[] = {{"active", ServiceState::Running},
                  {"activating", ServiceState::StartPending},
                  {"deactivating", ServiceState::StopPending},
                  {"inactive", ServiceState::Stopped},
                  {"failed", ServiceState::Stopped}};
    for (const auto& s : states) {
        root.WriteFile("bin/state", std::string(s.answer) + "\n");
        EXPECT_EQ(manager.QueryState("001TrevoPrint"), s.state) << s.answer;
    }
    Calls();

    root.WriteFile("bin/fail-disable", "");
    EXPECT_FALSE(manager.Delete("001TrevoPrint"));
    EXPECT_TRUE(std::filesystem::exists(unit));
    std::filesystem::remove(root / "bin/fail-disable");
    Calls();
    ASSERT_TRUE(manager.Delete("001TrevoPrint"));
    EXPECT_EQ(Calls(), "disable 001TrevoPrint.service\ndaemon-reload\n");
    EXPECT_FALSE(std::filesystem::exists(unit));
}

TEST_F(SystemdServiceManager, OpenNeedsSystemctlAndAWritableUnitFolder) {
    EXPECT_FALSE(CSystemdServiceManager({root / "units", (root / "none").string()}).Open());
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(
        CSystemdServiceManager({root / "missing", (root / "bin/systemctl").string()}).Open());
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_PATH_NOT_FOUND);
    // A plain name is sought along PATH.
    const ScopedEnv path("PATH", (root / "bin").string());
    EXPECT_TRUE(CSystemdServiceManager({root / "units", "systemctl"}).Open());
}

// The reports reach the notification socket as systemd reads them; without one the process
// was not started by systemd.
TEST_F(SystemdServiceManager, ReportsGoToTheNotificationSocket) {
    CSystemdServiceManager manager = Manager();
    {
        const ScopedEnv none("NOTIFY_SOCKET", "");
        EXPECT_FALSE(manager.ConnectDispatcher());
        EXPECT_EQ(platform::GetLastError(), shell::ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    }
    support::DatagramSocket socket(root / "notify");
    ASSERT_TRUE(socket.Bound());
    const ScopedEnv notify("NOTIFY_SOCKET", (root / "notify").string());
    ASSERT_TRUE(manager.ConnectDispatcher());
    using S = ServiceState;
    ASSERT_TRUE(manager.SetStatus({S::StartPending, 0, 0, 1, 3000}));
    ASSERT_TRUE(manager.SetStatus({S::Running, 1, 0, 0, 0}));
    ASSERT_TRUE(manager.PetWatchdog());
    ASSERT_TRUE(manager.SetStatus({S::StopPending, 1, 0, 4, 0}));
    ASSERT_TRUE(manager.SetStatus({S::Stopped, 1, 0, 0, 0}));  // the end of the process says it
    for (const char* expected :
         {"EXTEND_TIMEOUT_USEC=3000000", "READY=1", "WATCHDOG=1", "STOPPING=1"})
        EXPECT_EQ(socket.Next(), expected);
    EXPECT_EQ(socket.Next(0), std::nullopt);

    EXPECT_EQ(manager.WatchdogIntervalMs(), 0u);
    const ScopedEnv usec("WATCHDOG_USEC", "20000000");
    const ScopedEnv pid("WATCHDOG_PID", std::to_string(platform::GetCurrentProcessId()));
    EXPECT_EQ(manager.WatchdogIntervalMs(), 20000u);

    std::filesystem::remove(root / "notify");
    EXPECT_FALSE(manager.SetStatus({S::Running, 1, 0, 0, 0}));
}
