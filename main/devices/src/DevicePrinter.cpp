#include "devices/DevicePrinter.h"

#include <array>

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "platform/Time.h"
#include "platform/Wait.h"

namespace devices {

namespace {

constexpr const char* kOnHostReceive = "CDevicePrinter::OnHostReceive():";
constexpr const char* kSend = "CDevicePrinter::SendToDevice():";
constexpr platform::DWORD kInitialisationPauseMs = 2000;
constexpr std::uint8_t kEbcdicB = 0xC2;
constexpr std::uint8_t kEbcdicC = 0xC3;
constexpr std::uint8_t kEbcdicR = 0xD9;

const std::string kInitialisation(
    "\x02\x73\x1B\x0B\x20\x20\x0F\x10\x1B\x5B\x32\x3B\x32\x2F\x7B"
    "\x1B\x12\x03\x59",
    19);
const std::string kSheetFeeder(
    "\x1B\x40\x1B[0;1!u\x1B[2;2/{\x1B"
    "C?\x1B[115r\x1BO\x1B[0;0;0;0;0;0#u\x1BN\x05\x00\x1B[1;1!u\x1B[2$p",
    58);
const std::string kTractor(
    "\x1B\x40\x1B[0;1!u\x1B"
    "C?\x1B[115r\x1BO\x1B[0;0;0;0;0;0#u\x1BN\x05\x00\x1B[1;1!u\x1B[6$p",
    51);

}  // namespace

CDevicePrinter::CDevicePrinter(const std::string& strDeviceKey, bool bPortInitialisation)
    : m_bPortInitialisation(bPortInitialisation) {
    TRACE_FORMAT(0, "CDevicePrinter::CDevicePrinter(..):", "Construct '%s'", strDeviceKey.c_str());
    ReadSettings(strDeviceKey);
    if (!StartSendThread([this] { SendThread(); }))
        SetLastError(TRACE_LAST_ERROR("CDevicePrinter::CDevicePrinter(..): AfxBeginThread():"));
}

void CDevicePrinter::ReadSettings(const std::string& strDeviceKey) {
    std::string strType, strName, strTerminator;
    std::uint32_t dwInsertLineFeed = 0;
    auto readAll = [&](CDeviceKey& key, bool bOnlyUnset) {
        auto read = [&](const char* name, auto& value) {
            if (bOnlyUnset) {
                key.ReadIfUnset(name, value);
            } else {
                key.Read(name, value);
            }
        };
        read("Device Type", strType);
        read("Device Name", strName);
        read("Port", m_strPort);
        if (m_strPort.compare(0, 3, "COM") == 0) {
            read("Baud Rate", m_dwBaudRate);
            read("Data Bits", m_dwDataBits);
            read("Emulation", m_strEmulation);
            read("Flow Control", m_strFlowControl);
            read("Parity", m_strParity);
            read("Stop Bits", m_strStopBits);
        }
        read("Insert Line Feed", dwInsertLineFeed);
        if (!bOnlyUnset) key.BuildTerminator();
        read("Terminator Data", strTerminator);
        if (m_bPortInitialisation) read("Bin Choice", m_strBinChoice);
    };
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        readAll(key, false);
        bFailed = key.AnyFailed();
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("TREVO Printer"));
        readAll(defaults, true);
    }
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    m_pComm = std::make_unique<core::CComm>(m_strPort, m_dwBaudRate, m_dwDataBits, m_strStopBits,
                                            m_strEmulation, m_strFlowControl, m_strParity);
}

CDevicePrinter::~CDevicePrinter() {
    TRACE_FORMAT(0, "CDevicePrinter::~CDevicePrinter():", "Destruct '%s'", m_strDeviceKey.c_str());
    StopThreads();
    ReleaseDevice();
}

// --- Host messages ----------------------------------------------------------------------

void CDevicePrinter::Acknowledge(char cStatus) {
    if (!m_pHost) return;
    m_pHost->SetDeviceStatus(cStatus);
    SendToHost(m_pHost->MsgAckToHostCreate());
}

void CDevicePrinter::AcknowledgeWritten(char cStatus) {
    if (!m_pHost) return;
    m_pHost->SetDeviceStatus(cStatus);
    SendToHost(MsgAckForWritten());
}

core::eDeviceAction CDevicePrinter::ReceiveFromHost() {
    if (!m_pHost || !m_bBagTag) return CDevice::ReceiveFromHost();
    // In bag-tag mode the message is queued in its reformatted form (or not at all).
    m_pHost->m_bResetReceived = false;
    std::string text;
    if (!ReceiveMessageFromHost(text)) {
        SetDeviceState(core::DEVICE_OFFLINE);
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    const core::eDeviceAction verdict = m_pHost->MsgFromHost(text);
    if (verdict != core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) return verdict;
    const bool bComplete = m_pHost->IsCompleteMessage();
    const std::optional<std::string> out =
        MessagePrinterCreate(text, m_pHost->GetHostC1() == kEbcdicB);
    if (out) {
        QueueHostMessage(*out, bComplete);
    } else {
        SendToHost(m_pHost->MsgAckToHostCreate());
    }
    return verdict;
}

std::optional<std::string> CDevicePrinter::MessagePrinterCreate(const std::string& text,
                                                                bool bEndsDocument) {
    std::string out;
    out.reserve(text.size() + 2);
    if (m_bStartOfDocument) {
        out += ';';
        m_bStartOfDocument = false;
        if (text.compare(0, 2, "CT") == 0) m_bCT = true;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == 'C' && i + 1 < text.size() && text[i + 1] == '?') {
                ++i;
                continue;
            }
            out += text[i];
        }
    } else {
        out += text;
    }
    const bool bCT = m_bCT;
    if (bEndsDocument) {
        out += '\x0C';
        m_bStartOfDocument = true;
        m_bLastPage = true;
        m_bCT = false;
    }
    TRACE_FORMAT(0, "CDevicePrinter::MessagePrinterCreate():", "'%s', Ascii C1C2=%c%c",
                 m_strDeviceKey.c_str(), text.size() > 1 ? text[1] : ' ',
                 text.size() > 2 ? text[2] : ' ');
    TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(out.data()),
                         static_cast<int>(out.size()));
    if (bCT) return std::nullopt;
    return out;
}

void CDevicePrinter::OnHostReceive() {
    const char* const key = m_strDeviceKey.c_str();
    const core::eDeviceAction verdict = ReceiveFromHost();
    if (m_pHost && m_pHost->GetHostC1() == kEbcdicC && m_pHost->GetHostC2() == kEbcdicR) {
        TRACE_FORMAT(0, kOnHostReceive, "CR Received %s", key);
        // The port is looked at under its lock only while closed: an open port may be in a
        // long write of the send thread.
        std::unique_lock<std::recursive_mutex> port(m_csPort, std::defer_lock);
        if (m_pComm->GetPortState() == core::PORT_CLOSED && m_bPortInitialisation) port.lock();
        if (port.owns_lock() && m_pComm->GetPortState() == core::PORT_CLOSED) {
            if (!GetDevice() || !InitialisePrinter()) {
                // The reset is answered here: no flush is left pending for the next write.
                m_pHost->m_bResetSeen = false;
                Acknowledge(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                GetStatisticsForDeviceHost();
                return;
            }
        }
    }
    switch (verdict) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            m_pComm->m_bResumeWrite = false;
            TRACE_FORMAT(0, kOnHostReceive, "SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:");
            // A new message is a new attempt for a buffer kept after a failure too.
            m_bWaitingAfterFailure = false;
            SendToDeviceThreadWakeUp(true);
            m_iRetryCounter = 0;
            break;
        case core::ACK_HOST_ONLY: {
            m_pComm->m_bFlushWrite = false;
            bool bFlushed = true;
            if (m_pHost && m_pHost->m_bResetSeen && m_pHost->m_bFlushAllowed) {
                m_pComm->m_bFlushWrite = true;
                bFlushed = FlushDeviceBuffer(1);
                if (!bFlushed) Acknowledge(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                m_pHost->m_bFlushAllowed = false;
            }
            TRACE_FORMAT(0, kOnHostReceive, "After m_pHost->FlushDeviceBuffer()");
            m_pComm->m_bFlushWrite = false;
            if (!bFlushed) break;
            if (m_pHost) {
                m_pHost->m_bResetSeen = false;
                SendToHost(m_pHost->MsgAckToHostCreate());
            }
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        }
        case core::IGNORE_BUFFER_FROM_HOST:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            TRACE_FORMAT(0, kOnHostReceive, "Ignoring Buffer from host");
            if (m_bWaitingAfterFailure.exchange(false)) SendToDeviceThreadWakeUp(true);
            break;
        case core::REPEAT_ACK_TO_HOST:
            Acknowledge(core::TSN_OUT_OF_SEQUENCE);
            break;
        case core::DEVICEACTIONONHOST_ACT_ON_CS:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            DoChangeChange();
            break;
        default:
            break;
    }
    GetStatisticsForDeviceHost();
}

bool CDevicePrinter::InitialisePrinter() {
    const char* const key = m_strDeviceKey.c_str();
    TRACE_FORMAT(0, kOnHostReceive, "'%s', Sending initialisation string", key);
    core::CMessageBuffer init;
    init.SetData(kInitialisation);
    if (!m_pComm->PortWrite(init)) {
        SetLastError(m_pComm->GetLastError());
        return false;
    }
    platform::Sleep(kInitialisationPauseMs);
    TRACE_FORMAT(0, kOnHostReceive, "'%s', Sending Form Initialisation", key);
    if (m_strBinChoice != "Manual Sheet Feeder") {
        core::CMessageBuffer form;
        form.SetData(m_strBinChoice == "Tractor Feeder" ? kTractor : kSheetFeeder);
        static_cast<void>(m_pComm->PortWrite(form));
        platform::Sleep(kInitialisationPauseMs);
    }
    TRACE_FORMAT(0, kOnHostReceive, "'%s', Completed Port initialisation", key);
    return true;
}

// --- The send thread --------------------------------------------------------------------

bool CDevicePrinter::SleepWhileAsleep() {
    if (!SendToDeviceThreadIsAsleep()) return SendToDeviceThreadIsRunning();
    // A message queued after the decision to sleep but before the thread was marked asleep
    // found it awake and woke nobody: it is taken now. A buffer kept after a failure waits
    // for the host's next word.
    if (m_MessageBufferQueue.IsEmpty() || m_bWaitingAfterFailure) {
        const std::array<platform::Waitable*, 2> wake{&m_eventSendToDevice, &ThreadStopEvent()};
        static_cast<void>(platform::WaitForMultipleObjects(wake, false, platform::INFINITE));
    }
    SendToDeviceThreadWakeUp(false);
    return SendToDeviceThreadIsRunning();
}

void CDevicePrinter::SendThread() {
    while (SleepWhileAsleep()) {
        m_iRetryCounter = 0;
        while (!m_MessageBufferQueue.IsEmpty() && SendToDeviceThreadIsRunning() &&
               !SendToDeviceThreadIsAsleep()) {
            if (SendToDevice()) {
                if (m_pHost) m_pHost->m_bBufferReleased = true;
                AcknowledgeWritten(core::NORMAL_STATUS);
                continue;
            }
            // A kept buffer waits for the host's next word. The flag is set before the answer,
            // since that word may come at once; when it has come (the flag is cleared) before
            // the thread sleeps, the thread goes on.
            m_bWaitingAfterFailure = !m_MessageBufferQueue.IsEmpty();
            if (!m_pHost || !m_pHost->m_bResetSeen) {
                if (m_pHost) m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                SetDeviceState(core::DEVICE_OFFLINE);
                if (m_pHost) SendToHost(MsgAckForWritten());
            }
            if (m_pHost) m_pHost->m_bBufferReleased = true;
            if (m_bWaitingAfterFailure) SendToDeviceThreadGoToSleep();
        }
        if (!SendToDeviceThreadIsRunning()) break;
        if (SendToDeviceThreadIsAsleep()) continue;
        switch (SendToDeviceThreadTimeOut(true, 3)) {
            case core::TIMEOUT_OFFLINE:
                SendToDeviceThreadGoToSleep();
                break;
            case core::TIMEOUT_COMPLETE_MSG:
            case core::TIMEOUT_COMPLETE_MSG_IMMEDIATE:
            case core::TIMEOUT_INCOMPLETE_MSG:
                ReleaseDevice();
                SetDeviceStateUnlessOffline(core::DEVICE_ONLINE_AVAILABLE);
                SendToDeviceThreadGoToSleep();
                break;
            default:
                break;
        }
        PauseUntilQueued(10);
    }
    ReleaseDevice();
}

bool CDevicePrinter::SendToDevice() {
    const char* const key = m_strDeviceKey.c_str();
    TRACE_FORMAT(0, kSend, "'%s'", key);
    if (m_pHost) m_pHost->m_bFlushAllowed = true;
    core::CMessageBuffer* head = TakeHeadBuffer();
    if (!head) return true;  // flushed meanwhile
    std::unique_lock port(m_csPort);
    if (m_pComm->GetPortState() == core::PORT_CLOSED) {
        if (!GetDevice()) {
            if (m_bPortInitialisation) {
                KeepHeadBuffer();
            } else {
                ReleaseHeadBuffer();
            }
            return false;
        }
        if (m_bPortInitialisation && !InitialisePrinter()) {
            KeepHeadBuffer();
            port.unlock();  // the answer may wait for the user-interface thread
            AcknowledgeWritten(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
            return false;
        }
    }
    if (!m_pComm->PortWrite(*head)) {
        SetLastError(m_pComm->GetLastError());
        TRACE_FORMAT(2, kSend, "%d Retry Counter", ++m_iRetryCounter);
        if (m_pHost && m_pHost->m_bResetSeen) m_pComm->m_bResumeWrite = false;
        KeepHeadBuffer();
        return false;
    }
    m_timeSendToDevice = platform::CurrentTime();
    CountDeviceSent(head->Length());
    if (head->Type() != 0) {
        TRACE_FORMAT(0, kSend, "'%s', Last buffer in message", key);
    } else {
        TRACE_FORMAT(0, kSend, "'%s', Intermediate buffer in message", key);
    }
    ReleaseHeadBuffer();
    return true;
}

}  // namespace devices
