// The worker threads of a device: their sleep and wake-up protocol, their time-out
// decisions, the common send-thread loop, the flush of one queued message, and shutdown.
#include <array>

#include "core/Device.h"
#include "core/TraceLog.h"
#include "platform/Time.h"
#include "platform/Wait.h"

namespace core {

// --- Sleep and wake-up ------------------------------------------------------------------

void CDevice::GoToSleep(const char* pszLabel, CThreadFlag& asleep) {
    platform::Mutex::Guard lock(asleep.m_cs);
    TRACE_FORMAT(0, pszLabel, "'%s'", m_strDeviceKey.c_str());
    asleep.m_bSet = true;
}

void CDevice::WakeUp(const char* pszLabel, CThreadFlag& asleep, platform::Event& event,
                     bool bSetEvent) {
    // The flag and the event change together, so a wake-up either finds the thread asleep
    // and signals it, or finds it awake, and then it looks at its queue before it sleeps.
    platform::Mutex::Guard lock(asleep.m_cs);
    if (!asleep.m_bSet) return;
    asleep.m_bSet = false;
    if (bSetEvent) {
        TRACE_FORMAT(0, pszLabel, "'%s', SetEvent", m_strDeviceKey.c_str());
        event.Set();
    } else {
        TRACE_FORMAT(0, pszLabel, "'%s'", m_strDeviceKey.c_str());
    }
}

void CDevice::SendToDeviceThreadGoToSleep() {
    GoToSleep("CDevice::SendToDeviceThreadGoToSleep():", m_sendThreadAsleep);
}

void CDevice::ReceiveFromDeviceThreadGoToSleep() {
    GoToSleep("CDevice::ReceiveFromDeviceThreadGoToSleep():", m_receiveThreadAsleep);
}

void CDevice::SendToDeviceThreadWakeUp(bool bSetEvent) {
    WakeUp("CDevice::SendToDeviceThreadWakeUp():", m_sendThreadAsleep, m_eventSendToDevice,
           bSetEvent);
}

void CDevice::ReceiveFromDeviceThreadWakeUp(bool bSetEvent) {
    WakeUp("CDevice::ReceiveFromDeviceThreadWakeUp():", m_receiveThreadAsleep,
           m_eventReceiveFromDevice, bSetEvent);
}

bool CDevice::SendToDeviceThreadIsAsleep() const {
    return m_sendThreadAsleep.Get();
}

bool CDevice::ReceiveFromDeviceThreadIsAsleep() const {
    return m_receiveThreadAsleep.Get();
}

bool CDevice::SendToDeviceThreadIsRunning() const {
    return m_sendThreadRunning.Get();
}

bool CDevice::ReceiveFromDeviceThreadIsRunning() const {
    return m_receiveThreadRunning.Get();
}

// --- Time-outs --------------------------------------------------------------------------

bool CDevice::DeviceTimeOut(const std::int64_t* pStart, int iSeconds) {
    if (platform::CurrentTime() <= *pStart + iSeconds) return false;
    TRACE_FORMAT(0, "CDevice::DeviceTimeOut():", "'%s', Timeout period %i exceeded",
                 m_strDeviceKey.c_str(), iSeconds);
    return true;
}

eTimeOutResult CDevice::SendToDeviceThreadTimeOut(bool bMoreToCome, int iSeconds) {
    static const char* const kLabel = "CDevice::SendToDeviceThreadTimeOut():";
    const char* const key = m_strDeviceKey.c_str();
    if (GetDeviceState() == DEVICE_OFFLINE) {
        TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_OFFLINE", key);
        return TIMEOUT_OFFLINE;
    }
    platform::Mutex::Guard lock(m_csSendTimeOut);
    // A device without a host link has no output that the host left open.
    if (!m_pHost || m_pHost->IsCompleteMessage()) {
        if (!bMoreToCome && m_MessageBufferQueue.IsEmpty()) {
            TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_COMPLETE_MSG_IMMEDIATE", key);
            return TIMEOUT_COMPLETE_MSG_IMMEDIATE;
        }
        if (DeviceTimeOut(&m_timeSendToDevice, iSeconds)) {
            TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_COMPLETE_MSG", key);
            return TIMEOUT_COMPLETE_MSG;
        }
        return TIMEOUT_NONE;
    }
    if (DeviceTimeOut(&m_timeSendToDevice, 600)) {
        TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_INCOMPLETE_MSG", key);
        SetLastError(std::uint32_t{IDS_INCOMPLETE_MESSAGE});
        return TIMEOUT_INCOMPLETE_MSG;
    }
    return TIMEOUT_NONE;
}

eTimeOutResult CDevice::ReceiveFromDeviceThreadTimeOut(bool bComplete, bool bWait) {
    static const char* const kLabel = "CDevice::ReceiveFromDeviceThreadTimeOut():";
    const char* const key = m_strDeviceKey.c_str();
    if (GetDeviceState() == DEVICE_OFFLINE) {
        TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_OFFLINE", key);
        return TIMEOUT_OFFLINE;
    }
    platform::Mutex::Guard lock(m_csReceiveTimeOut);
    if (bComplete) {
        if (!bWait) {
            TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_COMPLETE_MSG_IMMEDIATE", key);
            return TIMEOUT_COMPLETE_MSG_IMMEDIATE;
        }
        if (DeviceTimeOut(&m_timeReceiveFromDevice, 30)) {
            TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_COMPLETE_MSG", key);
            return TIMEOUT_COMPLETE_MSG;
        }
        return TIMEOUT_NONE;
    }
    if (DeviceTimeOut(&m_timeReceiveFromDevice, 600)) {
        TRACE_FORMAT(0, kLabel, "'%s', TIMEOUT_INCOMPLETE_MSG", key);
        return TIMEOUT_INCOMPLETE_MSG;
    }
    return TIMEOUT_NONE;
}

// --- The send thread --------------------------------------------------------------------

bool CDevice::StartSendThread(std::function<void()> body) {
    if (m_pSendThread) return false;
    m_pSendThread = std::make_unique<platform::Thread>("DeviceSend");
    return m_pSendThread->Start(std::move(body));
}

bool CDevice::StartReceiveThread(std::function<void()> body) {
    if (m_pReceiveThread) return false;
    m_pReceiveThread = std::make_unique<platform::Thread>("DeviceReceive");
    return m_pReceiveThread->Start(std::move(body));
}

void CDevice::SendToDeviceThreadLoop(const CSendLoopStyle& style) {
    while (SendToDeviceThreadIsRunning()) {
        if (SendToDeviceThreadIsAsleep()) {
            // A message queued after the decision to sleep but before the thread was marked
            // asleep found it awake and woke nobody: it is taken now, not at the next wake-up.
            if (m_MessageBufferQueue.IsEmpty()) {
                const std::array<platform::Waitable*, 2> wake{&m_eventSendToDevice, &m_eventStop};
                static_cast<void>(
                    platform::WaitForMultipleObjects(wake, false, platform::INFINITE));
            }
            SendToDeviceThreadWakeUp(false);
        }
        if (!SendToDeviceThreadIsRunning()) break;
        while (!m_MessageBufferQueue.IsEmpty() && SendToDeviceThreadIsRunning()) {
            if (SendToDevice()) {
                if (style.bAvailableAfterWrite) SetDeviceState(DEVICE_ONLINE_AVAILABLE);
            } else {
                if (m_pHost) {
                    m_pHost->SetDeviceStatus(DEVICE_UNABLE_TO_ACCEPT_DATA);
                    // The message left the queue unwritten: the host's next try of it is
                    // written once the device takes output again.
                    if (const auto taken = m_MessageBufferQueue.TakenHeader())
                        m_pHost->ForgetMessage(*taken);
                }
                SetDeviceState(DEVICE_OFFLINE);
            }
            if (m_pHost) SendToHost(MsgAckForWritten(style.cAckType));
        }
        const eTimeOutResult eResult = SendToDeviceThreadTimeOut(false, 30);
        switch (eResult) {
            case TIMEOUT_OFFLINE:
                if (style.bOfflineOnlySleeps) {
                    SendToDeviceThreadGoToSleep();
                    break;
                }
                [[fallthrough]];
            case TIMEOUT_COMPLETE_MSG:
            case TIMEOUT_COMPLETE_MSG_IMMEDIATE:
            case TIMEOUT_INCOMPLETE_MSG:
                SendToDeviceOutputOver(eResult);
                SendToDeviceThreadGoToSleep();
                break;
            default:
                break;
        }
        if (style.bPauseEndsWhenQueued) {
            PauseUntilQueued(style.dwPauseMs);
        } else {
            static_cast<void>(platform::WaitForSingleObject(m_eventStop, style.dwPauseMs));
        }
    }
}

void CDevice::PauseUntilQueued(platform::DWORD dwMs) {
    const std::array<platform::Waitable*, 2> pause{&m_eventStop, &m_eventQueued};
    static_cast<void>(platform::WaitForMultipleObjects(pause, false, dwMs));
}

void CDevice::SendToDeviceOutputOver(eTimeOutResult) {
    SendToDeviceOutputDone();
    SetDeviceState(DEVICE_ONLINE_AVAILABLE);
}

CMessageBuffer* CDevice::TakeHeadBuffer() {
    platform::Mutex::Guard lock(m_csHeadInUse);
    m_pHeadInUse = m_MessageBufferQueue.GetHeadBuffer();
    if (m_pHeadInUse) m_MessageBufferQueue.NoteTaken(*m_pHeadInUse);
    return m_pHeadInUse;
}

void CDevice::ReleaseHeadBuffer() {
    platform::Mutex::Guard lock(m_csHeadInUse);
    if (m_pHeadInUse && m_MessageBufferQueue.GetHeadBuffer() == m_pHeadInUse) {
        m_MessageBufferQueue.RemoveHead();
    }
    m_pHeadInUse = nullptr;
    if (m_pHost) m_pHost->m_bBufferReleased = true;
}

void CDevice::KeepHeadBuffer() {
    platform::Mutex::Guard lock(m_csHeadInUse);
    m_pHeadInUse = nullptr;
    if (m_pHost) m_pHost->m_bBufferReleased = true;
}

void CDevice::DropHeadUnlessInUse() {
    platform::Mutex::Guard lock(m_csHeadInUse);
    const CMessageBuffer* head = m_MessageBufferQueue.GetHeadBuffer();
    if (head && head != m_pHeadInUse) m_MessageBufferQueue.RemoveHead();
}

bool CDevice::FlushDeviceBuffer(int) {
    TRACE_FORMAT(0, "CDevicePrinter::OnHostReceive():", "Before m_pHost->FlushDeviceBuffer()");
    if (!m_pHost) return false;
    // The send thread says when it has let go of the buffer it was writing.
    if (!m_pHost->m_bBufferReleased.WaitFor(kFlushReleaseWaitMs)) return false;
    platform::Sleep(100);
    {
        // The buffer the send thread is writing stays: it removes that one itself.
        platform::Mutex::Guard lock(m_csHeadInUse);
        const CMessageBuffer* head = m_MessageBufferQueue.GetHeadBuffer();
        if (head && head != m_pHeadInUse) m_MessageBufferQueue.RemoveHead();
    }
    m_pHost->m_bBufferReleased = false;
    return true;
}

// --- Shutdown ---------------------------------------------------------------------------

bool CDevice::EndThread(platform::Thread* pThread, platform::DWORD ms) {
    if (!pThread || !pThread->Started()) return true;
    if (platform::WaitForSingleObject(*pThread, ms) != platform::WAIT_OBJECT_0) return false;
    return pThread->Join();
}

void CDevice::ShutDown() {
    TRACE_FORMAT(0, "CDevice::ShutDown():", "'%s', ", m_strDeviceKey.c_str());
    m_sendThreadRunning.Set(false);
    SendToDeviceThreadWakeUp(true);
    m_receiveThreadRunning.Set(false);
    ReceiveFromDeviceThreadWakeUp(true);
    // Ends the waits of threads blocked on their device and hands back a send to the host
    // that waits for this thread.
    m_eventStop.Set();

    const std::uint64_t start = platform::GetTickCount64();
    bool bEnded = EndThread(m_pSendThread.get(), kShutDownWaitMs);
    if (bEnded) {
        const std::uint64_t spent = platform::GetTickCount64() - start;
        const auto left =
            static_cast<platform::DWORD>(spent < kShutDownWaitMs ? kShutDownWaitMs - spent : 0);
        bEnded = EndThread(m_pReceiveThread.get(), left);
    }
    if (!bEnded) {
        TRACE_FORMAT(2, "CDevice::ShutDown(): ::WaitForSingleObject():",
                     "Failed to end SendToDevice thread");
        return;
    }
    if (m_pHost && m_pHost->GetConnectionState() == CONNECTION_CONNECTED) {
        static_cast<void>(m_pHost->HostDisconnect());
    }
}

void CDevice::StopThreads() {
    m_sendThreadRunning.Set(false);
    m_receiveThreadRunning.Set(false);
    m_eventStop.Set();
    m_eventSendToDevice.Set();
    m_eventReceiveFromDevice.Set();
    if (m_pSendThread) static_cast<void>(m_pSendThread->Join());
    if (m_pReceiveThread) static_cast<void>(m_pReceiveThread->Join());
}

}  // namespace core
