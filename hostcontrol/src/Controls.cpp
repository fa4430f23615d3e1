#include "hostcontrol/Controls.h"

#include "ControlArgs.h"
#include "brxapicfg/BRXConfig.h"
#include "hostcontrol/ControlIds.h"
#include "hostcontrol/DeviceErrors.h"
#include "hostcontrol/Lookups.h"
#include "platform/EventLoop.h"
#include "platform/MessageBox.h"

namespace hostcontrol {

using platform::HRESULT;
using platform::Variant;

// ---- shared members ----

bool CControlBase::SendString(CTREVODevice& device, const std::string& data) {
    if (!device.m_bConnected || device.m_nState == DEV_NOT_CONNECTED) {
        device.SetError(DEV_NO_CONNECTION);
        return false;
    }
    if (device.m_nState != DEV_IDLE) {
        device.SetError(DEV_BUSY);
        return false;
    }
    device.m_nState = DEV_SENDING;
    std::string copy = data;
    const bool sent = device.Send(&copy);
    device.m_nState = DEV_IDLE;
    return sent;
}

bool CControlBase::DisconnectFromHost(CTREVODevice& device) {
    if (device.m_nState == DEV_NOT_CONNECTED) {
        device.SetError(DEV_NO_CONNECTION);
        return false;
    }
    if (device.m_bConnectPending) {
        device.SetError(DEV_CONNECT_IN_PROGRESS);
        return false;
    }
    if (device.m_nState == DEV_DISCONNECTING) {
        device.SetError(DEV_DISCONNECT_IN_PROGRESS);
        return false;
    }
    device.m_nState = DEV_DISCONNECTING;
    return device.Disconnect();
}

std::string CControlBase::ReceiveAround(CTREVODevice& device, bool setState) {
    if (setState) device.m_nState = DEV_RECEIVING;
    std::string message;
    if (!device.Receive(&message)) message.clear();
    if (setState) device.m_nState = DEV_IDLE;
    return message;
}

namespace {

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
    if (get(name, value) != 0) {
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
    if (set(name, value) != 0) {
        device.SetError(DEV_CONFIGURATION);
        return false;
    }
    return true;
}

}  // namespace

bool CControlBase::GetDefaultSession(CTREVODevice& device, Args args) {
    return GetInto(device, args, [](const std::string& app, std::string& session) {
        return BRXConfig().GetDefaultSession(app, &session);
    });
}

bool CControlBase::SetDefaultSession(CTREVODevice& device, Args args) {
    return SetFrom(device, args, [](const std::string& app, const std::string& session) {
        return BRXConfig().SetDefaultSession(app, session);
    });
}

bool CControlBase::GetDefaultEndSystem(CTREVODevice& device, Args args) {
    return GetInto(device, args, [](const std::string& session, std::string& endSystem) {
        return BRXConfig().GetDefaultEndSystem(session, &endSystem);
    });
}

bool CControlBase::SetDefaultEndSystem(CTREVODevice& device, Args args) {
    return SetFrom(device, args, [](const std::string& session, const std::string& endSystem) {
        return BRXConfig().SetDefaultEndSystem(session, endSystem);
    });
}

bool CControlBase::ConfigureApplication(Args args) {
    std::string app;
    Variant* out = OutArg(args, 1);
    if (!out || platform::FAILED(TextArg(args, 0, app))) return false;
    std::string session;
    const int result = BRXAPIConfiguration(app, &session);
    if (result != 0) *out = Variant::BStr(session);
    return result != 0;
}

void CControlBase::WaitForDisconnect(CTREVODevice& device, platform::DWORD limitMs) {
    if (device.m_nState == DEV_NOT_CONNECTED) return;
    if (device.m_nState == DEV_IDLE) static_cast<void>(DisconnectFromHost(device));
    platform::EventLoop* loop = platform::EventLoop::Current();
    if (!loop) return;
    static_cast<void>(loop->PumpUntil(
        [&] { return device.m_bDisconnected == 1 || device.m_nState == DEV_NOT_CONNECTED; },
        limitMs));
}

// ---- Printer ----

namespace {

// The members' argument counts; -1 for an id that is no member.
int PrinterArgCount(platform::DISPID id) {
    switch (id) {
        case printer::Data:
        case printer::Resource:
        case printer::Status:
        case printer::LastError:
        case printer::LastProtocolError:
        case printer::DisconnectFromHost:
        case printer::ReceiveString:
        case printer::GetLastErrorMessage:
        case printer::GetLastProtocolErrorMessage:
        case printer::ReleaseWaitingMessages:
        case printer::Lock:
        case printer::UnLock:
        case printer::AboutBox:
            return 0;
        case printer::SendString:
        case printer::AccumulateMessages:
        case printer::TranslateMessages:
        case printer::MonitorConnection:
        case printer::ReceiveBString:
        case printer::BData:
            return 1;
        case printer::GetDefaultSession:
        case printer::SetDefaultSession:
        case printer::GetDefaultEndSystem:
        case printer::SetDefaultEndSystem:
        case printer::ConfigureApplication:
            return 2;
        case printer::ConnectToHost:
            return 3;
        default:
            return -1;
    }
}

int TerminalArgCount(platform::DISPID id) {
    switch (id) {
        case terminal::LastError:
        case terminal::LastProtocolError:
        case terminal::Data:
        case terminal::Resource:
        case terminal::Status:
        case terminal::DisconnectFromHost:
        case terminal::ReceiveString:
        case terminal::ReceiveVUVEString:
        case terminal::GetLastErrorMessage:
        case terminal::GetLastProtocolErrorMessage:
        case terminal::ReleaseWaitingMessages:
        case terminal::Lock:
        case terminal::UnLock:
            return 0;
        case terminal::SendString:
        case terminal::AccumulateMessages:
        case terminal::TranslateMessages:
        case terminal::ChangeSystem:
        case terminal::DisconnectEndSystem:
        case terminal::LoopBackMessage:
        case terminal::MonitorConnection:
        case terminal::BData:
        case terminal::ReceiveBString:
            return 1;
        case terminal::GetDefaultEndSystem:
        case terminal::SetDefaultEndSystem:
        case terminal::GetDefaultSession:
        case terminal::SetDefaultSession:
        case terminal::ConfigureApplication:
            return 2;
        case terminal::ConnectToHost:
            return 3;
        default:
            return -1;
    }
}

// Checks the kind and count of a call; S_OK when it may go on.
HRESULT Admit(int count, platform::DispatchKind kind, std::span<const Variant> args) {
    if (count < 0 || kind == platform::DispatchKind::PropertyPut)
        return platform::DISP_E_MEMBERNOTFOUND;
    return CheckCount(args, static_cast<std::size_t>(count));
}

// A flag-taking option member: state 0 gives code 14.
template <typename Set>
Variant FlagOption(CTREVODevice& device, std::span<const Variant> args, HRESULT& hr, Set set) {
    bool flag = false;
    hr = FlagArg(args, 0, flag);
    if (platform::FAILED(hr)) return {};
    if (device.m_nState == DEV_NOT_CONNECTED) {
        device.SetError(DEV_NO_CONNECTION);
        return Variant::Bool(false);
    }
    return Variant::Bool(set(flag ? 1 : 0));
}

// A member taking one text.
template <typename Use>
Variant WithText(std::span<const Variant> args, HRESULT& hr, Use use) {
    std::string text;
    hr = TextArg(args, 0, text);
    if (platform::FAILED(hr)) return {};
    return Variant::Bool(use(text));
}

// The connect arguments: application, session, shared flag (not used).
HRESULT ConnectArgs(std::span<const Variant> args, std::string& app, std::string& session) {
    bool shared = false;
    HRESULT hr = TextArg(args, 0, app);
    if (platform::SUCCEEDED(hr)) hr = TextArg(args, 1, session);
    if (platform::SUCCEEDED(hr)) hr = FlagArg(args, 2, shared);
    return hr;
}

HRESULT PutBytes(std::span<const Variant> args, const std::string& message) {
    Variant* out = OutArg(args, 0);
    if (!out) return platform::DISP_E_TYPEMISMATCH;
    *out = ByteArrayOf(message);
    return platform::S_OK;
}

}  // namespace

CPrinterCtrl::CPrinterCtrl() : m_device(m_events) {}

CPrinterCtrl::~CPrinterCtrl() {
    WaitForDisconnect(m_device, kPrinterDestroyWaitMs);
    if (m_device.m_pConn && m_device.m_nState != DEV_NOT_CONNECTED) {
        static_cast<void>(m_device.Disconnect());
    }
}

HRESULT CPrinterCtrl::Invoke(platform::DISPID id, platform::DispatchKind kind, Args args,
                             Variant* result) {
    try {
        HRESULT hr = Admit(PrinterArgCount(id), kind, args);
        if (platform::FAILED(hr)) return hr;
        CPrinter& d = m_device;
        Variant value;
        switch (id) {
            case printer::Data:
                value = Variant::BStr(ReceiveAround(d, false));
                break;
            case printer::Resource:
                value = Variant::BStr(d.m_strResource);
                break;
            case printer::Status:
                value = Variant::I2(static_cast<std::int16_t>(d.GetStatus()));
                break;
            case printer::LastError:
                value = Variant::I2(d.m_nLastError);
                break;
            case printer::LastProtocolError:
                value = Variant::I2(d.m_nLastProtocolError);
                break;
            case printer::SendString:
                value = WithText(args, hr, [&](const std::string& s) { return SendString(d, s); });
                break;
            case printer::DisconnectFromHost:
                value = Variant::Bool(DisconnectFromHost(d));
                break;
            case printer::ReceiveString:
                value = Variant::BStr(ReceiveAround(d, true));
                break;
            case printer::GetLastErrorMessage:
                value = Variant::BStr(d.m_strLastError);
                break;
            case printer::GetLastProtocolErrorMessage:
                value = Variant::BStr(d.m_strLastProtocolError);
                break;
            case printer::GetDefaultSession:
                value = Variant::Bool(GetDefaultSession(d, args));
                break;
            case printer::SetDefaultSession:
                value = Variant::Bool(SetDefaultSession(d, args));
                break;
            case printer::GetDefaultEndSystem:
                value = Variant::Bool(GetDefaultEndSystem(d, args));
                break;
            case printer::SetDefaultEndSystem:
                value = Variant::Bool(SetDefaultEndSystem(d, args));
                break;
            case printer::AccumulateMessages:
                value = FlagOption(d, args, hr, [&](int n) { return d.AccumulateMsg(n); });
                break;
            case printer::TranslateMessages:
                value = FlagOption(d, args, hr, [&](int n) { return d.TranslateMsg(n); });
                break;
            case printer::ConfigureApplication:
                value = Variant::Bool(ConfigureApplication(args));
                break;
            case printer::ReleaseWaitingMessages:
                value = Variant::Bool(d.ReleaseMessageQueue());
                break;
            case printer::ConnectToHost: {
                std::string app;
                std::string session;
                hr = ConnectArgs(args, app, session);
                if (platform::FAILED(hr)) break;
                bool ok = false;
                if (d.m_bConnectPending) {
                    d.SetError(DEV_CONNECT_IN_PROGRESS);
                } else if (d.m_nState != DEV_NOT_CONNECTED) {
                    d.SetError(DEV_CONNECTION_LOST);
                } else {
                    d.m_nState = DEV_CONNECTING;
                    ok = d.Connect(app, session);
                    if (!ok) d.m_nState = DEV_NOT_CONNECTED;
                }
                value = Variant::Bool(ok);
                break;
            }
            case printer::Lock:
                FireFlag(m_events, printer_event::OnLock, true);
                value = Variant::Bool(true);
                break;
            case printer::UnLock:
                FireFlag(m_events, printer_event::OnUnLock, true);
                value = Variant::Bool(true);
                break;
            case printer::MonitorConnection: {
                bool flag = false;
                hr = FlagArg(args, 0, flag);
                value = Variant::Bool(true);
                break;
            }
            case printer::ReceiveBString:
                hr = PutBytes(args, ReceiveAround(d, true));
                break;
            case printer::BData:
                hr = PutBytes(args, ReceiveAround(d, false));
                break;
            case printer::AboutBox:
                static_cast<void>(platform::ShowMessageBox(
                    "About Printer Control", "Printer Control, Version 1.0", platform::MB_OK));
                break;
            default:
                return platform::DISP_E_MEMBERNOTFOUND;
        }
        if (platform::FAILED(hr)) return hr;
        if (result) *result = std::move(value);
        return platform::S_OK;
    } catch (...) {
        return platform::E_FAIL;
    }
}

// ---- Terminal ----

CTerminalCtrl::CTerminalCtrl() : m_device(m_events) {}

CTerminalCtrl::~CTerminalCtrl() {
    WaitForDisconnect(m_device, kTerminalDestroyWaitMs);
    if (m_device.m_pConn && m_device.m_nState != DEV_NOT_CONNECTED) {
        static_cast<void>(m_device.Disconnect());
    }
}

bool CTerminalCtrl::QueryEndSession() {
    if (!m_device.m_pConn) return true;
    static_cast<void>(DisconnectFromHost(m_device));
    if (platform::EventLoop* loop = platform::EventLoop::Current()) {
        static_cast<void>(
            loop->PumpUntil([&] { return m_device.m_bDisconnected == 1; }, kTerminalDestroyWaitMs));
    }
    return false;
}

HRESULT CTerminalCtrl::Invoke(platform::DISPID id, platform::DispatchKind kind, Args args,
                              Variant* result) {
    try {
        HRESULT hr = Admit(TerminalArgCount(id), kind, args);
        if (platform::FAILED(hr)) return hr;
        CTerminal& d = m_device;
        Variant value;
        switch (id) {
            case terminal::LastError:
                value = Variant::I2(d.m_nLastError);
                break;
            case terminal::LastProtocolError:
                value = Variant::I2(d.m_nLastProtocolError);
                break;
            case terminal::Data:
                value = Variant::BStr(ReceiveAround(d, true));
                break;
            case terminal::Resource:
                value = Variant::BStr(d.m_strResource);
                break;
            case terminal::Status:
                value = Variant::I2(static_cast<std::int16_t>(d.GetStatus()));
                break;
            case terminal::SendString:
                value = WithText(args, hr, [&](const std::string& s) { return SendString(d, s); });
                break;
            case terminal::DisconnectFromHost:
                value = Variant::Bool(DisconnectFromHost(d));
                break;
            case terminal::ReceiveString:
                value = Variant::BStr(ReceiveAround(d, true));
                break;
            case terminal::ReceiveVUVEString: {
                d.m_nState = DEV_RECEIVING;
                std::string message;
                if (!d.ReceiveVUVEMessage(&message)) message.clear();
                d.m_nState = DEV_IDLE;
                value = Variant::BStr(message);
                break;
            }
            case terminal::GetLastErrorMessage:
                value = Variant::BStr(d.m_strLastError);
                break;
            case terminal::GetLastProtocolErrorMessage:
                value = Variant::BStr(d.m_strLastProtocolError);
                break;
            case terminal::GetDefaultEndSystem:
                value = Variant::Bool(GetDefaultEndSystem(d, args));
                break;
            case terminal::SetDefaultEndSystem:
                value = Variant::Bool(SetDefaultEndSystem(d, args));
                break;
            case terminal::GetDefaultSession:
                value = Variant::Bool(GetDefaultSession(d, args));
                break;
            case terminal::SetDefaultSession:
                value = Variant::Bool(SetDefaultSession(d, args));
                break;
            case terminal::AccumulateMessages:
                value = FlagOption(d, args, hr, [&](int n) { return d.AccumulateMsg(n); });
                break;
            case terminal::TranslateMessages:
                value = FlagOption(d, args, hr, [&](int n) { return d.TranslateMsg(n); });
                break;
            case terminal::ChangeSystem:
                value = WithText(args, hr, [&](const std::string& endSystem) {
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
                break;
            case terminal::DisconnectEndSystem:
                value = WithText(args, hr,
                                 [&](const std::string& s) { return d.DisconnectEndSystem(s); });
                break;
            case terminal::LoopBackMessage:
                value = WithText(args, hr, [&](const std::string& s) {
                    if (d.m_nState != DEV_IDLE) {
                        d.SetError(DEV_BUSY);
                        return false;
                    }
                    return d.LoopBackMessage(s);
                });
                break;
            case terminal::ConfigureApplication:
                value = Variant::Bool(ConfigureApplication(args));
                break;
            case terminal::MonitorConnection: {
                bool flag = false;
                hr = FlagArg(args, 0, flag);
                value = Variant::Bool(true);
                break;
            }
            case terminal::ReleaseWaitingMessages:
                value = Variant::Bool(d.ReleaseMessageQueue());
                break;
            case terminal::ConnectToHost: {
                std::string app;
                std::string session;
                hr = ConnectArgs(args, app, session);
                if (platform::FAILED(hr)) break;
                bool ok = false;
                if (d.m_bConnectPending) {
                    d.SetError(DEV_CONNECT_IN_PROGRESS);
                } else {
                    d.m_nState = DEV_CONNECTING;
                    ok = d.Connect(app, session);
                    if (!ok) d.m_nState = d.m_HostTable.IsEmpty() ? DEV_NOT_CONNECTED : DEV_IDLE;
                }
                value = Variant::Bool(ok);
                break;
            }
            case terminal::Lock:
                FireFlag(m_events, terminal_event::OnLock, true);
                value = Variant::Bool(true);
                break;
            case terminal::UnLock:
                FireFlag(m_events, terminal_event::OnUnLock, true);
                value = Variant::Bool(true);
                break;
            case terminal::BData:
            case terminal::ReceiveBString:
                hr = PutBytes(args, ReceiveAround(d, true));
                break;
            default:
                return platform::DISP_E_MEMBERNOTFOUND;
        }
        if (platform::FAILED(hr)) return hr;
        if (result) *result = std::move(value);
        return platform::S_OK;
    } catch (...) {
        return platform::E_FAIL;
    }
}

}  // namespace hostcontrol
