#include "shell/ServiceHost.h"

#include <algorithm>

#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "platform/MachineRoot.h"
#include "platform/Process.h"
#include "platform/SystemLog.h"
#include "platform/Time.h"
#include "platform/Win32Error.h"

namespace shell {

namespace {

constexpr std::uint32_t kMbOk = 0;

}  // namespace

std::string GetLastErrorText(std::size_t size) {
    const platform::DWORD code = platform::GetLastError();
    std::string text = platform::SystemErrorText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty() || size < text.size() + 14) return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " (0x%x)", static_cast<unsigned>(code));
    return text + buffer;
}

CServiceHost::CServiceHost(AppState& state, IServiceManager& manager, platform::EventLoop& loop,
                           ServiceHooks hooks)
    : m_state(state), m_manager(manager), m_loop(loop), m_hooks(std::move(hooks)) {
    if (!m_hooks.systemLog) {
        m_hooks.systemLog = [](const std::vector<std::string>& texts) {
            static_cast<void>(platform::SystemLog(kServiceName).WriteErrors(texts));
        };
    }
    if (!m_hooks.sleep) m_hooks.sleep = [](std::uint32_t ms) { platform::Sleep(ms); };
}

CServiceHost::~CServiceHost() {
    if (m_hTarget) platform::RemoveTarget(m_hTarget);
}

platform::HWND CServiceHost::Target() {
    if (!m_hTarget) m_hTarget = m_loop.AddTarget(*this);
    return m_hTarget;
}

bool CServiceHost::ServiceStartup(const std::string& instanceId) {
    static const char* const kLabel = "ServiceStartup():";
    if (m_state.useInstanceServiceName) {
        m_strName = m_state.serviceName;
        m_strDisplayName = m_state.serviceDisplayName;
    } else if (!instanceId.empty()) {
        // An instance started by its service has no "/ns": its service is named by its id.
        m_strName = instanceId + kServiceName;
    }
    if (!m_manager.OpenService(m_strName)) Install(instanceId);

    if (!m_manager.ConnectDispatcher()) {
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "%s", GetLastErrorText().c_str());
        static_cast<void>(core::OperatorMessageBox(kNotAServiceText, kNotAServiceCaption, kMbOk));
        return true;
    }
    m_bConnected = true;
    if (!Report(ServiceState::StartPending, kWaitHintMs)) {
        static_cast<void>(Report(ServiceState::Stopped, 0));
        m_bConnected = false;
        return true;
    }
    // The start goes on while the document, the devices and the window are made.
    if (Report(ServiceState::StartPending, kWaitHintMs))
        static_cast<void>(Report(ServiceState::StartPending, kWaitHintMs));
    return true;
}

void CServiceHost::Install(const std::string& instanceId) {
    static const char* const kLabel = "ServiceStartup(): Install";
    ServiceDefinition service;
    service.program = m_hooks.program.empty() ? platform::ProgramFile() : m_hooks.program;
    if (service.program.empty()) {
        std::fprintf(m_hooks.out, "Unable to install %s - %s\n", kDisplayName,
                     GetLastErrorText().c_str());
        return;
    }
    service.name = m_strName;
    service.displayName = m_strDisplayName;
    if (m_strName != kServiceName) service.instanceId = instanceId;
    service.machineRoot = platform::MachineRoot();
    if (!m_manager.Open() || !m_manager.Install(service)) {
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "%s: %s", m_strName.c_str(),
                     GetLastErrorText().c_str());
        return;
    }
    std::fprintf(m_hooks.out, "%s installed.\n", kDisplayName);
    std::fflush(m_hooks.out);
}

void CServiceHost::Run() {
    if (!m_bConnected || m_status.state != ServiceState::StartPending) return;
    static_cast<void>(Report(ServiceState::Running, 0));
    const std::uint64_t watchdogMs = m_manager.WatchdogIntervalMs();
    if (watchdogMs == 0) return;
    // Twice within the manager's interval, so one late turn of the loop is no failure.
    const auto period = static_cast<platform::UINT>(
        std::clamp<std::uint64_t>(watchdogMs / 2, 1, static_cast<std::uint64_t>(0x7FFFFFFF)));
    if (!platform::SetTimer(Target(), kWatchdogTimer, period))
        TRACE_LAST_ERROR("CServiceHost::Run(): SetTimer()");
}

void CServiceHost::Stop() {
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "ServiceCtrlHandler():", "%s", "STOP");
    if (m_bStopping) {
        if (m_bConnected) static_cast<void>(m_manager.SetStatus(m_status));
        return;
    }
    m_bStopping = true;
    m_state.stopRequested = true;
    if (m_bConnected) static_cast<void>(Report(ServiceState::StopPending, 0));
    if (!platform::SetTimer(Target(), kGraceTimer, kCloseGraceMs)) {
        TRACE_LAST_ERROR("ServiceCtrlHandler(): SetTimer()");
        if (m_hooks.closeMainWindow) m_hooks.closeMainWindow();
    }
}

void CServiceHost::Stopped() {
    if (m_hTarget) {
        platform::KillTimer(m_hTarget, kGraceTimer);
        platform::KillTimer(m_hTarget, kWatchdogTimer);
    }
    if (m_bConnected && m_status.state != ServiceState::Stopped)
        static_cast<void>(Report(ServiceState::Stopped, 0));
}

platform::LRESULT CServiceHost::OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                          platform::LPARAM) {
    if (msg != platform::WM_TIMER) return 0;
    if (wParam == kGraceTimer) {
        platform::KillTimer(m_hTarget, kGraceTimer);
        if (m_hooks.closeMainWindow) m_hooks.closeMainWindow();
    } else if (wParam == kWatchdogTimer && !m_manager.PetWatchdog()) {
        TRACE_LAST_ERROR("CServiceHost::OnMessage(): watchdog");
    }
    return 0;
}

bool CServiceHost::Report(ServiceState state, std::uint32_t waitHintMs) {
    ServiceStatus status;
    status.state = state;
    status.controlsAccepted = state == ServiceState::StartPending ? 0 : kAcceptStop;
    status.exitCode = state == ServiceState::Stopped ? m_lastError : 0;
    status.waitHintMs = waitHintMs;
    const bool settled = state == ServiceState::Running || state == ServiceState::Stopped;
    status.checkpoint = settled ? 0 : m_checkpoint++;
    m_status = status;
    if (m_manager.SetStatus(status)) return true;
    AddToMessageLog("SetServiceStatus");
    return false;
}

void CServiceHost::AddToMessageLog(const std::string& text) {
    m_lastError = platform::GetLastError();
    char head[64];
    std::snprintf(head, sizeof head, "%s error: %d", kServiceName, static_cast<int>(m_lastError));
    m_hooks.systemLog({head, text});
}

int CServiceHost::ExitCode() const noexcept {
    if (m_lastError == 0) return 0;
    const int low = static_cast<int>(m_lastError & 0xFF);
    return low != 0 ? low : 1;
}

void CServiceHost::RemoveService(const std::string& name) {
    std::FILE* out = m_hooks.out;
    if (!m_manager.Open()) {
        std::fprintf(out, "OpenSCManager failed - %s\n", GetLastErrorText().c_str());
        std::fflush(out);
        return;
    }
    if (!m_manager.OpenService(name)) {
        std::fprintf(out, "OpenService failed - %s\n", GetLastErrorText().c_str());
        std::fflush(out);
        return;
    }
    if (m_manager.Stop(name)) {
        m_hooks.sleep(kStopPollMs);
        std::optional<ServiceState> state = ServiceState::StopPending;
        for (int polls = 0; polls < kMaxStopPolls; ++polls) {
            state = m_manager.QueryState(name);
            if (state != ServiceState::StopPending) break;
            m_hooks.sleep(kStopPollMs);
        }
        std::fprintf(out,
                     state == ServiceState::Stopped ? "\n%s stopped.\n" : "\n%s failed to stop.\n",
                     kDisplayName);
    }
    if (m_manager.Delete(name))
        std::fprintf(out, "%s removed.\n", kDisplayName);
    else
        std::fprintf(out, "DeleteService failed - %s\n", GetLastErrorText().c_str());
    std::fflush(out);
}

}  // namespace shell
