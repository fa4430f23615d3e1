// The main frame: decides once per run whether the configuration sheets may be opened,
// hides itself to the tray when minimised, announces itself to other programs and takes the
// windows they hand over: the outside status window ("SvhandleRequest"), which gets the
// status letters (10001, 10002) and 10003 when the frame goes, and the window of the
// passport reader ("PassportReaderRequest"), to which the passport reader device then types
// through this frame's endpoint. "ShowIcon" adds the tray icon again.
//
// Other programs reach the frame through its window endpoint (platform/WindowEndpoint.h),
// which carries the window class name of the instance ("VEKA001"), so that a second start
// of the same instance finds it and asks it to restore its window (WM_SYSCOMMAND with
// SC_RESTORE). Letters to the outside window never wait: one that does not read loses
// letters; one that is gone is logged once per hand-over.
//
// Threads: user-interface thread (the endpoint is watched on its loop).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/WindowEndpoint.h"
#include "shell/AppState.h"

namespace shell {

struct FrameHooks {
    // "ShowIcon": the tray icon of the view is added again.
    std::function<void()> showIcon;
    // A second start of this instance asked for the window: it is shown normally.
    std::function<void()> restoreWindow;
};

class CMainFrame {
public:
    static constexpr platform::UINT WM_EXIT_NOTICE = 10003;
    static constexpr platform::UINT WM_SYSCOMMAND = 0x0112;
    static constexpr platform::WPARAM SC_MINIMIZE = 0xF020;
    static constexpr platform::WPARAM SC_RESTORE = 0xF120;

    // The registered messages, by the names other programs know them by.
    static constexpr const char* kPassportReaderRequest = "PassportReaderRequest";
    static constexpr const char* kSvhandleRequest = "SvhandleRequest";
    static constexpr const char* kShowIcon = "ShowIcon";
    static constexpr const char* kSvVekaRequest = "SvVekaRequest";

    // osVersion: CVersion's class (3: the NT 3.51 family, whose window minimises).
    CMainFrame(AppState& app, FrameHooks hooks, int osVersion);
    // Destroys the frame when OnDestroy has not.
    ~CMainFrame();
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Creation: the configuration permission of this run ("Update Lock", "Update
    // Config"), the endpoint under the window class name, and "SvVekaRequest" to every
    // window with the frame's handle. Without an endpoint the frame runs on, unreachable.
    void OnCreate(const std::string& windowClass);
    // Takes the endpoint's messages on the loop's thread from now on.
    [[nodiscard]] bool Attach(platform::EventLoop& loop);
    // Handles every message that waits at the endpoint.
    void OnEndpointReadable();
    // One message from another program; its result.
    platform::LRESULT OnWindowMessage(const platform::WindowFrame& frame);
    // Whether a minimise hides the window instead (the tray brings it back).
    [[nodiscard]] bool HideOnMinimize() const noexcept;
    // One message of the outside window protocol to the outside status window, if any.
    void SendToOutsideWindow(platform::UINT msg, platform::WPARAM wParam);
    // 10003 to the outside status window; the endpoint goes.
    void OnDestroy();

    [[nodiscard]] platform::WindowHandle Handle() const { return m_pEndpoint->Handle(); }
    [[nodiscard]] platform::WindowEndpoint& Endpoint() noexcept { return *m_pEndpoint; }

private:
    static bool ReadConfigurationAllowed();

    AppState& m_app;
    FrameHooks m_hooks;
    int m_osVersion;
    // Shared with the passport reader's target window, which types through it from the
    // device's thread.
    std::shared_ptr<platform::WindowEndpoint> m_pEndpoint =
        std::make_shared<platform::WindowEndpoint>();
    platform::EventLoop* m_pLoop = nullptr;
    int m_watchedFd = -1;
    bool m_bDestroyed = false;
    bool m_bOutsideFaultLogged = false;
    bool m_bPassportWindowSet = false;
};

// Asks the running instance whose frame has this window class name to restore its window;
// true when the request reached it.
[[nodiscard]] bool RestoreFirstInstance(const std::string& windowClass);

}  // namespace shell
