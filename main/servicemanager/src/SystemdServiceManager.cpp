#include "servicemanager/SystemdServiceManager.h"

#include <systemd/sd-daemon.h>

#include <cstdlib>
#include <system_error>

#include "core/TraceLog.h"
#include "platform/ChildProcess.h"
#include "platform/FileOps.h"
#include "platform/Win32Error.h"
#include "servicemanager/UnitFile.h"

namespace servicemanager {

namespace {

constexpr unsigned kUnitFileMode = 0644;

// The program's path: a name with a '/' as it stands, another sought along PATH; empty when
// there is no such file.
std::filesystem::path FindProgram(const std::string& name) {
    std::error_code ec;
    if (name.find('/') != std::string::npos)
        return std::filesystem::is_regular_file(name, ec) ? std::filesystem::path(name)
                                                          : std::filesystem::path();
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t end = std::min(dirs.find(':'), dirs.size());
        const std::filesystem::path candidate = std::filesystem::path(dirs.substr(0, end)) / name;
        if (end > 0 && std::filesystem::is_regular_file(candidate, ec)) return candidate;
        dirs.remove_prefix(std::min(end + 1, dirs.size()));
    }
    return {};
}

bool Fail(platform::DWORD code) {
    platform::SetLastError(code);
    return false;
}

}  // namespace

CSystemdServiceManager::CSystemdServiceManager(Settings settings)
    : m_settings(std::move(settings)) {}

std::filesystem::path CSystemdServiceManager::UnitPath(const std::string& name) const {
    return m_settings.unitFolder / UnitName(name);
}

std::optional<std::string> CSystemdServiceManager::Systemctl(const std::vector<std::string>& args,
                                                             bool mayFail) {
    static const char* const kLabel = "CSystemdServiceManager::Systemctl():";
    const std::filesystem::path program = FindProgram(m_settings.systemctl);
    platform::ChildProcess child;
    if (program.empty() || !child.Start(program.string(), args)) {
        if (program.empty()) platform::SetLastError(platform::ERROR_FILE_NOT_FOUND);
        const platform::DWORD error = platform::GetLastError();
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "%s: %s", m_settings.systemctl.c_str(),
                     platform::FormatErrorCode(error).c_str());
        platform::SetLastError(error);
        return std::nullopt;
    }
    const std::vector<std::string> lines = child.ReadRemaining(kSystemctlTimeoutMs);
    std::optional<int> code = child.Wait(kSystemctlTimeoutMs);
    if (!code) code = child.Kill();
    if (code != 0 && !mayFail) {
        std::string command = m_settings.systemctl;
        for (const std::string& a : args) command += " " + a;
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "%s: exit %d", command.c_str(),
                     code.value_or(-1));
        for (const std::string& line : lines)
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "%s", line.c_str());
        platform::SetLastError(platform::ERROR_GEN_FAILURE);
        return std::nullopt;
    }
    return lines.empty() ? std::string() : lines.front();
}

bool CSystemdServiceManager::Open() {
    if (FindProgram(m_settings.systemctl).empty()) return Fail(platform::ERROR_FILE_NOT_FOUND);
    std::error_code ec;
    if (!std::filesystem::is_directory(m_settings.unitFolder, ec))
        return Fail(platform::ERROR_PATH_NOT_FOUND);
    return platform::MayWrite(m_settings.unitFolder);
}

bool CSystemdServiceManager::OpenService(const std::string& name) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(UnitPath(name), ec)) return true;
    return Fail(platform::ERROR_SERVICE_DOES_NOT_EXIST);
}

bool CSystemdServiceManager::Install(const shell::ServiceDefinition& service) {
    const std::string text = UnitText(service);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!platform::ReplaceFileContents(UnitPath(service.name), {bytes, text.size()}, kUnitFileMode))
        return false;
    return Systemctl({"daemon-reload"}) && Systemctl({"enable", UnitName(service.name)});
}

bool CSystemdServiceManager::Stop(const std::string& name) {
    const std::optional<shell::ServiceState> state = QueryState(name);
    if (!state) return false;
    if (*state == shell::ServiceState::Stopped) return Fail(shell::ERROR_SERVICE_NOT_ACTIVE);
    return Systemctl({"stop", "--no-block", UnitName(name)}).has_value();
}

std::optional<shell::ServiceState> CSystemdServiceManager::QueryState(const std::string& name) {
    // is-active ends with a failure for every state but active: only its answer counts.
    const std::optional<std::string> answer = Systemctl({"is-active", UnitName(name)}, true);
    if (!answer) return std::nullopt;
    if (*answer == "active" || *answer == "reloading") return shell::ServiceState::Running;
    if (*answer == "activating") return shell::ServiceState::StartPending;
    if (*answer == "deactivating") return shell::ServiceState::StopPending;
    return shell::ServiceState::Stopped;
}

bool CSystemdServiceManager::Delete(const std::string& name) {
    if (!Systemctl({"disable", UnitName(name)})) return false;
    std::error_code ec;
    if (!std::filesystem::remove(UnitPath(name), ec) && ec)
        return Fail(platform::FromErrno(ec.value()));
    // The unit is gone already; a reload that fails only leaves systemd's view stale.
    static_cast<void>(Systemctl({"daemon-reload"}));
    return true;
}

bool CSystemdServiceManager::ConnectDispatcher() {
    const char* socket = std::getenv("NOTIFY_SOCKET");
    if (socket && *socket) return true;
    return Fail(shell::ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
}

bool CSystemdServiceManager::Notify(const std::string& text) {
    const int rc = sd_notify(0, text.c_str());
    if (rc > 0) return true;
    return Fail(rc == 0 ? shell::ERROR_FAILED_SERVICE_CONTROLLER_CONNECT
                        : platform::FromErrno(-rc));
}

bool CSystemdServiceManager::SetStatus(const shell::ServiceStatus& status) {
    const std::string extend =
        "EXTEND_TIMEOUT_USEC=" + std::to_string(std::uint64_t{status.waitHintMs} * 1000);
    switch (status.state) {
        case shell::ServiceState::StartPending:
            return status.waitHintMs == 0 || Notify(extend);
        case shell::ServiceState::Running:
            return Notify("READY=1");
        case shell::ServiceState::StopPending:
            return Notify(status.waitHintMs == 0 ? "STOPPING=1" : "STOPPING=1\n" + extend);
        case shell::ServiceState::Stopped:
            return true;
    }
    return true;
}

std::uint64_t CSystemdServiceManager::WatchdogIntervalMs() {
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0) return 0;
    return std::max<std::uint64_t>(usec / 1000, 1);
}

bool CSystemdServiceManager::PetWatchdog() {
    return Notify("WATCHDOG=1");
}

}  // namespace servicemanager
