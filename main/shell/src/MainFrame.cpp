#include "shell/MainFrame.h"

#include "core/PassportReaderWindow.h"
#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/Version.h"
#include "devices/DevicePassport.h"
#include "devices/PassportWindowEndpoint.h"
#include "shell/Document.h"

namespace shell {

namespace {

platform::UINT Registered(const char* name) {
    return platform::RegisterWindowMessage(name);
}

// Registered when the program loads, as the frame's messages always were.
const platform::UINT g_msgPassportReaderRequest = Registered(CMainFrame::kPassportReaderRequest);
const platform::UINT g_msgSvhandleRequest = Registered(CMainFrame::kSvhandleRequest);
const platform::UINT g_msgShowIcon = Registered(CMainFrame::kShowIcon);

}  // namespace

CMainFrame::CMainFrame(AppState& app, FrameHooks hooks, int osVersion)
    : m_app(app), m_hooks(std::move(hooks)), m_osVersion(osVersion) {}

CMainFrame::~CMainFrame() {
    OnDestroy();
}

bool CMainFrame::ReadConfigurationAllowed() {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(CVekaDoc::kKeyRoot, false)) return true;
    bool allowed = true;
    platform::DWORD lock = 0;
    if (reg.RegistryQueryDWORD("Update Lock", &lock, true, false) && lock != 0) {
        platform::DWORD update = 0;
        if (!reg.RegistryQueryDWORD("Update Config", &update, true, false) || update == 0)
            allowed = false;
        else  // the permission is used up
            static_cast<void>(reg.RegistrySetDWORD("Update Config", 0, true, true));
    }
    static_cast<void>(reg.RegistryClose());
    return allowed;
}

void CMainFrame::OnCreate(const std::string& windowClass) {
    m_app.configurationAllowed = ReadConfigurationAllowed();
    if (!m_pEndpoint->Bind(windowClass)) {
        TRACE_LAST_ERROR("CMainFrame::OnCreate(): Bind()");
        return;
    }
    const auto request = platform::WindowFrame::Registered(
        kSvVekaRequest, static_cast<platform::WPARAM>(m_pEndpoint->Handle()), 0);
    static_cast<void>(m_pEndpoint->Broadcast(request));
}

bool CMainFrame::Attach(platform::EventLoop& loop) {
    const int fd = m_pEndpoint->Descriptor();
    if (fd < 0 || !loop.AddWatch(fd, platform::EventLoop::Readable,
                                 [this](unsigned) { OnEndpointReadable(); }))
        return false;
    m_pLoop = &loop;
    m_watchedFd = fd;
    return true;
}

void CMainFrame::OnEndpointReadable() {
    platform::WindowFrame frame;
    while (m_pEndpoint->Receive(frame)) static_cast<void>(OnWindowMessage(frame));
}

platform::LRESULT CMainFrame::OnWindowMessage(const platform::WindowFrame& frame) {
    const platform::UINT msg = frame.MessageId();
    if (msg == g_msgSvhandleRequest) {
        m_app.outsideWindow = static_cast<platform::WindowHandle>(frame.wParam);
        m_app.outsideWindowParam = frame.lParam;
        m_app.outsideWindowArrived = true;
        m_bOutsideFaultLogged = false;
        return 1;
    }
    if (msg == g_msgPassportReaderRequest) {
        const auto window = static_cast<platform::WindowHandle>(frame.wParam);
        core::SetPassportReaderWindow({window, frame.lParam});
        devices::SetPassportWindow(
            window == 0 ? nullptr
                        : std::make_shared<devices::CPassportWindowEndpoint>(m_pEndpoint, window));
        m_bPassportWindowSet = true;
        return 1;
    }
    if (msg == g_msgShowIcon) {
        if (m_hooks.showIcon) m_hooks.showIcon();
        return 0;
    }
    if (msg == WM_SYSCOMMAND && frame.wParam == SC_RESTORE && m_hooks.restoreWindow)
        m_hooks.restoreWindow();
    return 0;
}

bool CMainFrame::HideOnMinimize() const noexcept {
    return m_osVersion != CVersion::VERSION_NT351 && m_app.startupWindowState == 0;
}

void CMainFrame::SendToOutsideWindow(platform::UINT msg, platform::WPARAM wParam) {
    if (m_app.outsideWindow == 0 || !m_pEndpoint->IsBound()) return;
    if (m_pEndpoint->Send(m_app.outsideWindow, platform::WindowFrame::Numbered(msg, wParam, 0)))
        return;
    // Logged once per hand-over: a window that is gone or does not read stays so a while.
    if (m_bOutsideFaultLogged) return;
    m_bOutsideFaultLogged = true;
    TRACE_LAST_ERROR("CMainFrame::SendToOutsideWindow(): Send()");
}

void CMainFrame::OnDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    SendToOutsideWindow(WM_EXIT_NOTICE, 0);
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CMainFrame::~CMainFrame():", "%s", "");
    if (m_pLoop && m_watchedFd >= 0) m_pLoop->RemoveWatch(m_watchedFd);
    m_pLoop = nullptr;
    m_watchedFd = -1;
    // The passport reader no longer types through the endpoint that goes.
    if (m_bPassportWindowSet) devices::SetPassportWindow(nullptr);
    m_pEndpoint->Close();
}

bool RestoreFirstInstance(const std::string& windowClass) {
    const platform::WindowHandle first = platform::WindowEndpoint::FindWindow(windowClass);
    if (first == 0) return false;
    platform::WindowEndpoint asker;
    if (!asker.Bind()) return false;
    const auto restore =
        platform::WindowFrame::Numbered(CMainFrame::WM_SYSCOMMAND, CMainFrame::SC_RESTORE, 0);
    return asker.Send(first, restore) && asker.Waiting(first) == 0;
}

}  // namespace shell
