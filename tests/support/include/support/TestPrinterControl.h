// A stand-in for the host control's Printer control, for tests of whatever drives it: a
// loadable module (TestPrinterControl) that registers itself under the Printer control's
// class id, answers the control's dispatch ids as the real control does and fires its eight
// events through its connection point, on the event loop of the thread that created it.
//
// Its members may be invoked from any thread (a host link sends from its device's send
// thread); events still reach the creating thread's loop.
//
// The test plays the host and the connection library through TestPrinterHost: it completes
// or refuses connects, assigns the terminal address, delivers host messages, completes
// sends, and loses the connection; it sees every request the control was given.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Dispatch.h"
#include "platform/EventSink.h"
#include "platform/Guid.h"
#include "platform/HResult.h"

namespace support {

inline constexpr platform::Guid kPrinterControlClassId{
    0x5A17C0D7, 0x9B2E, 0x4C61, {0xA3, 0xF4, 0x2D, 0x8E, 0x6B, 0x10, 0xC7, 0xA5}};
inline constexpr platform::Guid kControlTypeLibId{
    0x5A17C0D0, 0x9B2E, 0x4C61, {0xA3, 0xF4, 0x2D, 0x8E, 0x6B, 0x10, 0xC7, 0xA5}};
inline constexpr char kPrinterControlProgId[] = "BRXAPI.PrinterCtrl.1";

// Dispatch ids of the Printer control's members.
namespace printer {
inline constexpr platform::DISPID Resource = 2;   // property get: text
inline constexpr platform::DISPID LastError = 4;  // property get: 16-bit code
inline constexpr platform::DISPID SendString = 6;
inline constexpr platform::DISPID DisconnectFromHost = 7;
inline constexpr platform::DISPID ReceiveString = 8;
inline constexpr platform::DISPID GetLastErrorMessage = 9;
inline constexpr platform::DISPID TranslateMessages = 16;
inline constexpr platform::DISPID ConnectToHost = 19;
inline constexpr platform::DISPID Lock = 20;
inline constexpr platform::DISPID UnLock = 21;
inline constexpr platform::DISPID ReceiveBString = 23;
}  // namespace printer

// Dispatch ids of its events; every one but OnReceive carries one Boolean.
namespace printer_event {
inline constexpr platform::DISPID OnReceive = 1;
inline constexpr platform::DISPID OnResource = 2;
inline constexpr platform::DISPID OnConnect = 3;
inline constexpr platform::DISPID OnDisconnect = 4;
inline constexpr platform::DISPID OnSend = 5;
inline constexpr platform::DISPID OnSystemAvailable = 6;
inline constexpr platform::DISPID OnLock = 7;
inline constexpr platform::DISPID OnUnLock = 8;
}  // namespace printer_event

// The control's device state.
enum class PrinterState {
    NotConnected = 0,
    Connecting = 1,
    Idle = 2,
    Receiving = 3,
    Sending = 4,
    Disconnecting = 5,
};

struct ConnectRequest {
    std::string application;
    std::string session;
    bool shared = false;
};

// The host's side of one live test control. Any thread. Each action fires its event (if
// any) after the control's state has changed, so a handler sees the new state.
class TestPrinterHost {
public:
    // ---- what the control was asked ----
    // The bytes of every message SendString accepted, in order.
    virtual std::vector<std::string> Sent() = 0;
    virtual std::vector<ConnectRequest> Connects() = 0;
    virtual PrinterState State() = 0;
    virtual bool Translating() = 0;
    virtual std::size_t Waiting() = 0;  // received messages not yet taken

    // ---- the connection library's answers to the next requests ----
    // The next ConnectToHost fails at once with this code and text.
    virtual void RefuseNextConnect(std::int16_t code, const std::string& text) = 0;
    // Every SendString fails with this code and text until called with code 0.
    virtual void RefuseSends(std::int16_t code, const std::string& text) = 0;
    // A send or receive of the control's own is in progress while busy.
    virtual void SetBusy(bool busy) = 0;

    // ---- the host acting; false when the control is in no state for it ----
    // The pending connect succeeds (OnConnect(true)) or fails with `code` (OnConnect(false)).
    virtual bool CompleteConnect(bool ok, std::int16_t code = 0) = 0;
    // The host assigns the terminal address: OnResource(true).
    virtual bool AssignResource(const std::string& lniata) = 0;
    virtual bool SystemAvailable(bool available) = 0;
    // A host message arrives: queued, then OnReceive.
    virtual bool Deliver(const std::string& message) = 0;
    // The last send is done (OnSend(true)) or failed with `code`.
    virtual bool CompleteSend(bool ok, std::int16_t code = 0) = 0;
    // The disconnect that was asked for is done: OnDisconnect(true).
    virtual bool CompleteDisconnect() = 0;
    // The connection drops: queued messages go, OnDisconnect(false).
    virtual bool LoseConnection(std::int16_t code, const std::string& text) = 0;

protected:
    virtual ~TestPrinterHost() = default;
};

// The module file of the test control.
std::filesystem::path TestPrinterControlModule();
// Registers the test control in the current machine root's store, as its module registers
// itself.
[[nodiscard]] platform::HRESULT RegisterTestPrinterControl();
// The host side of a control made by the test module; null for any other object.
TestPrinterHost* HostSideOf(platform::IDispatch& control);

// The test module's export behind HostSideOf.
inline constexpr char kHostSideOfSymbol[] = "TrevoTestPrinterHostOf";
using HostSideOfFunction = TestPrinterHost* (*)(platform::IDispatch* control);

// A sink that keeps every event it gets, with the thread it got it on.
class EventRecorder final : public platform::IEventSink {
public:
    struct Event {
        platform::DISPID id = 0;
        std::vector<platform::Variant> args;
        std::thread::id thread;
    };

    void OnEvent(platform::DISPID id, std::span<const platform::Variant> args) override;
    std::vector<Event> Events() const;
    std::size_t Count() const;
    // The ids in the order they came.
    std::vector<platform::DISPID> Ids() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
};

}  // namespace support
