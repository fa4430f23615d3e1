#include "devices/DevicePrinterKDM.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "devices/PrinterSessionToken.h"
#include "platform/Time.h"
#include "platform/Wait.h"

namespace devices {

namespace {

constexpr const char* kFormsKey =
    "Software\\The TREVO Group\\TREVODeviceManager\\Devices\\QT5200 Printer\\Forms\\";

bool IsCrLf(char c) {
    return c == '\r' || c == '\n';
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

CDevicePrinterKDM::CDevicePrinterKDM(const std::string& strDeviceKey)
    : CDevicePrinterKDM(strDeviceKey, "CDevicePrinterKDM", NoThreads{}) {
    StartThreads();
}

CDevicePrinterKDM::CDevicePrinterKDM(const std::string& strDeviceKey, const char* pszClass,
                                     NoThreads)
    : m_pszClass(pszClass) {
    ReadSettings(strDeviceKey, std::string(pszClass) == "CDevicePrinterKDM");
}

std::string CDevicePrinterKDM::Label(const std::string& method) const {
    return std::string(m_pszClass) + "::" + method + "():";
}

void CDevicePrinterKDM::ReadSettings(const std::string& strDeviceKey, bool bReadFFPresent) {
    std::string strType, strName, strTerminator;
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("Form", m_strForm);
        if (bReadFFPresent) key.Read("FFPresent", m_dwFFPresent);
        key.Read("FormType", m_dwFormType);
        key.Read("Device Alias", m_strDeviceAlias);
        key.Read("Insert Line Feed", m_dwInsertLineFeed);
        key.BuildTerminator();
        key.Read("Terminator Data", strTerminator);
        bFailed = key.AnyFailed();
    }
    {
        // The form's own value wins.
        CDeviceKey form(kFormsKey + m_strForm);
        if (form.IsOpen()) form.Read("Insert Line Feed", m_dwInsertLineFeed);
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("TREVO Printer"));
        defaults.ReadIfUnset("Device Type", strType);
        defaults.ReadIfUnset("Device Name", strName);
        defaults.ReadIfUnset("Form", m_strForm);
        defaults.ReadIfUnset("Device Alias", m_strDeviceAlias);
        defaults.Read("FormType", m_dwFormType);
        if (bReadFFPresent && m_strDeviceAlias.empty()) defaults.Read("FFPresent", m_dwFFPresent);
        defaults.ReadIfUnset("Insert Line Feed", m_dwInsertLineFeed);
        defaults.ReadIfUnset("Terminator Data", strTerminator);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%02d    ", static_cast<int>(m_dwFormType % 100));
    m_strFormType = text;
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, m_dwInsertLineFeed != 0, strTerminator, strSession);
    if (pHost) pHost->m_bPrinterSessionDevice = true;
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    m_pComm = std::make_unique<core::CCommKDM>(m_strForm, m_strDeviceAlias, 1);
    if (m_pHost) m_pHost->SetDeviceStatus(core::NORMAL_STATUS);
}

void CDevicePrinterKDM::StartThreads() {
    if (!StartSendThread([this] { SendThread(); }))
        SetLastError(TRACE_LAST_ERROR(Label(m_pszClass) + " AfxBeginThread():"));
}

CDevicePrinterKDM::~CDevicePrinterKDM() {
    const std::string label = Label(std::string("~") + m_pszClass);
    TRACE_FORMAT(0, label, "'%s'", m_strDeviceKey.c_str());
    StopThreads();
    try {
        CloseSession();
    } catch (const std::exception& e) {
        TRACE_EXCEPTION(e, label, "Exception:");
    }
}

// --- Host messages ----------------------------------------------------------------------

core::eDeviceAction CDevicePrinterKDM::ReceiveFromHostKDM() {
    if (!m_pHost) return core::IGNORE_BUFFER_FROM_HOST;
    m_pHost->m_bResetReceived = false;
    std::string text;
    if (!ReceiveMessageFromHost(text)) {
        SetDeviceState(core::DEVICE_OFFLINE);
        return core::IGNORE_BUFFER_FROM_HOST;
    }
    // The judge also sets the segment flags that the send thread reads.
    const core::eDeviceAction verdict = m_pHost->MsgFromHost(text);
    if (verdict == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
        m_MessageBufferQueue.AddString(text, m_pHost->IsCompleteMessage() ? 1 : 0);
    }
    return verdict;
}

void CDevicePrinterKDM::OnHostReceive() {
    switch (ReceiveFromHostKDM()) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            SendToDeviceThreadWakeUp(true);
            if (m_pHost && m_pHost->g_iFirstSegment) {
                m_pHost->SetDeviceStatus(core::REQUEST_FOR_TEMPORARY_HOLD);
                SendToHost(m_pHost->MsgAckToHostCreateTNV(core::REQUEST_FOR_TEMPORARY_HOLD));
            }
            break;
        case core::ACK_HOST_ONLY:
            if (m_pHost) SendToHost(m_pHost->MsgAckToHostCreate());
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::IGNORE_BUFFER_FROM_HOST:
            if (m_pHost && m_pHost->m_bProtectedRejected.exchange(false)) {
                SendToHost(m_pHost->RequestForHostReset());
            }
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::REPEAT_ACK_TO_HOST:
            if (m_pHost) {
                m_pHost->SetDeviceStatus(core::TSN_OUT_OF_SEQUENCE);
                SendToHost(m_pHost->MsgAckToHostCreate());
            }
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

// --- The session ------------------------------------------------------------------------

bool CDevicePrinterKDM::OpenSession() {
    std::lock_guard lock(m_csDevice);
    m_bSessionOpen = false;
    platform::Sleep(100);
    if (m_pComm->GetPortState() == core::PORT_CLOSED) {
        TRACE_FORMAT(0, Label("SendToDevice"), "'%s', Before EnterCriticalSection(g_crt)",
                     m_strDeviceKey.c_str());
        if (!CPrinterSessionToken::Shared().Take(this,
                                                 [this] { return !SendToDeviceThreadIsRunning(); }))
            return false;
        TRACE_FORMAT(0, Label("SendToDevice"), "'%s', After EnterCriticalSection(g_crt)",
                     m_strDeviceKey.c_str());
        if (!m_pComm->OpenPort()) {
            SetLastError(m_pComm->GetLastError());
            CPrinterSessionToken::Shared().Give(this);
            return false;
        }
        if (!m_pComm->ConfigurePort()) {
            static_cast<void>(m_pComm->EndSession());
            SetLastError(m_pComm->GetLastError());
            static_cast<void>(m_pComm->ClosePort());
            CPrinterSessionToken::Shared().Give(this);
            return false;
        }
    }
    if (m_pComm->GetPortState() == core::PORT_AVAILABLE) m_bSessionOpen = true;
    return true;
}

bool CDevicePrinterKDM::CloseSession() {
    std::lock_guard lock(m_csDevice);
    if (m_pComm->GetPortState() != core::PORT_CLOSED) {
        static_cast<void>(m_pComm->EndSession());
        if (!m_pComm->ClosePort()) {
            SetLastError(m_pComm->GetLastError());
            CPrinterSessionToken::Shared().Give(this);
            return false;
        }
        CPrinterSessionToken::Shared().Give(this);
        SetDeviceStateUnlessOffline(core::DEVICE_ONLINE_AVAILABLE);
    }
    m_bSessionOpen = false;
    return true;
}

void CDevicePrinterKDM::AbandonSession() {
    std::lock_guard lock(m_csDevice);
    static_cast<void>(m_pComm->EndSession());
    if (!m_pComm->ClosePort()) SetLastError(m_pComm->GetLastError());
    m_bSessionOpen = false;
    CPrinterSessionToken::Shared().Give(this);
}

// --- White space ------------------------------------------------------------------------

void CDevicePrinterKDM::StripTopLF(std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && IsCrLf(text[start])) ++start;
    text.erase(0, start);
    std::size_t end = text.size();
    while (end > 0 && IsCrLf(text[end - 1]) && text.size() - end < kWhiteSpaceArea - 1) --end;
    // Held last byte first.
    m_strCurrWhiteSpace.assign(text.rbegin(),
                               text.rbegin() + static_cast<std::ptrdiff_t>(text.size() - end));
    text.resize(end);
}

void CDevicePrinterKDM::CollectWS(std::string& text) {
    m_strTopWhiteSpace.clear();
    std::size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1]) && text.size() - end < kWhiteSpaceArea - 1) --end;
    m_strCurrWhiteSpace = text.substr(end);
    text.resize(end);
    TRACE_FORMAT(0, Label("CollectWS"), "'%s'", m_strDeviceKey.c_str());
}

void CDevicePrinterKDM::StripBottomLF(std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) --end;
    text.resize(end);
    TRACE_FORMAT(0, Label("StripBottomLF"), "'%s'", m_strDeviceKey.c_str());
}

void CDevicePrinterKDM::RestoreWS(std::string& text) {
    if (m_pHost && !m_pHost->g_iLastSegment) {
        std::size_t start = 0;
        while (start < text.size() && IsCrLf(text[start]) && start < kWhiteSpaceArea - 1) ++start;
        m_strTopWhiteSpace = text.substr(0, start);
        text.erase(0, start);
        TRACE_FORMAT(
            0, Label(std::string(m_pszClass) == "CDevicePrinterKDM" ? "StripTopLF" : "StripTopLF1"),
            "'%s'", m_strDeviceKey.c_str());
    }
    m_strPrevWhiteSpace = (m_strTopWhiteSpace + m_strPrevWhiteSpace).substr(0, kWhiteSpaceArea - 1);
    text.insert(0, m_strPrevWhiteSpace);
    TRACE_FORMAT(0, Label("RestoreWS"), "'%s'", m_strDeviceKey.c_str());
}

// --- Printing ---------------------------------------------------------------------------

bool CDevicePrinterKDM::CheckBeforePrint(std::string&) {
    if (m_pHost->g_iFirstSegment && m_dwFFPresent == 1 &&
        (m_strForm == "A4 FF Bar" || m_strForm == "8.5x11 FF Bar")) {
        std::string code;
        static_cast<void>(m_pComm->ReadStockCode(code));  // never fails the print
    }
    return true;
}

bool CDevicePrinterKDM::SendToDevice() {
    const std::string label = Label("SendToDevice");
    const char* key = m_strDeviceKey.c_str();
    core::CMessageBuffer* head = TakeHeadBuffer();
    if (!head || !m_pHost) return true;
    if (!OpenSession()) {
        ReleaseHeadBuffer();
        return false;
    }
    const auto bytes = head->Data();
    if (bytes.size() >= kWorkArea) {
        SetLastError(TRACE_FORMAT(2, label, "'%s', %i bytes do not fit the work area", key,
                                  static_cast<int>(bytes.size())));
        ReleaseHeadBuffer();
        AbandonSession();
        return false;
    }
    std::string work(bytes.begin(), bytes.end());
    work.resize(work.find('\0') == std::string::npos ? work.size() : work.find('\0'));
    if (!CheckBeforePrint(work)) return false;

    if (m_pHost->g_iFirstSegment) {
        m_strPrevWhiteSpace.clear();
        TRACE_FORMAT(0, label, "'%s', BeforStripLF:", key);
        StripTopLF(work);
        TRACE_FORMAT(0, label, "'%s', AfterStripLF:", key);
        m_pHost->m_bFirstSegmentWhiteSpace = false;
    }
    if (m_pHost->m_bCollectWhiteSpace && !m_pHost->g_iFirstSegment) CollectWS(work);
    if (m_pHost->g_iFirstSegment) {
        m_strPrevWhiteSpace = m_strCurrWhiteSpace;
        m_pHost->g_iFirstSegment = false;
        m_strCurrWhiteSpace.clear();
    }
    if (m_pHost->g_iLastSegment) {
        m_strTopWhiteSpace.clear();
        StripBottomLF(work);
        RestoreWS(work);
    }
    if (m_pHost->g_iEverySegOAB && !m_pHost->g_iFirstSegment) {
        RestoreWS(work);
        m_strPrevWhiteSpace = m_strCurrWhiteSpace.substr(0, kWhiteSpaceArea);
    }
    // The processed text takes the head's place, so that it is what is written next.
    const int iType = m_pHost->IsCompleteMessage() ? 1 : 0;
    head->SetData(std::span(reinterpret_cast<const std::uint8_t*>(work.data()), work.size()),
                  iType);
    TRACE_FORMAT(0, "CCommKDM::WritePortOutput(): Buffer remaining:", "'%s'", key);

    bool bWritten = false;
    for (int i = 0; i < kWriteTries && SendToDeviceThreadIsRunning(); ++i) {
        if (m_pComm->WritePort(*head)) {
            bWritten = true;
            break;
        }
        platform::Sleep(1000);
    }
    if (!bWritten) {
        SetLastError(m_pComm->GetLastError());
        ReleaseHeadBuffer();
        AbandonSession();
        return false;
    }
    m_timeSendToDevice = platform::CurrentTime();
    CountDeviceSent(head->Length());
    if (head->Type() == 0) {
        TRACE_FORMAT(0, label, "'%s', Written intermediate buffer in message:", key);
        ReleaseHeadBuffer();
        return true;
    }
    if (WritesBlankContinuousFeeds() &&
        (m_strForm == "A4 Blank Continuous" || m_strForm == "8.5x11 Blank Continuous")) {
        static const std::uint8_t kFeeds[] = {'\n', '\n', '\n', '\0'};
        static_cast<void>(m_pComm->WriteRaw(kFeeds, sizeof kFeeds));
    }
    ReleaseHeadBuffer();
    if (!m_pComm->EjectForm()) {
        AbandonSession();
        return false;
    }
    TRACE_FORMAT(0, label, "'%s', Written last buffer in message:", key);
    return CloseSession();
}

void CDevicePrinterKDM::SendThread() {
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
            char cStatus = core::NORMAL_STATUS;
            if (!SendToDevice()) {
                cStatus = core::DEVICE_UNABLE_TO_ACCEPT_DATA;
                SetDeviceState(core::DEVICE_OFFLINE);
            }
            if (m_pHost) {
                m_pHost->SetDeviceStatus(cStatus);
                SendToHost(m_pHost->MsgAckToHostCreateTNV(cStatus));
            }
        }
        switch (SendToDeviceThreadTimeOut(false, 30)) {
            case core::TIMEOUT_INCOMPLETE_MSG:
                CloseSession();
                SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
                SendToDeviceThreadGoToSleep();
                break;
            case core::TIMEOUT_COMPLETE_MSG:
            case core::TIMEOUT_COMPLETE_MSG_IMMEDIATE:
                SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
                SendToDeviceThreadGoToSleep();
                break;
            case core::TIMEOUT_OFFLINE:
                SendToDeviceThreadGoToSleep();
                break;
            default:
                break;
        }
        static_cast<void>(platform::WaitForSingleObject(ThreadStopEvent(), 1));
    }
}

}  // namespace devices
