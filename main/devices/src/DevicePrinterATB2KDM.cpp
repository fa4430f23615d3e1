#include "devices/DevicePrinterATB2KDM.h"

#include <array>

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "platform/Time.h"
#include "platform/Wait.h"

namespace devices {

namespace {
constexpr const char* kClass = "CDevicePrinterATB2KDM";
std::string Label(const char* method) {
    return std::string(kClass) + "::" + method + "():";
}
}  // namespace

CDevicePrinterATB2KDM::CDevicePrinterATB2KDM(const std::string& strDeviceKey) {
    TRACE_FORMAT(0, Label("CDevicePrinterATB2KDM"), "Construct '%s'", strDeviceKey.c_str());
    std::string strType, strName, strTerminator, strAlias;
    std::uint32_t dwInsertLineFeed = 0;
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("Insert Line Feed", dwInsertLineFeed);
        key.BuildTerminator();
        key.Read("Terminator Data", strTerminator);
        key.Read("Device Alias", strAlias);
        bFailed = key.AnyFailed();
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("TREVO Printer"));
        defaults.ReadIfUnset("Device Type", strType);
        defaults.ReadIfUnset("Device Name", strName);
        defaults.ReadIfUnset("Insert Line Feed", dwInsertLineFeed);
        defaults.ReadIfUnset("Terminator Data", strTerminator);
        defaults.ReadIfUnset("Device Alias", strAlias);
    }
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    // The ticket printer needs the host name and selects no form.
    m_pComm = std::make_unique<core::CCommKDM>("", strAlias, core::CCommKDM::kModeHostName);
    if (m_pHost) m_pHost->SetDeviceStatus(core::NORMAL_STATUS);
    m_dwLastActivity = platform::GetTickCount();
    if (!StartSendThread([this] { SendThread(); }))
        SetLastError(TRACE_LAST_ERROR(Label("CDevicePrinterATB2KDM") + " AfxBeginThread():"));
    if (!StartReceiveThread([this] { ReceiveThread(); }))
        SetLastError(TRACE_LAST_ERROR(Label("CDevicePrinterATB2KDM") + " AfxBeginThread():"));
}

CDevicePrinterATB2KDM::~CDevicePrinterATB2KDM() {
    TRACE_FORMAT(0, Label("~CDevicePrinterATB2KDM"), "Destruct '%s'", m_strDeviceKey.c_str());
    StopThreads();
    PrinterATB2Release();
}

// --- Host messages ----------------------------------------------------------------------

void CDevicePrinterATB2KDM::OnHostReceive() {
    const core::eDeviceAction verdict = ReceiveFromHost();
    m_dwLastActivity = platform::GetTickCount();
    switch (verdict) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            SendToDeviceThreadWakeUp(true);
            ReceiveFromDeviceThreadWakeUp(true);
            break;
        case core::ACK_HOST_ONLY:
            SendToHost(m_pHost->MsgAckToHostCreateATB2(core::NORMAL_STATUS));
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::IGNORE_BUFFER_FROM_HOST:
            TRACE_FORMAT(0, Label("OnHostReceive"), "'%s', IGNORE_BUFFER_FROM_HOST",
                         m_strDeviceKey.c_str());
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::DEVICEACTIONONHOST_ACT_ON_CS:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        default:
            break;
    }
    GetStatisticsForDeviceHost();
}

core::eDeviceAction CDevicePrinterATB2KDM::ReceiveFromHost() {
    if (!m_pHost) return core::IGNORE_BUFFER_FROM_HOST;
    std::string msg;
    if (!ReceiveMessageFromHost(msg)) {
        SetDeviceState(core::DEVICE_OFFLINE);
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    const std::uint8_t c1 = msg.empty() ? 0 : static_cast<std::uint8_t>(msg[0]);
    const core::eDeviceAction verdict = m_pHost->MsgFromHost(msg);
    if (verdict == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) MsgToATB2Create(msg);
    if (c1 == 0xC2) {
        TRACE_FORMAT(0, Label("ReceiveFromHost"), "Switching to Long Timeout");
        m_dwReceiveTimeout = kLongTimeoutMs;
    } else if (c1 == 0xC5) {
        TRACE_FORMAT(0, Label("ReceiveFromHost"), "Switching to Short Timeout");
        m_dwReceiveTimeout = kShortTimeoutMs;
    }
    return verdict;
}

void CDevicePrinterATB2KDM::MsgToATB2Create(const std::string& msg) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(msg.data());
    const std::vector<std::uint8_t> frame = MakeATB2Frame({data, msg.size()});
    m_MessageBufferQueue.AddBytes(frame, m_pHost->IsCompleteMessage() ? 1 : 0);
    NoteQueued();
    TRACE_FORMAT(0, Label("MsgToATB2Create"), "'%s', Ascii C1C2=%c%c", m_strDeviceKey.c_str(),
                 frame.size() > 3 ? frame[3] : ' ', frame.size() > 4 ? frame[4] : ' ');
    TraceLog().TraceData(0, frame.data(), static_cast<int>(frame.size()));
}

// --- The session ------------------------------------------------------------------------

int CDevicePrinterATB2KDM::PrinterATB2Get() {
    std::lock_guard lock(m_csPort);
    if (m_pComm->GetPortState() != core::PORT_CLOSED) return m_pComm->GetPortState();
    if (!m_pComm->OpenPort()) {
        SetLastError(m_pComm->GetLastError());
        m_pComm->PrintErrorMsg(Label("PrinterATB2Get"));
        return 0;
    }
    if (!m_pComm->ConfigurePort()) {
        SetLastError(m_pComm->GetLastError());
        m_pComm->PrintErrorMsg(Label("PrinterATB2Get"));
        static_cast<void>(m_pComm->ClosePort());
        return 0;
    }
    RequestForHostReset();
    {
        std::lock_guard gathered(m_csGathered);
        m_BufferFromDeviceCumulative.clear();
    }
    m_bIgnoreNextBuffer = true;
    return 2;
}

bool CDevicePrinterATB2KDM::PrinterATB2Release() {
    std::lock_guard lock(m_csPort);
    if (m_pComm->GetPortState() == core::PORT_CLOSED) return true;
    if (!m_pComm->ClosePort()) {
        SetLastError(m_pComm->GetLastError());
        m_pComm->PrintErrorMsg(Label("PrinterATB2Release"));
        return false;
    }
    SetDeviceStateUnlessOffline(core::DEVICE_ONLINE_AVAILABLE);
    return true;
}

void CDevicePrinterATB2KDM::RequestForHostReset() {
    TRACE_FORMAT(0, "CDevicePrinterATB2KDM::RequestForHostReset()", "'%s'", m_strDeviceKey.c_str());
    if (m_pHost) SendToHost(m_pHost->RequestForHostReset());
}

// --- Writing ----------------------------------------------------------------------------

bool CDevicePrinterATB2KDM::SendToDevice() {
    const std::string label = Label("SendToDevice");
    core::CMessageBuffer* head = TakeHeadBuffer();
    if (!head) return true;
    TRACE_FORMAT(0, label, "'%s'", m_strDeviceKey.c_str());
    const int session = PrinterATB2Get();
    if (session == 0) {
        ReleaseHeadBuffer();
        return false;
    }
    if (session == 2 || m_bIgnoreNextBuffer) {
        ReleaseHeadBuffer();
        TRACE_FORMAT(0, label, "'%s', Buffer Ignored", m_strDeviceKey.c_str());
        m_bIgnoreNextBuffer = false;
        SendToDeviceThreadGoToSleep();
        return true;
    }
    if (!m_pComm->WritePort(*head)) {
        SetLastError(m_pComm->GetLastError());
        m_pComm->PrintErrorMsg(label);
        ReleaseHeadBuffer();
        return false;
    }
    m_timeSendToDevice = platform::CurrentTime();
    CountDeviceSent(head->Length());
    TRACE_FORMAT(0, label,
                 head->Type() == 0 ? "'%s', Written intermediate buffer in message:"
                                   : "'%s', Written last buffer in message:",
                 m_strDeviceKey.c_str());
    head->TraceBuffer();
    ReleaseHeadBuffer();
    return true;
}

void CDevicePrinterATB2KDM::SendThread() {
    while (SendToDeviceThreadIsRunning()) {
        if (SendToDeviceThreadIsAsleep()) {
            if (m_MessageBufferQueue.IsEmpty()) {
                const std::array<platform::Waitable*, 2> wake{&m_eventSendToDevice,
                                                              &ThreadStopEvent()};
                static_cast<void>(
                    platform::WaitForMultipleObjects(wake, false, platform::INFINITE));
            }
            SendToDeviceThreadWakeUp(false);
        }
        while (!m_MessageBufferQueue.IsEmpty() && SendToDeviceThreadIsRunning()) {
            if (!SendToDevice() && m_pHost) {
                m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                SetDeviceState(core::DEVICE_OFFLINE);
                SendToHost(m_pHost->MsgAckToHostCreateATB2(core::DEVICE_UNABLE_TO_ACCEPT_DATA));
            }
            if (m_pHost) m_pHost->m_bBufferReleased = true;
        }
        // The receive thread lets the session go; this one only goes to sleep.
        if (SendToDeviceThreadTimeOut(true, 30) != core::TIMEOUT_NONE) {
            SendToDeviceThreadGoToSleep();
        }
        PauseUntilQueued(10);
    }
}

// --- Reading ----------------------------------------------------------------------------

std::int64_t CDevicePrinterATB2KDM::QuietFor() const {
    // The 32-bit tick wraps: the difference taken modulo 2^32 and read signed stays right
    // across the wrap, and a host message stamped just now reads as no quiet at all.
    return static_cast<std::int32_t>(platform::GetTickCount() - m_dwLastActivity.load());
}

void CDevicePrinterATB2KDM::ReceiveThread() {
    while (ReceiveFromDeviceThreadIsRunning()) {
        if (ReceiveFromDeviceThreadIsAsleep()) {
            const std::array<platform::Waitable*, 2> wake{&m_eventReceiveFromDevice,
                                                          &ThreadStopEvent()};
            static_cast<void>(platform::WaitForMultipleObjects(wake, false, platform::INFINITE));
            ReceiveFromDeviceThreadWakeUp(false);
        }
        if (!ReceiveFromDeviceThreadIsRunning()) break;
        if (ReceiveFromDevice()) {
            m_dwLastActivity = platform::GetTickCount();
        } else if (QuietFor() > static_cast<std::int64_t>(m_dwReceiveTimeout.load())) {
            TRACE_FORMAT(0, "CDevicePrinterATB2KDM::ReceiveFromDeviceThread():",
                         "'%s', Time Out: Sleep & Release Printer %u", m_strDeviceKey.c_str(),
                         m_dwReceiveTimeout.load());
            PrinterATB2Release();
            ReceiveFromDeviceThreadGoToSleep();
            continue;
        }
        Pause(100);
    }
}

bool CDevicePrinterATB2KDM::ReceiveFromDevice() {
    const std::string label = Label("ReceiveFromDevice");
    if (PrinterATB2Get() == 0) return false;
    switch (m_pComm->ReadPortWaitForReceive(1500)) {
        case 0: {
            core::CMessageBuffer block;
            if (!m_pComm->ReadPort(block)) return false;  // nothing waiting
            TRACE_FORMAT(0, label, "'%s', PORT_RECEIVED", m_strDeviceKey.c_str());
            std::lock_guard lock(m_csGathered);
            const auto bytes = block.Data();
            m_BufferFromDeviceCumulative.insert(m_BufferFromDeviceCumulative.end(), bytes.begin(),
                                                bytes.end());
            if (!SendFramesToHost() && m_pHost) SetLastError(m_pHost->GetLastError());
            return true;
        }
        case 2:
            TRACE_FORMAT(0, label, "'%s', PORT_ERROR", m_strDeviceKey.c_str());
            return false;
        default:
            return false;
    }
}

bool CDevicePrinterATB2KDM::SendFramesToHost() {
    const std::string label = Label("SendToHost");
    if (!m_pHost) return false;
    bool bResult = true;
    for (CutFrame cut = CutATB2Frame(m_BufferFromDeviceCumulative); cut.bFound;
         cut = CutATB2Frame(m_BufferFromDeviceCumulative)) {
        CountDeviceReceived(cut.nFrameBytes);
        if (!cut.bCheckOk) {
            TRACE_FORMAT(2, Label("IsATB2Msg"), "'%s', Block check does not match, frame passed on",
                         m_strDeviceKey.c_str());
        }
        std::string data = std::move(cut.strData);
        TRACE_FORMAT(0, label, "'%s', Buffer:", m_strDeviceKey.c_str());
        TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(data.data()),
                             static_cast<int>(data.size()));
        const core::eDeviceAction verdict = m_pHost->MsgFromATB2(data, false);
        GetStatisticsForDeviceDevice();
        if (verdict == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST || verdict == core::ACK_HOST_ONLY) {
            SendToHost(data);
        } else {
            TRACE_FORMAT(2, label, "'%s', Invalid eDeviceAction %i", m_strDeviceKey.c_str(),
                         static_cast<int>(verdict));
            bResult = false;
        }
    }
    return bResult;
}

void CDevicePrinterATB2KDM::Pause(platform::DWORD dwMs) {
    static_cast<void>(platform::WaitForSingleObject(ThreadStopEvent(), dwMs));
}

}  // namespace devices
