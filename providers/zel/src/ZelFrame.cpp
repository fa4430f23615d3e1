#include "zel/ZelFrame.h"

#include "brxconn/CLniata.h"
#include "platform/ByteReader.h"

namespace zel {
namespace {

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> BuildFrame(std::uint16_t flags, std::uint32_t word,
                                     std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> f(kFrameHeader, 0);
    Put32(f, 0, kSync);
    Put32(f, 4, kLengthBase + static_cast<std::uint32_t>(data.size()));
    f[8] = static_cast<std::uint8_t>(flags);
    f[9] = static_cast<std::uint8_t>(flags >> 8);
    Put32(f, 10, word);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

std::uint32_t RegistrationWord(const CLniata& lniata) {
    return 1u | (static_cast<std::uint32_t>(lniata.GetLn()) << 8) |
           (static_cast<std::uint32_t>(lniata.GetIa()) << 20) |
           (static_cast<std::uint32_t>(lniata.GetTa()) << 24);
}

std::vector<std::uint8_t> RegistrationFrame(const CLniata& lniata, const std::string& alias) {
    return BuildFrame(FLAG_REGISTRATION, RegistrationWord(lniata),
                      std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(alias.data()), alias.size()));
}

const std::vector<std::uint8_t>& HeartbeatFrame() {
    static const std::vector<std::uint8_t> frame = BuildFrame(FLAG_HEARTBEAT, 0, {});
    return frame;
}

bool CFrameReader::Feed(std::span<const std::uint8_t> bytes) {
    if (m_failed) return false;
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    Check();
    return !m_failed;
}

// The sync and the length are judged as soon as their eight bytes are in.
void CFrameReader::Check() {
    if (m_buffer.size() < 8) return;
    platform::ByteReader r(m_buffer);
    std::uint32_t sync = 0;
    std::uint32_t length = 0;
    if (!r.u32le(sync) || !r.u32le(length) || sync != kSync || length < kLengthBase ||
        length > kMaxFrameLength) {
        m_failed = true;
        m_buffer.clear();
    }
}

std::optional<Frame> CFrameReader::Next() {
    if (m_failed || m_buffer.size() < kFrameHeader) return std::nullopt;
    platform::ByteReader r(m_buffer);
    std::uint32_t sync = 0;
    std::uint32_t length = 0;
    Frame f;
    if (!r.u32le(sync) || !r.u32le(length) || !r.u16le(f.flags) || !r.u32le(f.word))
        return std::nullopt;
    const std::size_t total = 8 + static_cast<std::size_t>(length);
    if (m_buffer.size() < total) return std::nullopt;
    f.data.assign(m_buffer.begin() + kFrameHeader,
                  m_buffer.begin() + static_cast<std::ptrdiff_t>(total));
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(total));
    Check();
    return f;
}

void CFrameReader::Reset() {
    m_buffer.clear();
    m_failed = false;
}

}  // namespace zel
