#include "core/HostTrevo.h"

#include "HostTrevoInternal.h"
#include "core/HostTrevoRegistry.h"
#include "core/TraceLog.h"
#include "core/Translation.h"
#include "core/VekaStrings.h"
#include "platform/Time.h"

namespace core {

using namespace hostlink;

namespace {

const char* ConnectionStateName(int e) {
    switch (e) {
        case CONNECTION_CONNECTING:
            return "CONNECTION_CONNECTING";
        case CONNECTION_DISCONNECTED:
            return "CONNECTION_DISCONNECTED";
        case CONNECTION_RECONNECTING:
            return "CONNECTION_RECONNECTING";
        case CONNECTION_CONNECTED:
            return "CONNECTION_CONNECTED";
        default:
            return nullptr;
    }
}

}  // namespace

CHostTrevo::CHostTrevo(const std::string& strDeviceName, const std::string& strHost, bool bCRtoCRLF,
                       bool bPassThrough, const std::string& strEndOfOutput, bool bSpecialActions,
                       bool bDeliverCT)
    : m_judge(
          HostLinkSettings{strDeviceName, bCRtoCRLF, bPassThrough, strEndOfOutput, bSpecialActions,
                           bDeliverCT, false, false, TraceLog().LowestLevelKept()},
          [this] { return ReadByPassKey(); }),
      m_strHost(strHost),
      m_pOwnRegistry(std::make_unique<CHostTrevoRegistry>()) {
    TRACE_FORMAT(0, "CHostTrevo::CHostTrevo(...):", "Construct '%s', Host=%s",
                 m_strDeviceName.c_str(), m_strHost.c_str());
    m_pRegistry = m_pOwnRegistry.get();
    SetHostState(HOST_OFFLINE);
    SetConnectionState(CONNECTION_DISCONNECTED);
    m_timeReconnectAfter = platform::CurrentTime();
    ReadRoute();
}

CHostTrevo::~CHostTrevo() {
    TRACE_FORMAT(0, "CHostTrevo::~CHostTrevo():", "Destruct");
}

void CHostTrevo::SetConnectionState(int eState) {
    static const char* const kLabel = "CHostTrevo::SetConnectionState():";
    platform::CriticalSection::Guard lock(m_csState);
    m_eConnectionState = static_cast<eConnectionState>(eState);
    if (const char* name = ConnectionStateName(eState)) {
        TRACE_FORMAT(0, kLabel, "'%s', %s", m_strDeviceName.c_str(), name);
    } else {
        TRACE_FORMAT(2, kLabel, "'%s', Invalid eConnectionState=%i", m_strDeviceName.c_str(),
                     eState);
    }
}

eConnectionState CHostTrevo::GetConnectionState() const {
    platform::CriticalSection::Guard lock(m_csState);
    return m_eConnectionState;
}

// --- Sending ----------------------------------------------------------------------------

void CHostTrevo::MsgSendToHostPreProcess(bool bHostStatistics) {
    static const char* const kLabel = "CHostTrevo::MsgSendToHostPreProcess():";
    platform::CriticalSection::Guard lock(m_csState);
    CHostStatistics& statistics = bHostStatistics ? m_HostStatistics : m_DeviceStatistics;
    TRACE_FORMAT(
        0, kLabel,
        bHostStatistics ? "'%s', Increment host statistics" : "'%s', Increment device statistics",
        m_strDeviceName.c_str());
    // Status "0" clears the last error; "1" to "8" set their text.
    static const eHostState kStates[9] = {
        HOST_AVAIL,           HOST_AVAIL, HOST_AVAIL, HOST_AVAIL, HOST_AVAIL_PERM_HOLD,
        HOST_AVAIL_TEMP_HOLD, HOST_AVAIL, HOST_AVAIL, HOST_AVAIL,
    };
    const int index = m_judge.m_eDeviceStatus - '0';
    if (index < 0 || index > 8) {
        SetLastError(
            TRACE_FORMAT(2, "CHostTrevo::MsgSendToHost():", "'%s', Invalid m_eDeviceStatus %i",
                         m_strDeviceName.c_str(), static_cast<int>(m_judge.m_eDeviceStatus)));
        return;
    }
    ++statistics.m_dwCount[static_cast<std::size_t>(index)];
    if (index == 0) {
        SetLastError(std::string());
    } else {
        SetLastError(
            std::uint32_t{IDS_TSN_OUT_OF_SEQUENCE + static_cast<std::uint32_t>(index - 1)});
    }
    SetHostState(kStates[index]);
}

bool CHostTrevo::MsgSendToHost(const std::string& text, bool bHostStatistics) {
    static const char* const kLabel = "CHostTrevo::MsgSendToHost():";
    MsgSendToHostPreProcess(bHostStatistics);
    const std::size_t first = [&] {
        platform::CriticalSection::Guard lock(m_csState);
        return m_judge.m_byDeviceC1 == 'D' ? std::size_t{2} : std::size_t{0};
    }();
    TRACE_FORMAT(0, kLabel, "'%s',  Ascii: C1C2=%c   %c    EOM%s", m_strDeviceName.c_str(),
                 Printable(At(text, first)), Printable(At(text, first + 1)),
                 GetEOMText(text.empty() ? 0 : At(text, text.size() - 1), 0).c_str());
    std::string wire = text;
    MsgTranslateAsciiToEbcdic(wire);
    TRACE_FORMAT(0, kLabel, "'%s', Ebcdic: C1C2=0x%2x0x%2x EOM=0x%2x", m_strDeviceName.c_str(),
                 At(wire, 0), At(wire, 1), wire.empty() ? 0 : At(wire, wire.size() - 1));
    if (GetConnectionState() != CONNECTION_CONNECTED || !m_pHostCtrl) {
        SetLastError(std::uint32_t{IDS_UNABLE_TO_SEND_TO_HOST});
        return false;
    }
    // A message the control refuses (busy, or its connection closed) was not sent; nor is
    // one that a device thread still had to hand over when its device was shut down.
    bool bSent = false;
    if (!m_pHostCtrl->RunOnControlThread([&] { bSent = m_pHostCtrl->SendString(wire); },
                                         m_pShutDownEvent)) {
        SetLastError(std::uint32_t{IDS_UNABLE_TO_SEND_TO_HOST});
        return false;
    }
    if (!bSent) {
        static_cast<void>(SetLastErrorFromHostCtrl());
        return false;
    }
    return true;
}

void CHostTrevo::GetHostStatistics(CHostStatistics* pOut) const {
    platform::CriticalSection::Guard lock(m_csState);
    if (pOut) *pOut = m_HostStatistics;
}

void CHostTrevo::GetDeviceStatistics(CHostStatistics* pOut) const {
    platform::CriticalSection::Guard lock(m_csState);
    if (pOut) *pOut = m_DeviceStatistics;
}

void CHostTrevo::SetLastError(const std::string& text) {
    platform::Mutex::Guard lock(m_csLastError);
    m_strLastError = text;
    if (!text.empty()) {
        TRACE_FORMAT(2, "CHostTrevo::SetLastError():", "'%s'", m_strDeviceName.c_str());
    }
}

void CHostTrevo::SetLastError(std::uint32_t nStringId) {
    SetLastError(LoadVekaString(nStringId));
}

std::string CHostTrevo::GetLastError() const {
    platform::Mutex::Guard lock(m_csLastError);
    return m_strLastError;
}

}  // namespace core
