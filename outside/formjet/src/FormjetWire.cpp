#include "formjet/FormjetWire.h"

namespace formjet::wire {

bool Encode(std::uint8_t letter, std::uint8_t sequence, std::span<const std::uint8_t> payload,
            std::vector<std::uint8_t>& out) {
    if (payload.size() > kMaxPayload) return false;
    const auto length = static_cast<std::uint16_t>(payload.size());
    out.clear();
    out.reserve(payload.size() + 6);
    out.push_back(SOH);
    out.push_back(letter);
    out.push_back(sequence);
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length & 0xFF));
    out.insert(out.end(), payload.begin(), payload.end());
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < out.size(); ++i) check ^= out[i];
    out.push_back(check);
    return true;
}

void Reader::Feed(std::span<const std::uint8_t> bytes, std::vector<Frame>& out) {
    for (const std::uint8_t b : bytes) {
        if (!m_inPayload) {
            if (m_head.empty() && b != SOH) continue;
            m_head.push_back(b);
            if (m_head.size() < 5) continue;
            m_frame = Frame{};
            m_frame.letter = m_head[1];
            m_frame.sequence = m_head[2];
            m_length = (std::size_t{m_head[3]} << 8) | m_head[4];
            m_frame.payload.reserve(m_length);
            m_inPayload = true;
            continue;
        }
        if (m_frame.payload.size() < m_length) {
            m_frame.payload.push_back(b);
            continue;
        }
        std::uint8_t check = 0;
        for (std::size_t i = 1; i < m_head.size(); ++i) check ^= m_head[i];
        for (const std::uint8_t p : m_frame.payload) check ^= p;
        m_frame.checkOk = check == b;
        out.push_back(std::move(m_frame));
        m_head.clear();
        m_inPayload = false;
    }
}

}  // namespace formjet::wire
