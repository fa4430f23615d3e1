#include "brxbt/BTHeader.h"

#include "platform/ByteReader.h"

namespace brxbt {

bool CBTHeader::SetHeader(std::uint8_t kind, std::uint16_t seq1, std::uint16_t seq2,
                          std::uint8_t window, const std::uint8_t* pac) noexcept {
    m_kind = kind;
    m_seq1 = seq1;
    m_seq2 = seq2;
    m_window = window;
    m_pac = {pac ? pac[0] : std::uint8_t{0}, pac ? pac[1] : std::uint8_t{0}};
    return true;
}

void CBTHeader::Write(std::span<std::uint8_t, kHeaderLength> out) const noexcept {
    out[0] = m_kind;
    out[1] = m_pac[0];
    out[2] = static_cast<std::uint8_t>(m_seq1 >> 8);
    out[3] = static_cast<std::uint8_t>(m_seq1);
    out[4] = static_cast<std::uint8_t>(m_seq2 >> 8);
    out[5] = static_cast<std::uint8_t>(m_seq2);
    out[6] = m_window;
    out[7] = m_pac[1];
    out[8] = out[9] = out[10] = 0;
}

bool CBTHeader::Read(std::span<const std::uint8_t> packet) noexcept {
    platform::ByteReader r(packet);
    std::uint8_t kind = 0, pac1 = 0, window = 0, pac2 = 0;
    std::uint16_t seq1 = 0, seq2 = 0;
    if (!r.u8(kind) || !r.u8(pac1) || !r.u16be(seq1) || !r.u16be(seq2) || !r.u8(window) ||
        !r.u8(pac2) || !r.skip(3))
        return false;
    const std::uint8_t pac[2] = {pac1, pac2};
    return SetHeader(kind, seq1, seq2, window, pac);
}

}  // namespace brxbt
