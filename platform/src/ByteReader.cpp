#include "platform/ByteReader.h"

#include <cstring>

namespace platform {

bool ByteReader::take(std::size_t n, const std::uint8_t*& p) noexcept {
    if (m_failed || n > remaining()) {
        m_failed = true;
        return false;
    }
    p = m_data.data() + m_pos;
    m_pos += n;
    return true;
}

bool ByteReader::u8(std::uint8_t& v) noexcept {
    const std::uint8_t* p = nullptr;
    if (!take(1, p)) return false;
    v = p[0];
    return true;
}

bool ByteReader::u16be(std::uint16_t& v) noexcept {
    const std::uint8_t* p = nullptr;
    if (!take(2, p)) return false;
    v = static_cast<std::uint16_t>((p[0] << 8) | p[1]);
    return true;
}

bool ByteReader::u16le(std::uint16_t& v) noexcept {
    const std::uint8_t* p = nullptr;
    if (!take(2, p)) return false;
    v = static_cast<std::uint16_t>((p[1] << 8) | p[0]);
    return true;
}

bool ByteReader::u32be(std::uint32_t& v) noexcept {
    const std::uint8_t* p = nullptr;
    if (!take(4, p)) return false;
    v = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
        std::uint32_t{p[3]};
    return true;
}

bool ByteReader::u32le(std::uint32_t& v) noexcept {
    const std::uint8_t* p = nullptr;
    if (!take(4, p)) return false;
    v = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
        std::uint32_t{p[0]};
    return true;
}

bool ByteReader::bytes(std::size_t n, std::span<const std::uint8_t>& out) noexcept {
    const std::uint8_t* p = nullptr;
    if (!take(n, p)) return false;
    out = std::span<const std::uint8_t>(p, n);
    return true;
}

bool ByteReader::copy(std::span<std::uint8_t> out) noexcept {
    const std::uint8_t* p = nullptr;
    if (!take(out.size(), p)) return false;
    if (!out.empty()) std::memcpy(out.data(), p, out.size());
    return true;
}

bool ByteReader::skip(std::size_t n) noexcept {
    const std::uint8_t* p = nullptr;
    return take(n, p);
}

bool ByteReader::peek(std::size_t offset, std::uint8_t& v) const noexcept {
    if (m_failed || offset >= remaining()) return false;
    v = m_data[m_pos + offset];
    return true;
}

bool ByteReader::seek(std::size_t pos) noexcept {
    if (m_failed || pos > m_data.size()) {
        m_failed = true;
        return false;
    }
    m_pos = pos;
    return true;
}

}  // namespace platform
