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

const char* DeviceStatusName(char c) {
    switch (c) {
        case NORMAL_STATUS:
            return "NORMAL_STATUS";
        case TSN_OUT_OF_SEQUENCE:
            return "TSN_OUT_OF_SEQUENCE";
        case TRANSMISSION_ERROR:
            return "TRANSMISSION_ERROR";
        case COMMUNICATION_LINK_FAILURE:
            return "COMMUNICATION_LINK_FAILURE";
        case DEVICE_UNABLE_TO_ACCEPT_DATA:
            return "DEVICE_UNABLE_TO_ACCEPT_DATA";
        case REQUEST_FOR_TEMPORARY_HOLD:
            return "REQUEST_FOR_TEMPORARY_HOLD";
        case TRANSMISSION_RETRY:
            return "TRANSMISSION_RETRY";
        case UNPROTECTED_MODE:
            return "UNPROTECTED_MODE";
        case DEVICE_NON_EXISTENT:
            return "DEVICE_NON_EXISTENT";
        default:
            return nullptr;
    }
}

// The last-error text that goes with a status, where it has one.
const char* DeviceStatusText(char c) {
    switch (c) {
        case TSN_OUT_OF_SEQUENCE:
            return "TSN out of sequence.";
        case TRANSMISSION_ERROR:
            return "Transmission error.";
        case COMMUNICATION_LINK_FAILURE:
            return "Communication link failure.";
        case DEVICE_UNABLE_TO_ACCEPT_DATA:
            return "Device is unable to accept data.";
        case REQUEST_FOR_TEMPORARY_HOLD:
            return "Request for temporary hold of output queue.";
        case TRANSMISSION_RETRY:
            return "Transmission completed, but require retries.";
        case DEVICE_NON_EXISTENT:
            return "Protected message sent to non-existent device.";
        default:
            return nullptr;
    }
}

const char* HostStateName(int e) {
    switch (e) {
        case HOST_AVAIL:
            return "HOST_AVAIL";
        case HOST_AVAIL_TEMP_HOLD:
            return "HOST_AVAIL_TEMP_HOLD";
        case HOST_AVAIL_PERM_HOLD:
            return "HOST_AVAIL_PERM_HOLD";
        case HOST_OFFLINE:
            return "HOST_OFFLINE";
        default:
            return nullptr;
    }
}

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
    : m_strDeviceName(strDeviceName),
      m_strHost(strHost),
      m_bCRtoCRLF(bCRtoCRLF),
      m_bPassThrough(bPassThrough),
      m_strEndOfOutput(strEndOfOutput),
      m_bSpecialActions(bSpecialActions),
      m_bDeliverCT(bDeliverCT),
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

bool CHostTrevo::IsHost(char c1, char c2) const noexcept {
    return m_byHostC1 == E(c1) && m_byHostC2 == E(c2);
}

std::uint8_t CHostTrevo::AckLetter() const noexcept {
    return EbcdicLetterToAscii(m_byHostLTSN);
}

// --- Status and states ------------------------------------------------------------------

void CHostTrevo::SetDeviceStatus(char cStatus) {
    static const char* const kLabel = "CHostTrevo::SetDeviceStatus():";
    std::lock_guard lock(m_csState);
    m_eDeviceStatus = cStatus;
    if (const char* name = DeviceStatusName(cStatus)) {
        TRACE_FORMAT(0, kLabel, "'%s', %s", m_strDeviceName.c_str(), name);
    } else {
        TRACE_FORMAT(2, kLabel, "'%s', Invalid eDeviceStatus=%i", m_strDeviceName.c_str(),
                     static_cast<int>(cStatus));
    }
    if (const char* text = DeviceStatusText(cStatus)) SetLastError(text);
}

char CHostTrevo::GetDeviceStatus() const {
    std::lock_guard lock(m_csState);
    return m_eDeviceStatus;
}

void CHostTrevo::SetHostState(int eState) {
    static const char* const kLabel = "CHostTrevo::SetHostState():";
    std::lock_guard lock(m_csState);
    m_eHostState = static_cast<eHostState>(eState);
    if (const char* name = HostStateName(eState)) {
        TRACE_FORMAT(0, kLabel, "'%s', %s", m_strDeviceName.c_str(), name);
    } else {
        TRACE_FORMAT(2, kLabel, "'%s', Invalid eHostState=%i", m_strDeviceName.c_str(), eState);
    }
}

eHostState CHostTrevo::GetHostState() const {
    std::lock_guard lock(m_csState);
    return m_eHostState;
}

void CHostTrevo::SetConnectionState(int eState) {
    static const char* const kLabel = "CHostTrevo::SetConnectionState():";
    std::lock_guard lock(m_csState);
    m_eConnectionState = static_cast<eConnectionState>(eState);
    if (const char* name = ConnectionStateName(eState)) {
        TRACE_FORMAT(0, kLabel, "'%s', %s", m_strDeviceName.c_str(), name);
    } else {
        TRACE_FORMAT(2, kLabel, "'%s', Invalid eConnectionState=%i", m_strDeviceName.c_str(),
                     eState);
    }
}

eConnectionState CHostTrevo::GetConnectionState() const {
    std::lock_guard lock(m_csState);
    return m_eConnectionState;
}

bool CHostTrevo::IsCompleteMessage() const {
    std::lock_guard lock(m_csState);
    if (m_byHostC1 == E('B') || m_byHostC1 == E('C')) return true;
    if (m_byHostC1 == E('A')) return false;
    return m_byHostEOM == EBCDIC_EOM_C || m_byHostEOM == EBCDIC_EOM_U;
}

bool CHostTrevo::IsDeviceControlMessage() const {
    std::lock_guard lock(m_csState);
    return m_byDeviceC1 == 'D' || (m_byDeviceC1 == 'C' && m_byDeviceC2 == 'R');
}

// --- Sequence numbers -------------------------------------------------------------------

void CHostTrevo::MaintainTSN() {
    std::lock_guard lock(m_csState);
    if (m_eDeviceStatus == NORMAL_STATUS && (m_byHostC1 == E('A') || m_byHostC1 == E('B')) &&
        m_bProtectedMode) {
        m_byHostExpectedTSN = NextTsn(m_byHostC2);
        m_byHostLTSN = m_byHostC2;
    }
    switch (m_eDeviceStatus) {
        case TRANSMISSION_ERROR:
        case COMMUNICATION_LINK_FAILURE:
        case TRANSMISSION_RETRY:
            TRACE_FORMAT(0, "CHostTrevo::MaintainTSN():Before COMMUNICATION_LINK_FAILURE:",
                         "'%s', Ascii m_byHostC1=%c m_byHostC2 = %c", m_strDeviceName.c_str(),
                         EbcdicLetterToAscii(m_byHostC1), EbcdicLetterToAscii(m_byHostC2));
            GetLTSN();
            break;
        case DEVICE_UNABLE_TO_ACCEPT_DATA:
            if (m_bPassThrough) GetLTSN();
            break;
        default:
            break;
    }
}

void CHostTrevo::GetLTSN() {
    static const char* const kLabel = "CHostTrevo::GetLTSN():";
    std::lock_guard lock(m_csState);
    const char* pszCase = "unchanged";
    if (IsHost('C', 'R')) {
        pszCase = "reset, unchanged";
    } else if ((IsHost('A', 'A') || IsHost('B', 'A')) && m_CRFlag) {
        m_byHostLTSN = NO_TSN;
        pszCase = "first after reset, no TSN";
    } else if (m_byHostC1 == E('A') || m_byHostC1 == E('B')) {
        // A C2 outside the cycle has no letter before it and leaves the TSN as it is.
        m_byHostLTSN = IsTsnLetter(m_byHostC2) ? PreviousTsn(m_byHostC2) : m_byHostLTSN;
        pszCase = "letter before C2";
    }
    TRACE_FORMAT(0, kLabel, "'%s', Ascii m_byHostC1=%c m_byHostC2 = %c, %s",
                 m_strDeviceName.c_str(), EbcdicLetterToAscii(m_byHostC1),
                 EbcdicLetterToAscii(m_byHostC2), pszCase);
}

void CHostTrevo::MaintainTSNThenHold() {
    std::lock_guard lock(m_csState);
    SetDeviceStatus(NORMAL_STATUS);
    MaintainTSN();
    SetDeviceStatus(REQUEST_FOR_TEMPORARY_HOLD);
}

// --- What a ticket printer sent ---------------------------------------------------------

eDeviceAction CHostTrevo::MsgFromATB2(std::string& msg, bool bFramed) {
    static const char* const kLabel = "CHostTrevo::MsgFromATB2():";
    TRACE_FORMAT(0, kLabel, "'%s'", m_strDeviceName.c_str());
    TraceLog().TraceData(0, Bytes(msg).data(), static_cast<int>(msg.size()));
    // Each rule reads a fixed place of the message: one too short for it is refused.
    auto tooShort = [&] {
        SetLastError(TRACE_FORMAT(2, kLabel,
                                  "'%s', Message from ATB2 of %i bytes too short, ignored",
                                  m_strDeviceName.c_str(), static_cast<int>(msg.size())));
        return IGNORE_BUFFER_FROM_HOST;
    };
    if (bFramed) {
        if (msg.size() < 6) return tooShort();
        msg = msg.substr(3, msg.size() - 6);
    }
    // The printer's own bytes must hold what the rule for its kind of answer reads.
    const std::uint8_t first = At(msg, 0);
    const std::size_t need = first == 'C' ? (At(msg, 1) == 'R' ? 2 : 4) : first == 'D' ? 12 : 1;
    if (msg.size() < need) return tooShort();
    msg.push_back(static_cast<char>(ASCII_EOM_C));

    std::unique_lock lock(m_csState);
    m_byDeviceC1 = At(msg, 0);
    m_byDeviceC2 = At(msg, 1);
    m_timeDevice = platform::CurrentTime();
    if (m_byDeviceC1 == 'C' && m_byDeviceC2 == 'R') {
        m_byDeviceDS = 0;
        SetDeviceStatus(NORMAL_STATUS);
        m_strDeviceData.clear();
        return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
    }
    if (m_byDeviceC1 == 'C') {
        m_byDeviceDS = At(msg, 3);
        TRACE_FORMAT(0, kLabel, "'%s', m_byDeviceDS=%c", m_strDeviceName.c_str(),
                     Printable(m_byDeviceDS));
        switch (m_byDeviceDS) {
            case '0':
            case '1':
            case '2':
            case '3':
            case '6':
            case '7':
            case '8':
                SetDeviceStatus(static_cast<char>(m_byDeviceDS));
                SetHostState(HOST_AVAIL);
                break;
            case '4':
                SetDeviceStatus(DEVICE_UNABLE_TO_ACCEPT_DATA);
                SetHostState(HOST_AVAIL_PERM_HOLD);
                break;
            case '5':
                SetDeviceStatus(REQUEST_FOR_TEMPORARY_HOLD);
                SetHostState(HOST_AVAIL_TEMP_HOLD);
                break;
            default:
                SetLastError(TRACE_FORMAT(2, kLabel, "'%s', Invalid m_byDeviceDS=%c",
                                          m_strDeviceName.c_str(), Printable(m_byDeviceDS)));
                break;
        }
        m_strDeviceData.clear();
        return SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
    }
    if (m_byDeviceC1 == 'D') {
        m_strDeviceData = msg.substr(8, 4);
        msg.insert(0, "W*");
        return ACK_HOST_ONLY;
    }
    lock.unlock();
    SetLastError(TRACE_FORMAT(2, kLabel, "Invalid message from ATB2 ignored"));
    return IGNORE_BUFFER_FROM_HOST;
}

eDeviceAction CHostTrevo::MsgFromATB2AnswerBack(std::string& msg) {
    static const char* const kLabel = "CHostTrevo::MsgFromATB2():";
    TRACE_FORMAT(0, kLabel, "'%s'", m_strDeviceName.c_str());
    TraceLog().TraceData(0, Bytes(msg).data(), static_cast<int>(msg.size()));
    msg.push_back(static_cast<char>(ASCII_EOM_C));
    std::lock_guard lock(m_csState);
    m_timeDevice = platform::CurrentTime();
    if (m_byDeviceC1 != 'D') return IGNORE_BUFFER_FROM_HOST;
    if (msg.size() < 5) {
        SetLastError(TRACE_FORMAT(2, kLabel,
                                  "'%s', Message from ATB2 of %i bytes too short, ignored",
                                  m_strDeviceName.c_str(), static_cast<int>(msg.size())));
        return IGNORE_BUFFER_FROM_HOST;
    }
    msg.erase(0, 5);
    return ACK_HOST_ONLY;
}

// --- Sending ----------------------------------------------------------------------------

void CHostTrevo::MsgSendToHostPreProcess(bool bHostStatistics) {
    static const char* const kLabel = "CHostTrevo::MsgSendToHostPreProcess():";
    std::lock_guard lock(m_csState);
    CHostStatistics& statistics = bHostStatistics ? m_HostStatistics : m_DeviceStatistics;
    TRACE_FORMAT(
        0, kLabel,
        bHostStatistics ? "'%s', Increment host statistics" : "'%s', Increment device statistics",
        m_strDeviceName.c_str());
    struct Row {
        const char* text;
        eHostState state;
    };
    static const Row kRows[9] = {
        {"", HOST_AVAIL},
        {"TSN out of sequence.", HOST_AVAIL},
        {"Transmission error.", HOST_AVAIL},
        {"Communication link failure.", HOST_AVAIL},
        {"Device is unable to accept data.", HOST_AVAIL_PERM_HOLD},
        {"Request for temporary hold of output queue.", HOST_AVAIL_TEMP_HOLD},
        {"Transmission completed, but require retries.", HOST_AVAIL},
        {"Device is not a protected device.", HOST_AVAIL},
        {"Protected message sent to non-existent device.", HOST_AVAIL},
    };
    const int index = m_eDeviceStatus - '0';
    if (index < 0 || index > 8) {
        SetLastError(
            TRACE_FORMAT(2, "CHostTrevo::MsgSendToHost():", "'%s', Invalid m_eDeviceStatus %i",
                         m_strDeviceName.c_str(), static_cast<int>(m_eDeviceStatus)));
        return;
    }
    ++statistics.m_dwCount[static_cast<std::size_t>(index)];
    SetLastError(kRows[index].text);
    SetHostState(kRows[index].state);
}

bool CHostTrevo::MsgSendToHost(const std::string& text, bool bHostStatistics) {
    static const char* const kLabel = "CHostTrevo::MsgSendToHost():";
    MsgSendToHostPreProcess(bHostStatistics);
    const std::size_t first = [&] {
        std::lock_guard lock(m_csState);
        return m_byDeviceC1 == 'D' ? std::size_t{2} : std::size_t{0};
    }();
    TRACE_FORMAT(0, kLabel, "'%s',  Ascii: C1C2=%c   %c    EOM%s", m_strDeviceName.c_str(),
                 Printable(At(text, first)), Printable(At(text, first + 1)),
                 GetEOMText(text.empty() ? 0 : At(text, text.size() - 1), 0).c_str());
    std::string wire = text;
    MsgTranslateAsciiToEbcdic(wire);
    TRACE_FORMAT(0, kLabel, "'%s', Ebcdic: C1C2=0x%2x0x%2x EOM=0x%2x", m_strDeviceName.c_str(),
                 At(wire, 0), At(wire, 1), wire.empty() ? 0 : At(wire, wire.size() - 1));
    if (GetConnectionState() != CONNECTION_CONNECTED || !m_pHostCtrl) {
        SetLastError(std::uint32_t{424});
        return false;
    }
    // A message the control refuses (busy, or its connection closed) was not sent; nor is
    // one that a device thread still had to hand over when its device was shut down.
    bool bSent = false;
    if (!m_pHostCtrl->RunOnControlThread([&] { bSent = m_pHostCtrl->SendString(wire); },
                                         m_pShutDownEvent)) {
        SetLastError(std::uint32_t{424});
        return false;
    }
    if (!bSent) {
        static_cast<void>(SetLastErrorFromHostCtrl());
        return false;
    }
    return true;
}

void CHostTrevo::GetHostStatistics(CHostStatistics* pOut) const {
    std::lock_guard lock(m_csState);
    if (pOut) *pOut = m_HostStatistics;
}

void CHostTrevo::GetDeviceStatistics(CHostStatistics* pOut) const {
    std::lock_guard lock(m_csState);
    if (pOut) *pOut = m_DeviceStatistics;
}

void CHostTrevo::SetLastError(const std::string& text) {
    std::lock_guard lock(m_csLastError);
    m_strLastError = text;
    if (!text.empty()) {
        TRACE_FORMAT(2, "CHostTrevo::SetLastError():", "'%s'", m_strDeviceName.c_str());
    }
}

void CHostTrevo::SetLastError(std::uint32_t nStringId) {
    SetLastError(LoadVekaString(nStringId));
}

std::string CHostTrevo::GetLastError() const {
    std::lock_guard lock(m_csLastError);
    return m_strLastError;
}

// --- Accessors --------------------------------------------------------------------------

std::time_t CHostTrevo::GetMessageTime() const {
    std::lock_guard lock(m_csState);
    return m_timeMessage;
}

std::time_t CHostTrevo::GetDeviceTime() const {
    std::lock_guard lock(m_csState);
    return m_timeDevice;
}

std::uint8_t CHostTrevo::GetHostLTSN() const {
    std::lock_guard lock(m_csState);
    return m_byHostLTSN;
}

std::uint8_t CHostTrevo::GetHostExpectedTSN() const {
    std::lock_guard lock(m_csState);
    return m_byHostExpectedTSN;
}

std::string CHostTrevo::GetDeviceData() const {
    std::lock_guard lock(m_csState);
    return m_strDeviceData;
}

}  // namespace core
