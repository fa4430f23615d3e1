// The service manager of a systemd machine. Installing writes the service's unit file into
// the administrator's unit folder and enables it with systemctl; removing disables it and
// deletes the file; stopping and the state go through systemctl too. This process reports
// its own state on the notification socket systemd gives a Type=notify service:
//   START_PENDING  EXTEND_TIMEOUT_USEC=<wait hint>    RUNNING       READY=1
//   STOP_PENDING   STOPPING=1                          STOPPED       nothing (the process ends)
// and WATCHDOG=1 whenever the service is told to pet the watchdog.
//
// Threads: one at a time.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/ServiceManager.h"

namespace servicemanager {

class CSystemdServiceManager final : public shell::IServiceManager {
public:
    // systemd's folder for the units an administrator installs.
    static constexpr const char* kUnitFolder = "/etc/systemd/system";
    // How long one systemctl call may take.
    static constexpr int kSystemctlTimeoutMs = 60000;

    struct Settings {
        std::filesystem::path unitFolder = kUnitFolder;
        // The systemctl program: a path, or a name sought along PATH.
        std::string systemctl = "systemctl";
    };

    CSystemdServiceManager() : CSystemdServiceManager(Settings{}) {}
    explicit CSystemdServiceManager(Settings settings);

    bool Open() override;
    bool OpenService(const std::string& name) override;
    bool Install(const shell::ServiceDefinition& service) override;
    bool Stop(const std::string& name) override;
    std::optional<shell::ServiceState> QueryState(const std::string& name) override;
    bool Delete(const std::string& name) override;

    bool ConnectDispatcher() override;
    bool SetStatus(const shell::ServiceStatus& status) override;
    std::uint64_t WatchdogIntervalMs() override;
    bool PetWatchdog() override;

private:
    std::filesystem::path UnitPath(const std::string& name) const;
    // Runs systemctl with the arguments: its first line of output, or nothing (last error
    // set, its output logged) when it could not run or failed and `mayFail` is not set.
    std::optional<std::string> Systemctl(const std::vector<std::string>& args,
                                         bool mayFail = false);
    bool Notify(const std::string& text);

    Settings m_settings;
};

}  // namespace servicemanager
