#include "core/CommKDM.h"

#include <algorithm>

#include "core/TraceLog.h"
#include "formjet/Formjet.h"
#include "platform/Time.h"

namespace core {

namespace {
constexpr const char* kLabel = "CommKDM";
}  // namespace

CCommKDM::CCommKDM(const std::string& strFormName, const std::string& strPrinterName, int iMode)
    : m_iMode(iMode), m_strFormName(strFormName), m_strPrinterName(strPrinterName) {
    TRACE_FORMAT(0, kLabel, "CCommKDM::CCommKDM():%s Form=%s Mode=%i", m_strPrinterName.c_str(),
                 m_strFormName.c_str(), m_iMode);
}

CCommKDM::~CCommKDM() {
    TRACE_FORMAT(0, kLabel, "CCommKDM::~CCommKDM():%s", m_strPrinterName.c_str());
    if (m_hPrinter) static_cast<void>(ClosePort());
}

void CCommKDM::PrintErrorMsg(const std::string& strCaller) {
    const std::uint32_t code = FormjetGetLastError();
    char text[0x900] = {};
    FormjetFormatMessage(code, text, sizeof text);
    TRACE_FORMAT(2, kLabel, "CCommKDM::PrintErrorMsg Called from %s Error = %s", strCaller.c_str(),
                 text);
}

int CCommKDM::OpenPort() {
    const char* name = m_strPrinterName.c_str();
    FORMJET_HANDLE h = nullptr;
    if (!PrinterOpen(name, &h)) {
        const std::uint32_t code = FormjetGetLastError();
        char text[256] = {};
        FormjetFormatMessage(code, text, sizeof text);
        TRACE_FORMAT(2, kLabel, "CCommKDM::OpenPort():PrinterOpen Port = %s Failed :(%s)", name,
                     name);
        SetLastError(TRACE_FORMAT(2, kLabel, "Error = %u(%s)", code, text));
        return 0;
    }
    TRACE_FORMAT(0, kLabel, "CCommKDM::OpenPort():PrinterOpen Successfull (%s)", name);
    // A session that cannot be made ready closes the printer again: no half-open handle
    // outlives OpenPort.
    auto giveUp = [&] {
        if (!PrinterClose(h))
            TRACE_FORMAT(2, kLabel, "CCommKDM::OpenPort(): PrinterClose():failed");
        return 0;
    };
    if (!PrinterStartSession(h)) {
        SetLastError(TRACE_FORMAT(2, kLabel,
                                  "CCommKDM::OpenPort():PrinterStartSession(%s) Error = %u ", name,
                                  FormjetGetLastError()));
        return giveUp();
    }
    if (m_iMode == kModeHostName) {
        const FORMJET_NAME_RECORD host{kHostName};
        if (!AEASetHost(h, &host)) {
            SetLastError(
                TRACE_FORMAT(2, kLabel, "CCommKDM::OpenPort():()::AEASetHost (%s)Failed ", name));
            static_cast<void>(PrinterEndSession(h));
            return giveUp();
        }
        TRACE_FORMAT(0, kLabel, "CCommKDM::OpenPort():()::AEASetHost(%s) SuccessFull ", name);
    }
    m_hPrinter = h;
    TRACE_FORMAT(0, kLabel,
                 "CCommKDM::OpenPort():PrinterStartSession()::(%s) Printer Session Started", name);
    SetPortState(PORT_OPEN);
    return 1;
}

int CCommKDM::ConfigurePort() {
    if (m_iMode != kModeHostName) {
        const std::string form = m_strFormName.substr(0, 260);
        const FORMJET_NAME_RECORD record{form.c_str()};
        if (!PrinterSetForm(m_hPrinter, 1, &record)) {
            SetLastError(TRACE_FORMAT(2, kLabel,
                                      "CCommKDM::ConfigureComPort():PrinterSetForm Failed(%s)",
                                      m_strPrinterName.c_str()));
            PrintErrorMsg("CCommKDM::ConfigureComPort()");
            return 0;
        }
        TRACE_FORMAT(0, kLabel, "CCommKDM::ConfigureComPort():PrinterSetForm():: Successfull(%s)",
                     m_strPrinterName.c_str());
    }
    SetPortState(PORT_AVAILABLE);
    return 1;
}

int CCommKDM::WritePort(const CMessageBuffer& buffer) {
    if (buffer.Length() == 0) {
        TRACE_FORMAT(0, kLabel, "%s Buffer is empty", m_strPrinterName.c_str());
        return 1;
    }
    const std::span<const std::uint8_t> data = buffer.Data();
    std::uint32_t nWritten = 0;
    auto nRemaining = static_cast<std::uint32_t>(data.size());
    if (m_bResumeWrite.exchange(false) && m_nWritten + m_nRemaining == data.size() &&
        std::equal(data.begin(), data.end(), m_resumeData.begin(), m_resumeData.end())) {
        nWritten = m_nWritten;
        nRemaining = m_nRemaining;
    }
    m_resumeData.clear();
    std::uint64_t deadline = platform::GetTickCount64() + kWriteSeconds * 1000;
    bool bSecondChance = false;
    for (;;) {
        if (!WriteStep(data.data(), nWritten, nRemaining)) return 0;
        if (nRemaining == 0) return 1;
        if (platform::GetTickCount64() < deadline) continue;
        if (!bSecondChance) {
            TRACE_FORMAT(2, kLabel, "%s Timeout - Second Chance", m_strPrinterName.c_str());
            bSecondChance = true;
            m_nWritten = nWritten;
            m_nRemaining = nRemaining;
            m_resumeData.assign(data.begin(), data.end());
            m_bResumeWrite = true;
            deadline = platform::GetTickCount64() + kWriteSeconds * 1000;
            continue;
        }
        SetLastError(TRACE_FORMAT(2, kLabel, "Timeout when writing to device"));
        m_bResumeWrite = false;
        m_nWritten = m_nRemaining = 0;
        m_resumeData.clear();
        return 0;
    }
}

int CCommKDM::WriteStep(const std::uint8_t* data, std::uint32_t& nWritten,
                        std::uint32_t& nRemaining) {
    m_iWritePending = 1;
    m_iReadStarted = 1;
    TRACE_FORMAT(0, kLabel, "Entering PrinterWrite()");
    const int ok = PrinterWrite(m_hPrinter, data + nWritten, nRemaining);
    TRACE_FORMAT(0, kLabel, "Exited PrinterWrite()");
    if (!ok) {
        if (FormjetGetLastError() == FORMJET_IO_PENDING) {
            SetLastError(TRACE_FORMAT(2, kLabel, "IO_PENDING, %s", m_strPrinterName.c_str()));
        } else {
            SetLastError(
                TRACE_FORMAT(2, kLabel, "CCommKDM::WritePortOutput(): PrinterWrite failed"));
            PrintErrorMsg("CCommKDM::WritePortOutput()");
        }
        return 0;
    }
    TRACE_FORMAT(0, kLabel, "PrinterWrite():: Successfully Written to the printer");
    TRACE_FORMAT(0, kLabel, "CCommKDM::WritePortOutput(): AOK ");
    nWritten += nRemaining;
    nRemaining = 0;
    m_iWritePending = 0;
    return 1;
}

int CCommKDM::ReadPortWaitForReceive(int iTimeout) const {
    return iTimeout == 0 ? 0 : m_iWritePending.load();
}

int CCommKDM::ReadPort(CMessageBuffer& buffer) {
    m_iReadStarted = 0;
    std::uint8_t data[kReadSize];
    std::uint32_t nRead = 0;
    TRACE_FORMAT(0, kLabel, "Entering PrinterRead()");
    const int ok = PrinterRead(m_hPrinter, data, kReadSize, &nRead);
    TRACE_FORMAT(0, kLabel, "Exited PrinterRead()");
    if (!ok || nRead == 0) {
        TRACE_FORMAT(0, kLabel, "CCommKDM::ReadPort():Failed");
        PrintErrorMsg("CCommKDM::ReadPort()");
        return 0;
    }
    nRead = std::min(nRead, kReadSize);
    buffer.AppendData(std::span<const std::uint8_t>(data, nRead));
    TRACE_FORMAT(0, kLabel, "%i bytes read: Buffer Read:", static_cast<int>(nRead));
    TraceLog().TraceData(0, data, static_cast<int>(nRead));
    return 1;
}

int CCommKDM::ClosePort() {
    if (m_hPrinter) {
        if (!PrinterEndSession(m_hPrinter)) {
            TRACE_FORMAT(0, kLabel, "CCommKDM::ClosePort(): ::CloseHandle():");
        } else {
            TRACE_FORMAT(0, kLabel,
                         "CCommKDM::ClosePort():PrinterSessionClose():: PrinterSessionClosed");
        }
        if (!PrinterClose(m_hPrinter)) {
            SetLastError(TRACE_FORMAT(2, kLabel, "CCommKDM::ClosePort() ::CloseHandle():"));
            return 0;
        }
        TRACE_FORMAT(0, kLabel, "CCommKDM::ClosePort():PrinterClose() ::Printer Closed");
        m_hPrinter = nullptr;
    }
    SetPortState(PORT_CLOSED);
    return 1;
}

int CCommKDM::EndSession() {
    if (PrinterEndSession(m_hPrinter)) return 1;
    PrintErrorMsg("PrinterEndSession");
    return 0;
}

int CCommKDM::EjectForm() {
    if (PrinterEjectForm(m_hPrinter)) return 1;
    PrintErrorMsg("PrinterEjectForm");
    return 0;
}

int CCommKDM::ReadStockCode(std::string& code) {
    char text[200] = {};
    if (!PrinterReadStockCode(m_hPrinter, text, sizeof text)) return 0;
    code = text;
    return 1;
}

int CCommKDM::ReadBarCode(std::string& code) {
    char text[200] = {};
    if (!PrinterReadBarCode(m_hPrinter, text, sizeof text)) return 0;
    code = text;
    return 1;
}

int CCommKDM::WriteRaw(const std::uint8_t* data, std::uint32_t length) {
    return PrinterWrite(m_hPrinter, data, length);
}

void CCommKDM::SetPortState(int eState) {
    std::lock_guard lock(m_csPortState);
    switch (eState) {
        case PORT_OPEN:
            TRACE_FORMAT(0, kLabel, "PORT_OPEN");
            break;
        case PORT_AVAILABLE:
            TRACE_FORMAT(0, kLabel, "PORT_AVAILABLE");
            break;
        case PORT_CLOSED:
            TRACE_FORMAT(0, kLabel, "PORT_CLOSED");
            break;
        default:
            TRACE_FORMAT(2, kLabel, "Invalid ePortState=%i", eState);
            break;
    }
    m_ePortState = static_cast<ePortState>(eState);
}

ePortState CCommKDM::GetPortState() const {
    std::lock_guard lock(m_csPortState);
    return m_ePortState;
}

void CCommKDM::SetLastError(const std::string& text) {
    std::lock_guard lock(m_csLastError);
    m_strLastError = text;
}

std::string CCommKDM::GetLastError() const {
    std::lock_guard lock(m_csLastError);
    return m_strLastError;
}

}  // namespace core
