// The session's traffic: building and sending packets, reading and sorting received ones,
// collecting segments into messages, and the session-identifier cache.
#include <algorithm>

#include "Errors.h"
#include "platform/Clock.h"
#include "platform/WinsockError.h"
#include "quil/SessionError.h"
#include "quil/SessionOption.h"
#include "quilsp/RouteConfig.h"
#include "quilsp/Session.h"
#include "quilsp/SessionPool.h"

namespace quilsp {

namespace {

constexpr std::size_t kReadChunk = 16384;
constexpr int kMaxReadsPerNotice = 16;

}  // namespace

int CSession::SendMsg(std::span<const std::uint8_t> data, bool keepAlive) {
    return Send(data, keepAlive, m_translate);
}

int CSession::Send(std::span<const std::uint8_t> data, bool keepAlive, bool translate) {
    // A keep-alive on a connection that was lost (or whose reconnect was refused) connects
    // again, as one on a connection the host closed does.
    const bool lost = m_state == kStateNotConnected || m_state == kStateReadFailed;
    if (m_closedByHost || (keepAlive && lost)) {
        if (ReconnectSocket() != kErrWaiting) return m_lastError;
        PrepareQUILBuffer(data, keepAlive, translate);
        return m_lastError;
    }
    if (m_state == kStateNotConnected) {
        QLOG(m_log, kError, "SendMsg() : Called with no valid session object. Call Connect..");
        m_lastError = kErrNoConnect;
        return m_lastError;
    }
    if (m_state != kStateIdle) {
        QLOG(m_log, kError, "Wrong call. Invalid State");
        return kErrInvalidOption;
    }
    QLOG(m_log, kTrace, "SendMsg(): calling PrepareQUILBuffer()");
    PrepareQUILBuffer(data, keepAlive, translate);
    QLOG(m_log, kTrace, "SendMsg(): Prepared buffer of length %zu", m_buffer.WholeLength());
    if (keepAlive && m_kaEnabled && !m_kaResponseRunning) StartTimer(kTimerKeepAliveResponse);
    if (SendBufferToHost()) {
        QLOG(m_log, kTrace, "SendMsg() : SendBufferToHost() call success");
        m_lastError = 0;
        return 0;
    }
    QLOG(m_log, kError, "SendMsg() : Error returned by SendBufferToHost()");
    if (m_sendLeft == 0) m_buffer.Reset();
    if (m_lastError == kErrSocket)
        QLOG(m_log, kError, "SendMsg() : Comm error. Reconnect..");
    else
        QLOG(m_log, kTrace, "SendMsg() : waiting for OnSend..");
    return m_lastError;
}

void CSession::PrepareQUILBuffer(std::span<const std::uint8_t> data, bool keepAlive,
                                 bool translate) {
    const std::vector<std::uint8_t> payload = OutgoingPayload(data, translate);
    if (m_header.Kind() == quil::kSessionBegin && !m_poolName.empty())
        AddOption(quil::kOptionPoolName);

    if (!PrepareStreamHeader(payload.size())) return;
    PrepareSessionHeader(m_answeringPrint ? quil::kMsgPrintAddress
                         : keepAlive      ? quil::kMsgKeepAlive
                                          : quil::kMsgData);
    if (!m_buffer.SetSessionHeader(m_header)) return;
    if (m_optionBytes > 0) {
        const std::span<std::uint8_t> area(m_options.data(), m_optionBytes);
        quil::StampEndToEndOut(area, platform::CurrentClock().TickCount());
        m_buffer.SetOptions(area);
    }
    m_buffer.SetPayload(payload);
}

void CSession::AddOption(std::uint8_t type) {
    const std::span<const std::uint8_t> area(m_options.data(), m_optionBytes);
    bool present = false;
    (void)quil::WalkOptions(area, [&](std::span<const std::uint8_t> option) {
        present = present || option[0] == type;
        return !present;
    });
    if (present) return;

    quil::CSessionOption option;
    if (type == quil::kOptionEndToEnd) {
        QLOG(m_log, kTrace, "AddOption(E2E)");
        option = quil::CSessionOption(type, {});
    } else if (type == quil::kOptionPoolName) {
        QLOG(m_log, kTrace, "AddOption(PoolName)");
        QLOG(m_log, kTrace, "AddPoolNameOption()");
        std::vector<std::uint8_t> name(m_poolName.begin(), m_poolName.end());
        if (m_translate && !name.empty()) {
            (void)quil::ClientToHost(name, true);
            if (!name.empty() && name.back() == quil::kHostEndOfMessage) name.pop_back();
        }
        if (name.size() > 6) name.resize(6);
        option = quil::CSessionOption(type, name);
    } else {
        QLOG(m_log, kError, "AddOption() INVALID OPTION> CHECK OUT");
        return;
    }
    m_optionBytes += option.WriteTo(std::span<std::uint8_t>(m_options).subspan(m_optionBytes));
}

void CSession::PrepareSessionHeader(std::uint8_t messageType) {
    QLOG(m_log, kTrace, "PrepareSessionHeader() :");
    if (m_header.Kind() == quil::kSessionBegin || m_header.Kind() == quil::kSessionTerminate)
        m_header.SetKind(quil::kSessionBegin);
    SetSessionHeaderFlags(messageType);
    if (m_header.Kind() != quil::kSessionBegin) return;

    bool resume = true;
    if (m_poolingKind == kPoolingHost) {
        QLOG(m_log, kTrace, "PrepareSessionHeader(): Host pooled");
        const RouteConfig route(m_route);
        const auto byHost = route.Number("Disconnected by Host");
        if (!byHost) {
            QLOG(m_log, kTrace,
                 "PrepareSessionHeader(): Host pooled. Entry is not in registry. So not a host "
                 "disconnect. Get a new session");
            resume = false;
        } else if (*byHost != 0) {
            QLOG(m_log, kTrace,
                 "PrepareSessionHeader(): Host pooled: Disconnected by the host. Use cache, if "
                 "exist");
            route.SetNumber("Disconnected by Host", 0);
        } else {
            QLOG(m_log, kTrace,
                 "PrepareSessionHeader(): Host pooled. not a host disconnect. So get a new "
                 "session");
            resume = false;
        }
    }
    if (resume) {
        if (!GetSessionIDCache()) m_sessionIdText.clear();
        if (m_poolingKind != kPoolingHost && m_pooled) CacheSessionID();
    }
    (void)m_header.SetTerminalAddress(m_lniata);
    m_header.SetSessionId(m_sessionIdText);
}

bool CSession::SendBufferToHost() {
    QLOG(m_log, kTrace, "SendBufferToHost() :");
    if (m_sendLeft == 0) {
        m_sendLeft = m_buffer.WholeLength();
        m_sent = 0;
    }
    if (m_connection == nullptr) {
        m_lastError = kErrNoConnect;
        QLOG(m_log, kError, "SendBufferToHost(): Connection object is not valid, Error Mesg : %s ",
             "No Connection Has Been Created, Call Connect Function");
        m_sendLeft = 0;
        return false;
    }
    const std::span<const std::uint8_t> block = m_buffer.Block();
    while (m_sendLeft > 0) {
        const int n = m_connection->Send(block.subspan(m_sent, m_sendLeft));
        if (n <= 0) {
            const int error = n == 0 ? platform::WSAEWOULDBLOCK : platform::WSAGetLastError();
            if (error == platform::WSAEWOULDBLOCK) {
                m_lastError = kErrWaiting;
                m_state = kStateSending;
                return false;
            }
            m_lastError = kErrSocket;
            SetProtocolError(error);
            QLOG(m_log, kError,
                 "SendBufferToHost(): Send failed, Error code : %d, Error Mesg : %s ", error,
                 m_protocolErrorText.c_str());
            m_sendLeft = 0;
            m_sent = 0;
            return false;
        }
        m_sent += static_cast<std::size_t>(n);
        m_sendLeft -= static_cast<std::size_t>(n);
        QLOG(m_log, kTrace, "SendBufferToHost(): Successfully sent bytes : %d", n);
    }
    m_sent = 0;
    return true;
}

void CSession::OnSend(int socketError) {
    QLOG(m_log, kTrace, "OnSend() :");
    if (socketError != 0) {
        m_lastError = kErrSocket;
        SetProtocolError(socketError);
        QLOG(m_log, kError, "OnSend():Send failed to %s, error code : %d, Reason : %s",
             Host().c_str(), socketError, m_protocolErrorText.c_str());
        m_state = kStateNotConnected;
        m_buffer.Reset();
        m_sendLeft = 0;
        if (m_owner != nullptr) m_owner->OnSend(kErrSocket);
        return;
    }
    QLOG(m_log, kTrace, "OnSend() : Check for more data ");
    if (m_sendLeft > 0) {
        QLOG(m_log, kTrace, "OnSend() : More data. Send it");
        if (SendBufferToHost()) {
            if (m_state == kStateDisconnecting) {
                FinishDisconnect(true);
                return;
            }
            m_state = kStateIdle;
            m_lastError = 0;
            if (m_owner != nullptr) m_owner->OnSend(0);
        } else if (m_sendLeft == 0) {
            m_buffer.Reset();
            m_state = kStateNotConnected;
            if (m_owner != nullptr) m_owner->OnSend(m_lastError);
        }
        return;
    }
    QLOG(m_log, kTrace, "OnSend() : No more data");
    switch (m_state) {
        case kStateConnecting:
            QLOG(m_log, kTrace, "OnSend() : No more data, BRX_CONNECTING");
            break;
        case kStateIdle:
            QLOG(m_log, kTrace, "OnSend() : No more data, BRX_IDLE");
            break;
        case kStateDisconnecting:
            QLOG(m_log, kTrace, "OnSend() : No more data, BRX_DISCONNECTING_SESSION");
            FinishDisconnect(true);
            break;
        default:
            QLOG(m_log, kTrace, "OnSend() : No more data, %d", m_state);
            m_state = kStateIdle;
            m_buffer.Reset();
            if (m_owner != nullptr) m_owner->OnSend(m_lastError);
            break;
    }
}

void CSession::OnReceive(int socketError) {
    if (m_kaIdleRunning) StopTimer(kTimerKeepAliveIdle);
    if (socketError != 0) {
        m_lastError = kErrSocket;
        SetProtocolError(socketError);
        m_state = kStateNotConnected;
        KeepAliveGoesOn();
        if (m_owner != nullptr) m_owner->OnReceive(kErrSocket, this);
        return;
    }
    QLOG(m_log, kTrace, "OnReceive()");
    const auto alive = m_alive;
    const std::uint64_t generation = m_streamGeneration;
    std::vector<std::uint8_t> chunk(kReadChunk);
    for (int i = 0; i < kMaxReadsPerNotice && m_connection != nullptr; ++i) {
        QLOG(m_log, kTrace, "ReceiveData()");
        const int n = m_connection->Receive(chunk);
        if (n == 0) break;  // the close notice follows
        if (n < 0) {
            const int error = platform::WSAGetLastError();
            if (error == platform::WSAEWOULDBLOCK) {
                QLOG(m_log, kTrace, "OnReceive() receive returned WSAEWOULDBLOCK ");
                break;
            }
            m_lastError = kErrSocket;
            SetProtocolError(error);
            QLOG(m_log, kError, "OnReceive() : Receive failed, Error # : %d, Reason : %s ", error,
                 m_protocolErrorText.c_str());
            m_reader.Reset();
            m_state = kStateReadFailed;
            KeepAliveGoesOn();
            if (!m_initialPending && m_owner != nullptr) m_owner->OnReceive(m_lastError, this);
            return;
        }
        FeedReceived(std::span<const std::uint8_t>(chunk.data(), static_cast<std::size_t>(n)));
        if (!*alive || generation != m_streamGeneration) return;
    }
    KeepAliveGoesOn();
}

void CSession::KeepAliveGoesOn() {
    // Also after a failed read or a broken stream: the host cannot reach the session any
    // more, and the keep-alive is what connects again when nothing else is sent. Started
    // before the owner hears of a failure, so that a disconnect it asks for stops it.
    if (m_kaEnabled && !m_kaIdleRunning) StartTimer(kTimerKeepAliveIdle);
}

void CSession::FeedReceived(std::span<const std::uint8_t> bytes) {
    // Records are taken out first: handling one may end the connection or the session.
    std::vector<std::vector<std::uint8_t>> records;
    const bool whole = m_reader.Feed(bytes, [&](std::span<const std::uint8_t> record) {
        records.emplace_back(record.begin(), record.end());
    });
    const auto alive = m_alive;
    const std::uint64_t generation = m_streamGeneration;
    for (const auto& record : records) {
        ProcessRecord(record);
        if (!*alive || generation != m_streamGeneration) return;
    }
    if (!whole) BrokenStream(quil::RecordReader::ErrorText(m_reader.error()));
}

void CSession::BrokenStream(const char* what) {
    QLOG(m_log, kError, "The Sync character OR Version is not correct ");
    QLOG(m_log, kError, "OnReceive(): Not a correct StreamHeader");
    m_lastError = kErrSocket;
    m_protocolError = 0;
    m_protocolErrorText = what;
    // The rest of the stream cannot be trusted: the connection goes, the next connect
    // starts clean.
    ReleaseConnection();
    m_state = kStateNotConnected;
    KeepAliveGoesOn();
    if (!m_initialPending && m_owner != nullptr) m_owner->OnReceive(m_lastError, this);
}

void CSession::ProcessRecord(std::span<const std::uint8_t> record) {
    quil::CStreamHeader stream;
    quil::CSessionHeader received;
    if (!stream.Read(record) || !m_inBuffer.SetStreamHeader(stream) ||
        !m_inBuffer.FillFromReceived(record.subspan(quil::kStreamHeaderSize)) ||
        !m_inBuffer.ReadSessionHeader(received) || !ValidateSessionHeader(received)) {
        QLOG(m_log, kError, "OnReceive(): Packet is dropped due to incorrect packet information");
        m_disconnectedByHost = false;
        return;
    }
    if (!ProcessRecdMsg())
        QLOG(m_log, kError, "OnReceive(): Packet is dropped due to incorrect packet information");
}

bool CSession::ValidateSessionHeader(const quil::CSessionHeader& received) {
    QLOG(m_log, kTrace, "ValidateSessionHeader()");
    if (received.Version() != 1 || received.HeaderWords() != 3) {
        QLOG(m_log, kError,
             "ValidateSessionHeader(): Invalid Session header version [Host:%d] / length[Host:%d]",
             received.Version(), received.HeaderWords());
        return false;
    }
    if (received.Kind() != quil::kSessionBegin && received.Identity() != m_header.Identity()) {
        QLOG(m_log, kError,
             "ValidateSessionHeader(): Invalid Session ID : Client SID:%s From Host %s",
             m_header.TerminalAddress().c_str(), received.TerminalAddress().c_str());
        return false;
    }
    return true;
}

bool CSession::ProcessRecdMsg() {
    QLOG(m_log, kTrace, "ProcessReceivedMessage()");
    if (!m_inBuffer.ReadSessionHeader(m_header)) return false;
    m_options.fill(0);
    m_optionBytes = m_inBuffer.GetOptions(m_options);
    if (m_optionBytes > 0)
        quil::StampEndToEndIn(std::span<std::uint8_t>(m_options.data(), m_optionBytes),
                              platform::CurrentClock().TickCount());
    const std::uint8_t type = m_header.Err();
    const std::uint8_t kind = m_header.Kind();
    m_lastType = type;
    const std::span<const std::uint8_t> payload = m_inBuffer.Payload();
    const auto alive = m_alive;

    switch (type) {
        case quil::kMsgData:
        case quil::kMsgUrl:
        case quil::kMsgKeepAlive: {
            QLOG(m_log, kTrace, "ProcessReceivedMessage() : Good Data");
            if (kind == quil::kSessionBegin) {
                m_header.SetKind(quil::kSessionMaintain);
                const std::string assigned = m_header.TerminalAddress();
                if (assigned != m_lniata) {
                    m_lniata = assigned;
                    if (!m_initialPending) {
                        QLOG(m_log, kTrace, "Resource ID changed : firing OnResource..");
                        if (m_owner != nullptr) m_owner->OnResource(m_lniata, 0);
                        if (!*alive) return true;
                    }
                }
                if (m_poolingKind == kPoolingHost) m_header.AppendSessionId(m_sessionIdText);
                if (m_initialPending) {
                    m_initialPending = false;
                    m_established = true;
                    if (m_poolingKind != kPoolingFixed) {
                        if (m_pooled) CacheSessionID();
                        const CPoolKey assignedKey(m_lniata, Host());
                        if (CSessionPool* pool = CSessionPool::Instance())
                            (void)pool->ChangeKey(m_key, assignedKey, m_pooled);
                        m_key = assignedKey;
                    }
                    if (m_owner != nullptr) m_owner->OnConnect(m_lastError);
                    if (!*alive) return true;
                    if (m_owner != nullptr) m_owner->OnResource(m_lniata, 1);
                    if (!*alive) return true;
                }
            }
            if (type == quil::kMsgKeepAlive) {
                QLOG(m_log, kTrace, "ProcessReceivedMessage() : KEEP_ALIVE Response ");
                if (m_kaResponseRunning) StopTimer(kTimerKeepAliveResponse);
                if (!m_kaEnabled) EnableKeepAlive();
            }
            if (!payload.empty()) {
                QLOG(m_log, kTrace, "ProcessReceivedMessage() : Notification / Response");
                AddDataToReceiveBuffer(payload, m_translate);
                if (m_complete && m_owner != nullptr) {
                    QLOG(m_log, kTrace,
                         "ProcessReceivedMessage() : Data / response. Send it up to the client");
                    m_owner->OnReceive(0, this);
                }
            }
            return true;
        }
        case quil::kMsgPrintAddress: {
            const std::vector<std::uint8_t> request(payload.begin(), payload.end());
            m_message = {0xFF, 0xFF, 0x04};
            m_freshMessage = false;
            AddDataToReceiveBuffer(request, m_translate);
            // The address goes back as the host sent it.
            m_answeringPrint = true;
            (void)Send(request, false, false);
            m_answeringPrint = false;
            if (m_complete && m_owner != nullptr) {
                QLOG(m_log, kTrace,
                     "ProcessReceivedMessage() : Get a Printer URL / Request. Firing OnReceive() "
                     "to Printer");
                m_owner->OnReceive(0, this);
            }
            return true;
        }
        case quil::kMsgSessionError:
        case quil::kMsgSessionError2:
            HandleHostSessionError(kind == quil::kSessionBegin);
            return true;
        default:
            QLOG(m_log, kError, "ProcessReceivedMessage() : Dropped packet with invalid error: %d",
                 type);
            return true;
    }
}

void CSession::HandleHostSessionError(bool onBegin) {
    // An error message starts a message of its own.
    m_freshMessage = true;
    m_dropTwo = false;
    const std::vector<std::uint8_t> payload(m_inBuffer.Payload().begin(),
                                            m_inBuffer.Payload().end());
    AddDataToReceiveBuffer(payload, m_deviceType == kDevicePrinter || m_translate);
    quil::SessionErrorState state{m_message,     m_header,    m_disconnectedByHost, m_options,
                                  m_optionBytes, m_lastError, m_protocolErrorText,  {}};
    const bool found = quil::HandleSessionError(
        state, [this](const std::string& line) { QLOG(m_log, kTrace, "%s", line.c_str()); });
    if (!found) {
        QLOG(m_log, kError, "ProcessRecdMsg(): Invalid error string");
        return;
    }
    QLOG(m_log, kTrace, "ProcessReceivedMessage() : Error %d ", m_lastError);
    const auto alive = m_alive;
    if (m_lastError == 0) {
        QLOG(m_log, kTrace,
             "ProcessRecdMsg(): Session Error : Processed and Passed as Host MESSAGE to the "
             "client app");
        if (m_owner != nullptr) m_owner->OnReceive(0, this);
        return;
    }
    if (m_initialPending) {
        QLOG(m_log, kTrace,
             "ProcessRecdMsg(): Received Session Error for Initial Session establishment");
        m_initialPending = false;
    }
    if (m_deviceType == kDevicePrinter) {
        QLOG(m_log, kTrace,
             "ProcessRecdMsg(): Session Error : Processed and Passed as Error to the client "
             "app:PRINTER");
    } else {
        QLOG(m_log, kTrace,
             "ProcessRecdMsg(): Session Error : Processed and Passed as Error to the client "
             "app:TERMINAL");
        if (m_owner != nullptr) m_owner->OnReceive(onBegin ? m_lastError : 0, this);
        if (!*alive) return;
    }
    if (!onBegin) {
        StartTimer(kTimerMaintainError);
        return;
    }
    m_established = false;
    const bool printerOrFixed = m_deviceType == kDevicePrinter || m_poolingKind == kPoolingFixed;
    StartTimer(printerOrFixed ? kTimerBeginError : kTimerBeginErrorPooled);
}

int CSession::ReceiveMsg(std::vector<std::uint8_t>& message) {
    QLOG(m_log, kTrace, "ReceiveMsg()");
    return HandOutMessage(message);
}

void CSession::CacheSessionID() {
    QLOG(m_log, kTrace, "CacheSessionID()");
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) |
                (i < m_sessionIdText.size() ? static_cast<std::uint8_t>(m_sessionIdText[i]) : 0);
    RouteConfig(m_route).SetNumber(kSessionIdValue, value);
}

bool CSession::GetSessionIDCache() {
    QLOG(m_log, kTrace, "GetSessionIDCache()");
    const auto value = RouteConfig(m_route).Number(kSessionIdValue);
    if (!value) return false;
    m_sessionIdText.clear();
    for (int shift = 24; shift >= 0; shift -= 8)
        m_sessionIdText.push_back(static_cast<char>((*value >> shift) & 0xFF));
    return true;
}

void CSession::ClearSessionIDCache() {
    if (m_disconnectedByHost) {
        QLOG(m_log, kTrace, "ClearSessionIDCache(): Disconnected by the host. Do not clean cache");
        return;
    }
    QLOG(m_log, kTrace, "ClearSessionIDCache(): Delete cache");
    RouteConfig(m_route).Delete(kSessionIdValue);
}

}  // namespace quilsp
