#include "devices/DeviceSystem.h"

#include <memory>

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "devices/EnumPrinters.h"
#include "platform/Time.h"
#include "spooler/Spooler.h"

namespace devices {

namespace {

std::string Label(const char* cls, const char* method) {
    return std::string(cls) + "::" + method + "():";
}

}  // namespace

CDeviceSystem::CDeviceSystem(const std::string& strDeviceKey)
    : m_pszClass("CDeviceSystem"), m_bFormFeed(false) {
    Construct(strDeviceKey);
}

CDeviceSystem::CDeviceSystem(const std::string& strDeviceKey, FormFeedAtEnd)
    : m_pszClass("CDeviceSystemFF"), m_bFormFeed(true) {
    Construct(strDeviceKey);
}

void CDeviceSystem::Construct(const std::string& strDeviceKey) {
    TRACE_FORMAT(0, std::string(m_pszClass) + "::" + m_pszClass + "(..):", "Construct '%s'",
                 strDeviceKey.c_str());
    std::string strType, strName, strTerminator;
    std::uint32_t dwInsertLineFeed = 0, dwTop = 0, dwBottom = 0, dwLeft = 0, dwRight = 0;
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
        read("Printer Name", m_strPrinterName);
        read("Insert Line Feed", dwInsertLineFeed);
        if (!bOnlyUnset) key.BuildTerminator();
        read("Terminator Data", strTerminator);
        read("Font", m_settings.strFont);
        read("Font Size", m_settings.strFontSize);
        read("PaperSize", m_dwPaperSize);
        read("Orientation", m_settings.dwOrientation);
        read("MarginTop", dwTop);
        read("MarginBottom", dwBottom);
        read("MarginLeft", dwLeft);
        read("MarginRight", dwRight);
    };
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        readAll(key, false);
        bFailed = key.AnyFailed();
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("Queue"));
        readAll(defaults, true);
    }
    m_settings.iMarginTop = static_cast<std::int32_t>(dwTop);
    m_settings.iMarginBottom = static_cast<std::int32_t>(dwBottom);
    m_settings.iMarginLeft = static_cast<std::int32_t>(dwLeft);
    m_iMarginRight = static_cast<std::int32_t>(dwRight);
    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    if (!StartSendThread([this] {
            core::CSendLoopStyle style;
            style.bOfflineOnlySleeps = true;
            SendToDeviceThreadLoop(style);
        })) {
        SetLastError(TRACE_LAST_ERROR(std::string(m_pszClass) + "::" + m_pszClass +
                                      "(..): AfxBeginThread():"));
    }
}

CDeviceSystem::~CDeviceSystem() {
    TRACE_FORMAT(0, Label(m_pszClass, "~CDeviceSystem"), "Destruct '%s'", m_strDeviceKey.c_str());
    StopThreads();
    // A message cut short by the shutdown prints what was drawn of it.
    if (m_printout.IsOpen()) static_cast<void>(EndPrinter());
}

void CDeviceSystem::OnHostReceive() {
    OnHostReceiveCommon();
}

void CDeviceSystemFF::OnHostReceive() {
    OnHostReceiveCommon(false);
}

bool CDeviceSystem::SendToDevice() {
    const std::string label = Label(m_pszClass, "SendToDevice");
    const char* const key = m_strDeviceKey.c_str();
    std::string text;
    int iType = 0;
    m_MessageBufferQueue.GetHead(text, iType, true);
    const bool bLast = iType != 0;
    m_timeSendToDevice = platform::CurrentTime();
    TRACE_FORMAT(0, label, "'%s', System Printer Name='%s', Port='%s'", key,
                 m_strPrinterName.c_str(), "");
    if (m_strPrinterName.empty()) {
        SetLastError(TRACE_FORMAT(2, label, "System Printer name is empty"));
        m_printout.Abandon();
        return false;
    }
    if (!PrinterExists(m_strPrinterName)) {
        SetLastError(
            TRACE_FORMAT(2, label, "System Printer %s does not exist", m_strPrinterName.c_str()));
        m_printout.Abandon();
        return false;
    }
    if (!m_printout.IsOpen() && !StartPrinter()) return false;
    TRACE_FORMAT(0, label, "Length=%d", static_cast<int>(text.size()));
    std::uint32_t dwSent = 0;
    if (!m_printout.Write(text, dwSent)) {
        SetLastError(TRACE_FORMAT(2, label + " ::WritePrinter():", "The page refused the text"));
        m_printout.Abandon();
        return false;
    }
    CountDeviceSent(text.size());
    TRACE_FORMAT(0, label, "'%s', Written to System device:", key);
    TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(text.data()),
                         static_cast<int>(text.size()));
    TRACE_FORMAT(0, label, "'%s', Length=%d, Sent=%d", key, static_cast<int>(text.size()),
                 static_cast<int>(dwSent));
    if (!bLast) return true;
    return EndPrinter();
}

bool CDeviceSystem::StartPrinter() {
    std::string strMedia;
    for (const spooler::Queue& q : spooler::Spooler().ListQueues())
        if (q.strName == m_strPrinterName) strMedia = q.strMediaDefault;
    if (!m_printout.Start(m_settings, strMedia)) {
        SetLastError(TRACE_FORMAT(
            2, Label(m_pszClass, "StartPrinter"), "szPrinterName=%s: no font '%s' for the page",
            m_strPrinterName.c_str(), CTextPrintout::FaceOf(m_settings).c_str()));
        return false;
    }
    TRACE_FORMAT(0, Label(m_pszClass, "StartDoc"), "StartDoc() szJob=%s", "VEKA");
    return true;
}

bool CDeviceSystem::EndPrinter() {
    std::string document;
    if (!m_printout.Finish(document)) {
        SetLastError(TRACE_FORMAT(2, Label(m_pszClass, "EndPrinter"), "The document failed"));
        return false;
    }
    if (!SpoolJob(document, true)) return false;
    return !m_bFormFeed || SpoolJob(std::string(1, '\x0C'), false);
}

bool CDeviceSystem::SpoolJob(const std::string& document, bool bPdf) {
    std::string error;
    std::unique_ptr<spooler::IJob> job = spooler::Spooler().StartJob(
        m_strPrinterName, "VEKA",
        bPdf ? spooler::DocumentFormat::Pdf : spooler::DocumentFormat::Raw, error);
    const auto* data = reinterpret_cast<const std::uint8_t*>(document.data());
    if (!job || !job->Write({data, document.size()}, error) || !job->Finish(error)) {
        SetLastError(TRACE_FORMAT(2, Label(m_pszClass, "StartDoc"), "nError=%d GetLastError()=%s",
                                  0, error.c_str()));
        return false;
    }
    return true;
}

void CDeviceSystem::PrinterRelease() {
    m_printout.Abandon();
}

void CDeviceSystem::SendToDeviceOutputOver(core::eTimeOutResult eResult) {
    if (eResult == core::TIMEOUT_INCOMPLETE_MSG) PrinterRelease();
    SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
}

}  // namespace devices
