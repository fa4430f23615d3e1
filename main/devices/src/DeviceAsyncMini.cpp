#include "devices/DeviceAsyncMini.h"

#include <array>

#include "core/TraceLog.h"
#include "core/Translation.h"
#include "platform/Time.h"
#include "platform/Wait.h"

namespace devices {

std::atomic<bool> CDeviceAsyncMini::g_bAsyncMiniReceiveWaited{false};

namespace {
constexpr const char* kSendToHost = "CDeviceAsyncMini::SendToHost():";
constexpr const char* kSendThread = "CDeviceAsyncMini::SendToDeviceThread():";
}  // namespace

CDeviceAsyncMini::CDeviceAsyncMini(const std::string& strDeviceKey)
    : CDevicePrinterATB2(strDeviceKey, "CDeviceAsyncMini", NoThreads{}) {
    StartThreads();
}

CDeviceAsyncMini::~CDeviceAsyncMini() {
    StopThreads();
}

// --- Host events ------------------------------------------------------------------------

void CDeviceAsyncMini::UpdateConnectionStatusMessage() {
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

void CDeviceAsyncMini::OnConnect(long lFlag) {
    CDevice::OnConnect(lFlag);
    UpdateConnectionStatusMessage();
}
void CDeviceAsyncMini::OnDisconnect(long lFlag) {
    CDevice::OnDisconnect(lFlag);
    UpdateConnectionStatusMessage();
}
void CDeviceAsyncMini::OnSystemAvailable(long lFlag) {
    CDevice::OnSystemAvailable(lFlag);
    UpdateConnectionStatusMessage();
}
void CDeviceAsyncMini::OnSend(long lFlag) {
    CDevice::OnSend(lFlag);
    UpdateConnectionStatusMessage();
}
void CDeviceAsyncMini::OnResource(long lFlag) {
    CDevice::OnResource(lFlag);
    UpdateConnectionStatusMessage();
}
void CDeviceAsyncMini::OnLock(long lFlag) {
    CDevice::OnLock(lFlag);
    UpdateConnectionStatusMessage();
}
void CDeviceAsyncMini::OnUnLock(long lFlag) {
    CDevice::OnUnLock(lFlag);
    UpdateConnectionStatusMessage();
}

void CDeviceAsyncMini::OnHostReceive() {
    SetStatusMessage(IDS_PROCESS_BLOCK);
    switch (ReceiveFromHost()) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            SendToDeviceThreadWakeUp(true);
            SetStatusMessage(IDS_WAITING_FOR_ACK);
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

void CDeviceAsyncMini::MsgToFrameCreate(const std::string& msg) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(msg.data());
    const std::vector<std::uint8_t> frame = MakeAsyncMiniFrame({data, msg.size()});
    m_MessageBufferQueue.AddBytes(frame, m_pHost->IsCompleteMessage() ? 1 : 0);
    TRACE_FORMAT(0, "CDeviceAsyncMini::MsgToAsyncMiniCreate():", "'%s', Ascii C1C2=%c%c",
                 m_strDeviceKey.c_str(), frame.size() > 2 ? frame[2] : ' ',
                 frame.size() > 3 ? frame[3] : ' ');
    TraceLog().TraceData(0, frame.data(), static_cast<int>(frame.size()));
}

// --- The terminal's answers -------------------------------------------------------------

CutFrame CDeviceAsyncMini::CutFromGathered() {
    static const char* const kLabel = "CDeviceAsyncMini::IsAsyncMiniMsg():";
    CutFrame cut = CutAsyncMiniFrame(m_BufferFromDeviceCumulative);
    if (!cut.bFound) {
        TRACE_FORMAT(0, kLabel, "No");
        return cut;
    }
    CountDeviceReceived(cut.nFrameBytes);
    if (!cut.bCheckOk) {
        TRACE_FORMAT(2, kLabel, "'%s', Block check does not match, frame passed on",
                     m_strDeviceKey.c_str());
    }
    if (!m_BufferFromDeviceCumulative.empty()) {
        TRACE_FORMAT(0, kLabel,
                     "'%s', %i bytes remaining in cumulative buffer:", m_strDeviceKey.c_str(),
                     static_cast<int>(m_BufferFromDeviceCumulative.size()));
    }
    TRACE_FORMAT(0, kLabel, "'%s', Yes", m_strDeviceKey.c_str());
    return cut;
}

bool CDeviceAsyncMini::ResetLeavesNoMessage() const {
    return m_pHost && m_pHost->m_bResetReceived && !m_pHost->m_bMessagePending;
}

bool CDeviceAsyncMini::SendFramesToHost() {
    if (!m_pHost) return false;
    bool bResult = true;
    for (CutFrame cut = CutFromGathered(); cut.bFound; cut = CutFromGathered()) {
        std::string data = std::move(cut.strData);
        TRACE_FORMAT(0, kSendToHost, "'%s', Buffer:", m_strDeviceKey.c_str());
        TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(data.data()),
                             static_cast<int>(data.size()));
        const core::eDeviceAction verdict = m_pHost->MsgFromATB2(data, false);
        GetStatisticsForDeviceDevice();
        if (ResetLeavesNoMessage() && (data.size() < 2 || data[1] != 0x01)) return true;
        if (verdict == core::ACK_HOST_ONLY) {
            SendToHost(data);
        } else if (verdict == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
            OnAnswer(data);
        } else {
            TRACE_FORMAT(2, kSendToHost, "'%s', Invalid eDeviceAction %i", m_strDeviceKey.c_str(),
                         static_cast<int>(verdict));
            bResult = false;
        }
        Pause(10);
    }
    return bResult;
}

void CDeviceAsyncMini::OnAnswer(std::string& data) {
    TRACE_FORMAT(0, kSendToHost, "'%s', Retry Count = %d", m_strDeviceKey.c_str(),
                 m_iDeviceRetryCount.load());
    if (m_bAnswerTaken) return;
    const char cLetter = data.size() > 1 ? data[1] : 0;
    // An answer counts only for the host's current message: once the host has moved on to
    // another, an answer to the one before is late.
    const auto cCurrent =
        m_pHost ? static_cast<char>(core::EbcdicLetterToAscii(m_pHost->GetHostC2())) : '\0';
    if (cLetter >= 'A' && cLetter <= 'P' && cLetter != cCurrent) {
        TRACE_FORMAT(0, "Inside CDeviceAsyncMini::SendToHost():",
                     "'%s', Answer for TSN %c dropped, expected %c", m_strDeviceKey.c_str(),
                     cLetter, cCurrent != 0 ? cCurrent : ' ');
        return;
    }
    const int iCount = m_iDeviceRetryCount;
    if (iCount == 1) {
        m_bAckReceived = true;
        m_iDeviceRetryCount = 0;
        m_bAnswerTaken = true;
        TRACE_FORMAT(0, "case 1:CDeviceAsyncMini::SendToHost():", "'%s'", m_strDeviceKey.c_str());
        SendToHost(data);
    } else if (iCount == 2 || iCount == 3) {
        m_bAnswerTaken = true;
        m_bAckReceived = true;
        m_iDeviceRetryCount = 0;
        TRACE_FORMAT(0, "case 3:CDeviceAsyncMini::SendToHost():", "'%s'", m_strDeviceKey.c_str());
        if (data.size() > 3 && data[3] != '1' && data[3] != '7') {
            m_pHost->SetDeviceStatus(core::TRANSMISSION_RETRY);
            data[3] = core::TRANSMISSION_RETRY;
        }
        SendToHost(data);
    }
}

// --- Writing and waiting for the answer -------------------------------------------------

bool CDeviceAsyncMini::SendToDevice() {
    return WriteHeadBuffer(false);
}

void CDeviceAsyncMini::DropHead() {
    ReleaseHeadBuffer();  // also tells a flush that the buffer is gone
}

void CDeviceAsyncMini::SendThread() {
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
        m_iDeviceRetryCount = 0;
        m_bAckReceived = false;
        m_bAnswerTaken = false;
        while (!m_MessageBufferQueue.IsEmpty()) {
            if (!SendToDeviceThreadIsRunning()) {
                PortRelease();
                return;
            }
            if (m_bAckReceived) {
                TRACE_FORMAT(0, kSendThread, "pDevice->m_bAckReceived");
                m_iDeviceRetryCount = 0;
                m_bAckReceived = false;
                DropHead();
                break;
            }
            if (m_iDeviceRetryCount >= 3) {
                m_iDeviceRetryCount = 0;
                DropHead();
                if (m_pHost) m_pHost->SetDeviceStatus(core::COMMUNICATION_LINK_FAILURE);
                m_bAnswerTaken = true;
                ClearSendHold();
                if (m_pHost) SendToHost(AckToHost(core::COMMUNICATION_LINK_FAILURE));
                TRACE_FORMAT(0, kSendThread, "pDevice->m_iDeviceRetryCount >= 3");
                break;
            }
            ++m_iDeviceRetryCount;
            const bool bWritten = SendToDevice();
            if (ResetLeavesNoMessage()) {
                DropHead();
                break;
            }
            if (!bWritten) {
                Pause(1);
                TRACE_FORMAT(0, kSendThread, "Failure to SendToDevice");
                continue;
            }
            TRACE_FORMAT(0, kSendThread, "Success to SendToDevice");
            // A reset drops the buffer in flight once; the wait then ends.
            bool bDropped = false;
            for (int step = 0; step < kAnswerWaitSteps && !bDropped; ++step) {
                if (ResetLeavesNoMessage()) {
                    DropHead();
                    bDropped = true;
                    break;
                }
                Pause(kAnswerWaitStepMs);
                if (m_bAckReceived) break;
            }
            TRACE_FORMAT(0, kSendThread, "pDevice->m_iDeviceRetryCount = %d",
                         m_iDeviceRetryCount.load());
            if (bDropped) break;
        }
        if (SendToDeviceThreadTimeOut(true, 30) != core::TIMEOUT_NONE) {
            PortRelease();
            SendToDeviceThreadGoToSleep();
        }
        Pause(1);
    }
}

bool CDeviceAsyncMini::ReceiveMayWait() {
    const bool bFirst = !g_bAsyncMiniReceiveWaited.exchange(true);
    return bFirst && ReceiveFromDeviceThreadIsAsleep();
}

}  // namespace devices
