#include "shell/RelayBinding.h"

#include <algorithm>
#include <cstring>

namespace shell {

namespace {

template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text, std::size_t maxChars = N - 1) {
    const std::string value = text.empty() ? std::string(" ") : text;
    const std::size_t n = std::min({value.size(), maxChars, N - 1});
    std::memcpy(field, value.data(), n);
    field[n] = '\0';
}

}  // namespace

bool CRelayBinding::Bind() {
    if (m_bTried) return m_bBound;
    m_bTried = true;
    if (!m_library.Open(platform::MapLibraryName(kLibraryName))) return false;
    const platform::SymbolBinding bindings[] = {
        platform::BindSymbol("SendDeviceStatus", m_sendDeviceStatus),
        platform::BindSymbol("SetCallbackInterface", m_setCallbackInterface),
        platform::BindSymbol("BeginListening", m_beginListening),
        platform::BindSymbol("SendDeviceIconStatus", m_sendDeviceIconStatus),
    };
    m_bBound = m_library.Bind(bindings);
    return m_bBound;
}

void CRelayBinding::SetCallbackInterface(platform::HWND window) {
    if (m_bBound) static_cast<void>(m_setCallbackInterface(window));
}

void CRelayBinding::BeginListening() {
    if (m_bBound) static_cast<void>(m_beginListening());
}

DEVICESTATUS CRelayBinding::MakeDeviceStatus(const CStatusList::Row& row) {
    DEVICESTATUS status{};
    CopyField(status.deviceName, row[CStatusList::COL_NAME]);
    CopyField(status.deviceType, row[CStatusList::COL_TYPE]);
    CopyField(status.lniata, row[CStatusList::COL_ADDRESS]);
    CopyField(status.deviceStatus, row[CStatusList::COL_DEVICE_STATUS]);
    CopyField(status.connectionStatus, row[CStatusList::COL_CONNECTION]);
    CopyField(status.hostStatus, row[CStatusList::COL_HOST]);
    CopyField(status.message, row[CStatusList::COL_MESSAGE], 127);
    return status;
}

IconStatusRecord CRelayBinding::MakeIconStatus(int index, const std::string& tip) {
    IconStatusRecord record{};
    record.index = static_cast<std::uint32_t>(index);
    const std::size_t n = std::min(tip.size(), sizeof record.tip - 1);
    std::memcpy(record.tip, tip.data(), n);
    return record;
}

void CRelayBinding::SendDeviceStatus(const CStatusList::Row& row) const {
    if (m_bBound) static_cast<void>(m_sendDeviceStatus(MakeDeviceStatus(row)));
}

void CRelayBinding::SendDeviceIconStatus(int index, const std::string& tip) const {
    if (!m_bBound) return;
    const IconStatusRecord record = MakeIconStatus(index, tip);
    ICONSTATUS icon{};
    std::memcpy(&icon, &record, sizeof icon);
    static_cast<void>(m_sendDeviceIconStatus(icon));
}

}  // namespace shell
