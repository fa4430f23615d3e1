#include "devices/DevicePrinterATB2.h"

#include <array>

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "platform/Time.h"
#include "platform/Wait.h"

namespace devices {

std::atomic<std::uint32_t> CDevicePrinterATB2::g_nATB2ReceiveWaits{0};

namespace {

std::string Label(const char* cls, const char* method) {
    return std::string(cls) + "::" + method + "():";
}

}  // namespace

CDevicePrinterATB2::CDevicePrinterATB2(const std::string& strDeviceKey)
    : CDevicePrinterATB2(strDeviceKey, "CDevicePrinterATB2", NoThreads{}) {
    StartThreads();
}

CDevicePrinterATB2::CDevicePrinterATB2(const std::string& strDeviceKey, const char* pszClassLabel,
                                       NoThreads)
    : m_pszLabel(pszClassLabel) {
    TRACE_FORMAT(0, std::string(m_pszLabel) + "::" + m_pszLabel + "(..):", "Construct '%s'",
                 strDeviceKey.c_str());
    ReadSettings(strDeviceKey);
}

void CDevicePrinterATB2::ReadSettings(const std::string& strDeviceKey) {
    std::string strType, strName, strTerminator;
    std::uint32_t dwAnswerBack = 0, dwInsertLineFeed = 0;
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("Port", m_strPort);
        key.Read("Baud Rate", m_dwBaudRate);
        key.Read("Data Bits", m_dwDataBits);
        key.Read("Emulation", m_strEmulation);
        key.Read("Flow Control", m_strFlowControl);
        key.Read("Parity", m_strParity);
        key.Read("Stop Bits", m_strStopBits);
        key.Read("Answer Back", dwAnswerBack);
        key.Read("Insert Line Feed", dwInsertLineFeed);
        key.BuildTerminator();
        key.Read("Terminator Data", strTerminator);
        bFailed = key.AnyFailed();
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("TREVO Printer"));
        defaults.ReadIfUnset("Device Type", strType);
        defaults.ReadIfUnset("Device Name", strName);
        defaults.ReadIfUnset("Port", m_strPort);
        defaults.ReadIfUnset("Baud Rate", m_dwBaudRate);
        defaults.ReadIfUnset("Data Bits", m_dwDataBits);
        defaults.ReadIfUnset("Emulation", m_strEmulation);
        defaults.ReadIfUnset("Flow Control", m_strFlowControl);
        defaults.ReadIfUnset("Parity", m_strParity);
        defaults.ReadIfUnset("Stop Bits", m_strStopBits);
        defaults.ReadIfUnset("Answer Back", dwAnswerBack);
        defaults.ReadIfUnset("Insert Line Feed", dwInsertLineFeed);
        defaults.ReadIfUnset("Terminator Data", strTerminator);
    }
    m_bAnswerBack = dwAnswerBack != 0;
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    m_pComm = std::make_unique<core::CComm>(m_strPort, m_dwBaudRate, m_dwDataBits, m_strStopBits,
                                            m_strEmulation, m_strFlowControl, m_strParity);
    if (m_pHost) m_pHost->SetDeviceStatus(core::NORMAL_STATUS);
}

void CDevicePrinterATB2::StartThreads() {
    const std::string label = std::string(m_pszLabel) + "::" + m_pszLabel + "(..):";
    if (!StartSendThread([this] { SendThread(); }))
        SetLastError(TRACE_LAST_ERROR(label + " AfxBeginThread():"));
    if (!StartReceiveThread([this] { ReceiveThread(); }))
        SetLastError(TRACE_LAST_ERROR(label + " AfxBeginThread():"));
}

CDevicePrinterATB2::~CDevicePrinterATB2() {
    TRACE_FORMAT(0, Label(m_pszLabel, "~CDevicePrinterATB2"), "Destruct '%s'",
                 m_strDeviceKey.c_str());
    StopThreads();
    std::lock_guard lock(m_csPort);
    if (m_pComm->GetPortState() != core::PORT_CLOSED) static_cast<void>(m_pComm->PortClose());
}

// --- Host messages ----------------------------------------------------------------------

void CDevicePrinterATB2::OnHostReceive() {
    switch (ReceiveFromHost()) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            SendToDeviceThreadWakeUp(true);
            ReceiveFromDeviceThreadWakeUp(true);
            break;
        case core::ACK_HOST_ONLY:
            SendToHost(AckToHost(core::NORMAL_STATUS));
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::IGNORE_BUFFER_FROM_HOST:
        case core::DEVICEACTIONONHOST_ACT_ON_CS:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        default:
            break;
    }
    GetStatisticsForDeviceHost();
}

core::eDeviceAction CDevicePrinterATB2::ReceiveFromHost() {
    const std::string label = Label(m_pszLabel, "ReceiveFromHost");
    if (!m_pHost) return core::IGNORE_BUFFER_FROM_HOST;
    m_pHost->m_bResetReceived = false;
    TRACE_FORMAT(0, label, "'%s'", m_strDeviceKey.c_str());
    std::string msg;
    if (!ReceiveMessageFromHost(msg)) {
        SetDeviceState(core::DEVICE_OFFLINE);
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    const core::eDeviceAction verdict = m_pHost->MsgFromHost(msg);
    if (verdict != core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) return verdict;
    if (!m_pHost->m_bResetReceived) {
        m_pHost->m_bBufferReleased = false;
        m_pComm->m_bResumeWrite = false;
    }
    m_pComm->m_bAbortWrite = false;
    if (m_pHost->m_bResetReceived) {
        TRACE_FORMAT(0, "Before Flush " + label, "'%s'", m_strDeviceKey.c_str());
        bool bFlushed = true;
        if (m_pHost->m_bMessagePending) {
            m_pComm->m_bAbortWrite = true;
            bFlushed = FlushDeviceBuffer(1);
            if (!bFlushed) {
                m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                SendToHost(AckToHost(core::DEVICE_UNABLE_TO_ACCEPT_DATA));
            }
        }
        TRACE_FORMAT(0, "CDevicePrinter::OnHostReceive():", "After m_pHost->FlushDeviceBuffer()");
        m_pComm->m_bAbortWrite = false;
        if (!bFlushed) return core::IGNORE_BUFFER_FROM_HOST;
    }
    MsgToFrameCreate(msg);
    return core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST;
}

void CDevicePrinterATB2::MsgToFrameCreate(const std::string& msg) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(msg.data());
    const std::vector<std::uint8_t> frame = MakeATB2Frame({data, msg.size()});
    m_MessageBufferQueue.AddBytes(frame, m_pHost->IsCompleteMessage() ? 1 : 0);
    NoteQueued();
    TRACE_FORMAT(0, Label(m_pszLabel, "MsgToATB2Create"), "'%s', Ascii C1C2=%c%c",
                 m_strDeviceKey.c_str(), frame.size() > 3 ? frame[3] : ' ',
                 frame.size() > 4 ? frame[4] : ' ');
    TraceLog().TraceData(0, frame.data(), static_cast<int>(frame.size()));
}

// --- Writing ----------------------------------------------------------------------------

bool CDevicePrinterATB2::SendToDevice() {
    return WriteHeadBuffer(true);
}

bool CDevicePrinterATB2::WriteHeadBuffer(bool bRemoveWritten) {
    const std::string label = Label(m_pszLabel, "SendToDevice");
    core::CMessageBuffer* head = TakeHeadBuffer();
    if (!head) return true;  // flushed meanwhile
    if (m_pHost) m_pHost->m_bMessagePending = true;
    TRACE_FORMAT(0, label, "'%s'", m_strDeviceKey.c_str());
    if (!PortGet(m_bSendPortHeld)) {
        ReleaseHeadBuffer();
        return false;
    }
    if (!m_pComm->PortWrite(*head)) {
        SetLastError(m_pComm->GetLastError());
        if (bRemoveWritten) ReleaseHeadBuffer();
        return false;
    }
    m_timeSendToDevice = platform::CurrentTime();
    CountDeviceSent(head->Length());
    if (head->Type() == 0) {
        TRACE_FORMAT(0, label,
                     "'%s', Written intermediate buffer in message:", m_strDeviceKey.c_str());
        head->TraceBuffer();
    } else {
        TRACE_FORMAT(0, label, "'%s', Written last buffer in message:", m_strDeviceKey.c_str());
        head->TraceBuffer();
        ClearSendHold();
    }
    if (bRemoveWritten) ReleaseHeadBuffer();
    return true;
}

void CDevicePrinterATB2::SendThread() {
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
            if (!SendToDevice()) {
                if (m_pHost && m_pHost->m_bMessagePending) {
                    m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                    SetDeviceState(core::DEVICE_OFFLINE);
                    SendToHost(AckToHost(core::DEVICE_UNABLE_TO_ACCEPT_DATA));
                }
                ClearSendHold();
            }
            if (m_pHost) m_pHost->m_bBufferReleased = true;
        }
        if (SendToDeviceThreadTimeOut(true, 30) != core::TIMEOUT_NONE) {
            PortRelease();
            SendToDeviceThreadGoToSleep();
        }
        PauseUntilQueued(10);
    }
}

// --- Reading ----------------------------------------------------------------------------

bool CDevicePrinterATB2::ReceiveMayWait() {
    if (g_nATB2ReceiveWaits != 0 || !ReceiveFromDeviceThreadIsAsleep()) return false;
    ++g_nATB2ReceiveWaits;
    return true;
}

void CDevicePrinterATB2::ReceiveThread() {
    while (ReceiveFromDeviceThreadIsRunning()) {
        if (ReceiveMayWait()) {
            const std::array<platform::Waitable*, 2> wake{&m_eventReceiveFromDevice,
                                                          &ThreadStopEvent()};
            static_cast<void>(platform::WaitForMultipleObjects(wake, false, platform::INFINITE));
            ReceiveFromDeviceThreadWakeUp(false);
        }
        if (!ReceiveFromDeviceThreadIsRunning()) break;
        bool bFailed = false;
        if (!ReceiveFromDevice()) {
            bFailed = true;
            if (m_pHost) m_pHost->SetDeviceStatus(ReceiveFailureStatus());
            SetDeviceState(core::DEVICE_OFFLINE);
            ClearReceiveHold();
        }
        m_timeReceiveFromDevice = platform::CurrentTime();
        const bool bComplete = m_pHost && m_pHost->IsDeviceControlMessage();
        if (ReceiveFromDeviceThreadTimeOut(bComplete, true) != core::TIMEOUT_NONE) {
            PortRelease();
            ReceiveFromDeviceThreadGoToSleep();
        }
        // A port that fails at once is not tried again without a pause.
        Pause(bFailed ? 100 : 0);
    }
}

bool CDevicePrinterATB2::ReceiveFromDevice() {
    const std::string label = Label(m_pszLabel, "ReceiveFromDevice");
    if (!PortGet(m_bReceivePortHeld)) return false;
    switch (m_pComm->PortReadWaitForReceive(kReceiveWaitMs)) {
        case 0: {
            TRACE_FORMAT(0, label, "'%s', PORT_RECEIVED", m_strDeviceKey.c_str());
            core::CMessageBuffer block;
            if (!m_pComm->PortRead(block)) {
                SetLastError(m_pComm->GetLastError());
                return false;
            }
            if (block.Length() != 0) m_timeReceiveFromDevice = platform::CurrentTime();
            std::lock_guard lock(m_csGathered);
            const auto bytes = block.Data();
            m_BufferFromDeviceCumulative.insert(m_BufferFromDeviceCumulative.end(), bytes.begin(),
                                                bytes.end());
            if (!m_BufferFromDeviceCumulative.empty() && !SendFramesToHost()) {
                if (m_pHost) SetLastError(m_pHost->GetLastError());
                return false;
            }
            break;
        }
        case 2:
            TRACE_FORMAT(0, label, "'%s', PORT_ERROR", m_strDeviceKey.c_str());
            SetLastError(m_pComm->GetLastError());
            return false;
        default:
            break;
    }
    ClearReceiveHold();
    return true;
}

CutFrame CDevicePrinterATB2::CutFromGathered() {
    const std::string label = std::string("CPrinterATB2::IsATB2Msg():");
    CutFrame cut = CutATB2Frame(m_BufferFromDeviceCumulative);
    if (!cut.bFound) {
        TRACE_FORMAT(0, Label(m_pszLabel, "IsATB2Msg"), "No");
        return cut;
    }
    CountDeviceReceived(cut.nFrameBytes);
    if (!cut.bCheckOk) {
        TRACE_FORMAT(2, label, "'%s', Block check does not match, frame passed on",
                     m_strDeviceKey.c_str());
    }
    if (!m_BufferFromDeviceCumulative.empty()) {
        TRACE_FORMAT(0, label,
                     "'%s', %i bytes remaining in cumulative buffer:", m_strDeviceKey.c_str(),
                     static_cast<int>(m_BufferFromDeviceCumulative.size()));
        TraceLog().TraceData(0, m_BufferFromDeviceCumulative.data(),
                             static_cast<int>(m_BufferFromDeviceCumulative.size()));
    }
    TRACE_FORMAT(0, label, "'%s', Yes", m_strDeviceKey.c_str());
    return cut;
}

bool CDevicePrinterATB2::SendFramesToHost() {
    const std::string label = Label(m_pszLabel, "SendToHost");
    if (!m_pHost) return false;
    bool bResult = true;
    for (CutFrame cut = CutFromGathered(); cut.bFound; cut = CutFromGathered()) {
        std::string data = std::move(cut.strData);
        TRACE_FORMAT(0, label, "'%s', Buffer:", m_strDeviceKey.c_str());
        TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(data.data()),
                             static_cast<int>(data.size()));
        const core::eDeviceAction verdict = m_pHost->MsgFromATB2(data, false);
        GetStatisticsForDeviceDevice();
        if (m_pHost->m_bResetReceived && (data.size() < 2 || data[1] != 0x01) &&
            !m_pHost->m_bMessagePending) {
            return true;
        }
        if (verdict == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
            SendToHost(data);
        } else if (verdict == core::ACK_HOST_ONLY && m_strDeviceType != kAirlineType) {
            bResult = SendToHost(data);
        } else if (verdict == core::ACK_HOST_ONLY) {
            const std::string ack = m_pHost->MsgAckToATB2Create();
            if (!ack.empty()) {
                m_MessageBufferQueue.AddString(ack, 0);
                NoteQueued();
                SendToDeviceThreadWakeUp(true);
            }
            if (m_bAnswerBack) {
                const core::eDeviceAction second = m_pHost->MsgFromATB2AnswerBack(data);
                if (second == core::ACK_HOST_ONLY) {
                    SendToHost(data);
                    TRACE_FORMAT(0, label + "AnswerBack", "'%s', Buffer:", m_strDeviceKey.c_str());
                } else {
                    TRACE_FORMAT(2, label, "'%s', Invalid eDeviceAction %i", m_strDeviceKey.c_str(),
                                 static_cast<int>(second));
                    bResult = false;
                }
            }
        } else {
            TRACE_FORMAT(2, label, "'%s', Invalid eDeviceAction %i", m_strDeviceKey.c_str(),
                         static_cast<int>(verdict));
            bResult = false;
        }
    }
    return bResult;
}

// --- The port ---------------------------------------------------------------------------

bool CDevicePrinterATB2::PortGet(bool& bHeld) {
    std::lock_guard lock(m_csPort);
    bHeld = false;
    if (m_pComm->GetPortState() == core::PORT_CLOSED) {
        if (!m_pComm->PortOpen()) {
            SetLastError(m_pComm->GetLastError());
            return false;
        }
        if (!m_pComm->PortConfigure()) {
            SetLastError(m_pComm->GetLastError());
            static_cast<void>(m_pComm->PortClose());
            return false;
        }
        std::lock_guard gathered(m_csGathered);
        m_BufferFromDeviceCumulative.clear();
    }
    if (m_pComm->GetPortState() == core::PORT_AVAILABLE) bHeld = true;
    return true;
}

bool CDevicePrinterATB2::PortRelease() {
    std::lock_guard lock(m_csPort);
    if (m_bSendPortHeld || m_bReceivePortHeld || m_pComm->GetPortState() == core::PORT_CLOSED) {
        return true;
    }
    if (!m_pComm->PortClose()) {
        SetLastError(m_pComm->GetLastError());
        return false;
    }
    SetDeviceStateUnlessOffline(core::DEVICE_ONLINE_AVAILABLE);
    return true;
}

void CDevicePrinterATB2::ClearSendHold() {
    std::lock_guard lock(m_csPort);
    m_bSendPortHeld = false;
}

void CDevicePrinterATB2::ClearReceiveHold() {
    std::lock_guard lock(m_csPort);
    m_bReceivePortHeld = false;
}

void CDevicePrinterATB2::Pause(platform::DWORD dwMs) {
    static_cast<void>(platform::WaitForSingleObject(ThreadStopEvent(), dwMs));
}

}  // namespace devices
