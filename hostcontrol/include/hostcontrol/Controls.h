// The Printer and Terminal controls: automation objects that own their device and answer
// their members by dispatch id. A control belongs to the thread that made it (its events are
// fired there, and the connection library calls back there); its members are called on
// that thread.
//
// When a control goes while its device is connected, it disconnects and keeps the thread's
// loop running until the disconnect has been handled or its state is 0: at most 120 s for
// the Printer, 60 s for the Terminal, on the current clock.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "hostcontrol/PrinterTerminal.h"
#include "platform/ConnectionPoint.h"
#include "platform/Dispatch.h"

namespace hostcontrol {

inline constexpr platform::DWORD kPrinterDestroyWaitMs = 120000;
inline constexpr platform::DWORD kTerminalDestroyWaitMs = 60000;

// What the members of the two controls do; each control maps its dispatch ids onto these.
enum class Op {
    Receive,        // the next message as text, the state left alone
    ReceiveAround,  // the same with state 3 around it
    Bytes,          // the next message into an out argument as bytes, the state left alone
    BytesAround,
    ReceiveVUVE,
    Resource,
    Status,
    LastError,
    LastProtocolError,
    SendString,
    DisconnectFromHost,
    GetLastErrorMessage,
    GetLastProtocolErrorMessage,
    GetDefaultSession,
    SetDefaultSession,
    GetDefaultEndSystem,
    SetDefaultEndSystem,
    AccumulateMessages,
    TranslateMessages,
    ConfigureApplication,
    ReleaseWaitingMessages,
    ConnectToHost,
    Lock,
    UnLock,
    MonitorConnection,
    ChangeSystem,
    DisconnectEndSystem,
    LoopBackMessage,
    AboutBox,
};

// One member of a control: its dispatch id, what it does and how many arguments it takes.
struct ControlMember {
    platform::DISPID id;
    Op op;
    int args;
};

// What both controls share: the event source, the dispatch of their members, and the wait
// as the control goes.
class CControlBase : public platform::IDispatch {
public:
    [[nodiscard]] platform::IConnectionPoint* EventSource() noexcept override { return &m_events; }
    // Refuses puts, unknown ids and wrong argument counts; nothing thrown leaves it.
    [[nodiscard]] platform::HRESULT Invoke(platform::DISPID id, platform::DispatchKind kind,
                                           std::span<const platform::Variant> args,
                                           platform::Variant* result) final;

protected:
    using Args = std::span<const platform::Variant>;

    CControlBase(std::span<const ControlMember> members, platform::DISPID lockEvent,
                 platform::DISPID unlockEvent)
        : m_members(members), m_lockEvent(lockEvent), m_unlockEvent(unlockEvent) {}
    virtual CTREVODevice& TheDevice() noexcept = 0;
    // The members whose behaviour is the control's own (ConnectToHost and those only one
    // control has).
    virtual platform::Variant InvokeOwn(Op op, Args args, platform::HRESULT& hr) = 0;

    bool DisconnectFromHost();
    // Disconnects and waits for it, as the control goes.
    void WaitForDisconnect(platform::DWORD limitMs);

    platform::ConnectionPoint m_events;

private:
    platform::Variant InvokeShared(Op op, Args args, platform::HRESULT& hr);
    bool SendString(const std::string& data);
    // Receive, with the state 3 around it when asked; empty text when it failed.
    std::string Receive(bool setState);

    std::span<const ControlMember> m_members;
    platform::DISPID m_lockEvent;
    platform::DISPID m_unlockEvent;
};

class CPrinterCtrl final : public CControlBase {
public:
    CPrinterCtrl();
    ~CPrinterCtrl() override;

    CPrinter& Device() noexcept { return m_device; }

private:
    CTREVODevice& TheDevice() noexcept override { return m_device; }
    platform::Variant InvokeOwn(Op op, Args args, platform::HRESULT& hr) override;

    CPrinter m_device;
};

class CTerminalCtrl final : public CControlBase {
public:
    CTerminalCtrl();
    ~CTerminalCtrl() override;

    CTerminal& Device() noexcept { return m_device; }

    // The session is about to end: with a current connection the control disconnects, waits
    // (at most 60 s) for the disconnect to be handled, and answers false (not yet); without
    // one it answers true.
    bool QueryEndSession();

private:
    CTREVODevice& TheDevice() noexcept override { return m_device; }
    platform::Variant InvokeOwn(Op op, Args args, platform::HRESULT& hr) override;

    CTerminal m_device;
};

}  // namespace hostcontrol
