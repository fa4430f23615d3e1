// The test Printer control: the device state of one connection, the dispatch members by id
// and the host's side. Lock order: the control's own lock only; it is never held while an
// event is fired.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ConnectionPoint.h"
#include "platform/Dispatch.h"
#include "support/TestPrinterControl.h"

namespace testcontrol {

using support::PrinterState;

class PrinterControl final : public platform::IDispatch, public support::TestPrinterHost {
public:
    PrinterControl();
    ~PrinterControl() override;

    [[nodiscard]] platform::HRESULT Invoke(platform::DISPID id, platform::DispatchKind kind,
                                           std::span<const platform::Variant> args,
                                           platform::Variant* result) override;
    [[nodiscard]] platform::IConnectionPoint* EventSource() noexcept override { return &m_events; }

    std::vector<std::string> Sent() override;
    std::vector<support::ConnectRequest> Connects() override;
    support::PrinterState State() override;
    bool Translating() override;
    std::size_t Waiting() override;
    void RefuseNextConnect(std::int16_t code, const std::string& text) override;
    void RefuseSends(std::int16_t code, const std::string& text) override;
    void SetBusy(bool busy) override;
    bool CompleteConnect(bool ok, std::int16_t code) override;
    bool AssignResource(const std::string& lniata) override;
    bool SystemAvailable(bool available) override;
    bool Deliver(const std::string& message) override;
    bool CompleteSend(bool ok, std::int16_t code) override;
    bool CompleteDisconnect() override;
    bool LoseConnection(std::int16_t code, const std::string& text) override;

private:
    // Fire with a Boolean argument, or none; outside the lock.
    void Fire(platform::DISPID event, bool flag);
    void Fire(platform::DISPID event);

    // Under m_mutex.
    PrinterState Effective() const { return m_busy ? PrinterState::Sending : m_state; }
    void SetError(std::int16_t code);
    void SetError(std::int16_t code, const std::string& text);
    bool Receive(std::string& message);

    platform::HRESULT ConnectToHost(std::span<const platform::Variant> args, bool& ok);
    platform::HRESULT SendString(std::span<const platform::Variant> args, bool& ok);
    bool DisconnectFromHost();
    platform::HRESULT TranslateMessages(std::span<const platform::Variant> args, bool& ok);
    std::string TakeMessage();

    platform::ConnectionPoint m_events;
    std::mutex m_mutex;
    PrinterState m_state = PrinterState::NotConnected;
    bool m_connected = false;
    bool m_connectPending = false;
    bool m_busy = false;
    bool m_translate = true;
    std::string m_resource = "000000";
    std::int16_t m_lastError = 0;
    std::string m_lastErrorText;
    std::deque<std::string> m_received;
    std::vector<std::string> m_sent;
    std::vector<support::ConnectRequest> m_connects;
    std::int16_t m_refuseConnect = 0;
    std::string m_refuseConnectText;
    std::int16_t m_refuseSend = 0;
    std::string m_refuseSendText;
};

}  // namespace testcontrol
