#include "devices/DevicePrinterMitosaSCN.h"

#include <algorithm>
#include <array>

#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "devices/CouponFrames.h"
#include "devices/DeviceKey.h"
#include "devices/LocalLinkSocket.h"
#include "platform/Time.h"
#include "platform/Wait.h"

namespace devices {

namespace {

constexpr const char* kClass = "CDevicePrinterMitosaSCN";
constexpr std::array<std::uint8_t, 7> kInitialisation = {0x1B, 0x5B, 0x33, 0x3B, 0x33, 0x2F, 0x7B};

std::string Label(const char* method) {
    return std::string(kClass) + "::" + method + "():";
}

// C1 of a host message as it comes (EBCDIC letters).
constexpr std::uint8_t kEbcdicB = 0xC2;
constexpr std::uint8_t kEbcdicC = 0xC3;
constexpr std::uint8_t kEbcdicE = 0xC5;

}  // namespace

CDevicePrinterMitosaSCN::CDevicePrinterMitosaSCN(const std::string& strDeviceKey)
    : m_store(m_registry, strDeviceKey) {
    TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::CDevicePrinterMitosaSCN(..):",
                 "Version 1.4 Construct '%s'", strDeviceKey.c_str());
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
        defaults.ReadIfUnset("Insert Line Feed", dwInsertLineFeed);
        defaults.ReadIfUnset("Terminator Data", strTerminator);
    }
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    m_pComm = std::make_unique<core::CComm>(m_strPort, m_dwBaudRate, m_dwDataBits, m_strStopBits,
                                            m_strEmulation, m_strFlowControl, m_strParity);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    if (m_pHost) m_pHost->SetDeviceStatus(core::NORMAL_STATUS);
    m_strHostText.reserve(kHostTextInitialSize);
    ResetPrinter();

    const std::string label =
        "CDevicePrinterMitosaSCN::CDevicePrinterMitosaSCN(..): AfxBeginThread():";
    if (!StartSendThread([this] { SendThread(); })) SetLastError(TRACE_LAST_ERROR(label));
    if (!StartReceiveThread([this] { ReceiveThread(); })) SetLastError(TRACE_LAST_ERROR(label));
    m_pHostTimeoutThread = std::make_unique<platform::Thread>("HostTimeout");
    if (!m_pHostTimeoutThread->Start([this] { HostTimeoutThread(); }))
        SetLastError(TRACE_LAST_ERROR(label));
}

CDevicePrinterMitosaSCN::~CDevicePrinterMitosaSCN() {
    TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::~CDevicePrinterMitosaSCN():", "Destruct '%s'",
                 m_strDeviceKey.c_str());
    StopThreads();
    m_bHostTimeoutRunning = false;
    if (m_pHostTimeoutThread) {
        m_pHostTimeoutThread->Stop();
        static_cast<void>(m_pHostTimeoutThread->Join());
    }
    std::lock_guard lock(m_csPort);
    if (m_pComm->GetPortState() != core::PORT_CLOSED) static_cast<void>(m_pComm->PortClose());
}

void CDevicePrinterMitosaSCN::ShutDown() {
    CDevice::ShutDown();
    m_bHostTimeoutRunning = false;
    if (!m_pHostTimeoutThread) return;
    m_pHostTimeoutThread->Stop();
    if (platform::WaitForSingleObject(*m_pHostTimeoutThread, kShutDownWaitMs) !=
        platform::WAIT_OBJECT_0) {
        TRACE_FORMAT(2, "CDevicePrinterMitosaSCN::ShutDown(): ::WaitForSingleObject():",
                     "'%s', Failed to end HostTimeout thread", m_strDeviceKey.c_str());
        return;
    }
    static_cast<void>(m_pHostTimeoutThread->Join());
}

// --- The host road -----------------------------------------------------------------------

void CDevicePrinterMitosaSCN::OnHostReceive() {
    switch (ReceiveFromHost()) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
        case core::ACK_HOST_ONLY:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            SendAckNow();
            break;
        case core::IGNORE_BUFFER_FROM_HOST:
        case core::DEVICEACTIONONHOST_ACT_ON_CS:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::REPEAT_ACK_TO_HOST:
            SendToHost(m_pHost->MsgOutOfSequenceToHostCreate());
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        default:
            break;
    }
    GetStatisticsForDeviceHost();
}

core::eDeviceAction CDevicePrinterMitosaSCN::ReceiveFromHost() {
    const std::string label = Label("ReceiveFromHost");
    TRACE_FORMAT(0, label, "'%s'", m_strDeviceKey.c_str());
    if (!m_pHost) return core::IGNORE_BUFFER_FROM_HOST;
    m_pHost->m_bResetReceived = false;
    std::string msg;
    if (!ReceiveMessageFromHost(msg)) {
        SetDeviceState(core::DEVICE_OFFLINE);
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    const std::uint8_t c1 = msg.empty() ? 0 : static_cast<std::uint8_t>(msg[0]);
    core::eDeviceAction verdict = m_pHost->MsgFromHost(msg);

    if (verdict == core::ACK_HOST_ONLY && m_pHost->m_bResetReceived) {
        FlushAndAskStatus();
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    if (c1 == kEbcdicE) {
        const std::string ack = m_pending.Confirm();
        TRACE_FORMAT(0, "CDevicePrinter::ReceiveFromHost():", "E Msg Received : Pending Ack :%s",
                     ack.c_str());
        if (!ack.empty()) SendToHost(ack);
    }
    if (verdict != core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) return verdict;
    switch (c1) {
        case kEbcdicC:
            return core::ACK_HOST_ONLY;
        case kEbcdicB:
            break;
        case kEbcdicE:
            return core::IGNORE_BUFFER_FROM_HOST;
        default:
            AppendHostText(msg);
            return core::ACK_HOST_ONLY;
    }
    if (msg.compare(0, 2, "R1") == 0) {
        m_pHost->SetDeviceStatus(core::NORMAL_STATUS);
        SendAckNow();
        std::string reply = std::string("D") + NextSequenceLetter() + "AW*PEMRSOK7QSC" + ReadScn();
        static_cast<void>(m_pHost->MsgFromATB2(reply, false));
        SendPending(reply);
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    const std::string head = msg.substr(0, 2);
    if (head == "PS" || head == "PC" || head == "AA" || head == "CT") {
        SendPrinterCommand(head, KIND_HOST_COMMAND);
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    m_pHost->MaintainTSNThenHold();
    SendAckNow();
    AppendHostText(msg);
    StartJob();
    return core::IGNORE_BUFFER_FROM_HOST;
}

void CDevicePrinterMitosaSCN::FlushAndAskStatus() {
    TRACE_FORMAT(0, "Before Flush CDevicePrinterMitosaSCN::ReceiveFromHost():", "'%s'",
                 m_strDeviceKey.c_str());
    m_pComm->m_bAbortWrite = true;
    ResetPrinter();
    TRACE_FORMAT(0, "CDevicePrinter::OnHostReceive():", "After m_pHost->FlushDeviceBuffer()");
    m_pComm->m_bAbortWrite = false;
    static_cast<void>(PrinterATB2Get(m_bSendPortBusy));
    SendPrinterCommand("PS", KIND_STATUS);
}

void CDevicePrinterMitosaSCN::SendPrinterCommand(const std::string& command, int eKind) {
    {
        std::lock_guard lock(m_csCoupon);
        m_strPrinterMessage = command;
        m_nRetryCount = 1;
        m_eMessageKind = eKind;
    }
    MsgToATB2Create(command);
    WakeBoth();
}

void CDevicePrinterMitosaSCN::AppendHostText(const std::string& text) {
    std::lock_guard lock(m_csCoupon);
    // The buffer grows as far as the new piece needs.
    m_strHostText += text;
}

void CDevicePrinterMitosaSCN::StartJob() {
    std::lock_guard lock(m_csCoupon);
    // A question about the job before this one changes nothing once answered.
    ++m_nGeneration;
    if (m_strHostText.compare(0, 2, "PT") == 0) {
        m_eMessageKind = KIND_PECTAB;
        m_nRetryCount = 1;
        StorePectabTransactionCode();
        MsgToATB2Create(m_strHostText);
        WakeBoth();
    } else if (m_strHostText.compare(0, 2, "TK") == 0) {
        m_eMessageKind = KIND_COUPON;
        m_job.SplitHostText(m_strHostText, *this);
        m_job.BuildCoupons(*this);
        m_job.PrintCurrentCoupon(*this);
    }
}

void CDevicePrinterMitosaSCN::StorePectabTransactionCode() {
    if (m_strHostText.size() < 17) return;
    m_store.StorePectabCode(m_strHostText[5], m_strHostText.substr(12, 5));
}

void CDevicePrinterMitosaSCN::SendAckNow() {
    if (m_pHost) SendToHost(m_pHost->MsgAckToHostCreate());
}

void CDevicePrinterMitosaSCN::SendPending(const std::string& reply) {
    m_pending.Set(reply, platform::CurrentTime());
    SendToHost(reply);
    SetDeviceState(reply.find("ERR") != std::string::npos ? core::DEVICE_OFFLINE
                                                          : core::DEVICE_ONLINE_AVAILABLE);
}

void CDevicePrinterMitosaSCN::QueueToHost(const std::string& text, bool bPending) {
    m_outbox.emplace_back(text, bPending);
}

void CDevicePrinterMitosaSCN::QueueAck() {
    QueueToHost(m_pHost->MsgAckToHostCreate(), false);
}

std::vector<std::pair<std::string, bool>> CDevicePrinterMitosaSCN::TakeOutbox() {
    std::vector<std::pair<std::string, bool>> out;
    out.swap(m_outbox);
    return out;
}

void CDevicePrinterMitosaSCN::SendOut(std::vector<std::pair<std::string, bool>> out,
                                      std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    SendEach(out);
}

void CDevicePrinterMitosaSCN::SendEach(const std::vector<std::pair<std::string, bool>>& out) {
    for (const auto& [text, bPending] : out) {
        if (bPending) {
            SendPending(text);
        } else {
            SendToHost(text);
        }
    }
}

// --- Framing and the port ----------------------------------------------------------------

void CDevicePrinterMitosaSCN::MsgToATB2Create(const std::string& text) {
    const auto frame =
        MakeCouponFrame({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    if (!frame) return;
    m_MessageBufferQueue.AddBytes(*frame, m_pHost && m_pHost->IsCompleteMessage() ? 1 : 0);
    TRACE_FORMAT(0, Label("MsgToATB2Create"), "'%s'", m_strDeviceKey.c_str());
    TraceLog().TraceData(0, frame->data(), static_cast<int>(frame->size()));
}

void CDevicePrinterMitosaSCN::WakeBoth() {
    SendToDeviceThreadWakeUp(true);
    ReceiveFromDeviceThreadWakeUp(true);
}

bool CDevicePrinterMitosaSCN::PrinterATB2Get(bool& bBusy) {
    bool bOpened = false;
    {
        std::lock_guard lock(m_csPort);
        bBusy = false;
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
            bOpened = true;
            {
                std::lock_guard buffer(m_csReceiveBuffer);
                m_ReceiveBuffer.clear();
            }
            TRACE_FORMAT(0, Label("PrinterATB2Get"), "'%s', Sending initialisation string",
                         m_strDeviceKey.c_str());
            core::CMessageBuffer init;
            init.SetData(kInitialisation);
            if (!m_pComm->PortWrite(init)) SetLastError(m_pComm->GetLastError());
        }
    }
    if (bOpened) {
        Pause(kInitialisationPauseMs);
        ReceiveFromDeviceThreadWakeUp(true);
    }
    std::lock_guard lock(m_csPort);
    if (m_pComm->GetPortState() == core::PORT_AVAILABLE) bBusy = true;
    return true;
}

void CDevicePrinterMitosaSCN::ClearBusy(bool& bBusy) {
    std::lock_guard lock(m_csPort);
    bBusy = false;
}

void CDevicePrinterMitosaSCN::PortHealthCheck() {
    std::lock_guard check(m_csPortCheck);
    std::lock_guard lock(m_csPort);
    if (m_bSendPortBusy || m_bReceivePortBusy || m_pComm->GetPortState() == core::PORT_CLOSED)
        return;
    if (!m_pComm->PortStatus()) {
        SetLastError(m_pComm->GetLastError());
    } else {
        SetDeviceStateUnlessOffline(core::DEVICE_ONLINE_AVAILABLE);
    }
}

void CDevicePrinterMitosaSCN::ResetPrinter() {
    std::lock_guard lock(m_csCoupon);
    ResetPrinterLocked();
}

void CDevicePrinterMitosaSCN::ResetPrinterLocked() {
    TRACE_FORMAT(0, Label("ResetPrinter"), "Reset Printer called");
    DropHeadUnlessInUse();
    m_strHostText.clear();
    m_job.Clear();
    ++m_nGeneration;
    m_eMessageKind = KIND_NONE;
    m_bAwaitingReply = false;
    m_strPrinterMessage.clear();
    m_nRetryCount = 0;
}

// --- The send thread ---------------------------------------------------------------------

void CDevicePrinterMitosaSCN::SendThread() {
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
            SetDeviceState(core::DEVICE_ONLINE_BUSY);
            if (!SendToDevice()) {
                if (m_pHost) {
                    m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                    SetDeviceState(core::DEVICE_OFFLINE);
                    SendAckNow();
                }
                ClearBusy(m_bSendPortBusy);
            }
        }
        const core::eTimeOutResult result = SendToDeviceThreadTimeOut(true, 30);
        if (result != core::TIMEOUT_NONE) {
            PortHealthCheck();
            SendToDeviceThreadGoToSleep();
        }
        Pause(10);
    }
}

bool CDevicePrinterMitosaSCN::SendToDevice() {
    const std::string label = Label("SendToDevice");
    core::CMessageBuffer* head = TakeHeadBuffer();
    if (!head) return true;
    TRACE_FORMAT(0, label, "'%s'", m_strDeviceKey.c_str());
    if (!PrinterATB2Get(m_bSendPortBusy)) {
        ReleaseHeadBuffer();
        return false;
    }
    if (!m_pComm->PortWrite(*head)) {
        TRACE_FORMAT(0, label, "Error Occured:WakingReceiveThread ");
        ReceiveFromDeviceThreadWakeUp(true);
        SetLastError(m_pComm->GetLastError());
        ReleaseHeadBuffer();
        return false;
    }
    m_bAwaitingReply = true;
    m_timeSendToDevice = platform::CurrentTime();
    m_timeLastWrite = m_timeSendToDevice;
    TRACE_FORMAT(0, label, "Written Data:WakingReceiveThread ");
    ReceiveFromDeviceThreadWakeUp(true);
    CountDeviceSent(head->Length());
    if (head->Type() == 0) {
        TRACE_FORMAT(0, label,
                     "'%s', Written intermediate buffer in message:", m_strDeviceKey.c_str());
        head->TraceBuffer();
    } else {
        TRACE_FORMAT(0, label, "'%s', Written last buffer in message:", m_strDeviceKey.c_str());
        head->TraceBuffer();
        ClearBusy(m_bSendPortBusy);
    }
    ReleaseHeadBuffer();
    return true;
}

// --- The receive thread ------------------------------------------------------------------

void CDevicePrinterMitosaSCN::ReceiveThread() {
    while (ReceiveFromDeviceThreadIsRunning()) {
        if (ReceiveFromDeviceThreadIsAsleep()) {
            const std::array<platform::Waitable*, 2> wake{&m_eventReceiveFromDevice,
                                                          &ThreadStopEvent()};
            static_cast<void>(platform::WaitForMultipleObjects(wake, false, platform::INFINITE));
            ReceiveFromDeviceThreadWakeUp(false);
        }
        if (!ReceiveFromDeviceThreadIsRunning()) break;
        bool bFailed = false;
        if (!ReceiveFromDevice()) {
            bFailed = true;
            if (m_pHost) m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
            SetDeviceState(core::DEVICE_OFFLINE);
            ClearBusy(m_bReceivePortBusy);
        }
        switch (ReceiveTimeOut()) {
            case core::TIMEOUT_OFFLINE:
            case core::TIMEOUT_INCOMPLETE_MSG:
                PortHealthCheck();
                ReceiveFromDeviceThreadGoToSleep();
                Pause(500);
                if (m_bAwaitingReply && ReceiveFromDeviceThreadIsRunning()) RetryAfterNoReply();
                break;
            case core::TIMEOUT_COMPLETE_MSG:
                PortHealthCheck();
                ReceiveFromDeviceThreadGoToSleep();
                break;
            default:
                break;
        }
        // A port that fails at once is not tried again without a pause.
        Pause(bFailed ? 100 : 10);
    }
}

core::eTimeOutResult CDevicePrinterMitosaSCN::ReceiveTimeOut() {
    if (GetDeviceState() == core::DEVICE_OFFLINE) {
        TRACE_FORMAT(0, Label("ReceiveFromDeviceThreadTimeOut"), "'%s', TIMEOUT_OFFLINE",
                     m_strDeviceKey.c_str());
        return core::TIMEOUT_OFFLINE;
    }
    // An awaited reply is given its time from the write it answers, or from the last data.
    const std::int64_t now = platform::CurrentTime();
    if (!m_bAwaitingReply) {
        if (now > m_timeReceiveFromDevice + 3) {
            TRACE_FORMAT(0, Label("ReceiveFromDeviceThreadTimeOut"), "'%s', TIMEOUT_COMPLETE_MSG",
                         m_strDeviceKey.c_str());
            return core::TIMEOUT_COMPLETE_MSG;
        }
    } else if (now > std::max<std::int64_t>(m_timeReceiveFromDevice, m_timeLastWrite) + 30) {
        TRACE_FORMAT(0, Label("ReceiveFromDeviceThreadTimeOut"), "'%s', TIMEOUT_INCOMPLETE_MSG",
                     m_strDeviceKey.c_str());
        return core::TIMEOUT_INCOMPLETE_MSG;
    }
    return core::TIMEOUT_NONE;
}

void CDevicePrinterMitosaSCN::RetryAfterNoReply() {
    const std::string label = Label("ReceiveFromDeviceThread");
    // Only a host message makes the printer await a reply: without a host link there is none.
    if (!m_pHost) return;
    std::unique_lock lock(m_csCoupon);
    m_pCouponLock = &lock;
    switch (m_eMessageKind) {
        case KIND_STATUS:
        case KIND_HOST_COMMAND:
        case KIND_PECTAB:
            if (m_nRetryCount < 3) {
                TRACE_FORMAT(0, label, "Retrying again");
                if (m_eMessageKind != KIND_PECTAB) {
                    lock.unlock();
                    static_cast<void>(PrinterATB2Get(m_bSendPortBusy));
                    lock.lock();
                }
                ++m_nRetryCount;
                MsgToATB2Create(m_eMessageKind == KIND_PECTAB ? m_strHostText
                                                              : m_strPrinterMessage);
                WakeBoth();
            } else {
                TRACE_FORMAT(0, label, "Aborting");
                m_bAwaitingReply = false;
                m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                ResetPrinterLocked();
                QueueAck();
            }
            break;
        case KIND_COUPON:
            m_job.OnNoReply(*this);
            break;
        default:
            break;
    }
    m_pCouponLock = nullptr;
    SendOut(TakeOutbox(), lock);
}

bool CDevicePrinterMitosaSCN::ReceiveFromDevice() {
    const std::string label = Label("ReceiveFromDevice");
    if (!PrinterATB2Get(m_bReceivePortBusy)) return false;
    switch (m_pComm->PortReadWaitForReceive(kReceiveWaitMs)) {
        case 0: {
            TRACE_FORMAT(0, label, "'%s', PORT_RECEIVED", m_strDeviceKey.c_str());
            core::CMessageBuffer block;
            if (!m_pComm->PortRead(block)) {
                SetLastError(m_pComm->GetLastError());
                return false;
            }
            const auto bytes = block.Data();
            block.TraceBuffer();
            if (bytes.empty()) break;
            TRACE_FORMAT(0, label, "'%s', Received Data", m_strDeviceKey.c_str());
            m_timeReceiveFromDevice = platform::CurrentTime();
            if (bytes[0] == kCouponIgnoredLead) break;
            core::CMessageBuffer ack;
            ack.SetData(std::array<std::uint8_t, 1>{kCouponAck});
            if (!m_pComm->PortWrite(ack)) SetLastError(m_pComm->GetLastError());
            WakeBoth();
            CountDeviceReceived(bytes.size());
            {
                std::lock_guard lock(m_csReceiveBuffer);
                m_ReceiveBuffer.insert(m_ReceiveBuffer.end(), bytes.begin(), bytes.end());
            }
            if (!SendRepliesToHost()) {
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
            TRACE_FORMAT(0, label, "'%s', PORT Timeout", m_strDeviceKey.c_str());
            break;
    }
    ClearBusy(m_bReceivePortBusy);
    return true;
}

bool CDevicePrinterMitosaSCN::SendRepliesToHost() {
    for (;;) {
        std::optional<std::string> reply;
        {
            std::lock_guard lock(m_csReceiveBuffer);
            reply = CutCouponReply(m_ReceiveBuffer);
        }
        if (!reply) return true;
        TRACE_FORMAT(0, "Recieve Printer Message : CDevicePrinterMitosaSCN::SendToHost():",
                     "'%s', Buffer:", m_strDeviceKey.c_str());
        TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(reply->data()),
                             static_cast<int>(reply->size()));
        ProcessMessageFromDevice(*reply);
    }
}

void CDevicePrinterMitosaSCN::ProcessMessageFromDevice(const std::string& reply) {
    const std::string label = Label("ProcessMessageFromDevice");
    // Replies are only awaited for host messages: without a host link there is none.
    if (!m_pHost) return;
    std::unique_lock lock(m_csCoupon);
    m_pCouponLock = &lock;
    const int kind = m_eMessageKind;
    TRACE_FORMAT(0, label, "'%s', case MSG type %d", m_strDeviceKey.c_str(), kind);
    m_bAwaitingReply = false;
    TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(reply.data()),
                         static_cast<int>(reply.size()));

    const bool bOK = CCouponJob::IsGood(reply);
    const bool bERR = CCouponJob::IsError(reply);
    const char code = CCouponJob::ErrorCode(reply);
    // A reply made for the host: its acknowledgement waits for the host's confirmation.
    const auto replyToHost = [&](char cStatus, const std::string& text) {
        m_pHost->SetDeviceStatus(cStatus);
        const std::string ack = m_pHost->MsgAckToHostCreate();
        ResetPrinterLocked();
        m_pending.HoldAck(ack);
        QueueToHost(text, true);
    };
    switch (kind) {
        case KIND_STATUS:
            if (bOK) {
                m_eMessageKind = KIND_NONE;
                m_pHost->SetDeviceStatus(core::NORMAL_STATUS);
                QueueAck();
                SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
                ResetPrinterLocked();
            } else if (bERR) {
                m_eMessageKind = KIND_NONE;
                m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                QueueAck();
                ResetPrinterLocked();
                SetDeviceState(core::DEVICE_OFFLINE);
            }
            break;
        case KIND_HOST_COMMAND:
        case KIND_PECTAB:
            if (kind == KIND_HOST_COMMAND || bOK) {
                m_eMessageKind = KIND_NONE;
                replyToHost(core::NORMAL_STATUS, std::string("W*D") + NextSequenceLetter() +
                                                     "AW*PEM" +
                                                     (reply.size() > 3 ? reply.substr(3) : ""));
            } else if (bERR && (code == '8' || code == '9')) {
                m_eMessageKind = KIND_NONE;
                replyToHost(code == '8' ? core::NORMAL_STATUS : core::DEVICE_UNABLE_TO_ACCEPT_DATA,
                            std::string("W*D") + NextSequenceLetter() + "AW*TTSERR" + code +
                                (reply.size() > 7 ? reply.substr(7) : ""));
            } else if (bERR) {
                m_eMessageKind = KIND_NONE;
                m_pHost->SetDeviceStatus(core::DEVICE_UNABLE_TO_ACCEPT_DATA);
                QueueAck();
                ResetPrinterLocked();
            }
            break;
        case KIND_COUPON:
            m_job.OnReply(reply, *this);
            break;
        default:
            TRACE_FORMAT(0, label, "'%s', MSG status none ERROR", m_strDeviceKey.c_str());
            break;
    }
    m_pCouponLock = nullptr;
    SendOut(TakeOutbox(), lock);
}

// --- The host time-out thread ------------------------------------------------------------

void CDevicePrinterMitosaSCN::HostTimeoutThread() {
    while (m_bHostTimeoutRunning && !m_pHostTimeoutThread->StopRequested()) {
        if (const std::optional<std::string> again = m_pending.Due(platform::CurrentTime())) {
            SendToHost(*again);
            TRACE_FORMAT(0, "CDevice::HostTimeoutCheckThread():", "'%s', Timeout period Occured",
                         m_strDeviceKey.c_str());
        }
        static_cast<void>(platform::WaitForSingleObject(m_pHostTimeoutThread->StopEvent(), 100));
    }
    TRACE_FORMAT(0, "CDevice::HostTimeoutCheckThread():", "'%s', Exiting Thread",
                 m_strDeviceKey.c_str());
}

void CDevicePrinterMitosaSCN::Pause(platform::DWORD dwMs) {
    static_cast<void>(platform::WaitForSingleObject(ThreadStopEvent(), dwMs));
}

// --- The job's side ----------------------------------------------------------------------

std::string CDevicePrinterMitosaSCN::ReadScn() {
    return m_store.ReadScn();
}

void CDevicePrinterMitosaSCN::AdvanceScn() {
    m_store.AdvanceScn();
}

void CDevicePrinterMitosaSCN::StoreScnFromReply(const std::string& reply) {
    m_store.StoreScnFromReply(reply);
}

std::string CDevicePrinterMitosaSCN::RetrievePectabCode(char chPectab) {
    std::string code = m_store.RetrievePectabCode(chPectab);
    TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::RetrievePectabTransactionCode():",
                 "chPectab=%c, szResult=%s", chPectab, code.c_str());
    return code;
}

char CDevicePrinterMitosaSCN::NextSequenceLetter() {
    // The user-interface thread and the receive thread both take letters.
    char current = m_chSequence;
    char next;
    do {
        next = current;
        devices::NextSequenceLetter(next);
    } while (!m_chSequence.compare_exchange_weak(current, next));
    return next;
}

std::optional<int> CDevicePrinterMitosaSCN::Ask(std::uint32_t nStringId, std::uint32_t style) {
    const std::uint64_t generation = m_nGeneration;
    std::unique_lock<std::mutex>* lock = m_pCouponLock;
    std::vector<std::pair<std::string, bool>> out = TakeOutbox();
    if (lock) lock->unlock();
    SendEach(out);
    int answer;
    {
        core::CQuestionCancel cancel(&ThreadStopEvent());
        answer = core::AskOperator(core::LoadVekaString(nStringId), style);
    }
    if (lock) lock->lock();
    if (generation != m_nGeneration || !ReceiveFromDeviceThreadIsRunning()) return std::nullopt;
    return answer;
}

void CDevicePrinterMitosaSCN::PrintCoupon(const std::string& coupon) {
    SetDeviceState(core::DEVICE_ONLINE_BUSY);
    m_eMessageKind = KIND_COUPON;
    {
        std::lock_guard lock(m_csReceiveBuffer);
        m_ReceiveBuffer.clear();
    }
    MsgToATB2Create(coupon);
    WakeBoth();
    SetDeviceState(core::DEVICE_ONLINE_BUSY);
}

void CDevicePrinterMitosaSCN::FinishJob(char cStatus, const std::string& strDMessage,
                                        bool bHoldAck) {
    m_bAwaitingReply = false;
    m_pHost->SetDeviceStatus(cStatus);
    const std::string ack = m_pHost->MsgAckToHostCreate();
    TRACE_FORMAT(0, "CDevicePrinterMitosaSCN::ProcessMessageFromDevice():", "DMessage %s",
                 strDMessage.c_str());
    if (bHoldAck) {
        ResetPrinterLocked();
        m_pending.HoldAck(ack);
        QueueToHost(strDMessage, true);
    } else {
        QueueToHost(ack, false);
        QueueToHost(strDMessage, true);
        ResetPrinterLocked();
    }
}

}  // namespace devices
