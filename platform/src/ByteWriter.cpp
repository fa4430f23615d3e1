#include "platform/ByteWriter.h"

namespace platform {

bool ByteWriter::room(std::size_t n) noexcept {
    if (m_failed || n > m_limit || m_out.size() > m_limit - n) {
        m_failed = true;
        return false;
    }
    return true;
}

bool ByteWriter::u8(std::uint8_t v) {
    if (!room(1)) return false;
    m_out.push_back(v);
    return true;
}

bool ByteWriter::u16be(std::uint16_t v) {
    if (!room(2)) return false;
    m_out.push_back(static_cast<std::uint8_t>(v >> 8));
    m_out.push_back(static_cast<std::uint8_t>(v));
    return true;
}

bool ByteWriter::u16le(std::uint16_t v) {
    if (!room(2)) return false;
    m_out.push_back(static_cast<std::uint8_t>(v));
    m_out.push_back(static_cast<std::uint8_t>(v >> 8));
    return true;
}

bool ByteWriter::u32be(std::uint32_t v) {
    if (!room(4)) return false;
    for (int shift = 24; shift >= 0; shift -= 8)
        m_out.push_back(static_cast<std::uint8_t>(v >> shift));
    return true;
}

bool ByteWriter::u32le(std::uint32_t v) {
    if (!room(4)) return false;
    for (int shift = 0; shift <= 24; shift += 8)
        m_out.push_back(static_cast<std::uint8_t>(v >> shift));
    return true;
}

bool ByteWriter::bytes(std::span<const std::uint8_t> v) {
    if (!room(v.size())) return false;
    m_out.insert(m_out.end(), v.begin(), v.end());
    return true;
}

bool ByteWriter::fill(std::uint8_t v, std::size_t n) {
    if (!room(n)) return false;
    m_out.insert(m_out.end(), n, v);
    return true;
}

bool ByteWriter::patch16be(std::size_t pos, std::uint16_t v) noexcept {
    if (m_failed || pos > m_out.size() || m_out.size() - pos < 2) return false;
    m_out[pos] = static_cast<std::uint8_t>(v >> 8);
    m_out[pos + 1] = static_cast<std::uint8_t>(v);
    return true;
}

bool ByteWriter::patch32be(std::size_t pos, std::uint32_t v) noexcept {
    if (m_failed || pos > m_out.size() || m_out.size() - pos < 4) return false;
    for (int i = 0; i < 4; ++i) m_out[pos + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    return true;
}

}  // namespace platform
