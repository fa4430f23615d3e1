#include "shell/View.h"

#include <cstdio>
#include <exception>

#include "core/Branding.h"
#include "core/Device.h"
#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "platform/Time.h"
#include "shell/Document.h"

namespace shell {

namespace {

enum : std::uint32_t {
    IDS_AVAILABLE = 305,
    IDS_BUSY = 306,
    IDS_DEVICE_OFFLINE = 307,
    IDS_HOST_OFFLINE = 309,
    IDS_CONNECTED = 313,
    IDS_CONNECTING = 314,
    IDS_RECONNECTING = 315,
    IDS_DISCONNECTED = 316,
    IDS_HOST_AVAILABLE = 319,
    IDS_TEMP_HOLD = 320,
    IDS_HOLD = 321,
    IDS_SCROLL_RIGHT = 332,
};

std::string Text(std::uint32_t id) {
    return core::LoadVekaString(id);
}

}  // namespace

StatusIcon SelectStatusIcon(bool activity, bool warning, bool connectionWarning) noexcept {
    const int base = activity ? 0 : 3;
    if (!warning) return {base, 'G'};
    if (connectionWarning) return {base + 1, 'R'};
    return {base + 2, 'Y'};
}

CVekaView::CVekaView(AppState& app, CVekaDoc* pDoc, ViewHooks hooks)
    : m_app(app), m_pDoc(pDoc), m_hooks(std::move(hooks)) {
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(std::string(CVekaDoc::kRoot) + "\\Trace", false)) {
        platform::DWORD value = 0;
        if (reg.RegistryQueryDWORD("Sv Display Ptr Lniata", &value, true, false))
            m_bDisplayPrinterLniata = value != 0;
        static_cast<void>(reg.RegistryClose());
    }
}

CVekaView::~CVekaView() {
    if (m_hWnd) platform::RemoveTarget(m_hWnd);
}

platform::HWND CVekaView::Create(platform::EventLoop& loop) {
    m_pLoop = &loop;
    m_hWnd = loop.AddTarget(*this);
    return m_hWnd;
}

platform::LRESULT CVekaView::OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                       platform::LPARAM) {
    if (msg == platform::WM_TIMER && wParam == kTimerId) OnTimer();
    return 0;
}

void CVekaView::SizeSlotState() {
    const std::size_t count = m_pDoc ? m_pDoc->DeviceCount() : 0;
    if (m_lastLetterSent.size() < count) m_lastLetterSent.resize(count, '\0');
    if (m_tempHoldChecked.size() < count) m_tempHoldChecked.resize(count, false);
}

void CVekaView::OnInitialUpdate() {
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CVekaView::OnInitialUpdate():", "%s", "");
    if (!m_hWnd || !platform::SetTimer(m_hWnd, kTimerId, kRefreshMs))
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaView::OnInitialUpdate():", "Unable to start timer");
    if (!m_pDoc) return;
    SizeSlotState();
    m_list.SetItemCount(m_pDoc->DevicesSelected());
    m_list.InsertColumns();
    for (std::size_t i = 0; i < m_pDoc->DeviceCount(); ++i) {
        const core::CDevice* device = m_pDoc->Device(i);
        if (!m_list.InsertItem(i, device->GetDeviceName()))
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                         "CVekaView::OnInitialUpdate():", "InsertItem(%i,%s) failed",
                         static_cast<int>(i), device->GetDeviceName().c_str());
        static_cast<void>(UpdateDeviceColumns(i));
        static_cast<void>(UpdateConnectionColumns(i));
        UpdateHostColumn(i);
    }
}

void CVekaView::OnTimer() {
    if (!m_pDoc) return;
    try {
        UpdateStatusList();
    } catch (const std::exception& e) {
        TRACE_EXCEPTION(e, "CVekaView::OnTimer(): UpdateStatusList()", "Exception:");
    }
}

bool CVekaView::UpdateDeviceColumns(std::size_t row) {
    core::CDevice* device = m_pDoc->Device(row);
    m_list.SetItemText(row, CStatusList::COL_TYPE, device->GetDeviceType());
    std::string text;
    const core::eDeviceState state = device->GetDeviceState();
    switch (state) {
        case core::DEVICE_ONLINE_AVAILABLE:
            text = Text(IDS_AVAILABLE);
            break;
        case core::DEVICE_ONLINE_BUSY:
            text = Text(IDS_BUSY);
            break;
        case core::DEVICE_OFFLINE:
            text = Text(IDS_DEVICE_OFFLINE);
            break;
    }
    m_list.SetItemText(row, CStatusList::COL_DEVICE_STATUS, text);
    return state == core::DEVICE_OFFLINE;
}

bool CVekaView::UpdateConnectionColumns(std::size_t row) {
    core::CDevice* device = m_pDoc->Device(row);
    core::CHostTrevo* host = device->GetHost();
    if (!host) {
        m_list.SetItemText(row, CStatusList::COL_CONNECTION, Text(IDS_CONNECTED));
        return false;
    }
    m_list.SetItemText(row, CStatusList::COL_ADDRESS, host->GetLNIATA());
    bool down = false;
    std::string text;
    switch (host->GetConnectionState()) {
        case core::CONNECTION_CONNECTING:
            text = Text(IDS_CONNECTING);
            break;
        case core::CONNECTION_DISCONNECTED:
            text = Text(IDS_DISCONNECTED);
            down = true;
            break;
        case core::CONNECTION_RECONNECTING:
            text = Text(IDS_RECONNECTING);
            down = true;
            break;
        case core::CONNECTION_CONNECTED:
            text = Text(IDS_CONNECTED);
            break;
    }
    m_list.SetItemText(row, CStatusList::COL_CONNECTION, text);
    // A device without a control slot is never connected.
    if (down && row < CFanOut::kSlots && !device->HostConnectRetry())
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaView::UpdateStatusConnection(): pDevice->HostConnectRetry()",
                     device->GetLastError());
    return down;
}

void CVekaView::UpdateHostColumn(std::size_t row) {
    core::CHostTrevo* host = m_pDoc->Device(row)->GetHost();
    std::uint32_t id = IDS_HOST_OFFLINE;
    if (host) {
        switch (host->GetHostState()) {
            case core::HOST_AVAIL:
                id = IDS_HOST_AVAILABLE;
                break;
            case core::HOST_AVAIL_TEMP_HOLD:
                id = IDS_TEMP_HOLD;
                break;
            case core::HOST_AVAIL_PERM_HOLD:
                id = IDS_HOLD;
                break;
            default:
                break;
        }
    }
    m_list.SetItemText(row, CStatusList::COL_HOST, Text(id));
}

void CVekaView::UpdateMessageColumn(std::size_t row) {
    core::CDevice* device = m_pDoc->Device(row);
    std::string text = device->GetHost() ? device->GetHost()->GetLastError() : std::string();
    if (text.empty()) text = device->GetLastError();
    if (text.empty()) text = device->GetStatusMessage();
    m_list.SetItemText(row, CStatusList::COL_MESSAGE, text);
}

void CVekaView::SendOutside(platform::UINT msg, const std::string& text) {
    if (!m_hooks.sendToOutsideWindow || m_app.outsideWindow == 0) return;
    for (const char c : text)  // each byte sign-extended, as a char passed as a parameter
        m_hooks.sendToOutsideWindow(msg, static_cast<platform::WPARAM>(static_cast<long>(c)));
}

void CVekaView::UpdateStatusList() {
    if (!m_pDoc) return;
    SizeSlotState();
    m_bWarning = false;
    m_bConnectionWarning = false;
    const bool outside = m_app.outsideWindow != 0;
    if (outside && m_bDisplayPrinterLniata) {
        ++m_nTicks;
        if (m_app.outsideWindowArrived) {
            m_nTicks = 1;
            m_app.outsideWindowArrived = false;
        }
    }
    const std::size_t count = m_pDoc->DeviceCount();
    if (m_nTicks == 1) {
        std::fill(m_lastLetterSent.begin(), m_lastLetterSent.end(), '\0');
        int number = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const core::CHostTrevo* host = m_pDoc->Device(i)->GetHost();
            if (!host) continue;
            char head[8];
            std::snprintf(head, sizeof head, "\x03%02d", number++ % 100);
            SendOutside(WM_LNIATA_LIST, head + std::string("P - ") + host->GetLNIATA() + "\x02");
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const bool deviceWarning = UpdateDeviceColumns(i);
        const bool connectionWarning = UpdateConnectionColumns(i);
        UpdateHostColumn(i);
        if (deviceWarning || connectionWarning) m_bWarning = true;
        if (connectionWarning) m_bConnectionWarning = true;
        UpdateMessageColumn(i);
        const bool hasHost = m_pDoc->Device(i)->GetHost() != nullptr;
        if (m_nTicks >= 1 && hasHost) {
            const char letter = CurrentStatus().letter;
            if (m_bDisplayPrinterLniata && outside && letter != m_lastLetterSent[i]) {
                char text[8];
                std::snprintf(text, sizeof text, "\x03%02d%c\x02", static_cast<int>(i % 100),
                              letter);
                SendOutside(WM_STATUS_LETTER, text);
                m_lastLetterSent[i] = letter;
            }
        }
        m_cStatusLetter = CurrentStatus().letter;
        ReleaseTempHold(i);
        if (m_app.serviceMode && m_hooks.sendStatusToRelay)
            m_hooks.sendStatusToRelay(m_list.Item(i));
    }
    m_strStatusBar = m_bWarning ? Text(IDS_SCROLL_RIGHT) : "Ready";
    UpdateTray();
}

void CVekaView::ReleaseTempHold(std::size_t row) {
    core::CDevice* device = m_pDoc->Device(row);
    core::CHostTrevo* host = device->GetHost();
    if (!host || m_tempHoldChecked[row] || m_cStatusLetter != 'G') return;
    m_tempHoldChecked[row] = true;
    const std::string key = std::string(CVekaDoc::kKeyRoot) + "\\" + device->GetDeviceKey();
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(key, false)) return;
    // The hold is recorded by this program's host link as 1 with the letter's code, and by
    // earlier programs as 5 with the letter as text: both read as text give the letter.
    platform::DWORD hold = 0;
    std::string letter;
    const bool held = reg.RegistryQueryDWORD("Temp Hold", &hold, true, false) &&
                      (hold == 5 || hold == 1) &&
                      reg.RegistryQueryString("Temp Hold Ltsn", &letter, true, false) &&
                      !letter.empty() && letter[0] != ' ';
    static_cast<void>(reg.RegistryClose());
    if (held) {
        host->m_bRejectProtected = true;
        static_cast<void>(device->SendToHost(std::string{'C', letter[0], '2', '0', '\x15'}));
    }
    if (!reg.RegistryOpen(key, false)) return;
    static_cast<void>(reg.RegistrySetDWORD("Temp Hold", 0, true, true));
    static_cast<void>(reg.RegistrySetString("Temp Hold Ltsn", "   ", true, true));
    static_cast<void>(reg.RegistryClose());
}

void CVekaView::UpdateTray() {
    if (m_hooks.updateTray) m_hooks.updateTray();
}

void CVekaView::BeforeReceive(std::size_t) {
    m_bActivity = true;
    if (!m_app.serviceMode) UpdateTray();
}

void CVekaView::AfterReceive(std::size_t slot) {
    if (m_pDoc && slot < m_pDoc->DeviceCount()) static_cast<void>(UpdateDeviceColumns(slot));
    m_bActivity = false;
    if (!m_app.serviceMode) UpdateTray();
}

void CVekaView::AfterSystemAvailable() {
    UpdateStatusList();
}

void CVekaView::OnDevicesProperties() {
    if (!m_app.configurationAllowed) return;
    const std::string caption =
        core::LoadVekaString(core::BrandStringId(core::BrandText::PropertiesCaption));
    if (!m_hooks.openProperties || !m_hooks.openProperties(caption))
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaView::OnDevicesProperties():", "DoModal() failed");
}

void CVekaView::OnDevicesReconnect() {
    static const char* const kLabel = "CVekaView::OnDevicesReconnect():";
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel, "%s", "");
    if (!m_pDoc) return;
    const std::size_t count = std::min(m_pDoc->DeviceCount(), CFanOut::kSlots);
    for (std::size_t i = 0; i < count; ++i) {
        core::CDevice* device = m_pDoc->Device(i);
        if (!device->GetHost()) continue;
        TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel,
                     "Reconnect: '%s', Type='%s', Name='%s', Session='%s'",
                     device->GetDeviceKey().c_str(), device->GetDeviceType().c_str(),
                     device->GetDeviceName().c_str(), device->GetSession().c_str());
        if (!device->HostConnect())
            TRACE_STRING(CTraceLog::LEVEL_ERROR,
                         "CVekaView::OnDevicesReconnect(): pDevice->HostConnect()",
                         device->GetLastError());
        platform::Sleep(kReconnectPauseMs);
    }
}

void CVekaView::OnDestroy() {
    if (m_hWnd && !platform::KillTimer(m_hWnd, kTimerId))
        TRACE_LAST_ERROR("CVekaView::~CVekaView(): KillTimer()");
    platform::Sleep(kDestroyPauseMs);
}

}  // namespace shell
