#include "quil/SessionHeader.h"

#include <algorithm>

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

namespace quil {

namespace {

int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void CSessionHeader::Write(std::vector<std::uint8_t>& out) const {
    platform::ByteWriter w(out);
    w.u8(static_cast<std::uint8_t>((m_version << 4) | (m_kind & 0x0F)));
    w.u8(static_cast<std::uint8_t>((m_headerWords << 4) | (m_optionWords & 0x0F)));
    w.u8(m_err);
    w.u8(static_cast<std::uint8_t>((m_reservedPair << 6) | (m_segmentOverride ? 0x20 : 0) |
                                   (m_nonStandardDevice ? 0x10 : 0) | (m_reservedTriple << 1) |
                                   (m_pooled ? 0x01 : 0)));
    w.bytes(m_ta);
    w.u8(m_filler);
    w.bytes(m_sid);
}

bool CSessionHeader::Read(std::span<const std::uint8_t> in) noexcept {
    platform::ByteReader r(in);
    std::uint8_t b0 = 0, b1 = 0, b2 = 0, b3 = 0, filler = 0;
    std::array<std::uint8_t, 3> ta{};
    std::array<std::uint8_t, 4> sid{};
    if (!r.u8(b0) || !r.u8(b1) || !r.u8(b2) || !r.u8(b3) || !r.copy(ta) || !r.u8(filler) ||
        !r.copy(sid))
        return false;
    m_version = b0 >> 4;
    m_kind = b0 & 0x0F;
    m_headerWords = b1 >> 4;
    m_optionWords = b1 & 0x0F;
    m_err = b2;
    m_reservedPair = b3 >> 6;
    m_segmentOverride = (b3 & 0x20) != 0;
    m_nonStandardDevice = (b3 & 0x10) != 0;
    m_reservedTriple = (b3 >> 1) & 0x07;
    m_pooled = (b3 & 0x01) != 0;
    m_ta = ta;
    m_filler = filler;
    m_sid = sid;
    return true;
}

void CSessionHeader::SetOptionBytes(std::size_t bytes) noexcept {
    m_optionWords = static_cast<std::uint8_t>(std::min<std::size_t>(bytes / 4, 15));
}

bool CSessionHeader::SetTerminalAddress(std::string_view lniata) noexcept {
    if (lniata.size() != 6) return false;
    std::array<std::uint8_t, 3> ta{};
    for (std::size_t i = 0; i < ta.size(); ++i) {
        const int hi = HexValue(lniata[2 * i]);
        const int lo = HexValue(lniata[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        ta[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    m_ta = ta;
    return true;
}

std::string CSessionHeader::TerminalAddress() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : m_ta) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

SessionIdentity CSessionHeader::Identity() const noexcept {
    SessionIdentity id{};
    std::copy(m_ta.begin(), m_ta.end(), id.begin());
    id[3] = m_filler;
    std::copy(m_sid.begin(), m_sid.end(), id.begin() + 4);
    return id;
}

void CSessionHeader::SetIdentity(const SessionIdentity& identity) noexcept {
    std::copy(identity.begin(), identity.begin() + 3, m_ta.begin());
    m_filler = identity[3];
    std::copy(identity.begin() + 4, identity.end(), m_sid.begin());
}

void CSessionHeader::AppendSessionId(std::string& out) const {
    out.assign(m_sid.begin(), m_sid.end());
}

void CSessionHeader::SetSessionId(std::string_view in) noexcept {
    m_sid.fill(0);
    const std::size_t n = std::min(in.size(), m_sid.size());
    for (std::size_t i = 0; i < n; ++i) m_sid[i] = static_cast<std::uint8_t>(in[i]);
}

}  // namespace quil
