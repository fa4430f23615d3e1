#include "hostdriver/TcpAsyncSocket.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "hostdriver/EndpointMap.h"
#include "platform/SocketAddress.h"
#include "platform/WinsockError.h"

namespace quildrv {

namespace {

constexpr int kAlert = 200;
constexpr int kError = 400;
constexpr int kNotice = 600;
constexpr int kInfo = 700;
constexpr int kDebug = 800;

constexpr long kSelectedEvents =
    platform::FD_READ | platform::FD_WRITE | platform::FD_CONNECT | platform::FD_CLOSE;

}  // namespace

bool InitWinsock() {
    return true;
}

int WSACleanup() {
    return 0;
}

CTcpAsyncSocket::CTcpAsyncSocket() {
    ResetTracePrefix();
}

CTcpAsyncSocket::~CTcpAsyncSocket() {
    WriteSocketTrace(kDebug, "CTcpAsyncSocket::~CTcpAsyncSocket", "called!");
    Close();
    StopNetworkThread();
    WriteSocketTrace(kInfo, "CTcpAsyncSocket::~CTcpAsyncSocket", "completed!");
    CloseTraceFile();
}

void CTcpAsyncSocket::StopNetworkThread() {
    m_continue = false;
    m_events.Signal();
    m_networkThread.Stop();
}

bool CTcpAsyncSocket::InitSocket() {
    WriteSocketTrace(kDebug, "CTcpAsyncSocket::InitSocket", "called!");
    StopNetworkThread();
    if (!m_socket.Create()) {
        m_errorCode = kErrSocket;
        m_lastTcpError = platform::WSAGetLastError();
        WriteSocketTrace(kDebug, "CTcpAsyncSocket::InitSocket",
                         "socket() failed with TCP error %d. returning false.",
                         m_lastTcpError.load());
        return false;
    }
    m_socketOpen = true;
    SetRecvBuffer(GetRCVBUFSize());
    if (!m_events.Select(m_socket, kSelectedEvents)) {
        m_errorCode = kErrSocket;
        m_lastTcpError = platform::WSAGetLastError();
        WriteSocketTrace(kDebug, "CTcpAsyncSocket::InitSocket",
                         "WSAEventSelect() failed with TCP error %d. returning false.",
                         m_lastTcpError.load());
        return false;
    }
    m_events.Reset();
    m_continue = true;
    m_continue = m_networkThread.Start(&CTcpAsyncSocket::NetWorkThreadProc, this);
    if (m_continue)
        WriteSocketTrace(kInfo, "CTcpAsyncSocket::InitSocket",
                         "NetWorkThreadProc started successfully. returning true.");
    else
        WriteSocketTrace(kAlert, "CTcpAsyncSocket::InitSocket",
                         "NetWorkThreadProc start failed. returning false.");
    return m_continue;
}

bool CTcpAsyncSocket::Bind(int /*ignored*/) {
    if (InitSocket()) {
        WriteSocketTrace(kInfo, "CTcpAsyncSocket::Bind", "returning TRUE!");
        return true;
    }
    WriteSocketTrace(kError, "CTcpAsyncSocket::Bind", "InitSocket failed. returning FALSE!");
    return false;
}

bool CTcpAsyncSocket::Connect(const char* host, std::uint32_t port) {
    const char* method = "CTcpAsyncSocket::Connect";
    WriteSocketTrace(kDebug, method, "called! lpszHostAddress=\"%s\" nHostPort=%d",
                     host != nullptr ? host : "", static_cast<int>(port));
    if (m_socketOpen) Close();
    (void)Bind(0);

    const Endpoint target =
        MapEndpoint(host != nullptr ? host : "", static_cast<std::uint16_t>(port));
    platform::SocketAddress address;
    const int resolved = platform::ResolveAddress(target.host, target.port, address);
    if (resolved != 0) {
        m_errorCode = kErrConnect;
        m_lastTcpError = resolved;
        Close();
        WriteSocketTrace(kError, method, "gethostbyname failed with TCP error %d. returning FALSE!",
                         resolved);
        return false;
    }
    m_connectIssued = true;
    if (!m_socket.Connect(address)) {
        const int error = platform::WSAGetLastError();
        if (error != platform::WSAEWOULDBLOCK && error != platform::WSAEINPROGRESS) {
            m_errorCode = kErrConnect;
            m_lastTcpError = error;
            WriteSocketTrace(kError, method, "connect failed with TCP error %d. returning FALSE!",
                             error);
            return false;
        }
    } else {
        UTKTools::CGuard guard(m_callbackLock);
        if (m_callback != nullptr) m_callback->OnConnect(0);
    }
    WriteSocketTrace(kInfo, method, "returning TRUE!");
    return true;
}

int CTcpAsyncSocket::Send(const std::uint8_t* buffer, std::size_t length) {
    if (!m_socketOpen) return 0;
    const int n = m_socket.Send(std::span<const std::uint8_t>(buffer, length));
    if (n < 0) {
        const int error = platform::WSAGetLastError();
        if (error == platform::WSAEWOULDBLOCK) return 0;
        m_errorCode = kErrSend;
        m_lastTcpError = error;
        WriteSocketTrace(kError, "CTcpAsyncSocket::Send", "WSASEND() failed with error %d %s!",
                         error, platform::WinsockErrorText(error).c_str());
        return -1;
    }
    WriteSocketTrace(kDebug, "CTcpAsyncSocket::Send", "returning %d bytes sent!", n);
    return n;
}

bool CTcpAsyncSocket::SendRest(const std::uint8_t* buffer, std::size_t length, int timeoutMs) {
    if (!m_socketOpen) return false;
    if (m_socket.SendAll(std::span<const std::uint8_t>(buffer, length), timeoutMs)) return true;
    m_errorCode = kErrSend;
    m_lastTcpError = platform::WSAGetLastError();
    return false;
}

int CTcpAsyncSocket::Receive(std::uint8_t* buffer, std::size_t capacity) {
    const char* method = "CTcpAsyncSocket::Receive";
    if (!m_socketOpen) return 0;
    const int n = m_socket.Receive(std::span<std::uint8_t>(buffer, capacity));
    if (n < 0) {
        const int error = platform::WSAGetLastError();
        if (error == platform::WSAEWOULDBLOCK) return 0;
        m_errorCode = kErrReceive;
        m_lastTcpError = error;
        {
            UTKTools::CGuard guard(m_callbackLock);
            if (m_callback != nullptr) m_callback->OnClose(error);
        }
        WriteSocketTrace(kError, method,
                         "WSARECV() failed with TCP error %d! returning SOCKET_ERROR", error);
        return -1;
    }
    if (n == 0) {
        // The peer has closed: the owner closes; this thread lets the descriptor go.
        m_continue = false;
        UTKTools::CGuard guard(m_callbackLock);
        if (m_callback != nullptr) m_callback->OnClose(m_lastTcpError.load());
    }
    WriteSocketTrace(kInfo, method, "returning %d bytes received", n);
    return n;
}

void CTcpAsyncSocket::Close() {
    if (m_socketOpen) {
        StopNetworkThread();
        (void)m_events.Select(m_socket, 0);
        if (m_connectIssued) (void)m_socket.Shutdown(platform::ShutdownHow::Both);
        m_socket.Close();
        m_connectIssued = false;
        m_socketOpen = false;
    }
    WriteSocketTrace(kInfo, "CTcpAsyncSocket::Close", "returning!");
}

void CTcpAsyncSocket::RestartNetworkThread() {
    if (!m_continue) return;
    if (!m_networkThread.Start(&CTcpAsyncSocket::NetWorkThreadProc, this))
        WriteSocketTrace(kNotice, "CTcpAsyncSocket::RestartNetworkThread",
                         "NetWorkThreadProc failed to start!");
}

void CTcpAsyncSocket::SetRecvBuffer(int size) {
    const char* method = "CTcpAsyncSocket::SetRecvBuffer";
    if (size == 0) {
        WriteSocketTrace(kInfo, method,
                         "A RecvBufferSize of 0 indicates that current SO_RCVBUF should not be "
                         "changed");
        return;
    }
    int before = 0;
    if (!m_socket.GetReceiveBufferSize(before))
        WriteSocketTrace(kError, method, "getsockopt for original SO_RCVBUF failed!");
    if (!m_socket.SetReceiveBufferSize(size)) {
        WriteSocketTrace(kError, method, "Unable to set SO_RCVBUF size to %d", size);
    } else {
        int after = 0;
        if (!m_socket.GetReceiveBufferSize(after))
            WriteSocketTrace(kError, method, "getsockopt for new SO_RCVBUF failed!");
        else
            WriteSocketTrace(kNotice, method,
                             "SO_RCVBUF size was %d, requested was %d, changed to %d", before, size,
                             after);
    }
    WriteSocketTrace(kInfo, method, "returning");
}

unsigned CTcpAsyncSocket::NetWorkThreadProc(void* argument) {
    return static_cast<CTcpAsyncSocket*>(argument)->RunNetworkThread();
}

// Calls one event operation when its bit is set; false when the callback object has gone.
bool CTcpAsyncSocket::DispatchEvent(const platform::NetworkEventRecord& record, long bit,
                                    const char* name) {
    if (!record.Has(bit)) return true;
    const int error = record.ErrorOf(bit);
    m_lastTcpError = error;
    UTKTools::CGuard guard(m_callbackLock);
    if (m_callback == nullptr) {
        WriteSocketTrace(kError, "NetWorkThreadProc", "terminating. %s callback class destructing",
                         name);
        return false;
    }
    switch (bit) {
        case platform::FD_ACCEPT:
            m_callback->OnAccept(error);
            break;
        case platform::FD_CONNECT:
            m_callback->OnConnect(error);
            break;
        case platform::FD_READ:
            m_callback->OnReceive(error);
            break;
        case platform::FD_WRITE:
            m_callback->OnSend(error);
            break;
        default:
            m_callback->OnClose(error);
            break;
    }
    return true;
}

unsigned CTcpAsyncSocket::RunNetworkThread() {
    const char* method = "NetWorkThreadProc";
    WriteSocketTrace(kDebug, method, "started!");
    for (;;) {
        m_alive = 1;
        const auto waited = m_events.Wait(kNetworkWaitMs);
        if (waited == platform::NetworkEvents::WaitResult::Failed) {
            {
                UTKTools::CGuard guard(m_callbackLock);
                if (m_callback != nullptr) m_callback->OnClose(-1);
            }
            WriteSocketTrace(kError, method, "terminating. WSA_WAIT_FAILED");
            return 0;
        }
        if (!m_continue) {
            WriteSocketTrace(kInfo, method, "terminating. m_bContinue == false");
            return 0;
        }
        if (waited == platform::NetworkEvents::WaitResult::Timeout) continue;
        platform::NetworkEventRecord record;
        if (!m_events.Enumerate(record)) {
            m_lastTcpError = platform::WSAGetLastError();
            {
                UTKTools::CGuard guard(m_callbackLock);
                if (m_callback != nullptr) m_callback->OnClose(-1);
            }
            WriteSocketTrace(kError, method, "terminating. SOCKET_ERROR");
            return 0;
        }
        if (!DispatchEvent(record, platform::FD_ACCEPT, "OnAccept") ||
            !DispatchEvent(record, platform::FD_CONNECT, "OnConnect") ||
            !DispatchEvent(record, platform::FD_READ, "OnReceive") ||
            !DispatchEvent(record, platform::FD_WRITE, "OnSend") ||
            !DispatchEvent(record, platform::FD_CLOSE, "OnClose"))
            return 0;
    }
}

void CTcpAsyncSocket::ResetTracePrefix() {
    UTKTools::CGuard guard(m_traceLock);
    m_tracePrefix = "[?????????????:?????]";
}

void CTcpAsyncSocket::SetTracePrefix() {
    const char* host = GetHostAddress();
    const std::uint32_t port = GetPort();
    char text[300];
    char portText[16];
    if (port == 0)
        std::snprintf(portText, sizeof portText, "?????");
    else
        std::snprintf(portText, sizeof portText, "%lu", static_cast<unsigned long>(port));
    std::snprintf(text, sizeof text, "[%s:%s]", host != nullptr && *host ? host : "?????????????",
                  portText);
    UTKTools::CGuard guard(m_traceLock);
    m_tracePrefix = text;
}

void CTcpAsyncSocket::MakeTraceLabel(char* buffer, std::size_t capacity, const char* method) {
    UTKTools::CGuard guard(m_traceLock);
    const std::size_t length = std::strlen(method);
    if (m_tracePrefix.size() + length < capacity)
        std::snprintf(buffer, capacity, "%s%s", m_tracePrefix.c_str(), method);
    else if (length < capacity)
        std::snprintf(buffer, capacity, "%s", method);
}

void CTcpAsyncSocket::UpdateTraceThreshold() {
    const int current = m_traceThreshold.load();
    const int wanted = GetTraceThreshold(current);
    if (wanted == current) return;
    if (current == 0) OpenTraceFile();
    m_traceThreshold = wanted;
}

void CTcpAsyncSocket::OpenTraceFile() {
    const char* host = GetHostAddress();
    if (host == nullptr || *host == '\0') return;
    UTKTools::CGuard guard(m_traceLock);
    if (m_traceFile) return;
    std::string name(host);
    for (char& c : name)
        if (c == '.') c = '_';
    char file[300];
    std::snprintf(file, sizeof file, "%s_%lu.txt", name.c_str(),
                  static_cast<unsigned long>(GetPort()));
    auto medium = std::make_unique<CFileLogMedia>(file, kTraceFileLimit, 0);
    if (!medium->IsOpen()) return;
    m_traceLogger.AddLogMedia(*medium);
    m_traceFile = std::move(medium);
}

void CTcpAsyncSocket::CloseTraceFile() {
    UTKTools::CGuard guard(m_traceLock);
    m_traceLogger.RemoveAllLogMedia();
    m_traceFile.reset();
}

void CTcpAsyncSocket::WriteSocketTrace(int priority, const char* method, const char* format, ...) {
    const int threshold = m_traceThreshold.load();
    if (threshold == 0 || priority > threshold) return;
    char label[256] = {};
    MakeTraceLabel(label, sizeof label, method);
    va_list args;
    va_start(args, format);
    UTKTools::CGuard guard(m_traceLock);
    if (m_traceFile)
        m_traceLogger.LogVA(static_cast<UTKLogger::CPriority::EPRIORITY>(priority), label, format,
                            args);
    va_end(args);
}

}  // namespace quildrv
