// The main view: the status list of the devices, refreshed every 1,500 ms and after a
// control reported the host system; the refresh retries the connection of disconnected and
// reconnecting devices, releases a temporary hold that an earlier run left in the store,
// sends the devices' status letters to an outside status window (messages 10001 and 10002),
// hands every row to the status relay in service mode and has the tray icon updated. The
// device commands: properties, reconnect.
//
// What the view does not draw itself comes in through ViewHooks (the tray, the outside
// window, the relay, the configuration sheet). Per-slot state is sized by the device count:
// a device past the sixteenth slot has a row but is never connected.
//
// Threads: user-interface thread (the view is a target of its loop; its timer runs there).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "shell/AppState.h"
#include "shell/FanOut.h"
#include "shell/ViewStatusList.h"

namespace shell {

class CVekaDoc;

// The tray icon and status letter for the view's flags.
struct StatusIcon {
    int index;    // 0 IDI_ONLINE ... 5 IDI_OFFLINE_WARN_DEV
    char letter;  // 'G', 'R' or 'Y'
};
StatusIcon SelectStatusIcon(bool activity, bool warning, bool connectionWarning) noexcept;

struct ViewHooks {
    // Sends one message of the outside window protocol (10001, 10002) with its byte.
    std::function<void(platform::UINT msg, platform::WPARAM wParam)> sendToOutsideWindow;
    // Updates the tray icon from the view's flags (TaskBarModifyIcon).
    std::function<void()> updateTray;
    // Hands one row to the status relay; set only in service mode with the relay bound.
    std::function<void(const CStatusList::Row& row)> sendStatusToRelay;
    // Runs the configuration sheet modally with this caption; false when it cannot run.
    std::function<bool(const std::string& caption)> openProperties;
};

class CVekaView final : public IFanOutListener, private platform::IMessageTarget {
public:
    static constexpr platform::UINT_PTR kTimerId = 460;
    static constexpr platform::UINT kRefreshMs = 1500;
    static constexpr platform::DWORD kReconnectPauseMs = 1000;
    static constexpr platform::DWORD kDestroyPauseMs = 3000;
    static constexpr platform::UINT WM_STATUS_LETTER = 10001;
    static constexpr platform::UINT WM_LNIATA_LIST = 10002;

    // Reads "Sv Display Ptr Lniata" of the trace key once.
    CVekaView(AppState& app, CVekaDoc* pDoc, ViewHooks hooks);
    ~CVekaView() override;
    CVekaView(const CVekaView&) = delete;
    CVekaView& operator=(const CVekaView&) = delete;

    // Makes the view a target of the calling thread's loop: the controls' parent.
    [[nodiscard]] platform::HWND Create(platform::EventLoop& loop);
    [[nodiscard]] platform::HWND Handle() const noexcept { return m_hWnd; }

    // Columns and rows, the refresh timer.
    void OnInitialUpdate();
    // The timer's refresh, with an exception logged.
    void OnTimer();
    void UpdateStatusList();
    // Stops the timer and pauses 3000 ms on the current clock.
    void OnDestroy();

    // Command 32772: the configuration sheet, when configuration is allowed.
    void OnDevicesProperties();
    // Command 32773: every device with a host link connects again, 1000 ms apart.
    void OnDevicesReconnect();

    // The document is gone (closed): no more refreshes of devices.
    void SetDocument(CVekaDoc* pDoc) noexcept { m_pDoc = pDoc; }

    [[nodiscard]] CStatusList& StatusList() noexcept { return m_list; }
    [[nodiscard]] const std::string& StatusBarText() const noexcept { return m_strStatusBar; }
    [[nodiscard]] bool Activity() const noexcept { return m_bActivity; }
    [[nodiscard]] bool Warning() const noexcept { return m_bWarning; }
    [[nodiscard]] bool ConnectionWarning() const noexcept { return m_bConnectionWarning; }
    [[nodiscard]] bool DisplayPrinterLniata() const noexcept { return m_bDisplayPrinterLniata; }
    [[nodiscard]] StatusIcon CurrentStatus() const noexcept {
        return SelectStatusIcon(m_bActivity, m_bWarning, m_bConnectionWarning);
    }

    // IFanOutListener
    void BeforeReceive(std::size_t slot) override;
    void AfterReceive(std::size_t slot) override;
    void AfterSystemAvailable() override;

private:
    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;
    // Columns 1 and 3; true for an offline device.
    bool UpdateDeviceColumns(std::size_t row);
    // Columns 2 and 4, with the reconnection; true when the connection is down.
    bool UpdateConnectionColumns(std::size_t row);
    void UpdateHostColumn(std::size_t row);
    void UpdateMessageColumn(std::size_t row);
    void ReleaseTempHold(std::size_t row);
    void SendOutside(platform::UINT msg, const std::string& text);
    void SizeSlotState();
    void UpdateTray();

    AppState& m_app;
    CVekaDoc* m_pDoc;
    ViewHooks m_hooks;
    platform::EventLoop* m_pLoop = nullptr;
    platform::HWND m_hWnd = 0;
    CStatusList m_list;
    bool m_bDisplayPrinterLniata = false;
    bool m_bActivity = false;
    bool m_bWarning = false;
    bool m_bConnectionWarning = false;
    char m_cStatusLetter = 'G';
    std::vector<char> m_lastLetterSent;   // per slot
    std::vector<bool> m_tempHoldChecked;  // per slot, once per run
    std::int32_t m_nTicks = 0;
    std::string m_strStatusBar = "Ready";
};

}  // namespace shell
