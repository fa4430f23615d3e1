// The tray icon of the view: one icon whose picture sums up every device (a host message
// being handled or not; a connection down, a device offline or neither) with the branded
// tip, and, in service mode with the relay bound, the same state handed to the status
// relay. The window toolkit's tray comes in as an ITrayIcon; without one (no display, no
// tray on the desktop) adding the icon fails and is logged, and the window stays shown.
//
// Threads: user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "shell/AppState.h"
#include "shell/View.h"
#include "shell/WindowModel.h"

namespace shell {

class CRelayBinding;

struct TrayIconSpec {
    const char* name;
    std::uint32_t resourceId;
};
// By index: the picture for (activity, warning, connection warning), see SelectStatusIcon.
inline constexpr std::array<TrayIconSpec, 6> kTrayIcons = {{
    {"IDI_ONLINE", 251},
    {"IDI_ONLINE_WARN", 451},
    {"IDI_ONLINE_WARN_DEV", 473},
    {"IDI_OFFLINE", 250},
    {"IDI_OFFLINE_WARN", 450},
    {"IDI_OFFLINE_WARN_DEV", 474},
}};

class CTray {
public:
    // The icon's id in the tray, and the message of its callback.
    static constexpr std::uint32_t kTrayId = 450;
    static constexpr platform::UINT WM_TRAY_NOTIFY = platform::WM_USER + 1;
    static constexpr platform::UINT WM_LBUTTONDBLCLK = 0x0203;
    static constexpr platform::UINT WM_RBUTTONDOWN = 0x0204;
    static constexpr std::size_t kMaxTip = 63;
    static constexpr int ID_RESTART_SERVICE = 32778;

    // relay: bound or not; only used in service mode.
    CTray(AppState& app, const CRelayBinding* relay);

    // The toolkit's tray (null: none).
    void SetTrayIcon(ITrayIcon* tray) noexcept { m_pTray = tray; }
    // Checks the six pictures; each missing one is logged as its name and " failed".
    void LoadIcons();
    // Adds the icon with the current picture and the branded tip; false (logged "NIM_ADD
    // failed") without a tray.
    bool TaskBarAddIcon();
    // The picture for the view's state, the tip read again, the relay told in service mode.
    void TaskBarModifyIcon(StatusIcon status);
    void TaskBarDeleteIcon();
    // The tray's callback: a double click shows the window, the right button opens the
    // tray menu.
    void OnTrayNotify(platform::WPARAM iconId, platform::LPARAM mouseMessage);
    // The tray menu, without "Restart &Service".
    [[nodiscard]] static std::vector<MenuItem> TrayMenu();

    [[nodiscard]] std::uint32_t CurrentIcon() const noexcept { return m_currentIcon; }
    [[nodiscard]] const std::string& Tip() const noexcept { return m_strTip; }
    [[nodiscard]] bool Added() const noexcept { return m_bAdded; }

    // What the callback asks of the window.
    std::function<void()> showWindow;
    std::function<void(const std::vector<MenuItem>& menu)> trackMenu;

private:
    void ReadTip();

    AppState& m_app;
    const CRelayBinding* m_pRelay;
    ITrayIcon* m_pTray = nullptr;
    std::uint32_t m_currentIcon = kTrayIcons[4].resourceId;  // IDI_OFFLINE_WARN
    std::string m_strTip;
    bool m_bAdded = false;
};

}  // namespace shell
