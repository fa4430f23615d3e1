#include "hostcontrol/PrinterTerminal.h"

#include <array>

#include "hostcontrol/ControlIds.h"
#include "hostcontrol/DeviceErrors.h"
#include "hostcontrol/Lookups.h"

namespace hostcontrol {
namespace {

constexpr char kChangeOk[] = "OK.";
constexpr char kChangeFailed[] = "FAILED TO CONNECT TO ";

// Flags every new device starts with.
void Initialise(CTREVODevice& device, DEVICETYPE type, int translate, int accumulate) {
    device.m_nDeviceType = type;
    device.m_bTranslate = translate;
    device.m_bAccumulate = accumulate;
    device.SetError(DEV_NO_ERROR);
    device.m_strResource = "000000";
}

}  // namespace

void FireFlag(platform::ConnectionPoint& events, platform::DISPID id, bool flag) {
    const std::array<platform::Variant, 1> args{platform::Variant::Bool(flag)};
    static_cast<void>(events.Fire(id, args));
}

void FireEvent(platform::ConnectionPoint& events, platform::DISPID id) {
    static_cast<void>(events.Fire(id, {}));
}

// ---- Printer ----

CPrinter::CPrinter(platform::ConnectionPoint& events) : m_events(events) {
    Initialise(*this, DEVICE_PRINTER, 1, 0);
}

void CPrinter::OnConnect(BRXError error) {
    FireFlag(m_events, printer_event::OnConnect, error == BRX_SUCCESS);
    CTREVODevice::OnConnect(error);
}

void CPrinter::OnDisconnect(CConnImp* conn, BRXError error) {
    if (conn && conn == m_pConn) {
        m_ReceiveQueue.RemoveAll();
        static_cast<void>(UpdateErrorStates(conn));
        FireFlag(m_events, printer_event::OnDisconnect, error == BRX_SUCCESS);
    }
    CTREVODevice::OnDisconnect(conn, error);
}

void CPrinter::OnSend(CConnImp* conn, BRXError error) {
    CTREVODevice::OnSend(conn, error);
    FireFlag(m_events, printer_event::OnSend, error == BRX_SUCCESS);
}

void CPrinter::OnReceive(CConnImp* conn, BRXError error, std::string* text) {
    if (error != BRX_SUCCESS) {
        static_cast<void>(UpdateErrorStates(conn));
        return;
    }
    if (conn && conn == m_pConn && text && !text->empty() && m_ReceiveQueue.Add(*text)) {
        FireEvent(m_events, printer_event::OnReceive);
    }
}

void CPrinter::OnSystemAvailable(int available) {
    CTREVODevice::OnSystemAvailable(available);
    FireFlag(m_events, printer_event::OnSystemAvailable, available != 0);
}

void CPrinter::OnResource(CConnImp* conn, std::string lniata, int isNew) {
    CTREVODevice::OnResource(conn, std::move(lniata), isNew);
    // The container takes every host message untranslated and by itself.
    m_nDeviceType = DEVICE_PRINTER;
    m_bAccumulate = 0;
    m_bTranslate = 0;
    static_cast<void>(SetDeviceType(DEVICE_PRINTER));
    static_cast<void>(AccumulateMsg(0));
    static_cast<void>(TranslateMsg(0));
    FireFlag(m_events, printer_event::OnResource, isNew != 0);
}

// ---- Terminal ----

CTerminal::CTerminal(platform::ConnectionPoint& events) : m_events(events) {
    Initialise(*this, DEVICE_TERMINAL, 1, 1);
}

void CTerminal::QueueChangeStatus(const char* outcome, const std::string& endSystem) {
    std::string status{C1, C2};
    status += outcome;
    status += endSystem;
    if (m_ReceiveQueue.Add(status)) FireEvent(m_events, terminal_event::OnReceive);
}

bool CTerminal::ChangeSystem(const std::string& endSystem) {
    if (!EndSystemOfSession(m_strSession, endSystem)) return false;
    m_strChangeTarget = endSystem;
    if (IsHostConnected(endSystem)) {
        static_cast<void>(ActivateConnection(endSystem));
        m_bChangePending = 0;
        QueueChangeStatus(kChangeOk, endSystem);
        return true;
    }
    return ConnectEndSystem(endSystem);
}

void CTerminal::OnConnect(BRXError error) {
    CTREVODevice::OnConnect(error);
    if (!m_bChangePending) {
        FireFlag(m_events, terminal_event::OnConnect, error == BRX_SUCCESS);
        return;
    }
    m_bChangePending = 0;
    QueueChangeStatus(error == BRX_SUCCESS ? kChangeOk : kChangeFailed, m_strChangeTarget);
}

void CTerminal::OnDisconnect(CConnImp* conn, BRXError error) {
    if (conn && conn == m_pConn) {
        m_ReceiveQueue.RemoveAll();
        static_cast<void>(UpdateErrorStates(conn));
        FireFlag(m_events, terminal_event::OnDisconnect, error == BRX_SUCCESS);
    }
    CTREVODevice::OnDisconnect(conn, error);
}

void CTerminal::OnSend(CConnImp* conn, BRXError error) {
    CTREVODevice::OnSend(conn, error);
    FireFlag(m_events, terminal_event::OnSend, error == BRX_SUCCESS);
}

void CTerminal::OnReceive(CConnImp* conn, BRXError error, std::string* text) {
    if (!conn || conn != m_pConn) return;
    const bool message = error == BRX_SUCCESS || (error >= 1028 && error <= 1031) ||
                         (error >= 1033 && error <= 1035);
    if (!message) {
        static_cast<void>(UpdateErrorStates(conn));
        return;
    }
    if (!text || text->empty()) return;
    if (error == BRX_VUVE_MESSAGE) {
        if (m_VUVEQueue.Add(*text)) FireEvent(m_events, terminal_event::OnVUVEReceive);
    } else if (m_ReceiveQueue.Add(*text)) {
        FireEvent(m_events, terminal_event::OnReceive);
    }
}

void CTerminal::OnSystemAvailable(int available) {
    CTREVODevice::OnSystemAvailable(available);
    FireFlag(m_events, terminal_event::OnSystemAvailable, available != 0);
}

void CTerminal::OnResource(CConnImp* conn, std::string lniata, int isNew) {
    CTREVODevice::OnResource(conn, std::move(lniata), isNew);
    if (isNew == 1) {
        m_nDeviceType = DEVICE_TERMINAL;
        m_bAccumulate = 1;
        m_bTranslate = 1;
        static_cast<void>(SetDeviceType(DEVICE_TERMINAL));
        static_cast<void>(AccumulateMsg(1));
        static_cast<void>(TranslateMsg(1));
        FireFlag(m_events, terminal_event::OnResource, true);
    } else if (isNew == 0) {
        FireFlag(m_events, terminal_event::OnResource, false);
    }
}

bool CTerminal::LoopBackMessage(const std::string& data) {
    if (!m_pConn) {
        SetError(DEV_NO_CONNECTION);
        return false;
    }
    std::string copy = data;
    OnReceive(m_pConn, BRX_SUCCESS, &copy);
    return true;
}

bool CTerminal::ReceiveVUVEMessage(std::string* out) {
    if (out) out->clear();
    return TakeFrom(m_VUVEQueue, out, false);
}

int CTerminal::GetC1C2Type(char* c1, char* c2) {
    const std::string* head = nullptr;
    if (!m_ReceiveQueue.PeekHead(head)) {
        SetError(DEV_QUEUE_EMPTY);
        return DEV_QUEUE_EMPTY;
    }
    if (c1) *c1 = head->size() > 0 ? (*head)[0] : '\0';
    if (c2) *c2 = head->size() > 1 ? (*head)[1] : '\0';
    SetError(DEV_CHANGED_SYSTEM);
    return 1;
}

}  // namespace hostcontrol
