#include "ports/Lineservice.h"

#include <cstring>
#include <new>
#include <string>

#include "Logs.h"
#include "kdcomm/SyncObject.h"
#include "platform/PortBackend.h"
#include "platform/Win32Error.h"
#include "ports/PortUi.h"

using lineserv::lineservLog;
using platform::DWORD;

std::atomic<unsigned long> Lineservice::classInstance{0};

namespace {

struct StatusText {
    DWORD bit;
    const char* text;
};

// In the order they are taken: a later one replaces an earlier one as the last status.
constexpr StatusText kStatusTexts[] = {
    {platform::CE_RXOVER, "An input buffer overflow has occurred."},
    {platform::CE_OVERRUN, "A character-buffer overrun has occurred."},
    {platform::CE_RXPARITY, "The hardware detected a parity error."},
    {platform::CE_FRAME, "The hardware detected a framing error."},
    {platform::CE_BREAK, "The hardware detected a break condition."},
    {platform::CE_TXFULL,
     "The application tried to transmit a character, but the output buffer was full."},
    {platform::CE_PTO, "A time-out occurred on a parallel device."},
    {platform::CE_IOE, "An I/O error occurred during communications with the device."},
    {platform::CE_DNS, "A parallel device is not selected."},
    {platform::CE_OOP, "A parallel device signaled that it is out of paper."},
    {platform::CE_MODE, "The requested mode is not supported."},
};

}  // namespace

Lineservice::Lineservice(const char* name) {
    m_statusLock = new (std::nothrow) kdcomm::CriticalSection;
    if (!m_statusLock) {
        lineserv::CurrentPortUi().messageBox(
            nullptr, "Memory Allocation Error in Lineservice::Lineservice():CriticalSection",
            "MEMORY ERROR", lineserv::MessageIcon::Warning);
        return;
    }
    if (!name) return;
    const std::size_t length = std::strlen(name);
    m_portName = new (std::nothrow) char[length + 1];
    if (!m_portName) return;
    std::memcpy(m_portName, name, length + 1);
    m_counted = true;
    ++classInstance;
}

Lineservice::~Lineservice() {
    delete[] m_portName;
    delete m_statusLock;
    if (m_counted) --classInstance;
}

std::shared_ptr<platform::SerialLine> Lineservice::serialLine() const {
    std::lock_guard<std::mutex> hold(m_handleLock);
    return m_serial;
}

std::shared_ptr<platform::ParallelLine> Lineservice::parallelLine() const {
    std::lock_guard<std::mutex> hold(m_handleLock);
    return m_parallel;
}

void Lineservice::setSerialLine(std::shared_ptr<platform::SerialLine> line) {
    std::lock_guard<std::mutex> hold(m_handleLock);
    m_serial = std::move(line);
}

void Lineservice::setParallelLine(std::shared_ptr<platform::ParallelLine> line) {
    std::lock_guard<std::mutex> hold(m_handleLock);
    m_parallel = std::move(line);
}

bool Lineservice::hasLine() const {
    std::lock_guard<std::mutex> hold(m_handleLock);
    return m_serial || m_parallel;
}

int Lineservice::enumPorts(void* combo) {
    const std::vector<std::string> ports = platform::CurrentPortBackend().EnumPorts();
    if (ports.empty()) return 0;
    for (const std::string& port : ports) lineserv::CurrentPortUi().addComboString(combo, port);
    return 1;
}

void Lineservice::DisplayErrorMessage() {
    const std::string text = platform::SystemErrorText(platform::GetLastError());
    lineserv::CurrentPortUi().messageBox(nullptr, text, "GetLastError",
                                         lineserv::MessageIcon::Information);
}

int Lineservice::clearPortStatusError() {
    const char* name = m_portName ? m_portName : "";
    DWORD errors = 0;
    platform::ComStat stat;
    bool ok;
    if (auto serial = serialLine()) {
        ok = serial->ClearCommError(errors, &stat);
    } else if (auto parallel = parallelLine()) {
        ok = parallel->ClearCommError(errors, &stat);
    } else {
        lineservLog().logPrint("%s The supplied file handle is invalid.\n", name);
        return 0;
    }
    if (!ok) {
        const DWORD code = platform::GetLastError();
        if (code == platform::ERROR_INVALID_FUNCTION) {
            lineservLog().logPrint(
                "%s ClearCommError1 disabled retCode (System Printer Sharing): %lu\n.", name,
                static_cast<unsigned long>(code));
            return 1;
        }
        lineservLog().logPrint("%s ClearCommError1 failed retCode: %lu\n", name,
                               static_cast<unsigned long>(code));
        return 0;
    }
    for (const StatusText& s : kStatusTexts) {
        if (!(errors & s.bit)) continue;
        setLastPortStatus(s.text);
        lineservLog().logPrint("%s %s\n", name, s.text);
    }
    if (stat.fCtsHold) lineservLog().logPrint("%s Tx waiting for CTS signal.\n", name);
    if (stat.fDsrHold) lineservLog().logPrint("%s Tx waiting for DSR signal.\n", name);
    if (stat.fRlsdHold) lineservLog().logPrint("%s Tx waiting for RLSD signal.\n", name);
    if (stat.fXoffHold) lineservLog().logPrint("%s Tx waiting, XOFF char received.\n", name);
    if (stat.fXoffSent) lineservLog().logPrint("%s Tx waiting, XOFF char sent.\n", name);
    if (stat.fEof) lineservLog().logPrint("%s EOF character received.\n", name);
    if (stat.fTxim)
        lineservLog().logPrint("%s Character waiting for Tx; char queued with TransmitCommChar.\n",
                               name);
    if (stat.cbInQue)
        lineservLog().logPrint("%s cbInQue: %d byte(s) received, but not read.\n", name,
                               static_cast<int>(stat.cbInQue));
    if (stat.cbOutQue)
        lineservLog().logPrint("%s cbOutQue: %d byte(s) received, but not written.\n", name,
                               static_cast<int>(stat.cbOutQue));
    return errors == 0 ? 1 : 0;
}

void Lineservice::setLastPortStatus(const char* text) {
    if (!m_statusLock) return;
    kdcomm::Guard hold(*m_statusLock);
    std::strncpy(m_lastPortStatus, text, sizeof m_lastPortStatus - 1);
    m_lastPortStatus[sizeof m_lastPortStatus - 1] = '\0';
}

char* Lineservice::getLastPortStatus() {
    if (!m_statusLock) return nullptr;
    kdcomm::Guard hold(*m_statusLock);
    if (m_lastPortStatus[0] == '\0') return nullptr;
    const std::size_t length = std::strlen(m_lastPortStatus);
    auto* copy = static_cast<char*>(::operator new(length + 1, std::nothrow));
    if (!copy) return nullptr;
    std::memcpy(copy, m_lastPortStatus, length + 1);
    m_lastPortStatus[0] = '\0';
    return copy;
}

void* Lineservice::operator new(std::size_t size) {
    return ::operator new(size);
}

void* Lineservice::operator new(std::size_t, void* place) noexcept {
    return place;
}

void Lineservice::operator delete(void* object) noexcept {
    ::operator delete(object);
}
