#include "core/Comm.h"

#include <algorithm>
#include <cstdio>

#include "TimeText.h"
#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "core/Version.h"
#include "platform/Time.h"
#include "ports/LptLineservice.h"
#include "ports/PDM.h"

namespace core {

namespace {

constexpr const char* kLabel = "Comm";
constexpr std::uint32_t kWriteTimeoutMs = 1000;

CVersion& SharedVersion() {
    static CVersion version;
    return version;
}

}  // namespace

CCommSettings CComm::MapSettings(std::uint32_t dwDataBits, const std::string& strStopBits,
                                 const std::string& strFlowControl, const std::string& strParity) {
    CCommSettings s;
    s.dwDataBits = dwDataBits >= 4 && dwDataBits <= 8 ? dwDataBits : 8;
    if (strStopBits == "1.5")
        s.iStopBits = 1;
    else if (strStopBits == "2")
        s.iStopBits = 2;
    if (strFlowControl == "Hardware")
        s.iFlowControl = 1;
    else if (strFlowControl == "Xon/Xoff")
        s.iFlowControl = 2;
    if (strParity == "Even")
        s.iParity = 2;
    else if (strParity == "Odd")
        s.iParity = 1;
    else if (strParity == "Mark")
        s.iParity = 3;
    s.bRefused = (s.dwDataBits == 5 && s.iStopBits == 2) || (s.dwDataBits >= 6 && s.iStopBits == 1);
    return s;
}

CComm::CComm(const std::string& strPortName, std::uint32_t dwBaudRate, std::uint32_t dwDataBits,
             const std::string& strStopBits, const std::string& strEmulation,
             const std::string& strFlowControl, const std::string& strParity)
    : m_strPortName(strPortName),
      m_dwBaudRate(dwBaudRate),
      m_dwDataBits(dwDataBits),
      m_strStopBits(strStopBits),
      m_strEmulation(strEmulation),
      m_strFlowControl(strFlowControl),
      m_strParity(strParity) {
    TRACE_FORMAT(0, kLabel, "Construct '%s'", m_strPortName.c_str());
    if (IsCom()) {
        const CCommSettings s = MapSettings(dwDataBits, strStopBits, strFlowControl, strParity);
        if (s.bRefused) {
            char caption[128];
            std::snprintf(caption, sizeof caption, "%s COM PORT SETTINGS ERROR",
                          m_strPortName.c_str());
            OperatorMessageBox(
                "The use of 5 data bits with 2 stop bits is an invalid combination, as is 6, 7 "
                "or 8 data bits with 1.5 stop bits.",
                caption, MB_SYSTEMMODAL_OK | MB_ICONWARNING);
            return;
        }
        auto pdm = std::make_unique<PDM>(
            m_strPortName.c_str(), dwBaudRate, static_cast<ENUM_DATABITS>(s.dwDataBits),
            static_cast<ENUM_STOPBITS>(s.iStopBits), static_cast<ENUM_FLOWCONTROL>(s.iFlowControl),
            static_cast<ENUM_PARITY>(s.iParity));
        pdm->setReadIntervalTimeout(0xFFFFFFFFu);
        pdm->setWriteTotalTimeoutConstant(kWriteTimeoutMs);
        m_pLineservice = std::move(pdm);
    } else if (IsLpt()) {
        auto lpt = std::make_unique<LptLineservice>(m_strPortName.c_str());
        lpt->setReadIntervalTimeout(0xFFFFFFFFu);
        lpt->setWriteTotalTimeoutConstant(kWriteTimeoutMs);
        m_pLineservice = std::move(lpt);
    }
}

CComm::~CComm() {
    TRACE_FORMAT(0, kLabel, "Destruct '%s'", m_strPortName.c_str());
    if (m_pLineservice) static_cast<void>(m_pLineservice->closePort());
}

int CComm::PortOpen() {
    SetLastError(std::string());
    if (!m_pLineservice) {
        SetLastError(TRACE_FORMAT(2, kLabel, "CComm::PortOpen(): lineservice NULL:"));
        return 0;
    }
    if (!m_pLineservice->openPort()) {
        SetLastError(TRACE_FORMAT(2, kLabel, "CComm::PortOpen(): lineservice->openPort(): failed"));
        return 0;
    }
    m_readAhead.clear();
    SetPortState(PORT_OPEN);
    return 1;
}

int CComm::PortConfigure() {
    TRACE_FORMAT(0, kLabel, "%s PortConfigure", m_strPortName.c_str());
    SetPortState(PORT_AVAILABLE);
    return 1;
}

int CComm::PortClose() {
    if (!m_pLineservice) {
        SetLastError(TRACE_FORMAT(2, kLabel, "CComm::PortClose(): lineservice NULL"));
        return 0;
    }
    if (!m_pLineservice->closePort()) {
        SetLastError(TRACE_FORMAT(2, kLabel, "CComm::PortClose(): lineservice->closePort: failed"));
        return 0;
    }
    SetLastError(std::string());
    SetPortState(PORT_CLOSED);
    return 1;
}

int CComm::PortStatus() {
    if (!m_pLineservice) {
        SetLastError(TRACE_FORMAT(2, kLabel, "CComm::PortStatus(): lineservice NULL"));
        return 0;
    }
    const int ok = m_pLineservice->clearPortStatusError();
    char* status = m_pLineservice->getLastPortStatus();
    int result = 1;
    if (!ok) {
        if (status) {
            SetLastError(TRACE_FORMAT(
                2, kLabel, "CComm::PortStatus(): lineservice->clearPortStatusError: %s", status));
        } else {
            SetLastError(TRACE_FORMAT(2, kLabel, "%s%s",
                                      "CComm::PortStatus(): lineservice->clearPortStatusError(): ",
                                      "bad handle or ClearCommError() failed"));
        }
        result = 0;
    } else if (status) {
        SetLastError(TRACE_FORMAT(
            2, kLabel, "CComm::PortStatus(): lineservice->getLastPortStatus: %s", status));
    }
    ::operator delete(status);
    return result;
}

// --- Writing ----------------------------------------------------------------------------

int CComm::PortWrite(const CMessageBuffer& buffer) {
    if (buffer.Length() == 0) {
        TRACE_FORMAT(0, kLabel, "%s Buffer is empty", m_strPortName.c_str());
        return 1;
    }
    if (IsCom()) {
        const int result = WriteLoop(buffer);
        return result ? FlushStep() : result;
    }
    if (IsLpt()) return WriteLoop(buffer);
    SetLastError(TRACE_FORMAT(2, kLabel, "Unknown port '%s'", m_strPortName.c_str()));
    return 0;
}

int CComm::WriteLoop(const CMessageBuffer& buffer) {
    const std::span<const std::uint8_t> data = buffer.Data();
    const std::int64_t start = platform::CurrentTime();
    const std::uint64_t startMs = platform::GetTickCount64();
    const std::uint64_t deadlineMs = m_bFlushWrite ? startMs : startMs + kWriteSeconds * 1000;
    const std::int64_t timeOutAfter = m_bFlushWrite ? start : start + kWriteSeconds;

    // A write cut short goes on where it stopped, but only with the bytes it was writing.
    std::uint32_t nWritten = 0;
    auto nRemaining = static_cast<std::uint32_t>(data.size());
    if (m_bResumeWrite.exchange(false) && m_nWritten + m_nRemaining == data.size() &&
        std::equal(data.begin(), data.end(), m_resumeData.begin(), m_resumeData.end())) {
        nWritten = m_nWritten;
        nRemaining = m_nRemaining;
    }
    m_resumeData.clear();

    for (;;) {
        if (m_bAbortWrite) {
            TRACE_FORMAT(0, kLabel, "%s Write aborted", m_strPortName.c_str());
            m_nWritten = m_nRemaining = 0;
            return 0;
        }
        if (!WriteStep(data.data(), nWritten, nRemaining)) {
            TRACE_FORMAT(2, kLabel, " %s timeCurrent=%s timeTimeOutAfter=%s", m_strPortName.c_str(),
                         FormatTime(platform::CurrentTime()).c_str(),
                         FormatTime(timeOutAfter).c_str());
            return 0;
        }
        if (nRemaining == 0) return 1;
        if (platform::GetTickCount64() >= deadlineMs) {
            const std::int64_t now = platform::CurrentTime();
            TRACE_FORMAT(2, kLabel,
                         " %s Received=%d, timeCurrent=%s timeTimeOutAfter=%s timeSpan=%02i",
                         m_strPortName.c_str(), static_cast<int>(nWritten), FormatTime(now).c_str(),
                         FormatTime(timeOutAfter).c_str(), static_cast<int>(now - start));
            SetLastError(TRACE_FORMAT(2, kLabel, "Timeout when writing to device"));
            m_nWritten = nWritten;
            m_nRemaining = nRemaining;
            m_resumeData.assign(data.begin(), data.end());
            m_bResumeWrite = true;
            return 0;
        }
    }
}

int CComm::WriteStep(const std::uint8_t* data, std::uint32_t& nWritten, std::uint32_t& nRemaining) {
    const char* name = m_strPortName.c_str();
    if (IsLpt() && SharedVersion().GetOSVersion() == CVersion::VERSION_WIN95 && !PortStatus()) {
        return 1;  // the loop goes on until its deadline
    }
    if (!m_pLineservice) {
        SetLastError(TRACE_FORMAT(2, kLabel, "CComm::PortWriteOutput(): lineservice NULL:"));
        return 0;
    }
    TRACE_FORMAT(0, kLabel, "%s Entering WritePortT", name);
    std::uint32_t nNow = 0;
    // The library takes a non-const pointer but does not write to it.
    const int ok = m_pLineservice->writePortT(const_cast<std::uint8_t*>(data + nWritten),
                                              nRemaining, &nNow, kWriteTimeoutMs);
    TRACE_FORMAT(0, kLabel, "%s Exited   WritePortT", name);
    if (!ok) {
        SetLastError(
            TRACE_FORMAT(2, kLabel, "CComm::PortWriteOutput(): lineservice->writePort: failed"));
        return 0;
    }
    nNow = std::min(nNow, nRemaining);
    if (nNow == 0) {
        TRACE_FORMAT(0, kLabel, "%s Buffer not written", name);
    } else {
        TRACE_FORMAT(0, kLabel, "%s Buffer written:", name);
        TraceLog().TraceData(0, data + nWritten, static_cast<int>(nNow));
        if (nNow < nRemaining) TRACE_FORMAT(0, kLabel, "%s Buffer write is incomplete", name);
    }
    nWritten += nNow;
    nRemaining -= nNow;
    TRACE_FORMAT(0, kLabel, "%s Written=%d, Total Written=%d, Total Remaining=%d", name,
                 static_cast<int>(nNow), static_cast<int>(nWritten), static_cast<int>(nRemaining));
    return 1;
}

int CComm::FlushStep() {
    if (!m_pLineservice) return 0;
    if (!m_pLineservice->flushBuffer()) {
        SetLastError(
            TRACE_FORMAT(2, kLabel, "CComm::PortWriteOutput(): lineservice->flushBuffer: failed"));
        return 0;
    }
    return PortStatus();
}

// --- Reading ----------------------------------------------------------------------------

bool CComm::ReadOnce(std::vector<std::uint8_t>& out, std::uint32_t dwTimeoutMs) {
    std::uint8_t block[kReadBlock];
    std::uint32_t nRead = 0;
    if (!m_pLineservice->readPortT(block, sizeof block, &nRead, dwTimeoutMs) || nRead == 0) {
        return false;
    }
    out.insert(out.end(), block, block + std::min<std::size_t>(nRead, sizeof block));
    return true;
}

int CComm::PortReadWaitForReceive(std::uint32_t dwMs) {
    if (!PortStatus()) return 2;
    if (!m_readAhead.empty()) return 0;
    return ReadOnce(m_readAhead, dwMs) ? 0 : 1;
}

int CComm::PortRead(CMessageBuffer& buffer) {
    if (!m_pLineservice) {
        SetLastError(TRACE_FORMAT(2, kLabel, "CComm::PortRead(): lineservice NULL"));
        return 0;
    }
    std::vector<std::uint8_t> bytes;
    bytes.swap(m_readAhead);
    // Once input came, what follows at once belongs with it; a quiet line is waited for
    // in two passes.
    const std::uint64_t deadline = platform::GetTickCount64() + kWriteSeconds * 1000;
    for (int pass = 0; pass < 2; ++pass) {
        while (ReadOnce(bytes, bytes.empty() ? kReadWaitMs : 0)) {
        }
        if (!bytes.empty() || platform::GetTickCount64() > deadline) break;
    }
    buffer.AppendData(bytes);
    if (bytes.empty()) {
        TRACE_FORMAT(0, kLabel, "%s 0 bytes read into buffer", m_strPortName.c_str());
    } else {
        TRACE_FORMAT(0, kLabel, "%s %i bytes read into buffer:", m_strPortName.c_str(),
                     static_cast<int>(bytes.size()));
        TraceLog().TraceData(0, bytes.data(), static_cast<int>(bytes.size()));
    }
    return 1;
}

// --- State and errors -------------------------------------------------------------------

void CComm::SetPortState(int eState) {
    std::lock_guard lock(m_csPortState);
    const char* name = m_strPortName.c_str();
    switch (eState) {
        case PORT_OPEN:
            TRACE_FORMAT(0, kLabel, "%s PORT_OPEN", name);
            break;
        case PORT_AVAILABLE:
            TRACE_FORMAT(0, kLabel, "%s PORT_AVAILABLE", name);
            break;
        case PORT_CLOSED:
            TRACE_FORMAT(0, kLabel, "%s PORT_CLOSED", name);
            break;
        default:
            TRACE_FORMAT(2, kLabel, "Invalid ePortState=%i", eState);
            break;
    }
    m_ePortState = static_cast<ePortState>(eState);
}

ePortState CComm::GetPortState() const {
    std::lock_guard lock(m_csPortState);
    return m_ePortState;
}

void CComm::SetLastError(const std::string& text) {
    std::lock_guard lock(m_csLastError);
    m_strLastError = text;
    if (!text.empty()) TRACE_FORMAT(0, kLabel, " %s %s", m_strPortName.c_str(), text.c_str());
}

std::string CComm::GetLastError() const {
    std::lock_guard lock(m_csLastError);
    return m_strLastError;
}

}  // namespace core
