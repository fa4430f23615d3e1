// What both QUIL providers' sessions do alike on the way to the host: the first connect
// initialises the session, and an entry becomes a record (its payload in host code when
// translated, the stream header, the session header's flags). This source is built into
// each provider with its own session (ModuleSession.h).
#include "Errors.h"
#include "ModuleSession.h"
#include "quil/Translation.h"

namespace quilsp {

void CSession::Initialise() {
    QLOG(m_log, kTrace, "Initialize()");
    m_initialised = true;
    m_active = true;
}

int CSession::Connect(const std::string& endSystem) {
    m_lastError = 0;
    m_endSystem = endSystem;
    QLOG(m_log, kTrace, "Connect() : called for Address, %s", endSystem.c_str());
    if (!m_initialised) Initialise();
    return DoConnect();
}

std::vector<std::uint8_t> CSession::OutgoingPayload(std::span<const std::uint8_t> data,
                                                    bool translate) {
    QLOG(m_log, kTrace, "PrepareQUILBuffer() :");
    m_buffer.Reset();
    QLOG(m_log, kTrace, "Client -> Host (data before translation)");
    m_log.Dump(kTrace, data);
    std::vector<std::uint8_t> payload(data.begin(), data.end());
    if (translate) {
        (void)quil::ClientToHost(payload, m_deviceType != kDevicePrinter);
        QLOG(m_log, kTrace, "Client -> Host (data after translation)");
        m_log.Dump(kTrace, payload);
    }
    return payload;
}

bool CSession::PrepareStreamHeader(std::size_t payloadLength) {
    QLOG(m_log, kTrace, "PrepareStreamHeader() :");
    m_stream.SetByte2(0);
    m_stream.SetLength(
        static_cast<std::uint32_t>(payloadLength + m_optionBytes + quil::kRecordHeaderSize));
    return m_buffer.SetStreamHeader(m_stream);
}

void CSession::SetSessionHeaderFlags(std::uint8_t messageType) {
    m_header.SetOptionBytes(m_optionBytes);
    m_header.SetErr(messageType);
    m_header.SetSegmentOverride(m_owner != nullptr && m_owner->SegmentOverride());
    if (m_noTranslation) {
        m_header.SetReservedPair(0);
        m_header.SetSegmentOverride(true);
    } else if (m_translate) {
        m_header.SetReservedPair(0);
    }
    m_header.SetNonStandardDevice(m_deviceType < kDeviceTerminal ||
                                  m_deviceType > kDeviceAsyncMini);
    m_header.SetReservedTriple(7);
    m_header.SetPooled(m_pooled);
}

}  // namespace quilsp
