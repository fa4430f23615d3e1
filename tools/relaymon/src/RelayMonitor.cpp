#include "relaymon/RelayMonitor.h"

#include <chrono>
#include <cstdio>

#include "platform/ByteReader.h"
#include "platform/WinsockError.h"

namespace relaymon {

namespace {

constexpr std::uint16_t kMagic = 1001;
constexpr std::size_t kHeader = 11;
constexpr std::uint32_t kLongestPacket = 64 * 1024;

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

std::string Packet::Text() const {
    std::string text;
    for (std::size_t i = kHeader; i < bytes.size() && bytes[i] != 0; ++i)
        text.push_back(static_cast<char>(bytes[i]));
    return text;
}

std::string Describe(const Packet& packet) {
    char head[64];
    std::snprintf(head, sizeof head, "%c %u %u ", packet.kind, packet.totalLength, packet.code);
    if (packet.kind != 'I') return head + packet.Text();
    platform::ByteReader body(std::span(packet.bytes).subspan(kHeader));
    std::uint32_t first = 0;
    (void)body.u32le(first);
    return head + std::to_string(first);
}

bool RelayMonitor::Connect(const platform::SocketAddress& relay, int timeoutMs,
                           int receiveBufferBytes) {
    m_buffer.clear();
    m_closed = false;
    m_error.clear();
    if (!m_socket.Create()) return false;
    if (receiveBufferBytes > 0 && !m_socket.SetReceiveBufferSize(receiveBufferBytes)) return false;
    return m_socket.Connect(relay, timeoutMs);
}

std::optional<Packet> RelayMonitor::TakePacket() {
    if (m_buffer.size() < kHeader) return std::nullopt;
    platform::ByteReader reader(m_buffer);
    std::uint16_t magic = 0;
    std::uint8_t kind = 0;
    Packet packet;
    (void)(reader.u16le(magic) && reader.u8(kind) && reader.u32le(packet.totalLength) &&
           reader.u32le(packet.code));
    packet.kind = static_cast<char>(kind);
    if (magic != kMagic || (kind != 'U' && kind != 'I') || packet.totalLength < kHeader ||
        packet.totalLength > kLongestPacket) {
        m_error = "not a relay packet: " + Describe(packet);
        return std::nullopt;
    }
    if (m_buffer.size() < packet.totalLength) return std::nullopt;
    packet.bytes.assign(m_buffer.begin(), m_buffer.begin() + packet.totalLength);
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + packet.totalLength);
    return packet;
}

std::optional<Packet> RelayMonitor::Next(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto packet = TakePacket()) return packet;
        if (!m_error.empty() || m_closed) return std::nullopt;
        std::uint8_t chunk[4096];
        const int got = m_socket.Receive(chunk, MsLeft(end));
        if (got <= 0) {
            m_closed = got == 0 || platform::WSAGetLastError() != platform::WSAETIMEDOUT;
            return std::nullopt;
        }
        m_buffer.insert(m_buffer.end(), chunk, chunk + got);
    }
}

bool RelayMonitor::WaitClosed(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_closed) {
        std::uint8_t chunk[4096];
        const int got = m_socket.Receive(chunk, MsLeft(end));
        if (got < 0 && platform::WSAGetLastError() == platform::WSAETIMEDOUT) return false;
        m_closed = got <= 0;
    }
    return true;
}

bool RelayMonitor::SendJunk(std::span<const std::uint8_t> bytes) {
    return m_socket.SendAll(bytes, 5000);
}

void RelayMonitor::Reset() {
    (void)m_socket.SetLinger(true, 0);
    m_socket.Close();
}

}  // namespace relaymon
