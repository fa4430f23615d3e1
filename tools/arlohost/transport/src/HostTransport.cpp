#include "arlohost/HostTransport.h"

#include <algorithm>
#include <utility>

namespace arlohost {
namespace {

constexpr std::size_t kHeader = 11;
constexpr std::size_t kData = 1010;

std::uint16_t U16(std::span<const std::uint8_t> p, std::size_t at) {
    return static_cast<std::uint16_t>((p[at] << 8) | p[at + 1]);
}

Packet Header(std::uint8_t kind, std::uint8_t pac1, std::uint16_t seq1, std::uint16_t seq2,
              std::uint8_t window, std::uint8_t pac2) {
    return Packet{kind,
                  pac1,
                  static_cast<std::uint8_t>(seq1 >> 8),
                  static_cast<std::uint8_t>(seq1),
                  static_cast<std::uint8_t>(seq2 >> 8),
                  static_cast<std::uint8_t>(seq2),
                  window,
                  pac2,
                  0,
                  0,
                  0};
}

}  // namespace

std::vector<Packet> HostTransport::OnPacket(std::span<const std::uint8_t> packet) {
    std::vector<Packet> out;
    if (packet.size() < kHeader) {
        m_problems.push_back("short transport packet");
        return out;
    }
    if (packet[0] == 0xFF) {
        OnSegment(packet, out);
    } else if (packet[0] == 0xFD) {
        if (U16(packet, 2) == 0 && U16(packet, 4) == 0 && packet[6] == 0) {
            ++m_terminations;
            m_expected = 1;
            m_message.clear();
            m_out.clear();
        } else {
            OnAck(packet, out);
        }
    } else {
        m_problems.push_back("not a transport packet");
    }
    return out;
}

Packet HostTransport::Ack(std::uint16_t seq1) const {
    return Header(0xFC, m_inPac[0], seq1, static_cast<std::uint16_t>(m_count),
                  static_cast<std::uint8_t>(m_window), m_inPac[1]);
}

void HostTransport::OnSegment(std::span<const std::uint8_t> p, std::vector<Packet>& out) {
    const std::uint32_t seq1 = U16(p, 2);
    const std::uint32_t seq2 = U16(p, 4);
    if (p.size() == kHeader || p.size() > kHeader + kData || seq2 == 0 || seq1 > seq2) {
        m_problems.push_back("malformed segment");
        return;
    }
    if (seq1 != m_expected || (m_expected > 1 && seq2 != m_count)) {
        if (m_expected > 1) {
            out.push_back(Ack(static_cast<std::uint16_t>(m_expected)));  // asks again
            m_inWindow = 0;
        } else if (!m_lastFinalAck.empty() && seq2 == U16(m_lastFinalAck, 4)) {
            // The tail of the last message again: its final acknowledgement went astray.
            out.push_back(m_lastFinalAck);
        }
        return;
    }
    if (seq1 == 1 && !m_lastSingle.empty() && Packet(p.begin(), p.end()) == m_lastSingle) {
        // The one-segment message just taken, again: its final acknowledgement went astray.
        out.push_back(m_lastFinalAck);
        return;
    }
    if (seq1 == 1) {
        m_lastSingle.clear();
        m_count = seq2;
        m_window = std::max<std::uint32_t>(p[6], 1);
        m_inPac = {p[1], p[7]};
        m_message.clear();
        m_inWindow = 0;
    }
    m_message.insert(m_message.end(), p.begin() + kHeader, p.end());
    ++m_expected;
    if (seq1 == m_count) {
        m_lastFinalAck = Ack(0);
        m_lastSingle = m_count == 1 ? Packet(p.begin(), p.end()) : Packet{};
        out.push_back(m_lastFinalAck);
        m_delivered.push_back(std::move(m_message));
        m_message.clear();
        m_expected = 1;
        return;
    }
    if (seq1 == 1 || ++m_inWindow >= m_window) {
        m_inWindow = 0;
        out.push_back(Ack(static_cast<std::uint16_t>(m_expected)));
    }
}

Packet HostTransport::Segment(std::uint32_t n) const {
    Packet p = m_out[n - 1];
    return p;
}

bool HostTransport::Send(std::span<const std::uint8_t> message, std::uint8_t window,
                         std::array<std::uint8_t, 2> pac, std::vector<Packet>& out) {
    if (Sending() || message.empty()) return false;
    // The conversation has moved on: a segment like the last one received is a new message.
    m_lastSingle.clear();
    m_lastFinalAck.clear();
    const std::size_t count = (message.size() + kData - 1) / kData;
    m_outPac = pac;
    m_outWindow = std::max<std::uint8_t>(window, 1);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = i * kData;
        const std::size_t n = std::min(kData, message.size() - from);
        Packet p = Header(0xFE, pac[0], static_cast<std::uint16_t>(i + 1),
                          static_cast<std::uint16_t>(count), m_outWindow, pac[1]);
        p.insert(p.end(), message.begin() + static_cast<std::ptrdiff_t>(from),
                 message.begin() + static_cast<std::ptrdiff_t>(from + n));
        m_out.push_back(std::move(p));
    }
    m_base = 1;
    m_next = 2;
    m_repeats = 0;
    m_resentFrom = 0;
    out.push_back(Segment(1));  // the first segment goes alone
    return true;
}

void HostTransport::SendFrom(std::uint32_t first, std::vector<Packet>& out) {
    const std::uint32_t last = std::min<std::uint32_t>(static_cast<std::uint32_t>(m_out.size()),
                                                       m_base + m_peerWindow - 1);
    for (std::uint32_t n = first; n <= last; ++n) out.push_back(Segment(n));
    m_next = std::max(m_next, last + 1);
}

void HostTransport::OnAck(std::span<const std::uint8_t> p, std::vector<Packet>& out) {
    if (!Sending() || U16(p, 4) != m_out.size()) return;  // stale
    const std::uint32_t seq1 = U16(p, 2);
    if (seq1 == 0) {
        // Final only once everything has gone out.
        if (m_next <= m_out.size()) return;
        m_out.clear();
        ++m_acknowledged;
        return;
    }
    if (seq1 > m_out.size() || seq1 < m_base) return;
    // The same request again is answered by the time-out, not by another window.
    if (seq1 == m_base && m_resentFrom == seq1) return;
    m_peerWindow = std::max<std::uint32_t>(p[6], 1);
    if (seq1 > m_base) m_repeats = 0;
    m_base = seq1;
    m_resentFrom = seq1;
    // From the segment asked for: the next window, or the rest of this one again.
    SendFrom(seq1, out);
}

bool HostTransport::OnTimeout(std::vector<Packet>& out, int limit) {
    if (!Sending()) return true;
    if (++m_repeats > limit) {
        m_out.clear();
        return false;
    }
    if (m_base == 1) {
        out.push_back(Segment(1));
    } else {
        SendFrom(m_base, out);
    }
    return true;
}

std::vector<Packet> HostTransport::TakeDelivered() {
    return std::exchange(m_delivered, {});
}

}  // namespace arlohost
