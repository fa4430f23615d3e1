#include "ports/CommLineservice.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Logs.h"
#include "PortIo.h"
#include "kdcomm/Thread.h"
#include "platform/Win32Error.h"
#include "ports/PortUi.h"

using lineserv::commLog;
using lineserv::devicePath;
using platform::DWORD;

namespace {

constexpr DWORD kAllPurge = platform::PURGE_TXABORT | platform::PURGE_RXABORT |
                            platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR;

unsigned long code(DWORD value) {
    return static_cast<unsigned long>(value);
}

}  // namespace

CommLineservice::CommLineservice(const char* name) : Lineservice(name) {}

CommLineservice::CommLineservice(const char* name, std::uint32_t baud, ENUM_DATABITS dataBits,
                                 ENUM_STOPBITS stopBits, ENUM_FLOWCONTROL flow, ENUM_PARITY parity)
    : Lineservice(name),
      m_configMode(2),
      m_baud(baud),
      m_dataBits(dataBits),
      m_stopBits(stopBits),
      m_flowControl(flow),
      m_parity(parity) {
    if (flow == FLOWCONTROL_HARDWARE)
        m_flowFlags = 2;
    else if (flow == FLOWCONTROL_XONXOFF)
        m_flowFlags = 4;
}

CommLineservice::~CommLineservice() {
    m_run = 0;
    m_eventMask = 0;
    m_errorMask = 0;
    static_cast<void>(endDocPort());
}

int CommLineservice::getPortState() {
    return getPortName() && hasLine() ? 1 : 0;
}

bool CommLineservice::getInICommValues(platform::Dcb* dcb) {
    platform::Dcb read;
    if (!platform::CurrentPortBackend().GetDefaultCommConfig(devicePath(getPortName()), read))
        return false;
    *dcb = read;
    return true;
}

int CommLineservice::startDocPort() {
    std::lock_guard<std::recursive_mutex> hold(m_openLock);
    const char* name = getPortName();
    if (!name) return 0;
    if (hasLine()) return 1;
    std::shared_ptr<platform::SerialLine> line =
        platform::CurrentPortBackend().OpenSerial(devicePath(name));
    if (!line) return 0;

    static_cast<void>(line->SetCommMask(m_eventMask));
    static_cast<void>(line->SetupComm(m_inQueueSize, m_outQueueSize));
    static_cast<void>(line->PurgeComm(kAllPurge));
    static_cast<void>(line->SetCommTimeouts(m_timeouts));

    platform::Dcb dcb;
    getInICommValues(&dcb);
    dcb.fBinary = true;
    if (m_configMode == 2) {
        dcb.BaudRate = m_baud;
        dcb.ByteSize = static_cast<std::uint8_t>(m_dataBits);
        dcb.Parity = static_cast<std::uint8_t>(m_parity);
        dcb.StopBits = static_cast<std::uint8_t>(m_stopBits);
        dcb.fParity = m_parity != PARITY_NONE;
        dcb.fOutxDsrFlow = (m_flowFlags & 1) != 0;
        dcb.fDtrControl =
            dcb.fOutxDsrFlow ? platform::DTR_CONTROL_HANDSHAKE : platform::DTR_CONTROL_ENABLE;
        dcb.fOutxCtsFlow = (m_flowFlags & 2) != 0;
        dcb.fRtsControl =
            dcb.fOutxCtsFlow ? platform::RTS_CONTROL_HANDSHAKE : platform::RTS_CONTROL_ENABLE;
        dcb.fOutX = dcb.fInX = (m_flowFlags & 4) != 0;
        dcb.XonChar = dcb.fOutX ? 0x11 : 0;
        dcb.XoffChar = dcb.fOutX ? 0x13 : 0;
        dcb.fErrorChar = m_errorCharEnabled != 0;
        dcb.ErrorChar = m_errorChar;
        dcb.fAbortOnError = m_abortOnError != 0;
        dcb.XonLim = 100;
        dcb.XoffLim = 100;
    }
    m_dtrHandshake = dcb.fDtrControl == platform::DTR_CONTROL_HANDSHAKE;
    m_rtsHandshake = dcb.fRtsControl == platform::RTS_CONTROL_HANDSHAKE;
    if (!line->SetCommState(dcb)) {
        // The port keeps whatever of the settings it could take.
        const DWORD err = platform::GetLastError();
        if (err == platform::ERROR_NOT_SUPPORTED)
            commLog().logPrint("%s SetCommState: a setting is not supported on this line\n", name);
        else
            commLog().logPrint("%s SetCommState failed retCode: %lu\n", name, code(err));
    }

    setSerialLine(line);
    m_run = 1;
    m_thread = kdcomm::StartThread(&CommLineservice::notificationThread, this);
    bool started = m_thread != nullptr;
    if (!started) {
        lineserv::CurrentPortUi().messageBox(
            nullptr, "Unable to start Lineservice::notificationThread from startDoc",
            "THREAD START ERROR", lineserv::MessageIcon::Warning);
    } else if (!kdcomm::SetThreadPriorityLevel(m_thread, 2)) {
        commLog().logPrint("%s Unable to Set Thread Priority\n", name);
        started = false;
    }
    if (!started) {
        stopNotificationThread();
        line->Cancel();
        setSerialLine(nullptr);
        return 0;
    }
    if (!m_dtrHandshake) static_cast<void>(line->EscapeCommFunction(platform::SETDTR));
    return 1;
}

void CommLineservice::stopNotificationThread() {
    m_run = 0;
    if (auto line = serialLine()) static_cast<void>(line->SetCommMask(0));
    kdcomm::JoinThread(m_thread);
    m_thread = nullptr;
}

int CommLineservice::endDocPort() {
    std::lock_guard<std::recursive_mutex> hold(m_openLock);
    std::shared_ptr<platform::SerialLine> line = serialLine();
    if (!line) return 1;
    static_cast<void>(lineserv::flushLine(*line, commLog(), getPortName()));
    stopNotificationThread();
    if (!m_dtrHandshake) static_cast<void>(line->EscapeCommFunction(platform::CLRDTR));
    static_cast<void>(line->PurgeComm(kAllPurge));
    // Ends reads and writes still running on other threads; the device closes when the
    // last of them lets go of the line.
    line->Cancel();
    setSerialLine(nullptr);
    return 1;
}

int CommLineservice::readPort(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* read) {
    std::shared_ptr<platform::SerialLine> line = serialLine();
    if (!line || !read || (!buffer && size)) return 0;
    *read = 0;
    DWORD count = 0;
    switch (line->ReadArrived(buffer, size, count)) {
        case platform::SerialLine::Arrived::Errors:
            lineserv::logLastError(commLog(), getPortName(), "ClearCommError2 failed retCode");
            return 0;
        case platform::SerialLine::Arrived::Failed:
            static_cast<void>(clearPortStatusError());
            break;
        case platform::SerialLine::Arrived::Read:
            break;
    }
    *read = count;
    return count != 0 ? 1 : 0;
}

int CommLineservice::writePort(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* written) {
    std::uint32_t ignored = 0;
    if (!written) written = &ignored;
    std::shared_ptr<platform::SerialLine> line = serialLine();
    if (!line || (!buffer && size)) return 0;
    *written = 0;
    DWORD count = 0;
    const bool ok = line->WriteFile(buffer, size, count);
    return lineserv::finishWrite(*this, commLog(), ok, count, size, written);
}

int CommLineservice::flushBuffer() {
    std::shared_ptr<platform::SerialLine> line = serialLine();
    if (!line) return 0;
    return lineserv::flushLine(*line, commLog(), getPortName()) ? 1 : 0;
}

int CommLineservice::configurePort() {
    return configurePort(lineserv::CurrentPortUi().activeWindow(), getPortName());
}

int CommLineservice::configurePort(void* owner, const char* name) {
    const std::string port = devicePath(name);
    platform::PortBackend& backend = platform::CurrentPortBackend();
    lineserv::PortUi& ui = lineserv::CurrentPortUi();
    for (;;) {
        platform::Dcb dcb;
        if (!backend.GetDefaultCommConfig(port, dcb)) {
            platform::SetLastError(platform::ERROR_FILE_NOT_FOUND);
            return 0;
        }
        if (!ui.commConfigDialog(port, owner, dcb)) {
            platform::SetLastError(platform::ERROR_CANCELLED);
            return 0;
        }
        const bool invalid =
            (dcb.ByteSize == 5 && dcb.StopBits == platform::TWOSTOPBITS) ||
            (dcb.ByteSize >= 6 && dcb.ByteSize <= 8 && dcb.StopBits == platform::ONE5STOPBITS);
        if (invalid) {
            char caption[300];
            std::snprintf(caption, sizeof caption, "%s COM PORT SETTINGS ERROR", name ? name : "");
            ui.messageBox(nullptr,
                          "The use of 5 data bits with 2 stop bits is an invalid combination, as "
                          "is 6, 7 or 8 data bits with 1.5 stop bits.",
                          caption, lineserv::MessageIcon::Warning);
            continue;
        }
        if (!backend.SetDefaultCommConfig(port, dcb)) return 0;
        return 1;
    }
}

int CommLineservice::escape(std::uint32_t function) {
    std::shared_ptr<platform::SerialLine> line = serialLine();
    return line && line->EscapeCommFunction(function) ? 1 : 0;
}

int CommLineservice::setCommBreak() {
    return escape(platform::SETBREAK);
}

int CommLineservice::clearCommBreak() {
    return escape(platform::CLRBREAK);
}

void CommLineservice::sendBreak(std::uint32_t ms) {
    static_cast<void>(setCommBreak());
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    static_cast<void>(clearCommBreak());
}

int CommLineservice::setDTR(int on) {
    if (m_dtrHandshake) return 0;
    return escape(on ? platform::SETDTR : platform::CLRDTR);
}

int CommLineservice::setRTS(int on) {
    if (m_rtsHandshake) return 0;
    return escape(on ? platform::SETRTS : platform::CLRRTS);
}

int CommLineservice::modemBit(std::uint32_t bit) {
    std::shared_ptr<platform::SerialLine> line = serialLine();
    DWORD status = 0;
    return line && line->GetCommModemStatus(status) && (status & bit) ? 1 : 0;
}

int CommLineservice::isCD() {
    return modemBit(platform::MS_RLSD_ON);
}
int CommLineservice::isCTS() {
    return modemBit(platform::MS_CTS_ON);
}
int CommLineservice::isDSR() {
    return modemBit(platform::MS_DSR_ON);
}
int CommLineservice::isRI() {
    return modemBit(platform::MS_RING_ON);
}

void CommLineservice::setErrorCharDetector(int enable, char ch) {
    m_errorCharEnabled = enable;
    m_errorChar = ch;
}

void CommLineservice::setAbortReadWriteOnError(int abort) {
    m_abortOnError = abort;
}

// The sticky states: each read hands a state out once and clears it in the same step.
int CommLineservice::isOEState() {
    return m_overrunSeen.exchange(0);
}
int CommLineservice::isPEState() {
    return m_parityErrorSeen.exchange(0);
}
int CommLineservice::isFEState() {
    return m_framingErrorSeen.exchange(0);
}

void CommLineservice::setEventBit(std::uint32_t bit, int on) {
    if (on)
        m_eventMask |= bit;
    else
        m_eventMask &= ~bit;
}

void CommLineservice::setErrorBit(std::uint32_t bit, int on) {
    if (on)
        m_errorMask |= bit;
    else
        m_errorMask &= ~bit;
    setEventBit(platform::EV_ERR, m_errorMask != 0);
}

void CommLineservice::notifyOnCTSevent(int on) {
    setEventBit(platform::EV_CTS, on);
}
void CommLineservice::notifyOnDSRevent(int on) {
    setEventBit(platform::EV_DSR, on);
}
void CommLineservice::notifyOnCDevent(int on) {
    setEventBit(platform::EV_RLSD, on);
}
void CommLineservice::notifyOnRIevent(int on) {
    setEventBit(platform::EV_RING, on);
}
void CommLineservice::notifyOnBIevent(int on) {
    setEventBit(platform::EV_BREAK, on);
}
void CommLineservice::notifyOnOEevent(int on) {
    setErrorBit(platform::CE_OVERRUN, on);
}
void CommLineservice::notifyOnPEevent(int on) {
    setErrorBit(platform::CE_RXPARITY, on);
}
void CommLineservice::notifyOnFEevent(int on) {
    setErrorBit(platform::CE_FRAME, on);
}
void CommLineservice::notifyOnOutputEmptyEvent(int on) {
    setEventBit(platform::EV_TXEMPTY, on);
}
void CommLineservice::notifyOnDataAvailEvent(int on) {
    setEventBit(platform::EV_RXCHAR, on);
}

void CommLineservice::onCTSevent(int) {}
void CommLineservice::onDSRevent(int) {}
void CommLineservice::onCDevent(int) {}
void CommLineservice::onRIevent(int) {}
void CommLineservice::onBIevent(int) {}
void CommLineservice::onOEevent(int) {}
void CommLineservice::onPEevent(int) {}
void CommLineservice::onFEevent(int) {}
void CommLineservice::onOutputEmptyEvent(int) {}
void CommLineservice::onDataAvailEvent(int) {}

unsigned CommLineservice::notificationThread(void* port) {
    static_cast<CommLineservice*>(port)->notificationLoop();
    return 0;
}

void CommLineservice::notificationLoop() {
    std::shared_ptr<platform::SerialLine> line = serialLine();
    const char* name = getPortName();
    int cts = 0, dsr = 0, ring = 0, carrier = 0;
    auto keepRunning = [&] { return m_run != 0 && line && m_eventMask != 0; };
    while (keepRunning()) {
        DWORD events = 0;
        if (!line->WaitCommEvent(events)) {
            if (!m_run) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (!keepRunning()) break;
        using namespace platform;
        if (events & (EV_CTS | EV_DSR | EV_RLSD | EV_RING)) {
            DWORD status = 0;
            if (line->GetCommModemStatus(status)) {
                cts = (status & MS_CTS_ON) ? 1 : 0;
                dsr = (status & MS_DSR_ON) ? 1 : 0;
                ring = (status & MS_RING_ON) ? 1 : 0;
                carrier = (status & MS_RLSD_ON) ? 1 : 0;
            }
        }
        if (events & EV_CTS) onCTSevent(cts);
        if (events & EV_DSR) onDSRevent(dsr);
        if (events & EV_RLSD) onCDevent(carrier);
        if (events & EV_RING) onRIevent(ring);
        if (events & EV_BREAK) onBIevent(0);
        if (events & EV_ERR) {
            DWORD errors = 0;
            ComStat stat;
            if (!line->ClearCommError(errors, &stat))
                lineserv::logLastError(commLog(), name, "ClearCommError3 failed retCode");
            const DWORD enabled = m_errorMask;
            if ((errors & CE_OVERRUN) && (enabled & CE_OVERRUN)) {
                m_overrunSeen = 1;
                onOEevent(0);
            }
            if ((errors & CE_RXPARITY) && (enabled & CE_RXPARITY)) {
                m_parityErrorSeen = 1;
                onPEevent(0);
            }
            if ((errors & CE_FRAME) && (enabled & CE_FRAME)) {
                m_framingErrorSeen = 1;
                onFEevent(0);
            }
        }
        if (events & EV_TXEMPTY) onOutputEmptyEvent(0);
        if (events & EV_RXCHAR) {
            DWORD errors = 0;
            DWORD waiting = 0;
            if (!line->ClearCommErrorInput(errors, waiting))
                lineserv::logLastError(commLog(), name, "ClearCommError4 failed retCode");
            else if (waiting)
                onDataAvailEvent(0);
        }
    }
}
