// Identities of the host control module BRXAPI: its type library, classes, ProgIDs, and the
// dispatch ids of the two controls' members and events.
#pragma once

#include "platform/Dispatch.h"
#include "platform/Guid.h"

namespace hostcontrol {

inline constexpr char kModuleName[] = "BRXAPI";

// {5A17C0Dn-9B2E-4C61-A3F4-2D8E6B10C7A5}
constexpr platform::Guid ControlGuid(std::uint32_t n) {
    return {0x5A17C0D0u + n, 0x9B2E, 0x4C61, {0xA3, 0xF4, 0x2D, 0x8E, 0x6B, 0x10, 0xC7, 0xA5}};
}

inline constexpr platform::Guid kTypeLibId = ControlGuid(0);
inline constexpr platform::Guid kTerminalDispatchId = ControlGuid(1);
inline constexpr platform::Guid kTerminalEventsId = ControlGuid(2);
inline constexpr platform::Guid kTerminalClassId = ControlGuid(3);
inline constexpr platform::Guid kTerminalPropPageId = ControlGuid(4);
inline constexpr platform::Guid kPrinterDispatchId = ControlGuid(5);
inline constexpr platform::Guid kPrinterEventsId = ControlGuid(6);
inline constexpr platform::Guid kPrinterClassId = ControlGuid(7);
inline constexpr platform::Guid kPrinterPropPageId = ControlGuid(8);

inline constexpr char kTerminalProgId[] = "BRXAPI.TerminalCtrl.1";
inline constexpr char kPrinterProgId[] = "BRXAPI.PrinterCtrl.1";
inline constexpr char kTerminalPropPageProgId[] = "BRXAPI.TerminalPropPage.1";
inline constexpr char kPrinterPropPageProgId[] = "BRXAPI.PrinterPropPage.1";
inline constexpr char kTypeLibHelp[] = "brxapi OLE Control module";
inline constexpr unsigned kTypeLibLocale = 0x409;
inline constexpr unsigned kPrinterMiscStatus = 0x20191;
inline constexpr unsigned kTerminalMiscStatus = 0x20491;

// _DPrinter
namespace printer {
enum : platform::DISPID {
    Data = 1,
    Resource = 2,
    Status = 3,
    LastError = 4,
    LastProtocolError = 5,
    SendString = 6,
    DisconnectFromHost = 7,
    ReceiveString = 8,
    GetLastErrorMessage = 9,
    GetLastProtocolErrorMessage = 10,
    GetDefaultSession = 11,
    SetDefaultSession = 12,
    GetDefaultEndSystem = 13,
    SetDefaultEndSystem = 14,
    AccumulateMessages = 15,
    TranslateMessages = 16,
    ConfigureApplication = 17,
    ReleaseWaitingMessages = 18,
    ConnectToHost = 19,
    Lock = 20,
    UnLock = 21,
    MonitorConnection = 22,
    ReceiveBString = 23,
    BData = 24,
    AboutBox = -552,
};
}  // namespace printer

// _DPrinterEvents
namespace printer_event {
enum : platform::DISPID {
    OnReceive = 1,
    OnResource = 2,
    OnConnect = 3,
    OnDisconnect = 4,
    OnSend = 5,
    OnSystemAvailable = 6,
    OnLock = 7,
    OnUnLock = 8,
};
}  // namespace printer_event

// _DTerminal
namespace terminal {
enum : platform::DISPID {
    LastError = 1,
    LastProtocolError = 2,
    Data = 3,
    Resource = 4,
    Status = 5,
    SendString = 6,
    DisconnectFromHost = 7,
    ReceiveString = 8,
    ReceiveVUVEString = 9,
    GetLastErrorMessage = 10,
    GetLastProtocolErrorMessage = 11,
    GetDefaultEndSystem = 12,
    SetDefaultEndSystem = 13,
    GetDefaultSession = 14,
    SetDefaultSession = 15,
    AccumulateMessages = 16,
    TranslateMessages = 17,
    ChangeSystem = 18,
    DisconnectEndSystem = 19,
    LoopBackMessage = 20,
    ConfigureApplication = 21,
    MonitorConnection = 22,
    ReleaseWaitingMessages = 23,
    ConnectToHost = 24,
    Lock = 25,
    UnLock = 26,
    BData = 27,
    ReceiveBString = 28,
};
}  // namespace terminal

// _DTerminalEvents
namespace terminal_event {
enum : platform::DISPID {
    OnReceive = 1,
    OnVUVEReceive = 2,
    OnResource = 3,
    OnConnect = 4,
    OnDisconnect = 5,
    OnSend = 6,
    OnSystemAvailable = 7,
    OnLock = 8,
    OnUnLock = 9,
};
}  // namespace terminal_event

}  // namespace hostcontrol
