// The session engine: connect, disconnect, terminate, reconnect, keep-alive and timers. The
// traffic (packets out and in) is in SessionTraffic.cpp; the options and the collection of
// messages are shared with QUIL2SP (SessionOptions.cpp, SessionMessage.cpp).
#include "quilsp/Session.h"
#include "Errors.h"

#include <algorithm>

#include "platform/WinsockError.h"
#include "quil/SocketErrorText.h"
#include "quilsp/RouteConfig.h"

namespace quilsp {

CSession::CSession(ISessionOwner* owner, const CPoolKey& key, bool pooled)
    : m_owner(owner), m_key(key), m_pooled(pooled), m_stream(quil::kStreamSync, 1, 0, 0) {
    m_hasWindow = m_window.Create();
    if (!m_hasWindow)
        QLOG(m_log, kError,
             "CreateHiddenWindow() : Failed to create the hidden window. So the timeout "
             "scenarios will not work!");
}

CSession::~CSession() {
    QLOG(m_log, kTrace, "~CSession()");
    m_kaEnabled = false;
    (void)Disconnect();
    QLOG(m_log, kTrace, "Cleanup()");
    *m_alive = false;
    ReleaseConnection();
}

void CSession::Reinitialise(ISessionOwner* owner, bool pooled) {
    m_owner = owner;
    m_pooled = pooled;
}

void CSession::SetTerminalAddress(const std::string& lniata, int poolingKind) {
    m_lniata = lniata;
    m_poolingKind = poolingKind;
}

void CSession::SetProtocolError(int socketError) {
    m_protocolError = socketError;
    m_protocolErrorText =
        quil::SocketErrorText(socketError, platform::WinsockErrorText(socketError));
}

void CSession::ReportStartupFailure() {
    QLOG(m_log, kError, "%s", kSocketStartupFailed);
}

bool CSession::CreateConnection(int& socketError) {
    socketError = 0;
    m_connectionKey = CPoolKey(m_lniata, Host()).Key();
    m_connection = m_connections.GetConnection(this, m_connectionKey);
    if (m_connection == nullptr) {
        QLOG(m_log, kError, "Could not get a connection resource. Memory Failure");
        m_lastError = kErrRefused;
        return false;
    }
    if (!m_connection->Create()) {
        socketError = platform::WSAGetLastError();
        QLOG(m_log, kError, "Cannot Create Socket, Error # %d  ", socketError);
        SetProtocolError(socketError);
        ReleaseConnection();
        m_lastError = kErrSocket;
        return false;
    }
    return true;
}

void CSession::ReleaseConnection() {
    if (m_connection == nullptr) return;
    m_connection->Forget();
    m_connection = nullptr;
    (void)m_connections.RemoveConnection(m_connectionKey);
    m_reader.Reset();
    m_sendLeft = 0;
    m_sent = 0;
    ++m_streamGeneration;
}

int CSession::DoConnect() {
    m_lastError = 0;
    QLOG(m_log, kTrace, "DoConnect() called");
    if (m_state == kStateIdle) {
        QLOG(m_log, kTrace, "Already Connected. It is in IDLE State");
        return 0;
    }
    if (m_state != kStateNotConnected) {
        QLOG(m_log, kError,
             "Wrong Call. Pnly from NOT_CONNECTED state, the Connect should have been called");
        m_lastError = kErrRefused;
        return m_lastError;
    }
    int socketError = 0;
    if (!CreateConnection(socketError)) return m_lastError;
    QLOG(m_log, kTrace, "Socket creation successful. Port number to Connect : %u", m_port);
    socketError = m_connection->ConnectToHost();
    if (socketError == 0 || socketError == platform::WSAEWOULDBLOCK) {
        QLOG(m_log, kTrace, "Connection in progress");
        m_lastError = kErrWaiting;
        m_state = kStateConnecting;
        StartTimer(kTimerConnect);
        return m_lastError;
    }
    SetProtocolError(socketError);
    if (socketError == platform::WSAEINVAL) {
        QLOG(m_log, kError, "Invalid host name");
        m_lastError = kErrNotResolved;
    } else {
        QLOG(m_log, kError, "Connect failed, error code : %d, error msg : %s,", socketError,
             m_protocolErrorText.c_str());
        m_lastError = kErrNoHost;
    }
    ReleaseConnection();
    return m_lastError;
}

void CSession::OnConnect(int socketError) {
    if (m_closedByHost) {
        m_closedByHost = false;
        return;
    }
    QLOG(m_log, kTrace, "OnConnect(): %d ", socketError);
    const auto alive = m_alive;
    if (m_state == kStateConnecting && socketError == 0) {
        m_lastError = 0;
        m_state = kStateIdle;
        QLOG(m_log, kTrace, "OnConnect():Established socket connection with %s ", Host().c_str());
        StopTimer(kTimerConnect);
        if (m_reconnectPending) {
            // The packet that found the connection closed goes out now.
            m_reconnectPending = false;
            if (SendBufferToHost()) {
                if (m_owner != nullptr) m_owner->OnSend(0);
            } else if (m_sendLeft == 0) {
                m_buffer.Reset();
                m_lastError = kErrNoConnect;
                if (m_owner != nullptr) m_owner->OnSend(kErrNoConnect);
            }
            return;
        }
        const bool beginsNow = m_deviceType != kDevicePrinter && m_poolingKind != kPoolingFixed;
        SendInitString();
        if (!*alive) return;
        // Without a begin there is no answer to report the connection: report it now.
        if (!beginsNow && m_owner != nullptr) {
            m_owner->OnConnect(0);
            if (*alive && m_owner != nullptr) m_owner->OnResource(m_lniata, 1);
        }
        return;
    }
    if (m_state == kStateConnecting) {
        m_lastError = socketError == platform::WSAETIMEDOUT ? kErrTimeout : kErrRefused;
        SetProtocolError(socketError);
        m_state = kStateNotConnected;
        QLOG(m_log, kError, "OnConnect():Connection refused to %s. Error #: %d, Reason :%s",
             Host().c_str(), socketError, m_protocolErrorText.c_str());
        StopTimer(kTimerConnect);
        ReleaseConnection();
        if (m_reconnectPending) {
            m_reconnectPending = false;
            m_buffer.Reset();
            m_lastError = kErrNoConnect;
            if (m_owner != nullptr) m_owner->OnSend(kErrNoConnect);
            return;
        }
        StartTimer(kTimerBeginErrorPooled);
        return;
    }
    if (m_owner != nullptr) m_owner->OnConnect(m_lastError);
}

void CSession::SendInitString() {
    if (m_deviceType == kDevicePrinter || m_poolingKind == kPoolingFixed) {
        m_established = true;
        return;
    }
    m_initialPending = true;
    QLOG(m_log, kTrace, "SendInitString():Sending Session Init String");
    if (Send({}, false, m_translate) == 0)
        QLOG(m_log, kTrace,
             "SendInitString():The initial background data has been sent successfully ");
    else
        QLOG(m_log, kError, "SendInitString():Error sending the initial session establish data  ");
}

void CSession::OnSocketClose(const std::string& /*key*/, int /*socketError*/) {
    QLOG(m_log, kTrace, "Socket Connection Closed from remote host");
    m_closedByHost = true;
}

int CSession::ReconnectSocket() {
    m_state = kStateNotConnected;
    ReleaseConnection();
    m_disconnectedByHost = false;
    m_closedByHost = false;
    int socketError = 0;
    if (!CreateConnection(socketError)) {
        QLOG(m_log, kError, "ReconnectSocket:Cannot Recreate Socket, Error # %d  ", socketError);
        m_lastError = kErrNoConnect;
        return m_lastError;
    }
    QLOG(m_log, kTrace, "ReconnectSocket:Socket Recreation successful. Port number to Connect : %u",
         m_port);
    socketError = m_connection->ConnectToHost();
    if (socketError == 0 || socketError == platform::WSAEWOULDBLOCK) {
        // The packet waits for the connect's outcome; it goes out on OnConnect.
        m_state = kStateConnecting;
        m_reconnectPending = true;
        StartTimer(kTimerConnect);
        m_lastError = kErrWaiting;
        return m_lastError;
    }
    SetProtocolError(socketError);
    QLOG(m_log, kError, "ReconnectSocket():Cannot Reestablish Socket Connection, Error # %d  ",
         socketError);
    ReleaseConnection();
    m_lastError = kErrNoConnect;
    return m_lastError;
}

int CSession::Disconnect(bool reportEnd) {
    QLOG(m_log, kTrace,
         m_pooled ? "Disconnect() : Disconnecting default session ..."
                  : "Disconnect() : Disconnecting session ...");
    if (m_kaIdleRunning) StopTimer(kTimerKeepAliveIdle);
    if (m_kaResponseRunning) StopTimer(kTimerKeepAliveResponse);
    if (m_state == kStateIdle) {
        if (!m_closedByHost) {
            QLOG(m_log, kTrace,
                 "Disconnect() : Not a host initiated disconnect : Send Terminate Packet");
            if (TerminateSession()) m_lastError = 0;
        }
        m_state = kStateDisconnecting;
    } else if (m_state != kStateDisconnecting) {
        QLOG(m_log, kTrace, "Disconnect() : The processing (SP)state %d", m_state);
        m_lastError = 0;
    }
    QLOG(m_log, kTrace, "Disconnect(): Connection object's disconnect called");
    if (m_closedByHost) {
        QLOG(m_log, kTrace, "PassiveCleanup()");
        m_disconnectedByHost = false;
        m_closedByHost = false;
    }
    // A terminate still on its way finishes on OnSend; otherwise the disconnect is done.
    if (m_state != kStateDisconnecting || m_sendLeft == 0)
        FinishDisconnect(reportEnd || m_state == kStateDisconnecting);
    return m_lastError;
}

void CSession::FinishDisconnect(bool report) {
    m_state = kStateNotConnected;
    m_reconnectPending = false;
    ReleaseConnection();
    m_buffer.Reset();
    if (report && m_hasWindow)
        (void)platform::PostMessage(m_window.Handle(), kMsgDisconnected, 0, 0);
}

void CSession::OnDisconnectDone() {
    if (m_owner != nullptr) m_owner->OnDisconnect(0, this);
}

bool CSession::TerminateSession() {
    if (!m_established) return false;
    QLOG(m_log, kTrace, "TerminateSession()");
    m_buffer.Reset();
    m_stream.SetByte2(0);
    m_stream.SetLength(static_cast<std::uint32_t>(m_optionBytes + quil::kRecordHeaderSize));
    if (!m_buffer.SetStreamHeader(m_stream)) return false;
    PrepareSessionHeader(quil::kMsgData);
    m_header.SetKind(quil::kSessionTerminate);
    if (!m_buffer.SetSessionHeader(m_header)) return false;
    m_buffer.SetOptions(std::span<const std::uint8_t>(m_options.data(), m_optionBytes));
    const bool sent = SendBufferToHost();
    if (m_sendLeft == 0) m_buffer.Reset();
    ClearSessionIDCache();
    m_established = false;
    return sent;
}

void CSession::EnableKeepAlive() {
    const RouteConfig route(m_route);
    if (const auto idle = route.Number("KA Idle Timeout")) {
        m_kaIdleSeconds = *idle;
    } else {
        m_kaIdleSeconds = 90;
        route.SetNumber("KA Idle Timeout", m_kaIdleSeconds);
    }
    if (const auto response = route.Number("KA Response Timeout")) {
        m_kaResponseSeconds = *response;
    } else {
        m_kaResponseSeconds = 20;
        route.SetNumber("KA Response Timeout", m_kaResponseSeconds);
    }
    m_kaEnabled = true;
    if (m_pooled) {
        QLOG(m_log, kTrace, "EnableKA() : Value : %d", 1);
        route.SetNumber("KA Enable", 1);
    }
}

void CSession::StartTimer(unsigned id) {
    QLOG(m_log, kTrace, "StartTimer() : for host %s ", Host().c_str());
    std::uint64_t ms = 1;
    switch (id) {
        case kTimerConnect:
            QLOG(m_log, kTrace, "StartTimer() : for Connect");
            ms = 40000;
            break;
        case kTimerKeepAliveIdle:
            QLOG(m_log, kTrace, "StartTimer() : for KA Idle Time");
            ms = std::uint64_t{m_kaIdleSeconds} * 1000;
            m_kaIdleRunning = true;
            break;
        case kTimerKeepAliveResponse:
            QLOG(m_log, kTrace, "StartTimer() : for KA Response");
            ms = std::uint64_t{m_kaResponseSeconds} * 1000;
            m_kaResponseRunning = true;
            break;
        case kTimerBeginErrorPooled:
            QLOG(m_log, kTrace, "StartTimer() : OnReceive Error On Begin in pooled TA ");
            break;
        case kTimerBeginError:
            QLOG(m_log, kTrace, "StartTimer() : OnReceive Error On Begin ");
            break;
        case kTimerMaintainError:
            QLOG(m_log, kTrace, "StartTimer() : OnReceive Error On Maintain");
            break;
        default:
            QLOG(m_log, kTrace, "StartTimer() : NULL");
            return;
    }
    if (m_hasWindow)
        (void)platform::SetTimer(
            m_window.Handle(), id,
            static_cast<platform::UINT>(std::min<std::uint64_t>(ms, 0x7FFFFFFF)));
}

void CSession::StopTimer(unsigned id) {
    if (m_hasWindow) (void)platform::KillTimer(m_window.Handle(), id);
    QLOG(m_log, kTrace, "CSession::StopTimer() called for host %s ", Host().c_str());
    switch (id) {
        case kTimerConnect:
            QLOG(m_log, kTrace, "StopTimer() : Received OnConnect");
            break;
        case kTimerKeepAliveIdle:
            QLOG(m_log, kTrace, "StopTimer() : Received Data from Host");
            m_kaIdleRunning = false;
            break;
        case kTimerKeepAliveResponse:
            QLOG(m_log, kTrace, "StopTimer() : Received KA Response");
            m_kaResponseRunning = false;
            break;
        case kTimerBeginErrorPooled:
            QLOG(m_log, kTrace, "StopTimer() : OnReceive Error On Begin in pooled TA ");
            break;
        case kTimerBeginError:
            QLOG(m_log, kTrace, "StopTimer() : OnReceive Error On Begin ");
            break;
        case kTimerMaintainError:
            QLOG(m_log, kTrace, "StopTimer() : OnReceive Error On Maintain");
            break;
        default:
            QLOG(m_log, kTrace, "StopTimer() : Called. Why? with no valid ID");
            break;
    }
}

void CSession::OnKeepAliveIdle() {
    StopTimer(kTimerKeepAliveIdle);
    const auto alive = m_alive;
    (void)Send({}, true, m_translate);
    // The next keep-alive is due an idle time from now whatever became of this one: received
    // data restarts the wait, and a connection that could not be made again is tried again
    // then rather than never.
    if (*alive && m_kaEnabled && !m_kaIdleRunning) StartTimer(kTimerKeepAliveIdle);
}

void CSession::OnKeepAliveOverdue() {
    QLOG(m_log, kError, "KeepAlive response not received.");
    StopTimer(kTimerKeepAliveResponse);
    if (!m_active) return;
    QLOG(m_log, kError, "Active Session. Let the app know.");
    m_lastError = kErrConnectionLost;
    if (m_owner != nullptr) m_owner->OnReceive(kErrConnectionLost, this);
}

void CSession::ReportConnectFailure() {
    if (m_owner != nullptr) m_owner->OnConnect(m_lastError);
}

void CSession::ReportSessionLost() {
    m_lastError = kErrSession;
    if (m_owner != nullptr) m_owner->OnDisconnect(kErrSession, this);
}

}  // namespace quilsp
