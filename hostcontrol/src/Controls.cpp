#include "hostcontrol/Controls.h"

#include "ControlArgs.h"
#include "brxapicfg/BRXConfig.h"
#include "hostcontrol/ControlIds.h"
#include "hostcontrol/DeviceErrors.h"
#include "hostcontrol/Lookups.h"
#include "platform/EventLoop.h"
#include "uikit/Dialog.h"

namespace hostcontrol {

using platform::HRESULT;
using platform::Variant;

namespace {

constexpr ControlMember kPrinterMembers[] = {
    {printer::Data, Op::Receive, 0},
    {printer::Resource, Op::Resource, 0},
    {printer::Status, Op::Status, 0},
    {printer::LastError, Op::LastError, 0},
    {printer::LastProtocolError, Op::LastProtocolError, 0},
    {printer::SendString, Op::SendString, 1},
    {printer::DisconnectFromHost, Op::DisconnectFromHost, 0},
    {printer::ReceiveString, Op::ReceiveAround, 0},
    {printer::GetLastErrorMessage, Op::GetLastErrorMessage, 0},
    {printer::GetLastProtocolErrorMessage, Op::GetLastProtocolErrorMessage, 0},
    {printer::GetDefaultSession, Op::GetDefaultSession, 2},
    {printer::SetDefaultSession, Op::SetDefaultSession, 2},
    {printer::GetDefaultEndSystem, Op::GetDefaultEndSystem, 2},
    {printer::SetDefaultEndSystem, Op::SetDefaultEndSystem, 2},
    {printer::AccumulateMessages, Op::AccumulateMessages, 1},
    {printer::TranslateMessages, Op::TranslateMessages, 1},
    {printer::ConfigureApplication, Op::ConfigureApplication, 2},
    {printer::ReleaseWaitingMessages, Op::ReleaseWaitingMessages, 0},
    {printer::ConnectToHost, Op::ConnectToHost, 3},
    {printer::Lock, Op::Lock, 0},
    {printer::UnLock, Op::UnLock, 0},
    {printer::MonitorConnection, Op::MonitorConnection, 1},
    {printer::ReceiveBString, Op::BytesAround, 1},
    {printer::BData, Op::Bytes, 1},
    {printer::AboutBox, Op::AboutBox, 0},
};

constexpr ControlMember kTerminalMembers[] = {
    {terminal::LastError, Op::LastError, 0},
    {terminal::LastProtocolError, Op::LastProtocolError, 0},
    {terminal::Data, Op::ReceiveAround, 0},
    {terminal::Resource, Op::Resource, 0},
    {terminal::Status, Op::Status, 0},
    {terminal::SendString, Op::SendString, 1},
    {terminal::DisconnectFromHost, Op::DisconnectFromHost, 0},
    {terminal::ReceiveString, Op::ReceiveAround, 0},
    {terminal::ReceiveVUVEString, Op::ReceiveVUVE, 0},
    {terminal::GetLastErrorMessage, Op::GetLastErrorMessage, 0},
    {terminal::GetLastProtocolErrorMessage, Op::GetLastProtocolErrorMessage, 0},
    {terminal::GetDefaultEndSystem, Op::GetDefaultEndSystem, 2},
    {terminal::SetDefaultEndSystem, Op::SetDefaultEndSystem, 2},
    {terminal::GetDefaultSession, Op::GetDefaultSession, 2},
    {terminal::SetDefaultSession, Op::SetDefaultSession, 2},
    {terminal::AccumulateMessages, Op::AccumulateMessages, 1},
    {terminal::TranslateMessages, Op::TranslateMessages, 1},
    {terminal::ChangeSystem, Op::ChangeSystem, 1},
    {terminal::DisconnectEndSystem, Op::DisconnectEndSystem, 1},
    {terminal::LoopBackMessage, Op::LoopBackMessage, 1},
    {terminal::ConfigureApplication, Op::ConfigureApplication, 2},
    {terminal::MonitorConnection, Op::MonitorConnection, 1},
    {terminal::ReleaseWaitingMessages, Op::ReleaseWaitingMessages, 0},
    {terminal::ConnectToHost, Op::ConnectToHost, 3},
    {terminal::Lock, Op::Lock, 0},
    {terminal::UnLock, Op::UnLock, 0},
    {terminal::BData, Op::BytesAround, 1},
    {terminal::ReceiveBString, Op::BytesAround, 1},
};

// (name, out text) through a configuration getter; code 1 when it fails.
template <typename Get>
bool GetInto(CTREVODevice& device, std::span<const Variant> args, Get get) {
    std::string name;
    Variant* out = OutArg(args, 1);
    if (!out || platform::FAILED(TextArg(args, 0, name))) {
        device.SetError(3);
        return false;
    }
    std::string value;
    if (get(BRXConfig(), name, value) != 0) {
        device.SetError(DEV_CONFIGURATION);
        return false;
    }
    *out = Variant::BStr(value);
    return true;
}

template <typename Set>
bool SetFrom(CTREVODevice& device, std::span<const Variant> args, Set set) {
    std::string name;
    std::string value;
    if (platform::FAILED(TextArg(args, 0, name)) || platform::FAILED(TextArg(args, 1, value))) {
        device.SetError(3);
        return false;
    }
    if (set(BRXConfig(), name, value) != 0) {
        device.SetError(DEV_CONFIGURATION);
        return false;
    }
    return true;
}

bool ConfigureApplication(std::span<const Variant> args) {
    std::string app;
    Variant* out = OutArg(args, 1);
    if (!out || platform::FAILED(TextArg(args, 0, app))) return false;
    std::string session;
    const int result = BRXAPIConfiguration(app, &session);
    if (result != 0) *out = Variant::BStr(session);
    return result != 0;
}

// The connect arguments: application, session, shared flag (not used).
HRESULT ConnectArgs(std::span<const Variant> args, std::string& app, std::string& session) {
    bool shared = false;
    HRESULT hr = TextArg(args, 0, app);
    if (platform::SUCCEEDED(hr)) hr = TextArg(args, 1, session);
    if (platform::SUCCEEDED(hr)) hr = FlagArg(args, 2, shared);
    return hr;
}

// A member taking one text.
template <typename Use>
Variant WithText(std::span<const Variant> args, HRESULT& hr, Use use) {
    std::string text;
    hr = TextArg(args, 0, text);
    if (platform::FAILED(hr)) return {};
    return Variant::Bool(use(text));
}

}  // namespace

// ---- shared members ----

HRESULT CControlBase::Invoke(platform::DISPID id, platform::DispatchKind kind, Args args,
                             Variant* result) {
    try {
        const ControlMember* member = nullptr;
        for (const ControlMember& m : m_members) {
            if (m.id == id) member = &m;
        }
        if (!member || kind == platform::DispatchKind::PropertyPut)
            return platform::DISP_E_MEMBERNOTFOUND;
        HRESULT hr = CheckCount(args, static_cast<std::size_t>(member->args));
        if (platform::FAILED(hr)) return hr;
        Variant value = InvokeShared(member->op, args, hr);
        if (platform::FAILED(hr)) return hr;
        if (result) *result = std::move(value);
        return platform::S_OK;
    } catch (...) {
        return platform::E_FAIL;
    }
}

Variant CControlBase::InvokeShared(Op op, Args args, HRESULT& hr) {
    CTREVODevice& d = TheDevice();
    auto flagOption = [&](bool (CTREVODevice::*set)(int)) -> Variant {
        bool flag = false;
        hr = FlagArg(args, 0, flag);
        if (platform::FAILED(hr)) return {};
        if (d.m_nState == DEV_NOT_CONNECTED) {
            d.SetError(DEV_NO_CONNECTION);
            return Variant::Bool(false);
        }
        return Variant::Bool((d.*set)(flag ? 1 : 0));
    };
    auto putBytes = [&](bool setState) -> Variant {
        Variant* out = OutArg(args, 0);
        if (!out) {
            hr = platform::DISP_E_TYPEMISMATCH;
            return {};
        }
        *out = ByteArrayOf(Receive(setState));
        return {};
    };
    switch (op) {
        case Op::Receive:
            return Variant::BStr(Receive(false));
        case Op::ReceiveAround:
            return Variant::BStr(Receive(true));
        case Op::Bytes:
            return putBytes(false);
        case Op::BytesAround:
            return putBytes(true);
        case Op::Resource:
            return Variant::BStr(d.m_strResource);
        case Op::Status:
            return Variant::I2(static_cast<std::int16_t>(d.GetStatus()));
        case Op::LastError:
            return Variant::I2(d.m_nLastError);
        case Op::LastProtocolError:
            return Variant::I2(d.m_nLastProtocolError);
        case Op::SendString:
            return WithText(args, hr, [&](const std::string& s) { return SendString(s); });
        case Op::DisconnectFromHost:
            return Variant::Bool(DisconnectFromHost());
        case Op::GetLastErrorMessage:
            return Variant::BStr(d.m_strLastError);
        case Op::GetLastProtocolErrorMessage:
            return Variant::BStr(d.m_strLastProtocolError);
        case Op::GetDefaultSession:
            return Variant::Bool(GetInto(d, args, [](BRXConfig c, auto& app, auto& session) {
                return c.GetDefaultSession(app, &session);
            }));
        case Op::SetDefaultSession:
            return Variant::Bool(SetFrom(d, args, [](BRXConfig c, auto& app, auto& session) {
                return c.SetDefaultSession(app, session);
            }));
        case Op::GetDefaultEndSystem:
            return Variant::Bool(GetInto(d, args, [](BRXConfig c, auto& session, auto& end) {
                return c.GetDefaultEndSystem(session, &end);
            }));
        case Op::SetDefaultEndSystem:
            return Variant::Bool(SetFrom(d, args, [](BRXConfig c, auto& session, auto& end) {
                return c.SetDefaultEndSystem(session, end);
            }));
        case Op::AccumulateMessages:
            return flagOption(&CTREVODevice::AccumulateMsg);
        case Op::TranslateMessages:
            return flagOption(&CTREVODevice::TranslateMsg);
        case Op::ConfigureApplication:
            return Variant::Bool(ConfigureApplication(args));
        case Op::ReleaseWaitingMessages:
            return Variant::Bool(d.ReleaseMessageQueue());
        case Op::Lock:
            FireFlag(m_events, m_lockEvent, true);
            return Variant::Bool(true);
        case Op::UnLock:
            FireFlag(m_events, m_unlockEvent, true);
            return Variant::Bool(true);
        case Op::MonitorConnection: {
            bool flag = false;
            hr = FlagArg(args, 0, flag);
            return Variant::Bool(true);
        }
        case Op::DisconnectEndSystem:
            return WithText(args, hr,
                            [&](const std::string& s) { return d.DisconnectEndSystem(s); });
        default:
            return InvokeOwn(op, args, hr);
    }
}

bool CControlBase::SendString(const std::string& data) {
    CTREVODevice& d = TheDevice();
    if (!d.m_bConnected || d.m_nState == DEV_NOT_CONNECTED) {
        d.SetError(DEV_NO_CONNECTION);
        return false;
    }
    if (d.m_nState != DEV_IDLE) {
        d.SetError(DEV_BUSY);
        return false;
    }
    d.m_nState = DEV_SENDING;
    std::string copy = data;
    const bool sent = d.Send(&copy);
    d.m_nState = DEV_IDLE;
    return sent;
}

bool CControlBase::DisconnectFromHost() {
    CTREVODevice& d = TheDevice();
    if (d.m_nState == DEV_NOT_CONNECTED) {
        d.SetError(DEV_NO_CONNECTION);
        return false;
    }
    if (d.m_bConnectPending) {
        d.SetError(DEV_CONNECT_IN_PROGRESS);
        return false;
    }
    if (d.m_nState == DEV_DISCONNECTING) {
        d.SetError(DEV_DISCONNECT_IN_PROGRESS);
        return false;
    }
    d.m_nState = DEV_DISCONNECTING;
    return d.Disconnect();
}

std::string CControlBase::Receive(bool setState) {
    CTREVODevice& d = TheDevice();
    if (setState) d.m_nState = DEV_RECEIVING;
    std::string message;
    if (!d.Receive(&message)) message.clear();
    if (setState) d.m_nState = DEV_IDLE;
    return message;
}

void CControlBase::WaitForDisconnect(platform::DWORD limitMs) {
    CTREVODevice& d = TheDevice();
    if (d.m_nState == DEV_NOT_CONNECTED) return;
    if (d.m_nState == DEV_IDLE) static_cast<void>(DisconnectFromHost());
    if (platform::EventLoop* loop = platform::EventLoop::Current()) {
        static_cast<void>(loop->PumpUntil(
            [&] { return d.m_bDisconnected == 1 || d.m_nState == DEV_NOT_CONNECTED; }, limitMs));
    }
    // Whatever the wait gave, the current connection is disconnected before the device goes.
    if (d.m_pConn && d.m_nState != DEV_NOT_CONNECTED) static_cast<void>(d.Disconnect());
}

// ---- Printer ----

CPrinterCtrl::CPrinterCtrl()
    : CControlBase(kPrinterMembers, printer_event::OnLock, printer_event::OnUnLock),
      m_device(m_events) {}

CPrinterCtrl::~CPrinterCtrl() {
    WaitForDisconnect(kPrinterDestroyWaitMs);
}

Variant CPrinterCtrl::InvokeOwn(Op op, Args args, HRESULT& hr) {
    CPrinter& d = m_device;
    switch (op) {
        case Op::ConnectToHost: {
            std::string app;
            std::string session;
            hr = ConnectArgs(args, app, session);
            if (platform::FAILED(hr)) return {};
            if (d.m_bConnectPending) {
                d.SetError(DEV_CONNECT_IN_PROGRESS);
                return Variant::Bool(false);
            }
            if (d.m_nState != DEV_NOT_CONNECTED) {
                d.SetError(DEV_CONNECTION_LOST);
                return Variant::Bool(false);
            }
            d.m_nState = DEV_CONNECTING;
            const bool ok = d.Connect(app, session);
            if (!ok) d.m_nState = DEV_NOT_CONNECTED;
            return Variant::Bool(ok);
        }
        case Op::AboutBox:
            uikit::ShowMessage("Printer Control, Version 1.0", uikit::MessageIcon::Information);
            return {};
        default:
            hr = platform::DISP_E_MEMBERNOTFOUND;
            return {};
    }
}

// ---- Terminal ----

CTerminalCtrl::CTerminalCtrl()
    : CControlBase(kTerminalMembers, terminal_event::OnLock, terminal_event::OnUnLock),
      m_device(m_events) {}

CTerminalCtrl::~CTerminalCtrl() {
    WaitForDisconnect(kTerminalDestroyWaitMs);
}

bool CTerminalCtrl::QueryEndSession() {
    if (!m_device.m_pConn) return true;
    static_cast<void>(DisconnectFromHost());
    if (platform::EventLoop* loop = platform::EventLoop::Current()) {
        static_cast<void>(
            loop->PumpUntil([&] { return m_device.m_bDisconnected == 1; }, kTerminalDestroyWaitMs));
    }
    return false;
}

Variant CTerminalCtrl::InvokeOwn(Op op, Args args, HRESULT& hr) {
    CTerminal& d = m_device;
    switch (op) {
        case Op::ReceiveVUVE: {
            d.m_nState = DEV_RECEIVING;
            std::string message;
            if (!d.ReceiveVUVEMessage(&message)) message.clear();
            d.m_nState = DEV_IDLE;
            return Variant::BStr(message);
        }
        case Op::ChangeSystem:
            return WithText(args, hr, [&](const std::string& endSystem) {
                if (d.m_nState == DEV_NOT_CONNECTED) {
                    d.SetError(DEV_NO_CONNECTION);
                    return false;
                }
                if (d.m_nState != DEV_IDLE) {
                    d.SetError(DEV_BUSY);
                    return false;
                }
                if (!EndSystemOfSession(d.m_strSession, endSystem)) {
                    d.SetError(DEV_BAD_END_SYSTEM);
                    return false;
                }
                d.m_nState = DEV_CONNECTING;
                const bool changed = d.ChangeSystem(endSystem);
                d.m_nState = DEV_IDLE;
                return changed;
            });
        case Op::LoopBackMessage:
            return WithText(args, hr, [&](const std::string& data) {
                if (d.m_nState != DEV_IDLE) {
                    d.SetError(DEV_BUSY);
                    return false;
                }
                return d.LoopBackMessage(data);
            });
        case Op::ConnectToHost: {
            std::string app;
            std::string session;
            hr = ConnectArgs(args, app, session);
            if (platform::FAILED(hr)) return {};
            if (d.m_bConnectPending) {
                d.SetError(DEV_CONNECT_IN_PROGRESS);
                return Variant::Bool(false);
            }
            d.m_nState = DEV_CONNECTING;
            const bool ok = d.Connect(app, session);
            if (!ok) d.m_nState = d.m_HostTable.IsEmpty() ? DEV_NOT_CONNECTED : DEV_IDLE;
            return Variant::Bool(ok);
        }
        default:
            hr = platform::DISP_E_MEMBERNOTFOUND;
            return {};
    }
}

}  // namespace hostcontrol
