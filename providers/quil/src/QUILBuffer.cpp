#include "quil/QUILBuffer.h"

#include <algorithm>

#include "platform/ByteWriter.h"

namespace quil {

EndOfMessage EndOfMessageKind(std::uint8_t last) noexcept {
    switch (last) {
        case 0x4E:
            return EndOfMessage::Complete;
        case 0x5F:
            return EndOfMessage::CompleteMore;
        case 0x6D:
            return EndOfMessage::Partial;
        case 0x7E:
            return EndOfMessage::PartialDrop2;
        default:
            return EndOfMessage::None;
    }
}

CQUILBuffer::CQUILBuffer(const CStreamHeader& stream, const CSessionHeader& session,
                         std::span<const std::uint8_t> options,
                         std::span<const std::uint8_t> payload) {
    if (!SetStreamHeader(stream) || !SetSessionHeader(session)) return;
    SetOptions(options);
    SetPayload(payload);
}

void CQUILBuffer::Place(std::size_t pos, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), m_block.begin() + static_cast<std::ptrdiff_t>(pos));
}

bool CQUILBuffer::SetStreamHeader(const CStreamHeader& stream) {
    Reset();
    if (stream.Length() < kRecordHeaderSize || stream.Length() > kMaxRecordLength) return false;
    m_wholeLength = stream.Length();
    m_block.assign(m_wholeLength, 0);
    std::vector<std::uint8_t> bytes;
    stream.Write(bytes);
    Place(0, bytes);
    return true;
}

bool CQUILBuffer::SetSessionHeader(const CSessionHeader& session) {
    if (m_block.empty() || kRecordHeaderSize + session.OptionBytes() > m_block.size()) {
        m_optionBytes = 0;
        return false;
    }
    std::vector<std::uint8_t> bytes;
    session.Write(bytes);
    Place(kStreamHeaderSize, bytes);
    m_optionBytes = session.OptionBytes();
    m_payloadBytes = m_wholeLength - kRecordHeaderSize - m_optionBytes;
    return true;
}

void CQUILBuffer::SetOptions(std::span<const std::uint8_t> options) {
    if (options.empty() || m_block.empty()) return;
    const std::size_t n = std::min(options.size(), m_optionBytes);
    std::copy_n(options.begin(), n, m_block.begin() + kRecordHeaderSize);
}

void CQUILBuffer::SetPayload(std::span<const std::uint8_t> payload) {
    if (m_block.empty()) return;
    const std::size_t start = kRecordHeaderSize + m_optionBytes;
    if (!payload.empty()) {
        m_block.resize(start + payload.size());
        std::copy(payload.begin(), payload.end(),
                  m_block.begin() + static_cast<std::ptrdiff_t>(start));
        m_payloadBytes = payload.size();
    } else {
        m_payloadBytes = m_block.size() - start;
    }
    m_wholeLength = start + m_payloadBytes;
    std::vector<std::uint8_t> length;
    platform::ByteWriter(length).u32be(static_cast<std::uint32_t>(m_wholeLength));
    Place(4, length);
}

bool CQUILBuffer::FillFromReceived(std::span<const std::uint8_t> afterStreamHeader) {
    if (m_block.empty()) return false;
    const std::size_t want = m_wholeLength - kStreamHeaderSize;
    const std::size_t n = std::min(afterStreamHeader.size(), want);
    std::copy_n(afterStreamHeader.begin(), n, m_block.begin() + kStreamHeaderSize);
    return n == want;
}

bool CQUILBuffer::ReadSessionHeader(CSessionHeader& session) {
    if (m_block.size() < kRecordHeaderSize) return false;
    CSessionHeader read;
    if (!read.Read(std::span<const std::uint8_t>(m_block).subspan(kStreamHeaderSize))) return false;
    if (kRecordHeaderSize + read.OptionBytes() > m_block.size()) return false;
    session = read;
    m_optionBytes = read.OptionBytes();
    m_payloadBytes = m_wholeLength - kRecordHeaderSize - m_optionBytes;
    return true;
}

std::span<const std::uint8_t> CQUILBuffer::Options() const noexcept {
    if (m_block.empty()) return {};
    return std::span<const std::uint8_t>(m_block).subspan(kRecordHeaderSize, m_optionBytes);
}

std::size_t CQUILBuffer::GetOptions(std::span<std::uint8_t> out) const noexcept {
    const auto options = Options();
    const std::size_t n = std::min(out.size(), options.size());
    std::copy_n(options.begin(), n, out.begin());
    return n;
}

std::size_t CQUILBuffer::PayloadLength() const noexcept {
    return m_block.empty() ? 0 : m_payloadBytes;
}

std::span<const std::uint8_t> CQUILBuffer::Payload() const noexcept {
    if (m_block.empty()) return {};
    return std::span<const std::uint8_t>(m_block).subspan(kRecordHeaderSize + m_optionBytes,
                                                          m_payloadBytes);
}

std::size_t CQUILBuffer::GetPayload(std::span<std::uint8_t> out) const noexcept {
    const auto payload = Payload();
    const std::size_t n = std::min(out.size(), payload.size());
    std::copy_n(payload.begin(), n, out.begin());
    return n;
}

void CQUILBuffer::Reset() noexcept {
    m_block.clear();
    m_wholeLength = 0;
    m_optionBytes = 0;
    m_payloadBytes = 0;
}

EndOfMessage CQUILBuffer::EndOfMessageKind() const noexcept {
    if (m_block.empty()) return EndOfMessage::None;
    return quil::EndOfMessageKind(m_block.back());
}

}  // namespace quil
