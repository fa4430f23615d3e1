#include "devices/DeviceQueuePrt.h"

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "devices/EnumPrinters.h"
#include "platform/Time.h"
#include "spooler/Spooler.h"

namespace devices {

namespace {

constexpr const char* kSend = "CDeviceQueuePrt::SendToDevice():";

}  // namespace

CDeviceQueuePrt::CDeviceQueuePrt(const std::string& strDeviceKey) {
    TRACE_FORMAT(0, "CDeviceQueuePrt::CDeviceQueuePrt(..):", "Construct '%s'",
                 strDeviceKey.c_str());
    std::string strType, strName, strTerminator;
    std::uint32_t dwInsertLineFeed = 0;
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("Printer Name", m_strPrinterName);
        key.Read("Queue Name", m_strQueueName);
        key.Read("Insert Line Feed", dwInsertLineFeed);
        key.BuildTerminator();
        key.Read("Terminator Data", strTerminator);
        bFailed = key.AnyFailed();
        // A missing column offset alone keeps the device's own values.
        key.Read("Column Offset", m_dwColumnOffset);
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("Queue"));
        defaults.ReadIfUnset("Device Type", strType);
        defaults.ReadIfUnset("Device Name", strName);
        defaults.ReadIfUnset("Printer Name", m_strPrinterName);
        defaults.ReadIfUnset("Queue Name", m_strQueueName);
        defaults.ReadIfUnset("Insert Line Feed", dwInsertLineFeed);
        defaults.ReadIfUnset("Terminator Data", strTerminator);
    }
    m_offset = CColumnOffset(m_dwColumnOffset);
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    if (!StartSendThread([this] {
            core::CSendLoopStyle style;
            style.bOfflineOnlySleeps = true;
            SendToDeviceThreadLoop(style);
        })) {
        SetLastError(TRACE_LAST_ERROR("CDeviceQueuePrt::CDeviceQueuePrt(..): AfxBeginThread():"));
    }
}

CDeviceQueuePrt::~CDeviceQueuePrt() {
    TRACE_FORMAT(0, "CDeviceQueuePrt::~CDeviceQueuePrt():", "Destruct '%s'",
                 m_strDeviceKey.c_str());
    StopThreads();
    // A message cut short by the shutdown still prints what was written of it.
    PrinterRelease();
}

void CDeviceQueuePrt::OnHostReceive() {
    OnHostReceiveCommon();
}

bool CDeviceQueuePrt::Fail(const std::string& text) {
    // What the spooler acknowledged of the message still prints; the first failure is the
    // one the device reports.
    static_cast<void>(EndJob());
    SetLastError(text);
    return false;
}

bool CDeviceQueuePrt::SendToDevice() {
    const char* const key = m_strDeviceKey.c_str();
    std::string text;
    int iType = 0;
    m_MessageBufferQueue.GetHead(text, iType, true);
    const bool bLast = iType != 0;
    const std::string out = m_offset.Rewrite(text, bLast);
    m_timeSendToDevice = platform::CurrentTime();

    TRACE_FORMAT(0, kSend, "'%s', System Printer Name='%s', Port='%s'", key,
                 m_strPrinterName.c_str(), m_strQueueName.c_str());
    if (m_strPrinterName.empty()) {
        return Fail(TRACE_FORMAT(2, kSend, "System Printer name is empty"));
    }
    if (!PrinterExists(m_strPrinterName)) {
        return Fail(
            TRACE_FORMAT(2, kSend, "System Printer %s does not exist", m_strPrinterName.c_str()));
    }
    std::string error;
    if (!m_pJob) {
        m_pJob = spooler::Spooler().StartJob(m_strPrinterName, m_strDeviceKey,
                                             spooler::DocumentFormat::Raw, error);
        if (!m_pJob) {
            return Fail(TRACE_FORMAT(
                2, "CDeviceQueuePrt::SendToDevice(): ::StartDocPrinter():", "%s", error.c_str()));
        }
    }
    TRACE_FORMAT(0, kSend, "Length=%d", static_cast<int>(out.size()));
    const auto* data = reinterpret_cast<const std::uint8_t*>(out.data());
    if (!m_pJob->Write({data, out.size()}, error)) {
        return Fail(TRACE_FORMAT(2, "CDeviceQueuePrt::SendToDevice(): ::WritePrinter():", "%s",
                                 error.c_str()));
    }
    CountDeviceSent(out.size());
    TRACE_FORMAT(0, kSend, "'%s', Written to System device:", key);
    TraceLog().TraceData(0, data, static_cast<int>(out.size()));
    TRACE_FORMAT(0, kSend, "'%s', Length=%d, Sent=%d", key, static_cast<int>(out.size()),
                 static_cast<int>(out.size()));
    if (!bLast) return true;
    TRACE_FORMAT(0, kSend, "'%s', Last buffer in message", key);
    return EndJob();
}

bool CDeviceQueuePrt::EndJob() {
    if (!m_pJob) return true;
    std::string error;
    const bool bDone = m_pJob->Finish(error);
    m_pJob.reset();
    if (!bDone) {
        SetLastError(TRACE_FORMAT(2, "CDeviceQueuePrt::SendToDevice(): ::EndDocPrinter():", "%s",
                                  error.c_str()));
    }
    return bDone;
}

void CDeviceQueuePrt::PrinterRelease() {
    TRACE_FORMAT(0, "CDeviceQueuePrt::PrinterRelease():", "'%s'", m_strDeviceKey.c_str());
    static_cast<void>(EndJob());
}

void CDeviceQueuePrt::SendToDeviceOutputOver(core::eTimeOutResult eResult) {
    if (eResult == core::TIMEOUT_INCOMPLETE_MSG) PrinterRelease();
    SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
}

}  // namespace devices
