#include "devices/DevicePassport.h"

#include <cstdio>
#include <mutex>

#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "devices/PassportZone.h"
#include "platform/Path.h"

namespace devices {

namespace {

constexpr const char* kRouteKey = "SOFTWARE\\The TREVO Group\\Common TREVO API\\Routes\\Zel Route";
constexpr const char* kLabel = "CDevicePassport::CDevicePassport(...):";

std::mutex g_csWindow;
std::shared_ptr<IPassportWindow> g_pWindow;

}  // namespace

void SetPassportWindow(std::shared_ptr<IPassportWindow> pWindow) {
    std::lock_guard lock(g_csWindow);
    g_pWindow = std::move(pWindow);
}

std::shared_ptr<IPassportWindow> GetPassportWindow() {
    std::lock_guard lock(g_csWindow);
    return g_pWindow;
}

CDevicePassport::CDevicePassport(const std::string& strDeviceKey) {
    TRACE_FORMAT(0, kLabel, "Construct '%s'", strDeviceKey.c_str());
    std::uint32_t dwVorsHost = 0;
    {
        CDeviceKey route(kRouteKey);
        route.Read("VORS Host", dwVorsHost);
    }
    m_bRawMode = dwVorsHost == 1;
    std::string strType, strName, strEmulation, strFlow, strParity, strStop;
    std::uint32_t dwBaud = 0, dwData = 0;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("Port", m_strPort);
        if (m_strPort.compare(0, 3, "COM") == 0) {
            key.Read("Baud Rate", dwBaud);
            key.Read("Data Bits", dwData);
            key.Read("Emulation", strEmulation);
            key.Read("Flow Control", strFlow);
            key.Read("Parity", strParity);
            key.Read("Stop Bits", strStop);
            key.Read("File Name", m_strFileName);
        }
    }
    // The reader works at 9600 8N1 with Xon/Xoff; the configured values are only noted.
    TRACE_FORMAT(0, kLabel, "'%s', Port=%s configured %u,%u,%s,%s (used 9600,8,NONE,1)",
                 strDeviceKey.c_str(), m_strPort.c_str(), dwBaud, dwData, strParity.c_str(),
                 strStop.c_str());
    const bool bOpen = m_strPort.compare(0, 3, "COM") == 0 && OpenPort();
    PreCreateDevice(strDeviceKey, strName, "", strType, nullptr);
    if (!bOpen) SetLastError("Failed to open " + m_strPort);
    if (!StartReceiveThread([this] { ReadThread(); }))
        SetLastError(TRACE_LAST_ERROR("CDevicePassport::CDevicePassport(...): AfxBeginThread():"));
}

CDevicePassport::~CDevicePassport() {
    TRACE_FORMAT(0, "CDevicePassport::~CDevicePassport():", "Destruct '%s'",
                 m_strDeviceKey.c_str());
    if (m_pLine) m_pLine->Cancel();
    StopThreads();
    ClosePort();
}

bool CDevicePassport::OpenPort() {
    std::unique_ptr<platform::SerialLine> line =
        platform::CurrentPortBackend().OpenSerial(m_strPort);
    if (!line) {
        TRACE_LAST_ERROR("CDevicePassport::OpenPort(): CreateFile():");
        return false;
    }
    platform::Dcb dcb;
    dcb.BaudRate = 9600;
    dcb.fBinary = true;
    dcb.ByteSize = 8;
    dcb.Parity = platform::NOPARITY;
    dcb.StopBits = platform::ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 100;
    dcb.XoffLim = 100;
    dcb.fOutX = dcb.fInX = true;
    platform::CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = platform::MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kQuietMs;
    timeouts.WriteTotalTimeoutMultiplier = 19200 / 9600;
    if (!line->SetCommMask(platform::EV_RXCHAR) || !line->SetupComm(4096, 4096) ||
        !line->PurgeComm(platform::PURGE_TXABORT | platform::PURGE_RXABORT |
                         platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR) ||
        !line->SetCommTimeouts(timeouts) || !line->SetCommState(dcb)) {
        TRACE_LAST_ERROR("CDevicePassport::OpenPort(): SetCommState():");
        return false;
    }
    static_cast<void>(line->EscapeCommFunction(platform::SETDTR));
    m_pLine = std::move(line);
    return true;
}

void CDevicePassport::ClosePort() {
    if (!m_pLine) return;
    static_cast<void>(m_pLine->SetCommMask(0));
    static_cast<void>(m_pLine->EscapeCommFunction(platform::CLRDTR));
    static_cast<void>(m_pLine->PurgeComm(platform::PURGE_TXABORT | platform::PURGE_RXABORT |
                                         platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR));
    m_pLine.reset();
}

void CDevicePassport::ReadThread() {
    // A box about a file error ends when the device is shut down.
    core::CQuestionCancel cancel(&ThreadStopEvent());
    std::string document;
    char block[kReadBlock];
    while (m_pLine && ReceiveFromDeviceThreadIsRunning()) {
        platform::DWORD nRead = 0;
        if (!m_pLine->ReadFile(block, sizeof block, nRead)) break;  // cancelled or failed
        if (nRead > 0) {
            const std::size_t room = kDocumentLimit - document.size();
            document.append(block, nRead < room ? nRead : room);
            continue;
        }
        if (document.empty()) continue;
        HandleDocument(document);
        ++m_nDocuments;
        document.clear();
    }
}

void CDevicePassport::HandleDocument(const std::string& buffer) {
    if (m_bRawMode) {
        HandOver(RawPassport(buffer));
        return;
    }
    CPassportFields fields;
    const int result = ParsePassportZone(buffer, fields);
    if (result != PASSPORT_OK) {
        TRACE_FORMAT(0, "CDevicePassport::ParseMRZ():", "'%s', Not a document (%d)",
                     m_strDeviceKey.c_str(), result);
        return;
    }
    HandOver(FormatPassport(fields));
}

void CDevicePassport::HandOver(const std::string& text) {
    if (!m_strFileName.empty() && m_strFileName != ".") {
        const std::string path = platform::MapPath(m_strFileName).string();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        char message[600];
        if (!file) {
            std::snprintf(message, sizeof message, "Error in Opening the File : %s",
                          m_strFileName.c_str());
            TRACE_STRING(2, "CDevicePassport::HandOver():", message);
            core::OperatorMessageBox(message, "Error", core::MB_SYSTEMMODAL_OK);
        } else {
            const bool bWritten = std::fwrite(text.data(), 1, text.size(), file) == text.size();
            const bool bFlushed = std::fflush(file) == 0;
            const bool bClosed = std::fclose(file) == 0 && bFlushed;
            if (!bWritten || !bClosed) {
                std::snprintf(message, sizeof message, "Error in writing the File : %s",
                              m_strFileName.c_str());
                TRACE_STRING(2, "CDevicePassport::HandOver():", message);
                core::OperatorMessageBox(message, "Error", core::MB_SYSTEMMODAL_OK);
            }
        }
    }
    const std::shared_ptr<IPassportWindow> window = GetPassportWindow();
    if (!window) return;
    for (const char c : text) {
        if (!window->SendChar(static_cast<std::uint8_t>(c))) {
            TRACE_FORMAT(0, "CDevicePassport::HandOver():", "'%s', The window is gone",
                         m_strDeviceKey.c_str());
            std::lock_guard lock(g_csWindow);
            if (g_pWindow == window) g_pWindow.reset();
            return;
        }
    }
}

}  // namespace devices
