// The abstract device: identity, host messages, connection helpers, state, errors, status
// and statistics. Its worker threads are in DeviceThreads.cpp.
#include "core/Device.h"

#include <cstdio>

#include "TimeText.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "platform/Time.h"

namespace core {

namespace {

const char* DeviceStateName(int e) {
    switch (e) {
        case DEVICE_ONLINE_AVAILABLE:
            return "DEVICE_ONLINE_AVAILABLE";
        case DEVICE_ONLINE_BUSY:
            return "DEVICE_ONLINE_BUSY";
        case DEVICE_OFFLINE:
            return "DEVICE_OFFLINE";
        default:
            return nullptr;
    }
}

}  // namespace

CDevice::CDevice() {
    TRACE_FORMAT(0, "CDevice::CDevice():", "Construct");
}

CDevice::~CDevice() {
    StopThreads();
    TRACE_FORMAT(0, "CDevice::~CDevice():", "Destruct");
}

void CDevice::PreCreateDevice(const std::string& strDeviceKey, const std::string& strDeviceName,
                              const std::string& strSession, const std::string& strDeviceType,
                              std::unique_ptr<CHostTrevo> pHost) {
    TRACE_FORMAT(0, "CDevice::PreCreateDevice():", "'%s', Type='%s', Name='%s', Session='%s'",
                 strDeviceKey.c_str(), strDeviceType.c_str(), strDeviceName.c_str(),
                 strSession.c_str());
    m_strDeviceKey = strDeviceKey;
    m_strDeviceName = strDeviceName;
    m_strSession = strSession;
    m_strDeviceType = strDeviceType;
    m_sendThreadRunning.Set(true);
    SendToDeviceThreadGoToSleep();
    m_receiveThreadRunning.Set(true);
    ReceiveFromDeviceThreadGoToSleep();
    if (m_strDeviceType != LoadVekaString(kPassportReaderTypeId) && pHost) {
        m_pHost = std::move(pHost);
        m_pHost->SetShutDownEvent(&m_eventStop);
        m_pHost->SetDeviceStatus(UNPROTECTED_MODE);
    }
    SetDeviceState(DEVICE_ONLINE_AVAILABLE);
}

// --- Host-control events ----------------------------------------------------------------

bool CDevice::ReceiveFromDevice() {
    return true;
}

void CDevice::OnConnect(long lFlag) {
    if (m_pHost) m_pHost->OnConnect(lFlag);
}

void CDevice::OnDisconnect(long lFlag) {
    if (m_pHost) m_pHost->OnDisconnect(lFlag);
}

void CDevice::OnSystemAvailable(long lFlag) {
    if (m_pHost) m_pHost->OnSystemAvailable(lFlag);
}

void CDevice::OnSend(long lFlag) {
    if (m_pHost) m_pHost->OnSend(lFlag);
}

void CDevice::OnResource(long lFlag) {
    if (m_pHost) m_pHost->OnResource(lFlag);
}

void CDevice::OnLock(long lFlag) {
    if (m_pHost) m_pHost->OnLock(lFlag);
}

void CDevice::OnUnLock(long lFlag) {
    if (m_pHost) m_pHost->OnUnLock(lFlag);
}

// --- Host messages ----------------------------------------------------------------------

eDeviceAction CDevice::ReceiveFromHost() {
    if (!m_pHost) {
        TRACE_FORMAT(0, "CDevice::ReceiveFromHost():", "'%s', No host link",
                     m_strDeviceKey.c_str());
        return IGNORE_BUFFER_FROM_HOST;
    }
    m_pHost->m_bResetReceived = false;
    TRACE_FORMAT(0, "CDevice::ReceiveFromHost():", "'%s'", m_strDeviceKey.c_str());
    std::string text;
    if (!ReceiveMessageFromHost(text)) {
        SetDeviceState(DEVICE_OFFLINE);
        return IGNORE_BUFFER_FROM_HOST;
    }
    const eDeviceAction verdict = m_pHost->MsgFromHost(text);
    if (verdict == SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
        QueueHostMessage(text, m_pHost->IsCompleteMessage());
    }
    return verdict;
}

void CDevice::QueueHostMessage(const std::string& text, bool bComplete) {
    // The buffer is in the send thread's hands until it is written: the flag goes down before
    // the send thread can take it (and raise the flag again once it has written it). A message
    // that queues nothing leaves the flag as it was, so a reset after it waits for nothing.
    m_pHost->m_bBufferReleased = false;
    m_MessageBufferQueue.AddString(text, bComplete ? 1 : 0, m_pHost->GetHostHeader());
    m_bLastMsgComplete = bComplete;
    NoteQueued();
}

std::string CDevice::MsgAckForWritten(char cAckType) {
    return m_pHost->MsgAckToHostCreate(cAckType, m_MessageBufferQueue.TakenHeader());
}

bool CDevice::ReceiveMessageFromHost(std::string& text) {
    if (!m_pHost) return false;
    SetDeviceState(DEVICE_ONLINE_BUSY);
    SetLastError(std::string());
    m_pHost->SetHostState(HOST_AVAIL);
    m_pHost->SetDeviceStatus(NORMAL_STATUS);
    m_pHost->SetLastError(std::string());
    if (!m_pHost->OnReceive(text)) return false;
    platform::Mutex::Guard lock(m_csStatistics);
    ++m_Statistics.m_dwHostMsgsRcvd;
    m_Statistics.m_dwHostBytesRcvd += static_cast<std::uint32_t>(text.size());
    return true;
}

bool CDevice::SendToHost(const std::string& text) {
    if (text.empty()) return true;
    if (!m_pHost) {
        SetLastError(TRACE_FORMAT(2, "CDevice::SendToHost():", "'%s', No host link",
                                  m_strDeviceKey.c_str()));
        return false;
    }
    // The host control is driven on its own thread; a device thread hands the send over
    // and waits, unless the device is being shut down.
    bool bSent = false;
    if (!m_pHost->RunOnControlThread([&] { bSent = SendToHostNow(text); }, &m_eventStop)) {
        SetLastError(LoadVekaString(IDS_UNABLE_TO_SEND_TO_HOST));
        SetDeviceState(DEVICE_OFFLINE);
        return false;
    }
    return bSent;
}

bool CDevice::SendToHostNow(const std::string& text) {
    platform::Mutex::Guard lock(m_csSendToHost);
    TRACE_FORMAT(0, "CDevice::SendToHost():", "'%s'", m_strDeviceKey.c_str());
    if (!m_pHost->MsgSendToHost(text, true)) {
        SetLastError(m_pHost->GetLastError());
        SetDeviceState(DEVICE_OFFLINE);
        return false;
    }
    platform::Mutex::Guard statistics(m_csStatistics);
    ++m_Statistics.m_dwHostMsgsSent;
    m_Statistics.m_dwHostBytesSent += static_cast<std::uint32_t>(text.size());
    return true;
}

bool CDevice::DoChangeChange() {
    TRACE_FORMAT(0, "CDevice::DoChangeChange()", " calling the m_pHost-ChangeChange to execute :");
    if (m_pHost) m_pHost->IssueChangeChange();
    return true;
}

void CDevice::OnHostReceiveCommon(bool bAnswerOutOfSequence) {
    switch (ReceiveFromHost()) {
        case SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            SendToDeviceThreadWakeUp(true);
            break;
        case ACK_HOST_ONLY:
            if (m_pHost) SendToHost(m_pHost->MsgAckToHostCreate());
            SetDeviceState(DEVICE_ONLINE_AVAILABLE);
            break;
        case IGNORE_BUFFER_FROM_HOST:
            SetDeviceState(DEVICE_ONLINE_AVAILABLE);
            break;
        case REPEAT_ACK_TO_HOST:
            if (!bAnswerOutOfSequence) break;
            if (m_pHost) SendToHost(m_pHost->MsgOutOfSequenceToHostCreate());
            SetDeviceState(DEVICE_ONLINE_AVAILABLE);
            break;
        case DEVICEACTIONONHOST_ACT_ON_CS:
            DoChangeChange();
            SetDeviceState(DEVICE_ONLINE_AVAILABLE);
            break;
        default:
            break;
    }
    GetStatisticsForDeviceHost();
}

// --- Connection helpers -----------------------------------------------------------------

bool CDevice::CreateHostConnection(CHostCtrl* pHostCtrl, std::uint32_t nControlId,
                                   platform::HWND hParent) {
    if (!m_pHost) return false;
    if (m_pHost->HostConnectionCreate(pHostCtrl, nControlId, hParent)) return true;
    SetLastError(m_pHost->GetLastError());
    return false;
}

bool CDevice::HostConnect() {
    if (!m_pHost) return false;
    if (m_pHost->HostConnect(m_strSession)) return true;
    SetLastError(m_pHost->GetLastError());
    return false;
}

bool CDevice::HostConnectUnlessPending() {
    if (!m_pHost) return false;
    if (m_pHost->HostConnectUnlessPending(m_strSession)) return true;
    SetLastError(m_pHost->GetLastError());
    return false;
}

bool CDevice::HostConnectRetry() {
    if (!m_pHost) return true;
    const std::int64_t timeCurrent = platform::CurrentTime();
    const std::int64_t timeReconnectAfter = m_pHost->GetReconnectAfter();
    TRACE_FORMAT(0, "CDevice::HostConnectRetry():", "'%s', timeCurrent=%s, timeReconnectAfter=%s",
                 m_strDeviceKey.c_str(), FormatTime(timeCurrent).c_str(),
                 FormatTime(timeReconnectAfter).c_str());
    if (timeCurrent > timeReconnectAfter && !m_pHost->HostConnectRetry(m_strSession)) {
        SetLastError(m_pHost->GetLastError());
        return false;
    }
    return true;
}

// --- State, errors, status, statistics --------------------------------------------------

void CDevice::SetDeviceState(int eState) {
    std::string error;
    {
        platform::Mutex::Guard lock(m_csState);
        error = SetDeviceStateLocked(eState);
    }
    if (!error.empty()) SetLastError(error);
}

void CDevice::SetDeviceStateUnlessOffline(int eState) {
    std::string error;
    {
        platform::Mutex::Guard lock(m_csState);
        if (m_eDeviceState == DEVICE_OFFLINE) return;
        error = SetDeviceStateLocked(eState);
    }
    if (!error.empty()) SetLastError(error);
}

std::string CDevice::SetDeviceStateLocked(int eState) {
    static const char* const kLabel = "CDevice::SetDeviceState():";
    m_eDeviceState = static_cast<eDeviceState>(eState);
    if (const char* name = DeviceStateName(eState)) {
        TRACE_FORMAT(0, kLabel, "'%s', %s", m_strDeviceKey.c_str(), name);
        return {};
    }
    return TRACE_FORMAT(2, kLabel, "'%s', Invalid eDeviceState=%i", m_strDeviceKey.c_str(), eState);
}

eDeviceState CDevice::GetDeviceState() const {
    platform::Mutex::Guard lock(m_csState);
    return m_eDeviceState;
}

void CDevice::SetLastError(const std::string& text) {
    platform::Mutex::Guard lock(m_csLastError);
    m_strLastError = text;
    if (text.empty()) {
        TRACE_FORMAT(0, "CDevice::SetLastError():", "'%s', Cleared", m_strDeviceKey.c_str());
    } else {
        TRACE_FORMAT(0, "CDevice::SetLastError():", "'%s', %s", m_strDeviceKey.c_str(),
                     text.c_str());
    }
}

void CDevice::SetLastError(std::uint32_t nStringId) {
    const std::string text = LoadVekaString(nStringId);
    platform::Mutex::Guard lock(m_csLastError);
    m_strLastError = text;
    if (text.empty()) {
        TRACE_FORMAT(0, "Cdevice::SetLastError():", "'%s', Cleared", m_strDeviceKey.c_str());
    } else {
        TRACE_FORMAT(0, "CDevice::SetLastError():", "'%s', %s", m_strDeviceKey.c_str(),
                     text.c_str());
    }
}

std::string CDevice::GetLastError() const {
    platform::Mutex::Guard lock(m_csLastError);
    return m_strLastError;
}

void CDevice::SetStatusMessage(std::uint32_t nStringId) {
    const std::string text = LoadVekaString(nStringId);
    platform::Mutex::Guard lock(m_csStatus);
    m_strStatusMessage = text;
    if (text.empty()) {
        TRACE_FORMAT(0, "Cdevice::SetStatusMessage():", "'%s', Cleared", m_strDeviceKey.c_str());
    } else {
        TRACE_FORMAT(0, "CDevice::SetStatusMessage():", "'%s', %s", m_strDeviceKey.c_str(),
                     text.c_str());
    }
}

std::string CDevice::GetStatusMessage() const {
    platform::Mutex::Guard lock(m_csStatus);
    return m_strStatusMessage;
}

void CDevice::GetStatisticsForDeviceHost() {
    static const char* const kLabel = "CDevice::GetStatisticsForDeviceHost():";
    platform::Mutex::Guard lock(m_csStatistics);
    TraceStatistics(kLabel, "", m_Statistics.m_dwHostMsgsRcvd, m_Statistics.m_dwHostBytesRcvd,
                    m_Statistics.m_dwHostMsgsSent, m_Statistics.m_dwHostBytesSent);
    if (!m_pHost) return;
    CHostStatistics host;
    m_pHost->GetHostStatistics(&host);
    TraceHostCounts(kLabel, host);
}

void CDevice::GetStatisticsForDeviceDevice() {
    static const char* const kLabel = "CDevice::GetStatisticsForDeviceDevice():";
    platform::Mutex::Guard lock(m_csStatistics);
    TraceStatistics(kLabel, "Device: ", m_Statistics.m_dwDeviceMsgsRcvd,
                    m_Statistics.m_dwDeviceBytesRcvd, m_Statistics.m_dwDeviceMsgsSent,
                    m_Statistics.m_dwDeviceBytesSent);
    if (!m_pHost) return;
    CHostStatistics device;
    m_pHost->GetDeviceStatistics(&device);
    TraceHostCounts(kLabel, device);
}

void CDevice::TraceStatistics(const char* szLabel, const char* szPrefix, std::uint32_t dwMsgsRcvd,
                              std::uint32_t dwBytesRcvd, std::uint32_t dwMsgsSent,
                              std::uint32_t dwBytesSent) const {
    TRACE_FORMAT(0, szLabel, "'%s', %sMsgsRcvd=%d, BytesRcvd=%d, MsgsSent=%d, BytesSent=%d",
                 m_strDeviceKey.c_str(), szPrefix, static_cast<int>(dwMsgsRcvd),
                 static_cast<int>(dwBytesRcvd), static_cast<int>(dwMsgsSent),
                 static_cast<int>(dwBytesSent));
}

void CDevice::TraceHostCounts(const char* szLabel, const CHostStatistics& counts) const {
    const auto& c = counts.m_dwCount;
    TRACE_FORMAT(0, szLabel,
                 "'%s', ACK=%d, TSN=%d, XMIT=%d, COMM=%d, NAK=%d, WAK=%d, RETRY=%d, UNPROT=%d, "
                 "NODEVICE=%d",
                 m_strDeviceKey.c_str(), static_cast<int>(c[0]), static_cast<int>(c[1]),
                 static_cast<int>(c[2]), static_cast<int>(c[3]), static_cast<int>(c[4]),
                 static_cast<int>(c[5]), static_cast<int>(c[6]), static_cast<int>(c[7]),
                 static_cast<int>(c[8]));
}

CDeviceStatistics CDevice::GetStatistics() const {
    platform::Mutex::Guard lock(m_csStatistics);
    return m_Statistics;
}

void CDevice::CountDeviceSent(std::size_t nBytes) {
    platform::Mutex::Guard lock(m_csStatistics);
    ++m_Statistics.m_dwDeviceMsgsSent;
    m_Statistics.m_dwDeviceBytesSent += static_cast<std::uint32_t>(nBytes);
}

void CDevice::CountDeviceReceived(std::size_t nBytes) {
    platform::Mutex::Guard lock(m_csStatistics);
    ++m_Statistics.m_dwDeviceMsgsRcvd;
    m_Statistics.m_dwDeviceBytesRcvd += static_cast<std::uint32_t>(nBytes);
}

}  // namespace core
