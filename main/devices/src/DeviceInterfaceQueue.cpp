#include "devices/DeviceInterfaceQueue.h"

#include <mutex>

#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "devices/DeviceKey.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Time.h"

namespace devices {

// The host link of an interface queue, which also tells the device what the host's last
// message was.
class CDeviceInterfaceQueue::CHostLink final : public core::CHostTrevo {
public:
    using core::CHostTrevo::CHostTrevo;

    // The last host message's C1 and C2 (EBCDIC), and whether it was a reset.
    void LastMessage(std::uint8_t& c1, std::uint8_t& c2, bool& bReset) const {
        platform::CriticalSection::Guard lock(m_csState);
        c1 = m_judge.m_byHostC1;
        c2 = m_judge.m_byHostC2;
        bReset = m_judge.m_CRFlag;
    }
    bool SpecialActions() const noexcept { return Settings().m_bSpecialActions; }
};

const std::string CDeviceInterfaceQueue::kResetMarker = "\r*** RESET ***\xFF\r";
const std::string CDeviceInterfaceQueue::kEndOfJobMarker = "\r*** EOJ ***\xFF\xFE\r";

CDeviceInterfaceQueue::CDeviceInterfaceQueue(const std::string& strDeviceKey) {
    std::string strType;
    std::string strName;
    std::string strQueuePath = "C:\\SPL";
    std::string strQueueName;
    std::string strQueueDrive;
    std::string strTerminator;
    std::uint32_t dwNativeFormat = 0, dwQueueType = 0, dwInsertLineFeed = 0;
    {
        // No defaults key for this kind: a value that cannot be read keeps its start value.
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("QueuePath", strQueuePath);
        key.Read("QueueName", strQueueName);
        key.Read("QueueDrive", strQueueDrive);
        key.Read("NativeFormat", dwNativeFormat);
        key.Read("QueueType", dwQueueType);
        key.Read("Insert Line Feed", dwInsertLineFeed);
        key.BuildTerminator();
        key.Read("Terminator Data", strTerminator);
    }
    CInterfaceQueueSettings s;
    s.strQueuePath = strQueueDrive + ":" + strQueuePath;
    if (s.strQueuePath.size() == 2) s.strQueuePath += "\\";
    s.strQueueFolder = s.strQueuePath.substr(0, s.strQueuePath.rfind('\\') + 1);
    s.dwNativeFormat = dwNativeFormat;
    s.wRecordCode = CInterfaceQueueOutput::RecordCode(dwQueueType);
    m_strQueueName = strQueueDrive + ":" +
                     (strQueueName.empty() ? std::string("\\KBO\\@Trevo30") : strQueueName);

    std::string strHost;
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost;
    if (ReadHostLink(strDeviceKey, strHost, strSession))
        pHost = std::make_unique<CHostLink>(strDeviceKey, strHost, dwInsertLineFeed != 0, false,
                                            strTerminator, true, false);

    // The queue name file is made when missing.
    {
        platform::File file;
        const auto path = platform::MapPath(m_strQueueName);
        if (path.empty() || !file.Open(path, platform::File::Disposition::OpenAlways))
            TRACE_LAST_ERROR("CDeviceInterfaceQueue::CDeviceInterfaceQueue(): ::CreateFile():");
    }
    m_pOutput =
        std::make_unique<CInterfaceQueueOutput>(static_cast<IDeviceReport&>(*this), std::move(s));
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    if (!StartSendThread([this] { SendThread(); }))
        CDevice::SetLastError(
            TRACE_LAST_ERROR("CDeviceInterfaceQueue::CDeviceInterfaceQueue(): AfxBeginThread():"));
}

CDeviceInterfaceQueue::~CDeviceInterfaceQueue() {
    TRACE_FORMAT(0, "CDeviceInterfaceQueue::~CDeviceInterfaceQueue():", "Destruct, '%s'",
                 m_strDeviceKey.c_str());
    StopThreads();
    m_pOutput.reset();  // closes the queue file and an open native file
}

CDeviceInterfaceQueue::CHostLink* CDeviceInterfaceQueue::Link() const {
    return static_cast<CHostLink*>(m_pHost.get());
}

void CDeviceInterfaceQueue::ReportLastErrorId(std::uint32_t nStringId) {
    CDevice::SetLastError(core::LoadVekaString(nStringId));
}

void CDeviceInterfaceQueue::ReportTime() {
    m_timeSendToDevice = platform::CurrentTime();
}

void CDeviceInterfaceQueue::SetDeviceState(int eState) {
    CDevice::SetDeviceState(eState);
    if (eState == core::DEVICE_ONLINE_BUSY) SetStatusMessage(IDS_PROCESS_BLOCK);
    if (eState == core::DEVICE_ONLINE_AVAILABLE) SetStatusMessage(IDS_CHECK_NEW_BLOCK);
}

void CDeviceInterfaceQueue::SetStatusFromConnectionState() {
    if (!m_pHost) return;
    switch (m_pHost->GetConnectionState()) {
        case core::CONNECTION_CONNECTING:
            SetStatusMessage(IDS_TRY_TO_CONNECT);
            break;
        case core::CONNECTION_DISCONNECTED:
            SetStatusMessage(IDS_GATEWAY_DOWN);
            break;
        case core::CONNECTION_RECONNECTING:
            SetStatusMessage(IDS_WAIT_TO_CONNECT);
            break;
        case core::CONNECTION_CONNECTED:
            SetStatusMessage(IDS_WAITING_FOR_MESSAGE);
            break;
    }
}

void CDeviceInterfaceQueue::OnConnect(long lFlag) {
    CDevice::OnConnect(lFlag);
    SetStatusFromConnectionState();
}

void CDeviceInterfaceQueue::OnDisconnect(long lFlag) {
    CDevice::OnDisconnect(lFlag);
    SetStatusFromConnectionState();
}

void CDeviceInterfaceQueue::OnSystemAvailable(long lFlag) {
    CDevice::OnSystemAvailable(lFlag);
    SetStatusFromConnectionState();
}

void CDeviceInterfaceQueue::OnSend(long lFlag) {
    CDevice::OnSend(lFlag);
    SetStatusFromConnectionState();
}

void CDeviceInterfaceQueue::OnResource(long lFlag) {
    CDevice::OnResource(lFlag);
    SetStatusFromConnectionState();
}

void CDeviceInterfaceQueue::OnLock(long lFlag) {
    CDevice::OnLock(lFlag);
    SetStatusFromConnectionState();
}

void CDeviceInterfaceQueue::OnUnLock(long lFlag) {
    CDevice::OnUnLock(lFlag);
    SetStatusFromConnectionState();
}

void CDeviceInterfaceQueue::OnHostReceive() {
    SetStatusMessage(IDS_PROCESS_BLOCK);
    switch (ReceiveFromHost()) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            SendToDeviceThreadWakeUp(true);
            break;
        case core::ACK_HOST_ONLY:
            if (m_pHost) SendToHost(m_pHost->MsgAckToHostCreate('0'));
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::IGNORE_BUFFER_FROM_HOST:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            SendToDeviceThreadWakeUp(true);
            break;
        case core::CONTROL_MESSAGE_TO_DEVICE:
            OnControlMessage();
            break;
        case core::DEVICEACTIONONHOST_ACT_ON_CS:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        default:
            break;
    }
    GetStatisticsForDeviceHost();
}

void CDeviceInterfaceQueue::OnControlMessage() {
    CHostLink* pLink = Link();
    if (!pLink) return;
    std::uint8_t c1 = 0, c2 = 0;
    bool bReset = false;
    pLink->LastMessage(c1, c2, bReset);
    const bool bQueueFile = m_pOutput->Settings().dwNativeFormat == 0;
    if (c1 == 0xC3 && c2 == 0xD9 && bReset && pLink->SpecialActions() && bQueueFile) {
        m_MessageBufferQueue.AddString(kResetMarker, 0, pLink->GetHostHeader());
        SendToDeviceThreadWakeUp(true);
    } else if (c1 == 0xC3 && c2 == 0xE3 && pLink->SpecialActions() && bQueueFile) {
        m_MessageBufferQueue.AddString(kEndOfJobMarker, 0, pLink->GetHostHeader());
        SendToDeviceThreadWakeUp(true);
    } else {
        SendToHost(pLink->MsgAckToHostCreate('0'));
        SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
    }
}

bool CDeviceInterfaceQueue::SendToDevice() {
    static constexpr const char* kLabel = "CDeviceInterfaceQueue::SendToDevice():";
    TRACE_FORMAT(0, kLabel, "'%s'", m_strDeviceKey.c_str());
    std::string text;
    int iType = 0;
    m_MessageBufferQueue.GetHead(text, iType, true);
    TRACE_FORMAT(0, kLabel, "'%s', %i bytes", m_strDeviceKey.c_str(),
                 static_cast<int>(text.size()));
    if (iType != 0) TRACE_FORMAT(0, kLabel, "'%s', Last buffer in message", m_strDeviceKey.c_str());
    if (!m_pOutput->Write(text, iType)) return false;
    m_timeSendToDevice = platform::CurrentTime();
    return true;
}

void CDeviceInterfaceQueue::SendThread() {
    core::CSendLoopStyle style;
    style.cAckType = '0';
    style.bOfflineOnlySleeps = true;
    style.dwPauseMs = 10;
    style.bPauseEndsWhenQueued = false;
    SendToDeviceThreadLoop(style);
}

}  // namespace devices
