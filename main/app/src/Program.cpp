#include "app/Program.h"

#include <cstdlib>

#include "app/ConfigurationSheet.h"
#include "core/TraceLog.h"
#include "core/Version.h"
#include "devices/LocalLinkSocket.h"
#include "platform/DynamicLibrary.h"
#include "res/VekaStringTable.h"
#include "shell/AboutBox.h"
#include "shell/Document.h"
#include "shell/FanOut.h"
#include "shell/MainFrame.h"
#include "shell/MessageSink.h"
#include "shell/RelayBinding.h"
#include "shell/ServiceHost.h"
#include "shell/Tray.h"
#include "shell/View.h"

namespace app {

CProgram::CProgram(shell::AppState& state, std::FILE* statusOut, shell::IServiceManager* services)
    : m_state(state), m_statusOut(statusOut), m_services(services) {}

CProgram::~CProgram() {
    Destroy();
}

int CProgram::Run(const std::vector<std::string>& args) {
    res::RegisterVekaStrings();
    devices::InstallLocalLinkRoute();  // the route of the devices' questions in service mode
    m_loop = std::make_unique<platform::EventLoop>();
    if (!m_loop->IsValid()) return 1;
    if (!m_termination.Watch(*m_loop, [this](int signal) { OnTerminationSignal(signal); }))
        TRACE_LAST_ERROR("CProgram::Run(): TerminationSignal::Watch()");
    m_sink = std::make_unique<shell::CMessageSink>();
    m_sink->Install();

    shell::AppHooks hooks;
    // The start-up takes this system as the NT family 4.0 (AppHooks' answer): its service and
    // removal branches are the ones built here. The kernel's own version says nothing of it.
    const shell::CVekaApp* pApp = nullptr;
    hooks.createDocument = [this, &pApp] { return CreateDocument(pApp->WindowClassName()); };
    hooks.restoreFirstInstance = [](const std::string& windowClass) {
        return shell::RestoreFirstInstance(windowClass);
    };
    if (m_services) {
        shell::ServiceHooks serviceHooks;
        serviceHooks.closeMainWindow = [this] { RequestClose(); };
        m_service = std::make_unique<shell::CServiceHost>(m_state, *m_services, *m_loop,
                                                          std::move(serviceHooks));
        hooks.removeService = [this](const std::string& name) { m_service->RemoveService(name); };
        hooks.serviceStartup = [this, &pApp] {
            return m_service->ServiceStartup(pApp->Command().instanceId);
        };
    }
    shell::CVekaApp app(m_state, std::move(hooks));
    pApp = &app;
    const shell::CVekaApp::Start start = app.InitInstance(args);
    int code = 0;
    if (start == shell::CVekaApp::Start::End) {
        code = app.Command().action == shell::CommandLine::Action::Refuse ? 1 : 0;
    } else {
        m_bRunning = true;
        if (m_service && m_state.serviceMode) m_service->Run();
        if (m_bCloseAsked.load() && m_hFrame.load())
            static_cast<void>(platform::PostMessage(m_hFrame.load(), platform::WM_CLOSE, 0, 0));
        if (!RunWindow(code)) code = m_loop->Run();
    }
    Destroy();
    // Every device is down: the service has stopped, and ends with its last error.
    if (m_service && m_state.serviceMode) {
        m_service->Stopped();
        code = m_service->ExitCode();
    }
    app.ExitInstance();
    m_sink->Uninstall();
    m_bRunning = false;
    m_termination.Stop();
    m_service.reset();
    m_loop.reset();  // on its own thread
    return code;
}

shell::IMainWindow* CProgram::CreateDocument(const std::string& windowClass) {
    const int osVersion = shell::AppHooks{}.osVersion;
    m_relay = std::make_unique<shell::CRelayBinding>();
    m_tray = std::make_unique<shell::CTray>(m_state, m_relay.get());
    shell::FrameHooks frameHooks;
    frameHooks.showIcon = [this] { static_cast<void>(m_tray->TaskBarAddIcon()); };
    frameHooks.restoreWindow = [this] {
        if (m_pWindowView) m_pWindowView->ShowWindow();
    };
    m_frame = std::make_unique<shell::CMainFrame>(m_state, std::move(frameHooks), osVersion);
    m_frame->OnCreate(windowClass);
    if (!m_frame->Attach(*m_loop)) TRACE_LAST_ERROR("CProgram::CreateDocument(): Attach()");
    m_doc = std::make_unique<shell::CVekaDoc>(m_state, shell::VekaDeviceConstructor());
    shell::ViewHooks viewHooks;
    viewHooks.updateTray = [this] {
        m_tray->TaskBarModifyIcon(m_view->CurrentStatus());
        PrintChangedRows();
    };
    viewHooks.sendToOutsideWindow = [this](platform::UINT msg, platform::WPARAM wParam) {
        m_frame->SendToOutsideWindow(msg, wParam);
    };
    viewHooks.sendStatusToRelay = [this](const shell::CStatusList::Row& row) {
        m_relay->SendDeviceStatus(row);
    };
    // A modal run fails only when the sheet cannot be shown at all.
    viewHooks.openProperties = [this](const std::string&) {
        return OpenConfigurationSheet(m_state.instanceId) != -1;
    };
    m_view = std::make_unique<shell::CVekaView>(m_state, m_doc.get(), std::move(viewHooks));
    const platform::HWND hView = m_view->Create(*m_loop);
    m_fanOut = std::make_unique<shell::CFanOut>(m_doc.get(), hView, m_view.get());
    m_fanOut->CreateConnections();
    if (m_state.serviceMode) static_cast<void>(m_relay->Bind());
    m_hFrame = m_loop->AddTarget(*this);
    m_relay->SetCallbackInterface(m_hFrame.load());
    m_relay->BeginListening();
    m_view->OnInitialUpdate();
    if (osVersion != CVersion::VERSION_NT351) {
        m_tray->LoadIcons();
        // With a display the window module's view brings the tray (AttachView).
        if (!WindowWanted()) static_cast<void>(m_tray->TaskBarAddIcon());
    }
    return this;
}

void CProgram::OnTerminationSignal(int signal) {
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CProgram::OnTerminationSignal():", "%d", signal);
    if (m_service && m_state.serviceMode) {
        m_service->Stop();
        return;
    }
    // Without a service manager to go through, the signal is the stop itself.
    m_state.stopRequested = true;
    RequestClose();
}

void CProgram::RequestClose() {
    m_bCloseAsked = true;
    if (const platform::HWND hFrame = m_hFrame.load())
        static_cast<void>(platform::PostMessage(hFrame, platform::WM_CLOSE, 0, 0));
}

platform::LRESULT CProgram::OnMessage(platform::UINT msg, platform::WPARAM, platform::LPARAM) {
    if (msg == platform::WM_CLOSE && OnClose()) m_loop->Quit(0);
    return 0;
}

bool CProgram::OnClose() {
    // A service keeps running until the service manager stops it.
    if (!m_doc || !m_doc->OnCloseDocument()) return false;
    m_bEnded = true;
    return true;
}

bool CProgram::WindowWanted() const {
    const bool display =
        std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
    return display && !m_state.serviceMode;
}

bool CProgram::RunWindow(int& code) {
    if (!WindowWanted()) return false;
    platform::DynamicLibrary module;
    shell::RunWindowFunction run = nullptr;
    const platform::SymbolBinding bindings[] = {platform::BindSymbol(shell::kRunWindowSymbol, run)};
    if (!module.Open(platform::PluginDirectory() / (std::string(shell::kWindowModule) + ".so")) ||
        !module.Bind(bindings)) {
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CProgram::RunWindow():", "%s",
                     module.error().c_str());
        return false;
    }
    static char name[] = "veka";
    char* argv[] = {name, nullptr};
    code = run(this, 1, argv);
    return true;
}

void CProgram::AttachView(shell::IWindowView* view) {
    if (!m_tray) return;
    if (!view) {
        m_tray->TaskBarDeleteIcon();
        m_tray->SetTrayIcon(nullptr);
        m_tray->showWindow = nullptr;
        m_tray->trackMenu = nullptr;
        m_pWindowView = nullptr;
        return;
    }
    m_pWindowView = view;
    m_tray->showWindow = [view] { view->ShowWindow(); };
    m_tray->trackMenu = [view](const std::vector<shell::MenuItem>& menu) { view->TrackMenu(menu); };
    m_tray->SetTrayIcon(view->Tray());
    // Start-up added the icon before there was a view to show it: now it can.
    static_cast<void>(m_tray->TaskBarAddIcon());
}

bool CProgram::StartHidden() {
    return m_tray && m_tray->Added();
}

void CProgram::OnTrayNotify(std::uint32_t icon, int mouseMessage) {
    if (m_tray) m_tray->OnTrayNotify(icon, static_cast<platform::LPARAM>(mouseMessage));
}

std::vector<shell::WindowColumn> CProgram::Columns() {
    std::vector<shell::WindowColumn> columns;
    if (m_view)
        for (const auto& c : m_view->StatusList().Columns())
            columns.push_back({c.title, c.sampleChars});
    return columns;
}

std::vector<std::array<std::string, 7>> CProgram::Rows() {
    std::vector<std::array<std::string, 7>> rows;
    if (m_view)
        for (std::size_t i = 0; i < m_view->StatusList().Rows(); ++i)
            rows.push_back(m_view->StatusList().Item(i));
    return rows;
}

std::string CProgram::StatusBarText() {
    return m_view ? m_view->StatusBarText() : std::string("Ready");
}

void CProgram::OnCommand(int id) {
    if (!m_view) return;
    switch (id) {
        case ID_DEVICES_PROPERTIES:
            m_view->OnDevicesProperties();
            break;
        case ID_DEVICES_RECONNECT:
            m_view->OnDevicesReconnect();
            break;
        case ID_APP_ABOUT:
            shell::ShowAboutBox();
            break;
        case ID_RESTORE:
            if (m_pWindowView) m_pWindowView->ShowWindow();
            break;
        default:
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CProgram::OnCommand():", "%d not handled", id);
            break;
    }
}

void CProgram::PrintChangedRows() {
    if (!m_statusOut || !m_view) return;
    const shell::CStatusList& list = m_view->StatusList();
    m_printedRows.resize(list.Rows());
    for (std::size_t i = 0; i < list.Rows(); ++i) {
        std::string line;
        for (const std::string& cell : list.Item(i)) {
            if (!line.empty()) line += " | ";
            line += cell;
        }
        if (line == m_printedRows[i]) continue;
        m_printedRows[i] = line;
        std::fprintf(m_statusOut, "%s\n", line.c_str());
    }
    std::fflush(m_statusOut);
}

void CProgram::Destroy() {
    if (m_hFrame.load()) {
        platform::RemoveTarget(m_hFrame.load());
        m_hFrame = 0;
    }
    // The devices go first (their host links use the control slots), then the view.
    if (m_doc) m_doc->ShutDownDevices();
    if (m_fanOut) m_fanOut->SetDocument(nullptr);
    if (m_view) {
        m_view->SetDocument(nullptr);
        m_view->OnDestroy();
    }
    if (m_tray) m_tray->TaskBarDeleteIcon();
    if (m_frame) m_frame->OnDestroy();
    m_fanOut.reset();
    m_view.reset();
    m_doc.reset();
    m_frame.reset();
    m_tray.reset();
    // The relay's module goes last: unloading it joins its threads.
    m_relay.reset();
}

}  // namespace app
