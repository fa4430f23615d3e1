// The program `veka` without a display: start-up, the document with its devices, their host
// controls and the view's refreshes on one user-interface thread, the status on the
// terminal and in the log. The main window is a target of that thread's loop; closing it
// (a termination signal, a service stop, RequestClose) closes the document, which shuts
// every device down, and ends the loop.
//
// A termination or interrupt signal (SIGTERM, SIGINT) is read on the loop: it closes the
// window, or, in service mode, is the service's stop. The signals must be blocked before any
// thread starts (platform::TerminationSignal::Block, first thing in main).
//
// Threads: Run on the thread that is to be the user-interface thread; RequestClose from any.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/TerminationSignal.h"
#include "shell/App.h"
#include "shell/AppState.h"
#include "shell/WindowModel.h"

namespace shell {
class CVekaDoc;
class CVekaView;
class CFanOut;
class CMainFrame;
class CRelayBinding;
class CTray;
class CMessageSink;
class CServiceHost;
class IServiceManager;
}  // namespace shell

namespace app {

class CProgram final : private shell::IMainWindow,
                       private shell::IWindowModel,
                       private platform::IMessageTarget {
public:
    // statusOut: where the status rows go as they change (none: nowhere); services: the
    // machine's service manager (none: service mode and removal cannot reach one).
    explicit CProgram(shell::AppState& state = shell::TheAppState(), std::FILE* statusOut = stdout,
                      shell::IServiceManager* services = nullptr);
    ~CProgram() override;
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    // Start-up and the loop; the process's exit code.
    int Run(const std::vector<std::string>& args);
    // Any thread: closes the main window as the user or a service stop would; before the
    // window exists, it closes as soon as it does.
    void RequestClose();
    // True once the window exists and the loop is about to run.
    [[nodiscard]] bool Running() const noexcept { return m_bRunning.load(); }

private:
    // IMainWindow
    void Hide() override {}
    void SetTitle(const std::string& title) override { m_strTitle = title; }
    // IWindowModel, for the window module when there is a display.
    platform::EventLoop& Loop() override { return *m_loop; }
    std::string Title() override { return m_strTitle; }
    std::vector<shell::WindowColumn> Columns() override;
    std::vector<std::array<std::string, 7>> Rows() override;
    std::string StatusBarText() override;
    bool ConfigurationAllowed() override { return m_state.configurationAllowed; }
    void AttachView(shell::IWindowView* view) override;
    // Hidden only when the tray icon is there to bring the window back.
    bool StartHidden() override;
    void OnTrayNotify(std::uint32_t icon, int mouseMessage) override;
    void OnCommand(int id) override;
    bool OnClose() override;
    bool Ended() override { return m_bEnded; }
    // Runs the window module when there is a display and the program is no service; false
    // when it did not (the caller runs the loop itself).
    bool RunWindow(int& code);
    // A display is there and the program is no service.
    [[nodiscard]] bool WindowWanted() const;
    // The main window's messages.
    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;

    shell::IMainWindow* CreateDocument(const std::string& windowClass);
    void OnTerminationSignal(int signal);
    void PrintChangedRows();
    void Destroy();

    shell::AppState& m_state;
    std::FILE* m_statusOut;
    shell::IServiceManager* m_services;
    std::unique_ptr<platform::EventLoop> m_loop;
    platform::TerminationSignal m_termination;
    std::unique_ptr<shell::CServiceHost> m_service;
    std::unique_ptr<shell::CMessageSink> m_sink;
    std::unique_ptr<shell::CVekaDoc> m_doc;
    std::unique_ptr<shell::CVekaView> m_view;
    std::unique_ptr<shell::CFanOut> m_fanOut;
    // Bound in service mode until the program ends.
    std::unique_ptr<shell::CRelayBinding> m_relay;
    std::unique_ptr<shell::CTray> m_tray;
    std::unique_ptr<shell::CMainFrame> m_frame;
    // The window module's view while it runs.
    shell::IWindowView* m_pWindowView = nullptr;
    std::atomic<platform::HWND> m_hFrame{0};
    std::atomic<bool> m_bCloseAsked{false};
    std::atomic<bool> m_bRunning{false};
    std::string m_strTitle = "Trevo Printing Module";
    bool m_bEnded = false;
    std::vector<std::string> m_printedRows;
};

}  // namespace app
