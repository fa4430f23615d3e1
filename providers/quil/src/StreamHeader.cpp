#include "quil/StreamHeader.h"

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

namespace quil {

CStreamHeader::CStreamHeader(std::uint8_t sync, std::uint8_t version, std::uint8_t byte2,
                             std::uint32_t length) noexcept
    : m_lead{sync, version, byte2, 0}, m_length(length) {}

void CStreamHeader::Write(std::vector<std::uint8_t>& out) const {
    platform::ByteWriter w(out);
    w.bytes(m_lead);
    w.u32be(m_length);
}

bool CStreamHeader::Read(std::span<const std::uint8_t> in) noexcept {
    platform::ByteReader r(in);
    std::array<std::uint8_t, 4> lead{};
    std::uint32_t length = 0;
    if (!r.copy(lead) || !r.u32be(length)) return false;
    if (lead[0] != kStreamSync || lead[1] != kStreamVersion) return false;
    m_lead = lead;
    m_length = length;
    return true;
}

}  // namespace quil
