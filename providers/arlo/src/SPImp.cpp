#include "arlo/SPImp.h"

#include <strings.h>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "arlo/ArloErrors.h"
#include "arlo/FrontEndText.h"
#include "brxbt/BTState.h"
#include "brxconn/CMessage.h"
#include "platform/HostInfo.h"
#include "platform/SocketAddress.h"
#include "platform/WinsockError.h"

namespace arlo {
namespace {

constexpr platform::UINT_PTR kLoadBalancerPause = 1;
constexpr platform::UINT kLoadBalancerPauseMs = 1000;
constexpr std::size_t kPacketHeader = 4;
// The connection state while a disconnect packet is on its way.
constexpr int kDisconnecting = 5;

// The identity the load balancer is told: the host's first IPv4 address as eight hex digits.
std::string Identity() {
    const std::string dotted = platform::LocalIPv4Address();
    const auto ip = platform::InetAddr(dotted);
    if (dotted.empty() || !ip) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%08X", *ip);
    return text;
}

std::vector<std::uint8_t> PacketStart(std::uint8_t kind, const Grant& grant) {
    std::vector<std::uint8_t> p{0x02, 0, 0, 0x05, kind};
    p.insert(p.end(), grant.token.begin(), grant.token.end());
    return p;
}

bool IsTrue(const char* value) {
    return value && strcasecmp(value, "TRUE") == 0;
}

}  // namespace

SPimp::SPimp(brxbt::ISocketOwner& owner)
    : platform::AsyncSocket(platform::EventLoop::Current()),
      m_owner(owner),
      m_loop(platform::EventLoop::Current()) {
    if (m_loop) m_target = m_loop->AddTarget(*this);
}

SPimp::~SPimp() {
    if (m_connectionState != BRX_NOT_CONNECTED)
        Trace(
            "Did not clean up session before exiting!  Please disconnect before destroying "
            "object!");
    m_idle.reset();  // no idle notice after this
    if (m_holdsIdleThread) ReleaseTimerThread();
    if (m_target) platform::RemoveTarget(m_target);
    Close();
}

void SPimp::Trace(const char* format, ...) {
    if (!m_trace || !m_trace->IsActive()) return;
    std::va_list args;
    va_start(args, format);
    m_trace->VTraceLine(0, format, args);
    va_end(args);
}

// ---- connecting ----

BRXError SPimp::Connect(const char* route, const char*) {
    m_lastError = 0;
    if (m_connectionState != BRX_NOT_CONNECTED) return BRX_REFUSED;
    m_route = route ? route : "";
    m_trace = std::make_unique<CRouteTrace>(m_route);
    Trace("Connect()");
    if (!m_holdsIdleThread) {
        m_holdsIdleThread = AcquireTimerThread();
        if (!m_holdsIdleThread) Trace("Could not start the idle time-out service");
    }
    m_connectionState = BRX_CONNECTING;
    m_lb = std::make_unique<CLBClient>(CLBClient::Sending);
    if (!m_lb->LoadRouteSettings(m_route)) {
        m_connectionState = BRX_NOT_CONNECTED;
        m_lb.reset();
        return m_lastError = BRX_INVALID_CONFIGURATION;
    }
    m_lbName = m_lb->loadBalancerName;
    m_fallbackName = m_lb->fallbackName;
    m_lbPort = m_lb->loadBalancerPort;
    m_localPort = static_cast<std::uint16_t>(m_lb->localPort);
    m_idleEnabled = m_lb->idleTimeoutEnabled;
    m_idleTimeoutMs = m_lb->idleTimeoutMs;
    m_identity = Identity();
    if (m_identity.empty()) Trace("gethostbyname( ) returned NULL for host '%s' \n", "");
    m_lb->SetIdentity(m_identity);
    // A connect that fails at once is answered here, not through OnConnect as well.
    m_inConnect = true;
    (void)ConnectTo(m_lbName, m_lbPort);
    m_inConnect = false;
    return m_lastError;
}

// Makes the socket anew on the local port and starts a connect; false when it failed at
// once (the failure then has been handled).
bool SPimp::ConnectTo(const std::string& host, std::uint32_t port) {
    if (!Create(m_localPort)) {
        Trace("Could not CREATE socket");
        SocketFailure(platform::WSAGetLastError());
        Trace("Connect() :  State : BRX_NOT_CONNECTED");
        return false;
    }
    (void)Handle().SetNoDelay(true);
    if (platform::AsyncSocket::Connect(host, static_cast<std::uint16_t>(port))) return true;
    const int error = platform::WSAGetLastError();
    if (error == platform::WSAEWOULDBLOCK) {
        Trace("Load Balancer Waiting on Connect");
        m_lastError = BRX_WAITING;
        return true;
    }
    CheckConnect(error);
    return false;
}

void SPimp::OnConnect(int error) {
    Trace("OnConnect()");
    if (m_idleEnabled) StartIdle(true);
    CheckConnect(error);
    if (m_lastError == 0 && m_connectState == LB_REPLY_RECEIVED) ARLOConfig();
}

void SPimp::StartIdle(bool shortInterval) {
    if (!m_idle) m_idle = std::make_unique<CIdleTimer>(*this);
    m_idle->SetShortInterval(shortInterval);
    (void)m_idle->RegisterTimer();
    m_idle->SetTimerActive(true);
    m_idle->RestartTimer();
    std::lock_guard<std::mutex> lock(m_noticeLock);
    m_notice = Notice();
}

void SPimp::CheckConnect(int code) {
    if (code == 0) {
        m_lastError = 0;
        m_protocolError = 0;
        return;
    }
    m_protocolError = code;
    WinsockError(code);
    const int connectState = m_connectState;
    m_connectionState = BRX_NOT_CONNECTED;
    m_connectState = CONNECT_NONE;
    if (!m_lb) m_lb = std::make_unique<CLBClient>(CLBClient::Sending);
    Trace("Error %d on Connect for %s %d \n", code, m_lbName.c_str(), static_cast<int>(m_lbPort));
    const bool toLoadBalancer = connectState == CONNECT_NONE;
    const bool fallbackCode = code == 10022 || code == 10060 || code == 10061 || code == 10064 ||
                              code == 10065 || code == 11001 || code == 11004;
    if (toLoadBalancer && !m_fallbackTried && fallbackCode) {
        Trace("%sTrying fallback LB due to error %d on Connect for Primary Load Balancer\n", "",
              code);
        m_fallbackTried = true;
        CLBClient settings(CLBClient::Sending);
        if (settings.LoadRouteSettings(m_route)) m_fallbackName = settings.fallbackName;
        m_lbName = m_fallbackName;
        if (m_lbName != "Error" && !m_lbName.empty()) {
            m_connectionState = BRX_CONNECTING;
            (void)ConnectTo(m_lbName, m_lbPort);
            return;
        }
    }
    m_lb.reset();
    if (!m_inConnect) m_owner.OnConnect(m_lastError);
}

void SPimp::OnSend(int error) {
    if (error != 0) {
        if (error == platform::WSAENETDOWN) Trace("Network was Down on Connect");
        SocketFailure(error);
        return;
    }
    if (m_connectState == CONNECT_NONE && m_connectionState == BRX_CONNECTING) {
        // The load balancer is connected: the request goes after a pause.
        (void)platform::SetTimer(m_target, kLoadBalancerPause, kLoadBalancerPauseMs);
        return;
    }
    Trace("OnSend Called, Now Calling AttemptSend");
    AttemptSend();
}

platform::LRESULT SPimp::OnMessage(platform::UINT msg, platform::WPARAM wParam, platform::LPARAM) {
    if (msg == platform::WM_TIMER && wParam == kLoadBalancerPause) {
        (void)platform::KillTimer(m_target, kLoadBalancerPause);
        if (m_connectState == CONNECT_NONE && m_connectionState == BRX_CONNECTING)
            SendLoadBalancerRequest();
    }
    return 0;
}

void SPimp::SendLoadBalancerRequest() {
    if (!m_lb) m_lb = std::make_unique<CLBClient>(CLBClient::Sending);
    m_lb->SetIdentity(m_identity);
    Trace("Sending Load Balancer Packet");
    // Data the load balancer sent before it was asked for anything.
    std::uint8_t early[256];
    const int waiting = platform::AsyncSocket::Receive(early);
    if (waiting > 0) {
        if (m_earlyDataA && !m_fallbackTried) {
            m_earlyDataA = false;
            m_lb = std::make_unique<CLBClient>(CLBClient::Sending);
            CheckConnect(platform::WSAEHOSTDOWN);
        } else {
            m_earlyDataB = false;
        }
        return;
    }
    for (auto out = m_lb->NextTransfer(); !out.empty(); out = m_lb->NextTransfer()) {
        const int n = platform::AsyncSocket::Send(out);
        if (n < 0) {
            if (platform::WSAGetLastError() == platform::WSAEWOULDBLOCK) return;  // OnSend goes on
            Trace("Socket Error Sending LB Packet");
            m_lb.reset();
            SocketFailure(platform::WSAGetLastError());
            return;
        }
        m_lb->TransferDone(static_cast<std::size_t>(n));
    }
    Trace("Load Balancer Packet Sent");
    m_connectState = COMPLETE_LB_SEND;
    m_lb.reset();
}

void SPimp::OnReceive(int error) {
    if (error != 0) {
        SocketFailure(error);
        return;
    }
    switch (m_connectState) {
        case COMPLETE_LB_SEND:
            ReceiveLoadBalancerReply();
            break;
        case COMPLETE_ARLO_SEND:
            ReceiveConfiguration();
            break;
        case CONNECT_COMPLETE:
            if (m_connectionState == BRX_IDLE) ReceiveFrontEnd();
            break;
        default:
            break;
    }
}

void SPimp::ReceiveLoadBalancerReply() {
    if (!m_lb) m_lb = std::make_unique<CLBClient>(CLBClient::Receiving);
    while (!m_lb->IsComplete() && !m_lb->Failed()) {
        const auto into = m_lb->NextTransfer();
        const int n = platform::AsyncSocket::Receive(into);
        if (n < 0 && platform::WSAGetLastError() == platform::WSAEWOULDBLOCK) return;
        if (n <= 0) {
            SocketFailure(n == 0 ? platform::WSAECONNRESET : platform::WSAGetLastError());
            return;
        }
        m_lb->TransferDone(static_cast<std::size_t>(n));
    }
    if (m_lb->IsComplete()) {
        Trace("Load Balancer Receive Complete");
        m_grant = m_lb->Verdict().grant;
        m_connectState = LB_REPLY_RECEIVED;
        m_lb.reset();
        return;
    }
    const ReplyVerdict verdict = m_lb->Verdict();
    m_lb.reset();
    m_protocolError = verdict.result;
    const ErrorText e = LoadBalancerErrorText(verdict.result - kRefusalBase, verdict.codeText);
    m_lastError = e.error;
    m_lastErrorMessage = e.text;
    m_protocolErrorMessage = verdict.errorMessage;
    ResetConnection();
    Close();
    m_owner.OnConnect(m_lastError);
}

// The configuration answer, read through its packet header: kind 1 accepts the connection,
// kind 4 refuses it with a session error.
void SPimp::ReceiveConfiguration() {
    if (!m_process) m_process = std::make_unique<CProcessBase>(true);
    while (!m_process->IsComplete() && !m_process->IsError()) {
        const int n = platform::AsyncSocket::Receive(m_process->NextTransfer());
        if (n < 0 && platform::WSAGetLastError() == platform::WSAEWOULDBLOCK) return;
        if (n <= 0) {
            m_process.reset();
            SocketFailure(n == 0 ? platform::WSAECONNRESET : platform::WSAGetLastError());
            return;
        }
        m_process->TransferDone(static_cast<std::size_t>(n));
    }
    const std::unique_ptr<CProcessBase> answer = std::move(m_process);
    if (answer->IsComplete() && answer->IsConfiguration()) {
        Trace("Received Good ARLO Config %x %x %s\n", m_grant.token[0], m_grant.token[1],
              m_grant.lniata.GetString().c_str());
        m_connectState = CONNECT_COMPLETE;
        m_connectionState = BRX_IDLE;
        if (m_idleEnabled) StartIdle(false);
        m_owner.OnConnect(0);
        m_owner.OnResource(m_grant.lniata.GetString(), 1);
        return;
    }
    HostError(answer->ResultCode(), answer->CodeText(), true);
    m_disconnectReason = m_lastError;
    m_connectState = CONNECT_NONE;
    m_owner.OnConnect(m_lastError);
}

void SPimp::ReceiveFrontEnd() {
    if (m_idleEnabled && m_idle) {
        m_idle->SetShortInterval(false);
        m_idle->RestartTimer();
    }
    // Every complete message is handed up before the next is read; the handler may pump the
    // loop and come back here, so nothing of the loop's state is kept across it.
    for (;;) {
        if (m_connectState != CONNECT_COMPLETE || m_connectionState != BRX_IDLE) return;
        if (!m_process) m_process = std::make_unique<CProcessBase>(false);
        const int n = platform::AsyncSocket::Receive(m_process->NextTransfer());
        if (n < 0 && platform::WSAGetLastError() == platform::WSAEWOULDBLOCK) return;
        if (n <= 0) {
            m_process.reset();
            SocketFailure(n == 0 ? platform::WSAECONNRESET : platform::WSAGetLastError());
            return;
        }
        m_process->TransferDone(static_cast<std::size_t>(n));
        if (m_process->IsError()) {
            const std::unique_ptr<CProcessBase> failed = std::move(m_process);
            HostError(failed->ResultCode(), "", true);
            m_protocolErrorMessage = failed->ErrorText();
            m_connectState = CONNECT_NONE;
            m_connectionState = BRX_NOT_CONNECTED;
            m_disconnectReason = m_lastError;
            m_owner.OnReceive(m_lastError);
            return;
        }
        if (!m_process->IsComplete()) continue;
        const std::unique_ptr<CProcessBase> done = std::move(m_process);
        if (done->IsDroppedKind()) continue;
        DeliverMessage(done->Message());
    }
}

void SPimp::DeliverMessage(CMessage& packet) {
    std::string bytes;
    (void)packet.GetData(bytes);
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size());
    const bool transport = !data.empty() && (data[0] == 0xFE || data[0] == 0xFC);
    BRXError error = 0;
    CMessage message(512, 32767);
    if (m_binary) {
        bool decode = m_translate;
        if (!transport) {
            // A text ends binary mode. Translation comes back when the transport switches
            // binary mode off, after its termination packet has gone out untranslated.
            m_binary = false;
            decode = true;
            error = brxbt::BT_TEXT_RECEIVED;
        }
        if (!decode) {
            (void)message.AddData(data.data(), static_cast<int>(data.size()));
        } else {
            DecodeFrontEndText(data, message, 0, 0);
        }
    } else {
        if (transport) {
            Trace(
                "OnReceive(): Received binary data when in non-binary mode. Drop the data. "
                "Don't process / firs OnReceive() to the upper layer.");
            return;
        }
        if (!m_translate) {
            CopyFrontEndText(data, message, 0, 0);
        } else {
            DecodeFrontEndText(data, message, 0, 0);
            unsigned char first = 0;
            if (message.GetCharAt(0, &first) == CMessage::MSG_OK && first == '/')
                error = BRX_VUVE_MESSAGE;
        }
    }
    std::string out;
    (void)message.GetData(out);
    m_receiveQueue.emplace_back(out.begin(), out.end());
    m_owner.OnReceive(error);
}

void SPimp::OnClose(int error) {
    Trace("OnClose() nErrorCode=%d m_ConnectState=%d m_DisconnectError=%d m_ProcessingState=%d\n",
          error, m_connectState, m_disconnectReason.load(), 0);
    if (m_idle) m_idle->SetTimerActive(false);
    Trace("Close Notification Received from Remote Host");
    Close();
    if (m_connectState == LB_REPLY_RECEIVED && error == 0) {
        ARLOConnect();
        return;
    }
    const int connectState = m_connectState;
    const int connectionState = m_connectionState;
    // The connection is over: a new Connect may start.
    m_connectState = CONNECT_NONE;
    m_connectionState = BRX_NOT_CONNECTED;
    m_process.reset();
    m_lb.reset();
    if (connectState == COMPLETE_ARLO_SEND || connectState == COMPLETE_LB_SEND ||
        (connectState == CONNECT_NONE && connectionState == BRX_CONNECTING)) {
        m_lastError = BRX_NO_CONNECT;
        m_owner.OnConnect(BRX_NO_CONNECT);
    } else if (connectionState == kDisconnecting) {
        m_owner.OnDisconnect(0);
    } else {
        m_owner.OnDisconnect(m_disconnectReason.load());
    }
}

void SPimp::ARLOConnect() {
    Trace("Connecting to ARLO");
    if (!Create(m_localPort)) {
        SocketFailure(platform::WSAGetLastError());
        return;
    }
    (void)Handle().SetNoDelay(true);  // acknowledgements and segments go at once
    if (platform::AsyncSocket::Connect(m_grant.dnsName, static_cast<std::uint16_t>(m_grant.port)))
        return;
    const int error = platform::WSAGetLastError();
    if (error == platform::WSAEWOULDBLOCK) {
        m_lastError = BRX_WAITING;
        return;
    }
    SocketFailure(error);
}

void SPimp::ARLOConfig() {
    std::vector<std::uint8_t> p = PacketStart(0x01, m_grant);
    static constexpr char kKeepAlive[] = "KEEPALIVE=YES";
    p.insert(p.end(), kKeepAlive, kKeepAlive + sizeof kKeepAlive - 1);
    Trace("Sending ARLO Config Packet");
    Queue(std::move(p));
}

// ---- traffic ----

BRXError SPimp::Send(int length, const char* data) {
    Trace("SendMsg()");
    if (length < 0 || (!data && length > 0)) return BRX_INVALID_OPTION;
    if (m_connectionState != BRX_IDLE) return m_lastError = BRX_NO_CONNECT;
    std::vector<std::uint8_t> p = PacketStart(0x02, m_grant);
    p.push_back(m_grant.lniata.GetOctet1());
    p.push_back(m_grant.lniata.GetOctet2());
    p.push_back(m_grant.lniata.GetOctet3());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    if (m_translate) {
        CMessage coded;
        EncodeFrontEndText(coded,
                           std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
        std::string c;
        (void)coded.GetData(c);
        p.insert(p.end(), c.begin(), c.end());
    } else {
        p.insert(p.end(), bytes, bytes + length);
    }
    if (p.size() - kPacketHeader > 0xFFFF) return m_lastError = BRX_INVALID_OPTION;
    Trace("Sending Out Command / Data");
    m_lastError = 0;
    Queue(std::move(p));
    // Still queued: OnSend(0) follows once it is out.
    if (m_lastError == 0 && !m_sendQueue.empty()) return BRX_WAITING;
    return m_lastError;
}

BRXError SPimp::Send(CMessage& message) {
    std::string data;
    (void)message.GetData(data);
    return Send(static_cast<int>(data.size()), data.data());
}

BRXError SPimp::Send(std::string& data) {
    return Send(static_cast<int>(data.size()), data.data());
}

void SPimp::Queue(std::vector<std::uint8_t> packet) {
    m_sendQueue.push_back(std::move(packet));
    AttemptSend();
}

void SPimp::AttemptSend() {
    while (!m_sendQueue.empty()) {
        if (m_sending.empty()) {
            m_sending = m_sendQueue.front();
            const std::size_t body = m_sending.size() - kPacketHeader;
            m_sending[1] = static_cast<std::uint8_t>(body >> 8);
            m_sending[2] = static_cast<std::uint8_t>(body);
            m_sent = 0;
        }
        // A short send keeps the rest; the socket says when it can take more.
        while (m_sent < m_sending.size()) {
            const int n = platform::AsyncSocket::Send(
                std::span<const std::uint8_t>(m_sending).subspan(m_sent));
            if (n < 0) {
                const int error = platform::WSAGetLastError();
                if (error == platform::WSAEWOULDBLOCK) return;
                m_sending.clear();
                m_sent = 0;
                WinsockError(error);
                if (m_connectionState != kDisconnecting) m_owner.OnSend(m_lastError);
                return;
            }
            m_sent += static_cast<std::size_t>(n);
        }
        m_sending.clear();
        m_sent = 0;
        m_sendQueue.pop_front();
        m_lastError = 0;
        if (m_connectState == LB_REPLY_RECEIVED) m_connectState = COMPLETE_ARLO_SEND;
        if (m_connectionState != kDisconnecting && m_connectionState != BRX_CONNECTING)
            m_owner.OnSend(0);
    }
}

BRXError SPimp::ReceiveMsg(char** data, int* length) {
    if (m_receiveQueue.empty()) return BRX_NO_DATA;
    m_handedOut = std::move(m_receiveQueue.front());
    m_receiveQueue.pop_front();
    if (data) *data = reinterpret_cast<char*>(m_handedOut.data());
    if (length) *length = static_cast<int>(m_handedOut.size());
    return 0;
}

BRXError SPimp::Receive(CMessage& message) {
    char* data = nullptr;
    int length = 0;
    const BRXError rc = ReceiveMsg(&data, &length);
    if (rc == 0) (void)message.AddData(reinterpret_cast<unsigned char*>(data), length);
    return rc;
}

BRXError SPimp::Receive(std::string& data) {
    char* bytes = nullptr;
    int length = 0;
    const BRXError rc = ReceiveMsg(&bytes, &length);
    if (rc == 0) data.assign(bytes, static_cast<std::size_t>(length));
    return rc;
}

BRXError SPimp::ReleaseWaitingMessages() {
    m_receiveQueue.clear();
    m_sendQueue.clear();
    m_sending.clear();
    m_sent = 0;
    return 0;
}

BRXError SPimp::Disconnect() {
    if (m_connectionState == BRX_IDLE) {
        m_connectionState = kDisconnecting;
        // The disconnect packet goes before the queues are emptied.
        m_sendQueue.clear();
        m_sending.clear();
        Queue(PacketStart(0x05, m_grant));
    }
    m_lb.reset();
    m_process.reset();
    m_receiveQueue.clear();
    m_protocolError = 0;
    m_disconnectReason = 0;
    m_fallbackTried = false;
    m_earlyDataA = m_earlyDataB = true;
    m_lastErrorMessage = m_protocolErrorMessage = "Not Available";
    if (m_idle) m_idle->SetTimerActive(false);
    return BRX_NO_CONNECT;
}

void SPimp::OnDisconnect(int reason) {
    Trace("OnDisconnect() retcode=%d m_iLastError=%d m_DisconnectError=%d\n", reason, 0,
          m_disconnectReason.load());
    m_disconnectReason = reason;
    platform::AsyncSocket::CloseNotice notice;
    {
        std::lock_guard<std::mutex> lock(m_noticeLock);
        notice = m_notice;
    }
    (void)platform::AsyncSocket::PostClose(notice, 0);
}

// ---- errors ----

void SPimp::WinsockError(int code) {
    const ErrorText e = WinsockErrorText(code);
    m_lastError = e.error;
    m_lastErrorMessage = e.text;
    if (const char* name = WinsockName(code)) m_protocolErrorMessage = name;
}

void SPimp::HostError(int resultCode, const std::string& codeText, bool session) {
    m_protocolError = resultCode;
    ErrorText e;
    if (resultCode == kRefusedWithoutCode) {
        e = {1025, BRXErrorText(1025)};
    } else if (session) {
        e = SessionErrorText(resultCode - kSessionErrorBase, codeText);
    } else {
        e = LoadBalancerErrorText(resultCode - kRefusalBase, codeText);
    }
    m_lastError = e.error;
    m_lastErrorMessage = e.text;
}

void SPimp::SocketFailure(int code) {
    m_protocolError = code;
    WinsockError(code);
    const bool connecting = m_connectState != CONNECT_COMPLETE;
    ResetConnection();
    Close();
    if (connecting) {
        if (!m_inConnect) m_owner.OnConnect(m_lastError);
    } else {
        m_owner.OnDisconnect(m_lastError);
    }
}

void SPimp::ResetConnection() {
    m_connectionState = BRX_NOT_CONNECTED;
    m_connectState = CONNECT_NONE;
    m_lb.reset();
    m_process.reset();
    m_sending.clear();
    m_sendQueue.clear();
    m_sent = 0;
    if (m_idle) m_idle->SetTimerActive(false);
}

// ---- options ----

BRXError SPimp::SetOption(int option, const char* value) {
    const bool isTrue = IsTrue(value);
    const bool isFalse = value && strcasecmp(value, "FALSE") == 0;
    if (option == 2) {
        Trace("SPimp::SetOption(BRX_TRANSLATE)");
        if (m_binary || (!isTrue && !isFalse)) return BRX_INVALID_OPTION;
        m_translate = isTrue;
        return 0;
    }
    if (option == 4) {
        Trace("SPimp::SetOption(BRX_BINARY_MODE)");
        if (!isTrue && !isFalse) return BRX_INVALID_OPTION;
        m_binary = isTrue;
        m_translate = m_accumulate = !isTrue;
        return 0;
    }
    return BRX_INVALID_OPTION;
}

BRXError SPimp::GetOption(int option, char* value) {
    if (!value) return BRX_INVALID_OPTION;
    if (option == 2) {
        std::strcpy(value, m_translate ? "TRUE" : "FALSE");
    } else if (option == 4) {
        std::strcpy(value, m_binary ? "TRUE" : "FALSE");
    } else {
        return BRX_INVALID_OPTION;
    }
    return 0;
}

BRXError SPimp::GetServiceProviderOption(int option, char* value) {
    if (!value) return BRX_INVALID_OPTION;
    const char* text = "Invalid Option";
    if (option == 1) text = m_accumulate ? "TRUE" : "FALSE";
    if (option == 2) text = m_translate ? "TRUE" : "FALSE";
    if (option == 3) text = "Unknown";
    std::strcpy(value, text);
    return 0;
}

int SPimp::SetServiceProviderOption(int option, const char* value) {
    if (option == 1) {
        Trace("SPimp::SetSPOption(BRX_EOMI_ACCUMULATE)");
        m_accumulate = IsTrue(value);
    } else if (option == 2) {
        Trace("SPimp::SetSPOption(BRX_TRANSLATE)");
        m_translate = IsTrue(value);
    }
    return 0;
}

}  // namespace arlo
