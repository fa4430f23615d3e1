#include "shell/Tray.h"

#include <algorithm>

#include "core/Branding.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "res/TrayIcons.h"
#include "shell/RelayBinding.h"

namespace shell {

CTray::CTray(AppState& app, const CRelayBinding* relay) : m_app(app), m_pRelay(relay) {}

void CTray::LoadIcons() {
    for (const TrayIconSpec& icon : kTrayIcons)
        if (res::TrayIconPng(icon.resourceId).empty())
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CTray::LoadIcons():", "%s failed", icon.name);
}

void CTray::ReadTip() {
    m_strTip = core::LoadVekaString(core::BrandStringId(core::BrandText::TrayTip));
    if (m_strTip.size() > kMaxTip) m_strTip.resize(kMaxTip);
}

bool CTray::TaskBarAddIcon() {
    ReadTip();
    m_bAdded = m_pTray && m_pTray->Add(m_currentIcon, m_strTip);
    if (!m_bAdded)
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaView::TaskBarAddIcon():", "NIM_ADD failed");
    return m_bAdded;
}

void CTray::TaskBarModifyIcon(StatusIcon status) {
    m_currentIcon = kTrayIcons.at(static_cast<std::size_t>(status.index)).resourceId;
    ReadTip();
    if (m_app.serviceMode && m_pRelay && m_pRelay->Bound())
        m_pRelay->SendDeviceIconStatus(status.index, m_strTip);
    if (m_bAdded && m_pTray) static_cast<void>(m_pTray->Modify(m_currentIcon, m_strTip));
}

void CTray::TaskBarDeleteIcon() {
    if (!m_bAdded) return;
    m_bAdded = false;
    if (!m_pTray || !m_pTray->Delete())
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaView::TaskBarDeleteIcon():", "NIM_DELETE failed");
}

void CTray::OnTrayNotify(platform::WPARAM iconId, platform::LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        const bool ours =
            std::any_of(kTrayIcons.begin(), kTrayIcons.end(),
                        [&](const TrayIconSpec& s) { return s.resourceId == iconId; });
        if (ours && showWindow) showWindow();
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        if (trackMenu) trackMenu(TrayMenu());
    }
}

std::vector<MenuItem> CTray::TrayMenu() {
    std::vector<MenuItem> menu = {
        {IWindowModel::ID_RESTORE, "&Restore"},
        {IWindowModel::ID_DEVICES_RECONNECT, "&Reconnect"},
        {ID_RESTART_SERVICE, "Restart &Service"},
        {IWindowModel::ID_APP_EXIT, "E&xit"},
    };
    std::erase_if(menu, [](const MenuItem& item) { return item.id == ID_RESTART_SERVICE; });
    return menu;
}

}  // namespace shell
