#include "zel/SpImp.h"

#include <cstdarg>
#include <cstdio>
#include <span>

#include "brxapicfg/BRXConfig.h"
#include "brxconn/CMessage.h"
#include "platform/HostInfo.h"
#include "platform/WinsockError.h"
#include "zel/ZelTexts.h"

#define ZLOG(level, ...) Log(level, __LINE__, __VA_ARGS__)

namespace zel {
namespace {

constexpr int kSendBuffer = 8192;
constexpr int kReadsPerNotice = 64;

bool HeartbeatFailure(int code) {
    switch (code) {
        case 10004:
        case 10013:
        case 10014:
        case 10022:
        case 10038:
        case 10040:
        case 10045:
        case 10050:
        case 10052:
        case 10053:
        case 10054:
        case 10055:
        case 10057:
        case 10058:
        case 10060:
        case 10065:
        case 10093:
            return true;
        default:
            return false;
    }
}

}  // namespace

BRXError MapGatewayError(int gatewayCode) {
    switch (gatewayCode) {
        case 257:
            return 1017;
        case 258:
        case 268:
            return 1016;
        case 259:
            return BRX_NO_HOST_AVAILABLE;
        case 260:
        case 261:
            return 1015;
        case 262:
            return 0;
        default:
            return 1012;
    }
}

spimp::spimp(brxbt::ISocketOwner& owner)
    : platform::AsyncSocket(platform::EventLoop::Current()), m_owner(owner), m_log("ZELSP") {}

spimp::~spimp() {
    ZLOG(0, " Entering spimp::~spimp() \n");
    ReleaseHeartbeat();
    Close();
}

void spimp::Log(int level, int line, const char* format, ...) {
    if (!m_log.Keeps(level)) return;
    char text[1024];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    m_log.printLog(level, line, __FILE__, "%s", text);
}

const char* spimp::GetName() const {
    static const std::string text = ZelText(IDS_NAME);
    return text.c_str();
}
const char* spimp::GetVersion() const {
    static const std::string text = ZelText(IDS_VERSION);
    return text.c_str();
}
const char* spimp::GetRevision() const {
    static const std::string text = ZelText(IDS_REVISION);
    return text.c_str();
}
const char* spimp::GetProtocol() const {
    static const std::string text = ZelText(IDS_PROTOCOL);
    return text.c_str();
}

void spimp::LastErrorMessage(std::string& text) {
    text = ResultText(m_lastError);
}

// The state moves to 5 (failed) only before the registration was answered.
void spimp::SetState(int state) {
    if (state > ZEL_FAILED) return;
    if (state == ZEL_FAILED && !((m_state == ZEL_NOT_CONNECTED && !m_registrationSent) ||
                                 m_state == ZEL_CONNECTING || m_state == ZEL_FAILED))
        return;
    m_state = state;
}

void spimp::TakeSocketError(int code) {
    m_protocolError = code;
    if (const char* text = SocketErrorText(code)) m_protocolText = text;
}

// ---- connecting ----

BRXError spimp::Connect(const char* route, const char* endSystem) {
    if (!route || !endSystem) {
        ZLOG(2, "spimp::Connect() : Invalid parameters passed \n");
        return m_lastError = BRX_NO_CONNECT;
    }
    m_route = route;
    if (m_state != ZEL_NOT_CONNECTED || !Init()) return m_lastError = BRX_NO_CONNECT;
    m_registrationSent = false;
    m_lastError = 0;
    // Each connect goes through the secondary gateways from the first.
    m_nextGateway = 1;
    (void)ConnectToGateway();
    return m_lastError;
}

bool spimp::Init() {
    m_localAddress = platform::LocalIPv4Address();
    if (m_localAddress.empty()) {
        ZLOG(2, "Init() : cannot resolve the local host name\n");
        return false;
    }
    BRXConfig cfg;
    const std::string root = BRXConfig::kRoutesKey;
    unsigned long number = 0;
    if (cfg.GetValue(root, m_route, "ZEL Port", &number) == 0) {
        m_port = static_cast<std::uint32_t>(number);
    } else {
        m_port = 1413;
        ZLOG(1, "Unable to read value from registry for Port \n");
    }
    if (cfg.GetValue(root, m_route, "Server IP Address", &m_server) != 0 || m_server.empty()) {
        ZLOG(2, "Init() : no Server IP Address for route %s\n", m_route.c_str());
        return false;
    }
    unsigned long vorsHost = 0;
    (void)cfg.GetValue(root, m_route, "VORS Host", &vorsHost);
    ZLOG(0, "VORS Host = %lu\n", vorsHost);
    number = 0;
    (void)cfg.GetValue(root, m_route, "Secondary Gateways", &number);
    m_useSecondary = number != 0;
    std::string lniata;
    if (cfg.GetValue(root, m_route, "Lniata", &lniata) != 0) {
        ZLOG(2, "Init() : no Lniata for route %s\n", m_route.c_str());
        return false;
    }
    m_lniata = CLniata(static_cast<long>(std::strtoul(lniata.c_str(), nullptr, 16)));
    m_rx.lniata = m_lniata;
    for (const char* name : {"Connection Timeout", "Send Timeout", "Recv Timeout"}) {
        if (cfg.GetValue(root, m_route, name, &number) != 0)
            ZLOG(1, "Unable to read value from registry for %s \n", name);
    }
    m_alias.clear();
    (void)cfg.GetValue(root, m_route, "Alias", &m_alias);
    if (m_alias.size() > 127) m_alias.resize(127);
    m_useHeartbeat = true;
    if (cfg.GetValue(root, m_route, "Use Heart Beat Timer", &number) == 0)
        m_useHeartbeat = number != 0;
    m_heartbeatMs = cfg.GetValue(root, m_route, "Heart Beat Timer Interval", &number) == 0
                        ? static_cast<std::uint32_t>(number * 1000)
                        : 120000;
    m_checkMs = cfg.GetValue(root, m_route, "Check Heart Beat Timer Interval", &number) == 0
                    ? static_cast<std::uint32_t>(number * 1000)
                    : 30000;
    LoadRegionCommands();
    return true;
}

// A new socket and a connect to the gateway in use; false when it failed at once (the last
// error is then 1027).
bool spimp::ConnectToGateway() {
    if (!Create()) {
        const int error = platform::WSAGetLastError();
        ZLOG(2, "Cannot Create Socket, Error # %d  \n", error);
        TakeSocketError(error);
        m_lastError = 1027;
        return false;
    }
    if (!Handle().SetSendBufferSize(kSendBuffer)) {
        TakeSocketError(platform::WSAGetLastError());
        m_lastError = 1027;
        Close();
        return false;
    }
    // Frames are small and answered one by one: each goes at once.
    (void)Handle().SetNoDelay(true);
    m_reader.Reset();
    if (platform::AsyncSocket::Connect(m_server, static_cast<std::uint16_t>(m_port))) {
        m_state = ZEL_CONNECTING;
        OnConnect(0);
        return true;
    }
    const int error = platform::WSAGetLastError();
    if (error == platform::WSAEWOULDBLOCK) {
        m_lastError = BRX_WAITING;
        ZLOG(0, "Connection in progress \n");
        m_state = ZEL_CONNECTING;
        return true;
    }
    ZLOG(2, "Connection to ip address %s, port # : %d failed, Error # : %d \n", m_server.c_str(),
         static_cast<int>(m_port), error);
    TakeSocketError(error);
    m_lastError = 1027;
    Close();
    return false;
}

// The next "Gateway<n>" of the route; past the last one the count starts again at 1.
bool spimp::GetSecondaryGateway() {
    BRXConfig cfg;
    std::string gateway;
    const std::string name = "Gateway" + std::to_string(m_nextGateway);
    if (cfg.GetValue(BRXConfig::kRoutesKey, m_route, name, &gateway) == 0 && !gateway.empty()) {
        ++m_nextGateway;
        if (gateway.size() > 20) gateway.resize(20);
        m_server = gateway;
        return true;
    }
    m_nextGateway = 1;
    return false;
}

void spimp::OnConnect(int error) {
    if (error != 0) {
        if (m_useSecondary && GetSecondaryGateway()) {
            if (!ConnectToGateway()) OnConnect(1);
            return;
        }
        m_lastError = BRX_REFUSED;
        TakeSocketError(error);
        ZLOG(2, "Connection refused to %s. Error #: %d, Reason :%s\n", m_server.c_str(), error,
             m_protocolText.c_str());
        Close();
        m_state = ZEL_NOT_CONNECTED;
        m_owner.OnConnect(BRX_REFUSED);
        return;
    }
    m_lastError = 0;
    m_state = ZEL_CONNECTING;
    Register();
}

void spimp::Register() {
    m_unsent = RegistrationFrame(m_lniata, m_alias);
    m_unsentFrom = 0;
    m_registrationSent = true;
    const int r = Flush();
    if (r == 0) {
        ZLOG(0, "ZELRegister():sent registration packet\n");
    } else if (r == BRX_WAITING) {
        m_lastError = BRX_WAITING;
    } else {
        m_lastError = 1027;
        TakeSocketError(r);
        ZLOG(2, "ZELRegister() : Send failed(): Error #: %d, Reason :%s\n", r,
             m_protocolText.c_str());
        m_owner.OnConnect(1027);
        SetState(ZEL_FAILED);
    }
}

// ---- receiving ----

void spimp::OnReceive(int error) {
    std::uint8_t buffer[4096];
    for (int reads = 0; error == 0 && reads < kReadsPerNotice; ++reads) {
        // Frames already whole go up first; a handler may pump the loop and come back here.
        while (auto frame = m_reader.Next()) {
            OnFrame(std::move(*frame));
            if (!IsOpen()) return;
        }
        if (m_reader.Failed()) {
            ZLOG(2, "ZELSP : OnReceive() : Invalid header received...\n");
            OnClose(platform::WSAECONNABORTED);
            return;
        }
        const int n = platform::AsyncSocket::Receive(buffer);
        if (n == 0) return;  // the close follows
        if (n < 0) {
            error = platform::WSAGetLastError();
            if (error == platform::WSAEWOULDBLOCK) return;
            break;
        }
        (void)m_reader.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
        if (m_reader.Pending() > 0 && m_reader.Pending() < kFrameHeader)
            ZLOG(0, " %d More bytes to receive \n",
                 static_cast<int>(kFrameHeader - m_reader.Pending()));
    }
    if (error == 0) return;
    m_lastError = 1027;
    TakeSocketError(error);
    ZLOG(2, "On Receive() : Receive failed, Error #: %d, Reason: %s\n", error,
         m_protocolText.c_str());
    m_owner.OnReceive(1027);
    SetState(ZEL_FAILED);
}

void spimp::OnFrame(Frame frame) {
    const std::uint16_t flags = frame.flags;
    if (flags & FLAG_HEARTBEAT) {
        if (m_heart) m_heart->Notify(CTimerRegistry::HEARTBEAT_ANSWERED);
        ZLOG(0, "ZELSP : OnReceive() : Heart Beat received...\n");
        return;
    }
    if ((flags & FLAG_REGISTRATION) && !(flags & FLAG_ERROR)) {
        if (m_state != ZEL_CONNECTING) {
            ZLOG(1, "OnReceive():Registration ack received too late\n");
            return;
        }
        ZLOG(0, "OnReceive():Received Registration ack\n");
        m_state = ZEL_CONNECTED;
        m_owner.OnConnect(0);
        m_owner.OnResource(m_lniata.GetString(), 1);
        if (m_useHeartbeat && !m_heart && m_state == ZEL_CONNECTED) {
            ZLOG(0, "ZELSP : Get an Instance of Heart to send the HeartBeat...\n");
            m_heart = CTimerRegistry::GetInstance(this, m_heartbeatMs, m_checkMs);
            m_notice = Notice();
        }
        SendPending();
        return;
    }
    if (flags & FLAG_REGISTRATION)
        ZLOG(2, "\n ZELCheckRegistration() :: Registration fails because error flag was set\n");
    if (flags & FLAG_ERROR) {
        OnErrorFrame(frame);
        return;
    }
    if (!(flags & FLAGS_NOT_DATA)) {
        if (m_heart) m_heart->Notify(CTimerRegistry::TRAFFIC);
        ProcessRecvdMessage(frame.data);
        return;
    }
    ZLOG(1, "ZELSP : OnReceive() : Invalid packet received...\n");
}

void spimp::OnErrorFrame(const Frame& frame) {
    if (frame.data.size() < 2) {
        ZLOG(1, "ZELSP : OnReceive() : Invalid packet received...\n");
        return;
    }
    const auto code = static_cast<std::int16_t>(frame.data[0] | (frame.data[1] << 8));
    m_lastError = MapGatewayError(code);
    ZLOG(2, "Error received from Gateway, Error Code = %d\n", code);
    if (m_state == ZEL_CONNECTING) {
        // The registration is refused: the connection is over.
        if (m_lastError == 0) return;
        const BRXError refused = m_lastError;
        Close();
        m_state = ZEL_NOT_CONNECTED;
        m_owner.OnConnect(refused);
        return;
    }
    if (m_lastError == BRX_NO_HOST_AVAILABLE) {
        ZLOG(1, "OnSystemAvailable (FALSE) : Received Host Unavail from Gateway");
        m_owner.OnSystemAvailable(0);
    } else if (m_lastError == 0) {
        m_owner.OnSystemAvailable(1);
    } else {
        m_owner.OnReceive(m_lastError);
        ZLOG(2, "Received Error packet from gateway");
        SetState(ZEL_FAILED);
    }
}

void spimp::ProcessRecvdMessage(const std::vector<std::uint8_t>& data) {
    const CZelReceiver::Outcome out = m_rx.Process(data, CurrentVors());
    if (out.newLniata) {
        m_lniata = m_rx.lniata;
        ZLOG(0, "OnRecieve() : Called on resource with LNIATA %s\n", m_lniata.GetString().c_str());
        m_owner.OnResource(m_lniata.GetString(), 1);
    }
    if (m_log.Keeps(0)) {
        ZLOG(0, "Message before translation to ASCII\n");
        m_log.printLog(0, reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()),
                       CHAR_EBCDIC);
    }
    if (out.note) ZLOG(out.dropped ? 1 : 0, "%s", out.note);
    if (out.printerAnswer >= 0) PrinterAnswer(out.printerAnswer);
    if (out.announce) {
        ZLOG(0, "OnReceive() : called callback->OnReceive() \n");
        m_owner.OnReceive(out.code);
    }
}

BRXError spimp::ReceiveMsg(char** data, int* length) {
    return m_rx.ReceiveBlock(data, length);
}

BRXError spimp::Receive(CMessage& message) {
    return m_rx.ReceiveMessage(message);
}

BRXError spimp::Receive(std::string& data) {
    ZLOG(0, "ReceiveMsg(CString) \n");
    const BRXError r = m_rx.ReceiveText(data);
    if (r != 0) ZLOG(0, "spimp::ReceiveMsg() : No mesg... \n");
    return r;
}

// ---- sending ----

BRXError spimp::Send(int length, const char* data) {
    if (length < 0 || (!data && length > 0)) return BRX_INVALID_OPTION;
    std::vector<std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(data),
                                   reinterpret_cast<const std::uint8_t*>(data) + length);
    switch (m_state) {
        case ZEL_CONNECTED:
            return ZELSend(std::move(text));
        case ZEL_CONNECTING:
        case ZEL_SENDING:
        case ZEL_SEND_WAITING:
            m_pending.push_back(std::move(text));
            return m_lastError;
        default:
            return m_lastError = 1012;
    }
}

BRXError spimp::Send(CMessage& message) {
    std::string data;
    (void)message.GetData(data);
    return Send(static_cast<int>(data.size()), data.data());
}

BRXError spimp::Send(std::string& data) {
    return Send(static_cast<int>(data.size()), data.data());
}

BRXError spimp::ZELSend(std::vector<std::uint8_t> text) {
    if (!m_unsent.empty()) {
        // A frame is still on its way: this one follows it.
        m_pending.push_back(std::move(text));
        return m_lastError = BRX_WAITING;
    }
    const VorsSettings vors = CurrentVors();
    if (m_rx.printer && vors.hostTrans == 0) SubstituteOutgoing(text);
    if (vors.hostTrans == 1) {
        const PrinterSwitch s = FindRegionSwitch(text, vors);
        if (s != PrinterSwitch::None) m_rx.printer = s == PrinterSwitch::On;
    }
    Bytes data;
    if (m_rx.translate) {
        data = TranslateToEbcdic(text, m_rx.printer);
    } else {
        ZLOG(0, "ZELSend() : Not translating data...");
        data = std::move(text);
    }
    if (data.size() > kMaxFrameLength - kLengthBase) {
        ZLOG(2, "ZELSend(): Unable to allocate memory..\n");
        return m_lastError = 1012;
    }
    m_unsent = BuildFrame(0, 0, data);
    m_unsentFrom = 0;
    const int r = Flush();
    if (r == 0) {
        m_lastError = 0;
        ZLOG(0, "Sent data to Server for Lniata %s\n", m_lniata.GetString().c_str());
    } else if (r == BRX_WAITING) {
        m_lastError = BRX_WAITING;
        SetState(ZEL_SEND_WAITING);
    } else {
        m_lastError = 1027;
        TakeSocketError(r);
        ZLOG(2, "ZELSend(): Send failed. Error # : %d, Reason %s \n", r, m_protocolText.c_str());
        m_owner.OnSend(1027);
        SetState(ZEL_FAILED);
    }
    return m_lastError;
}

int spimp::Flush() {
    while (m_unsentFrom < m_unsent.size()) {
        const int n = platform::AsyncSocket::Send(
            std::span<const std::uint8_t>(m_unsent).subspan(m_unsentFrom));
        if (n < 0) {
            const int error = platform::WSAGetLastError();
            if (error == platform::WSAEWOULDBLOCK) return BRX_WAITING;
            m_unsent.clear();
            m_unsentFrom = 0;
            return error;
        }
        m_unsentFrom += static_cast<std::size_t>(n);
    }
    m_unsent.clear();
    m_unsentFrom = 0;
    return 0;
}

void spimp::PrinterAnswer(int n) {
    if (n == 0) {
        (void)ZELSend({0x43, 0x01, 0x33, 0x38});
    } else {
        (void)ZELSend({0x14});
    }
}

void spimp::SendPending() {
    while (m_state == ZEL_CONNECTED && m_unsent.empty() && !m_pending.empty()) {
        std::vector<std::uint8_t> text = std::move(m_pending.front());
        m_pending.pop_front();
        (void)ZELSend(std::move(text));
    }
}

void spimp::OnSend(int error) {
    ZLOG(0, "OnSend() \n");
    if (error != 0) {
        TakeSocketError(error);
        ZLOG(2, "Connection refused to %s. Error #: %d, Reason :%s\n", m_server.c_str(), error,
             m_protocolText.c_str());
        m_lastError = 1027;
        if (m_state == ZEL_CONNECTING) {
            m_owner.OnConnect(1027);
        } else {
            m_owner.OnSend(1027);
        }
        return;
    }
    if (!m_unsent.empty()) {
        const int r = Flush();
        if (r == BRX_WAITING) return;
        if (r != 0) {
            m_lastError = 1027;
            TakeSocketError(r);
            m_owner.OnSend(1027);
            SetState(ZEL_FAILED);
            return;
        }
        m_lastError = 0;
    }
    if (m_state == ZEL_SEND_WAITING || m_state == ZEL_SENDING) m_state = ZEL_CONNECTED;
    if (m_state != ZEL_CONNECTING) {
        m_owner.OnSend(m_lastError);
        ZLOG(0, "OnSend(): Sent Data successfully, ready to send more...\n");
    }
    SendPending();
}

// ---- heartbeat ----

int spimp::SendHeartBeat() {
    // A frame half sent must not be split by a heartbeat: try again at the next tick.
    if (!m_unsent.empty()) return 2;
    const auto& frame = HeartbeatFrame();
    const int n = platform::AsyncSocket::Send(frame);
    if (n >= 0) {
        if (static_cast<std::size_t>(n) < frame.size()) {
            m_unsent.assign(frame.begin() + n, frame.end());
            m_unsentFrom = 0;
        }
        ZLOG(0, "ZELSP : Successfully send the HeartBeat...\n");
        return 0;
    }
    const int error = platform::WSAGetLastError();
    if (error == platform::WSAEWOULDBLOCK || error == platform::WSAEINPROGRESS) return 2;
    if (HeartbeatFailure(error)) {
        m_heartbeatError = error;
        return 1;
    }
    return 0;
}

void spimp::OnNoHeartBeat() {
    ZLOG(2,
         "ZELSP : OnNoHeartBeat() : No HeartBeat Received Assuming Network Down. Closing "
         "Connection...\n");
    m_lastError = 1027;
    if (const char* text = SocketErrorText(m_heartbeatError)) m_protocolText = text;
    // The close runs on this connection's own thread, after whatever is running now.
    (void)platform::AsyncSocket::PostClose(m_notice, platform::WSAECONNABORTED);
}

void spimp::ReleaseHeartbeat() {
    if (!m_heart) return;
    ZLOG(0, "ZELSP : Release the Insatnce of Heart used for sending the HeartBeat...\n");
    m_heart->Release(this);
    m_heart = nullptr;
}

// ---- closing ----

void spimp::OnClose(int error) {
    const int was = m_state;
    m_pending.clear();
    m_rx.Clear();
    m_unsent.clear();
    m_unsentFrom = 0;
    m_reader.Reset();
    m_state = ZEL_NOT_CONNECTED;
    ReleaseHeartbeat();
    Close();
    if (error == 0) {
        m_lastError = 0;
        ZLOG(0, "OnClose(): Closed socket successfully..\n");
        m_owner.OnDisconnect(0);
        return;
    }
    m_lastError = 1027;
    ZLOG(1, "OnClose(): with error Closed socket successfully..\n");
    if (was == ZEL_CONNECTING) {
        m_owner.OnConnect(1027);
    } else {
        m_owner.OnDisconnect(1027);
    }
}

BRXError spimp::Disconnect() {
    ZLOG(0, "spimp::DisConnect() : Disconnecting \n");
    Close();
    m_state = ZEL_NOT_CONNECTED;
    m_pending.clear();
    m_unsent.clear();
    m_unsentFrom = 0;
    m_reader.Reset();
    ReleaseHeartbeat();
    return 0;
}

// ---- options ----

BRXError spimp::SetOption(int option, const char* value) {
    const BRXError r = m_rx.SetOption(option, value);
    if (r == 0 && option == 2)
        ZLOG(0, "%s", m_rx.translate ? "Translation is set on" : "Translation is set off");
    if (r == 0 && option == 4)
        ZLOG(0, "%s", m_rx.binary ? "Binary Mode is set to TRUE" : "Binary Mode is set to FALSE");
    return r;
}

BRXError spimp::GetOption(int option, char* value) {
    return m_rx.GetOption(option, value);
}

}  // namespace zel
