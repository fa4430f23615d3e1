// The QUIL2SP session's traffic: an entry goes to the library as one request holding its
// payload; a message from the library is read from its fourth byte on.
#include <algorithm>

#include "Errors.h"
#include "quil2sp/Session.h"
#include "session/Exceptions.h"
#include "session/Request.h"

namespace quilsp {

namespace {

// The bytes in front of a library response's host text.
constexpr std::size_t kResponsePrefix = 3;
constexpr std::uint8_t kPrinterTranslate = 0xF1;

}  // namespace

int CSession::SendMsg(std::span<const std::uint8_t> data) {
    if (m_closedByHost) {
        m_closedByHost = false;
        m_lastError = 0;
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
    PrepareQUILBuffer(data);
    QLOG(m_log, kTrace, "SendMsg(): Prepared buffer of length %zu", m_buffer.WholeLength());
    const bool sent = SendBufferToHost();
    m_buffer.Reset();
    if (sent) {
        QLOG(m_log, kTrace, "SendMsg() : SendBufferToHost() call success");
        m_lastError = 0;
        return 0;
    }
    QLOG(m_log, kError, "SendMsg() : Error returned by SendBufferToHost()");
    return m_lastError;
}

void CSession::SendInitString() {
    if (m_deviceType == kDevicePrinter || m_poolingKind == kPoolingFixed) return;
    // The driver begins the host session itself; the initiation carries no payload.
    QLOG(m_log, kTrace, "SendInitString():Sending Session Init String");
    (void)SendMsg({});
}

void CSession::PrepareQUILBuffer(std::span<const std::uint8_t> data) {
    const std::vector<std::uint8_t> payload = OutgoingPayload(data, m_translate);
    if (!PrepareStreamHeader(payload.size())) return;
    PrepareSessionHeader();
    if (!m_buffer.SetSessionHeader(m_header)) return;
    if (m_optionBytes > 0)
        m_buffer.SetOptions(std::span<const std::uint8_t>(m_options.data(), m_optionBytes));
    m_buffer.SetPayload(payload);
}

void CSession::PrepareSessionHeader() {
    QLOG(m_log, kTrace, "PrepareSessionHeader() :");
    SetSessionHeaderFlags(quil::kMsgData);
    (void)m_header.SetTerminalAddress(TerminalAddress());
}

bool CSession::SendBufferToHost() {
    QLOG(m_log, kTrace, "SendBufferToHost() :");
    const std::span<const std::uint8_t> payload = m_buffer.Payload();
    if (payload.empty()) {
        QLOG(m_log, kTrace, "SendBufferToHost(): Warning attempt to send zero bytes");
        return true;
    }
    // The whole payload goes, zero bytes and all.
    SessionNS::CRequest request;
    request.data.set(payload.data(), static_cast<unsigned long>(payload.size()));
    const int count = static_cast<int>(payload.size());
    QLOG(m_log, kTrace, "SendBufferToHost(): Sending bytes : %d", count);
    try {
        m_adapter.Send(request);
    } catch (const SessionNS::CExceptionBase& e) {
        QLOG(m_log, kError, "SendBufferToHost(): error=%d \"%s\"", static_cast<int>(e.error()),
             e.what());
        m_lastError = kErrSocket;
        SetProtocolError(e.error(), e.what());
        return false;
    }
    QLOG(m_log, kTrace, "SendBufferToHost(): Successfully sent bytes : %d", count);
    return true;
}

int CSession::ReceiveMsg(std::vector<std::uint8_t>& message) {
    QLOG(m_log, kTrace, "ReceiveMsg()");
    SessionNS::CResponse response;
    try {
        m_adapter.Receive(response);
    } catch (const SessionNS::CExceptionBase& e) {
        QLOG(m_log, kError, "ReceiveMsg() error=%d \"%s\"", static_cast<int>(e.error()), e.what());
        m_lastError = kErrNoData;
        return m_lastError;
    }
    const unsigned char* bytes = response.data.data();
    const std::size_t length = bytes != nullptr ? response.data.length() : 0;
    return TakeResponse(std::span<const std::uint8_t>(bytes, length), message);
}

int CSession::TakeResponse(std::span<const std::uint8_t> response,
                           std::vector<std::uint8_t>& message) {
    if (response.size() <= kResponsePrefix) {
        m_lastError = kErrNoData;
        return m_lastError;
    }
    const std::span<const std::uint8_t> payload = response.subspan(kResponsePrefix);
    const bool translate =
        m_translate || (m_deviceType == kDevicePrinter && payload[0] == kPrinterTranslate);
    AddDataToReceiveBuffer(payload, translate);
    return HandOutMessage(message);
}

}  // namespace quilsp
