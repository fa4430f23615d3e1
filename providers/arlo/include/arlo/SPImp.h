// The ARLO socket provider: the object beneath the binary transport that owns the one TCP
// connection of a provider connection. It asks the load balancer for a front end (falling
// back once to the second load balancer when the first cannot be reached), connects to the
// front end it was granted, sends the configuration packet and, once the front end accepts
// it, turns each outgoing message into a data packet and each received packet sequence into
// a message for the transport.
//
// Everything runs on the thread of the event loop the object was made on; the idle time-out
// service reaches it only through OnDisconnect, which posts the close to that loop.
// Lock order: the idle service's table lock only (held while OnDisconnect posts).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "arlo/IdleTimer.h"
#include "arlo/LBClient.h"
#include "arlo/ProcessBase.h"
#include "arlo/RouteTrace.h"
#include "brxbt/SocketProvider.h"
#include "platform/AsyncSocket.h"

namespace arlo {

// Connect states.
enum ConnectState : int {
    CONNECT_NONE = 0,
    COMPLETE_LB_SEND = 1,
    LB_REPLY_RECEIVED = 3,
    COMPLETE_ARLO_SEND = 4,
    CONNECT_COMPLETE = 6,
};

class SPimp final : public platform::AsyncSocket,
                    public brxbt::ISocketProvider,
                    public IIdleOwner,
                    private platform::IMessageTarget {
public:
    explicit SPimp(brxbt::ISocketOwner& owner);
    ~SPimp() override;

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
    BRXError GetServiceProviderOption(int option, char* value) override;
    int SetServiceProviderOption(int option, const char* value) override;
    int Status() override { return m_connectionState; }
    BRXError LastError() override { return m_lastError; }
    void LastErrorMessage(std::string& text) override { text = m_lastErrorMessage; }
    int ProtocolLastError() override { return m_protocolError; }
    void ProtocolLastErrorMessage(std::string& text) override { text = m_protocolErrorMessage; }
    const char* GetName() const override { return "Arlo Front End"; }
    const char* GetVersion() const override { return "1.0"; }
    const char* GetRevision() const override { return "002"; }
    const char* GetProtocol() const override { return "TCP/IP Winsock"; }
    BRXError Lock() override { return BRX_NOT_IMPLEMENTED; }
    BRXError Unlock() override { return BRX_NOT_IMPLEMENTED; }
    BRXError ReleaseWaitingMessages() override;

    // The idle service (any thread): the connection is closed on its own thread.
    void OnDisconnect(int reason) override;

    int ConnectStateNow() const noexcept { return m_connectState; }

private:
    // Socket notifications.
    void OnConnect(int error) override;
    void OnSend(int error) override;
    void OnReceive(int error) override;
    void OnClose(int error) override;
    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;

    void CheckConnect(int code);
    bool ConnectTo(const std::string& host, std::uint32_t port);
    void SendLoadBalancerRequest();
    void ReceiveLoadBalancerReply();
    void ReceiveConfiguration();
    void ReceiveFrontEnd();
    void DeliverMessage(CMessage& message);
    void ARLOConnect();
    void ARLOConfig();
    void AttemptSend();
    void Queue(std::vector<std::uint8_t> packet);
    // A failure that ends the attempt or the connection: both states back to 0.
    void SocketFailure(int code);
    void WinsockError(int code);
    void HostError(int resultCode, const std::string& codeText, bool session);
    void ResetConnection();
    void StartIdle(bool shortInterval);
    void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));

    brxbt::ISocketOwner& m_owner;
    platform::EventLoop* m_loop;
    platform::HWND m_target = 0;
    bool m_binary = false;
    bool m_translate = true;
    bool m_accumulate = true;
    int m_connectionState = BRX_NOT_CONNECTED;
    int m_connectState = CONNECT_NONE;
    std::unique_ptr<CLBClient> m_lb;
    std::unique_ptr<CProcessBase> m_process;
    std::string m_route;
    std::string m_lbName;
    std::string m_fallbackName;
    std::uint32_t m_lbPort = kDefaultLoadBalancerPort;
    std::uint16_t m_localPort = 0;
    std::string m_identity;
    Grant m_grant;
    bool m_fallbackTried = false;
    bool m_earlyDataA = true;
    bool m_earlyDataB = true;
    int m_protocolError = 0;
    BRXError m_lastError = 0;
    std::string m_lastErrorMessage = "Not Available";
    std::string m_protocolErrorMessage = "Not Available";
    std::atomic<int> m_disconnectReason{0};
    std::deque<std::vector<std::uint8_t>> m_receiveQueue;
    std::deque<std::vector<std::uint8_t>> m_sendQueue;
    std::vector<std::uint8_t> m_sending;  // the head message under way
    std::size_t m_sent = 0;
    std::vector<std::uint8_t> m_handedOut;
    bool m_idleEnabled = true;
    std::uint32_t m_idleTimeoutMs = 120000;
    std::unique_ptr<CIdleTimer> m_idle;
    bool m_holdsIdleThread = false;
    bool m_inConnect = false;  // within Connect: a failure is its result
    std::mutex m_noticeLock;   // the idle service reads the notice
    platform::AsyncSocket::CloseNotice m_notice;
    std::unique_ptr<CRouteTrace> m_trace;
};

}  // namespace arlo
