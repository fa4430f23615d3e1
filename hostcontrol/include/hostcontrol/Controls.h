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

// What both controls share: the event source and the members that behave alike.
class CControlBase : public platform::IDispatch {
public:
    [[nodiscard]] platform::IConnectionPoint* EventSource() noexcept override { return &m_events; }

protected:
    using Args = std::span<const platform::Variant>;

    CControlBase() = default;
    // The device's state and connect flag after each member; for the members alike.
    bool SendString(CTREVODevice& device, const std::string& data);
    bool DisconnectFromHost(CTREVODevice& device);
    // Receive with the state 3 around it; empty text when it failed.
    std::string ReceiveAround(CTREVODevice& device, bool setState);
    bool GetDefaultSession(CTREVODevice& device, Args args);
    bool SetDefaultSession(CTREVODevice& device, Args args);
    bool GetDefaultEndSystem(CTREVODevice& device, Args args);
    bool SetDefaultEndSystem(CTREVODevice& device, Args args);
    bool ConfigureApplication(Args args);
    // Disconnects and waits for it, as the control goes.
    void WaitForDisconnect(CTREVODevice& device, platform::DWORD limitMs);

    platform::ConnectionPoint m_events;
};

class CPrinterCtrl final : public CControlBase {
public:
    CPrinterCtrl();
    ~CPrinterCtrl() override;

    [[nodiscard]] platform::HRESULT Invoke(platform::DISPID id, platform::DispatchKind kind,
                                           Args args, platform::Variant* result) override;
    CPrinter& Device() noexcept { return m_device; }

private:
    CPrinter m_device;
};

class CTerminalCtrl final : public CControlBase {
public:
    CTerminalCtrl();
    ~CTerminalCtrl() override;

    [[nodiscard]] platform::HRESULT Invoke(platform::DISPID id, platform::DispatchKind kind,
                                           Args args, platform::Variant* result) override;
    CTerminal& Device() noexcept { return m_device; }

    // The session is about to end: with a current connection the control disconnects, waits
    // (at most 60 s) for the disconnect to be handled, and answers false (not yet); without
    // one it answers true.
    bool QueryEndSession();

private:
    CTerminal m_device;
};

}  // namespace hostcontrol
