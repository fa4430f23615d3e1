// The ZEL socket provider: the object beneath the binary transport that owns one TCP
// connection to a gateway. It connects to the route's gateway (after a refusal, to the
// route's secondary gateways in turn), registers the connection's terminal address and
// alias, keeps the gateway watched by heartbeats, frames each outgoing message and hands
// each received data frame, translated, to the transport.
//
// Everything runs on the thread of the event loop the object was made on; the heartbeat
// service calls it on that thread too, and closes it only by posting a close notice.
// Lock order: none of its own (the heartbeat service's key map is never held while it is
// called).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "brxbt/SocketProvider.h"
#include "notify/Notify.h"
#include "platform/AsyncSocket.h"
#include "zel/TimerRegistry.h"
#include "zel/ZelFrame.h"
#include "zel/ZelReceiver.h"

namespace zel {

// Connection states.
enum ZelState : int {
    ZEL_NOT_CONNECTED = 0,
    ZEL_CONNECTING = 1,  // connecting or registering
    ZEL_CONNECTED = 2,
    ZEL_SENDING = 3,
    ZEL_SEND_WAITING = 4,  // a frame waits for the socket
    ZEL_FAILED = 5,
};

// The gateway's error code as a result code.
BRXError MapGatewayError(int gatewayCode);

class spimp final : public platform::AsyncSocket,
                    public brxbt::ISocketProvider,
                    private IHeartbeatSubscriber {
public:
    explicit spimp(brxbt::ISocketOwner& owner);
    ~spimp() override;

    // ---- what the transport calls ----
    BRXError Connect(const char* route, const char* endSystem) override;
    BRXError Disconnect() override;
    BRXError Send(int length, const char* data) override;
    BRXError Send(CMessage& message) override;
    BRXError Send(std::string& data) override;
    BRXError ReceiveMsg(char** data, int* length) override;
    BRXError Receive(CMessage& message) override;
    BRXError Receive(std::string& data) override;
    BRXError SetOption(int option, const char* value) override;
    BRXError GetOption(int option, char* value) override;
    BRXError GetServiceProviderOption(int, char*) override { return BRX_NOT_IMPLEMENTED; }
    int SetServiceProviderOption(int, const char*) override { return 0; }
    int Status() override { return m_state; }
    BRXError LastError() override { return m_lastError; }
    void LastErrorMessage(std::string& text) override;
    int ProtocolLastError() override { return m_protocolError; }
    void ProtocolLastErrorMessage(std::string& text) override { text = m_protocolText; }
    const char* GetName() const override;
    const char* GetVersion() const override;
    const char* GetRevision() const override;
    const char* GetProtocol() const override;
    BRXError Lock() override { return BRX_NOT_IMPLEMENTED; }
    BRXError Unlock() override { return BRX_NOT_IMPLEMENTED; }
    BRXError ReleaseWaitingMessages() override { return 0; }

    const CZelReceiver& Receiver() const noexcept { return m_rx; }

private:
    // Socket notifications.
    void OnConnect(int error) override;
    void OnSend(int error) override;
    void OnReceive(int error) override;
    void OnClose(int error) override;

    // The heartbeat service.
    std::string HeartbeatKeyText() const override { return m_server; }
    std::uint32_t HeartbeatKeyNumber() const override { return m_port; }
    int SendHeartBeat() override;
    void OnNoHeartBeat() override;

    bool Init();
    bool ConnectToGateway();
    bool GetSecondaryGateway();
    void Register();
    void OnFrame(Frame frame);
    void OnErrorFrame(const Frame& frame);
    void ProcessRecvdMessage(const std::vector<std::uint8_t>& data);
    BRXError ZELSend(std::vector<std::uint8_t> text);
    void PrinterAnswer(int n);
    // Sends what is left of the frame under way: 0 when it is all out, 1009 when the rest
    // waits for the socket, else the socket error.
    int Flush();
    void SendPending();
    void SetState(int state);
    void SetLastError(BRXError code) { m_lastError = code; }
    void TakeSocketError(int code);
    void CloseWithError(BRXError code);
    void ReleaseHeartbeat();
    void Log(int level, int line, const char* format, ...) __attribute__((format(printf, 4, 5)));

    brxbt::ISocketOwner& m_owner;
    Notify m_log;
    int m_state = ZEL_NOT_CONNECTED;
    bool m_registrationSent = false;
    BRXError m_lastError = 0;
    int m_protocolError = 0;
    std::string m_protocolText;
    CZelReceiver m_rx;
    CLniata m_lniata;
    std::string m_alias;
    std::string m_route;
    std::string m_server;  // the gateway in use
    std::uint32_t m_port = 1413;
    std::string m_localAddress;
    bool m_useSecondary = false;
    int m_nextGateway = 1;  // the secondary gateway tried next
    bool m_useHeartbeat = true;
    std::uint32_t m_heartbeatMs = 120000;
    std::uint32_t m_checkMs = 30000;
    int m_heartbeatError = 0;
    CTimerRegistry* m_heart = nullptr;
    platform::AsyncSocket::CloseNotice m_notice;
    CFrameReader m_reader;
    std::deque<std::vector<std::uint8_t>> m_pending;  // texts waiting to be sent
    std::vector<std::uint8_t> m_unsent;               // the frame under way
    std::size_t m_unsentFrom = 0;
};

}  // namespace zel
