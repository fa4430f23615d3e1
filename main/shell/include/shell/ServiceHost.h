// The program as a service of the machine's service manager: installed when missing, its
// state reported (start pending, running, stop pending, stopped), a stop turned into the
// main window's close, and services removed from the command line.
//
// A stop sets the stop-requested flag and reports STOP_PENDING; after a grace of
// kCloseGraceMs the main window is closed, which shuts every device down. Only when the
// program reports that the devices are down (Stopped) does the service report STOPPED, with
// the last error written to the system log as its exit code, and the process ends.
//
// Threads: the user-interface thread; the grace and the watchdog are timers of its loop,
// on the current clock.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "shell/AppState.h"
#include "shell/ServiceManager.h"

namespace shell {

struct ServiceHooks {
    // Closes the main window (as a user's close would); required for a stop to end the run.
    std::function<void()> closeMainWindow;
    // Writes one error entry of these texts to the system log (default: the machine's log
    // under "TrevoPrint").
    std::function<void(const std::vector<std::string>& texts)> systemLog;
    // Waits while a removed service stops (default: platform::Sleep).
    std::function<void(std::uint32_t ms)> sleep;
    // Where the removal and installation texts go.
    std::FILE* out = stdout;
    // The program file the service starts (default: this one).
    std::filesystem::path program;
};

// The system's text for the last error, without its line end, as "%s (0x%x)"; empty when
// that would not fit a buffer of `size` characters.
std::string GetLastErrorText(std::size_t size = 256);

class CServiceHost final : private platform::IMessageTarget {
public:
    static constexpr const char* kServiceName = "TrevoPrint";
    static constexpr const char* kDisplayName = "Trevo Printing Module";
    static constexpr std::uint32_t kWaitHintMs = 3000;
    static constexpr std::uint32_t kCloseGraceMs = 3000;
    static constexpr std::uint32_t kStopPollMs = 1000;
    // A removal stops waiting for a service still stopping after this many looks.
    static constexpr int kMaxStopPolls = 600;
    static constexpr const char* kNotAServiceText =
        "Trevo Print Module is configured to run as a Service\nYou must start Trevo Print "
        "Module from the Service Manager";
    static constexpr const char* kNotAServiceCaption = "Error Starting Trevo Print Module";

    CServiceHost(AppState& state, IServiceManager& manager, platform::EventLoop& loop,
                 ServiceHooks hooks);
    ~CServiceHost() override;
    CServiceHost(const CServiceHost&) = delete;
    CServiceHost& operator=(const CServiceHost&) = delete;

    // Start-up of service mode: installs this instance's service when it is missing and
    // connects to the manager (reporting START_PENDING); a process the manager did not start
    // tells the user so and goes on as a service all the same. `instanceId` is the command
    // line's. True.
    bool ServiceStartup(const std::string& instanceId);
    // The window exists and the loop is about to run: RUNNING, and the watchdog's timer.
    void Run();
    // A stop asked of the service (the manager's stop, a termination signal).
    void Stop();
    // The main window has closed and every device is shut down: STOPPED.
    void Stopped();
    // Removes one service, its texts to `out`.
    void RemoveService(const std::string& name);
    // Records the last error and writes "TrevoPrint error: <error>" and the text to the
    // system log.
    void AddToMessageLog(const std::string& text);

    [[nodiscard]] ServiceState State() const noexcept { return m_status.state; }
    [[nodiscard]] bool Connected() const noexcept { return m_bConnected; }
    // The process's exit code: the last recorded error, never one that reads as success
    // when an error was recorded (a code whose low byte is 0 gives 1).
    [[nodiscard]] int ExitCode() const noexcept;
    // The service this process is: "TrevoPrint", "<id>TrevoPrint" or the one "/ns" named.
    [[nodiscard]] const std::string& ServiceName() const noexcept { return m_strName; }

private:
    enum : platform::UINT_PTR { kGraceTimer = 1, kWatchdogTimer = 2 };

    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;
    void Install(const std::string& instanceId);
    // Reports a state; a pending one counts the next checkpoint. False when the manager
    // could not be told (logged to the system log).
    bool Report(ServiceState state, std::uint32_t waitHintMs);
    platform::HWND Target();

    AppState& m_state;
    IServiceManager& m_manager;
    platform::EventLoop& m_loop;
    ServiceHooks m_hooks;
    platform::HWND m_hTarget = 0;
    std::string m_strName = kServiceName;
    std::string m_strDisplayName = kDisplayName;
    ServiceStatus m_status;
    std::uint32_t m_checkpoint = 1;
    std::uint32_t m_lastError = 0;
    bool m_bConnected = false;
    bool m_bStopping = false;
};

}  // namespace shell
