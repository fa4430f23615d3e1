// The port printer's hold of its port: the port opened and configured, and the print queues
// that print to the same port paused while it is held and resumed afterwards.
#include <algorithm>
#include <exception>

#include "core/TraceLog.h"
#include "devices/DevicePrinter.h"
#include "devices/EnumPrinters.h"
#include "platform/PortMap.h"
#include "spooler/Spooler.h"

namespace devices {

namespace {

constexpr const char* kSetState = "CDevicePrinter::SystemPrintersSetState():";

}  // namespace

bool CDevicePrinter::GetDevice() {
    std::lock_guard port(m_csPort);
    TRACE_FORMAT(0, "CDevicePrinter::GetDevice():", "'%s'", m_strDeviceKey.c_str());
    if (!m_pComm->PortOpen()) {
        SetLastError(m_pComm->GetLastError());
        return false;
    }
    LoadLocalPrinters();
    if (!SystemPrintersSetState(PRINTER_CONTROL_PAUSE)) {
        // The queues paused before the failure print again.
        ReleaseDevice();
        return false;
    }
    if (!m_pComm->PortConfigure()) {
        SetLastError(m_pComm->GetLastError());
        ReleaseDevice();
        return false;
    }
    return true;
}

void CDevicePrinter::ReleaseDevice() {
    std::lock_guard port(m_csPort);
    TRACE_FORMAT(0, "CDevicePrinter::ReleaseDevice():", "'%s'", m_strDeviceKey.c_str());
    if (m_pComm->GetPortState() == core::PORT_CLOSED) return;
    static_cast<void>(SystemPrintersSetState(PRINTER_CONTROL_RESUME));
    if (!m_pComm->PortClose()) SetLastError(m_pComm->GetLastError());
}

void CDevicePrinter::LoadLocalPrinters() {
    m_LocalPrinters.clear();
    CEnumPrinters list;
    list.LoadQueueList();
    list.ResetCursor();
    for (std::string name = list.GetNext(); !name.empty(); name = list.GetNext())
        m_LocalPrinters.push_back(name);
}

bool CDevicePrinter::SystemPrintersSetState(std::uint32_t dwState) {
    const char* const key = m_strDeviceKey.c_str();
    const char* const port = m_strPort.c_str();
    if (dwState == PRINTER_CONTROL_PAUSE) {
        TRACE_FORMAT(0, kSetState, "'%s', PRINTER_CONTROL_PAUSE", key);
    } else if (dwState == PRINTER_CONTROL_RESUME) {
        TRACE_FORMAT(0, kSetState, "'%s', PRINTER_CONTROL_RESUME", key);
    } else {
        TRACE_FORMAT(2, kSetState, "'%s', Invalid dwState %i", key, static_cast<int>(dwState));
        return true;
    }
    const bool bPause = dwState == PRINTER_CONTROL_PAUSE;
    bool bResult = true;
    TRACE_FORMAT(0, kSetState, " %d local WIN ptrs, checking for conflicts on %s",
                 static_cast<int>(m_LocalPrinters.size()), port);
    try {
        spooler::ISpooler& spooler = spooler::Spooler();
        const std::vector<spooler::Queue> queues = spooler.ListQueues();
        const std::string strNode = platform::PortDevicePath(m_strPort);
        for (const std::string& name : m_LocalPrinters) {
            const auto it =
                std::find_if(queues.begin(), queues.end(),
                             [&](const spooler::Queue& q) { return q.strName == name; });
            if (it == queues.end()) {
                TRACE_FORMAT(2, kSetState, "SystemPrinterOpen( %s,,,) failed", name.c_str());
                continue;
            }
            const std::string strQueueNode = spooler::DeviceUriPath(it->strDeviceUri);
            if (strNode.empty() || strQueueNode != strNode) {
                TRACE_FORMAT(0, kSetState, " This printer connected on port '%s', ignored",
                             it->strDeviceUri.c_str());
                continue;
            }
            const bool bPaused = it->eState == spooler::QueueState::Stopped;
            if (bPaused == bPause) {
                if (bPause) {
                    TRACE_FORMAT(0, kSetState, "'%s', %s already paused on %s", key, name.c_str(),
                                 port);
                } else {
                    TRACE_FORMAT(0, kSetState, "'%s', %s already resumed on %s", key, name.c_str(),
                                 port);
                }
                continue;
            }
            std::string error;
            if (!(bPause ? spooler.PauseQueue(name, error) : spooler.ResumeQueue(name, error))) {
                SetLastError(TRACE_FORMAT(
                    2, "CDevicePrinter::SystemPrintersSetState(): ::SetPrinter():", "%s",
                    error.c_str()));
                // A pause pass ends here (the caller resumes what it paused); a resume pass
                // goes on, so that a queue that refuses keeps no other paused.
                if (bPause) return false;
                bResult = false;
                continue;
            }
            if (bPause) {
                TRACE_FORMAT(0, kSetState, "'%s', %s paused on %s", key, name.c_str(), port);
            } else {
                TRACE_FORMAT(0, kSetState, "'%s', %s resumed on %s", key, name.c_str(), port);
            }
        }
    } catch (const std::exception& e) {
        TRACE_EXCEPTION(e, "SystemPrintersSetState():", "Exception:");
    }
    return bResult;
}

}  // namespace devices
