#include "kdm32nt/Frame.h"

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

namespace kdm32nt {

namespace {

constexpr std::uint8_t kQueryTag = 'Q';
constexpr std::uint8_t kReplyTag = 'R';

void PutU64(platform::ByteWriter& out, std::uint64_t value) {
    out.u32be(static_cast<std::uint32_t>(value >> 32));
    out.u32be(static_cast<std::uint32_t>(value));
}

bool GetU64(platform::ByteReader& in, std::uint64_t& value) {
    std::uint32_t high = 0, low = 0;
    if (!in.u32be(high) || !in.u32be(low)) return false;
    value = (std::uint64_t{high} << 32) | low;
    return true;
}

bool GetI32(platform::ByteReader& in, std::int32_t& value) {
    std::uint32_t raw = 0;
    if (!in.u32be(raw)) return false;
    value = static_cast<std::int32_t>(raw);
    return true;
}

// Writes the body after a length placeholder, then the length.
template <typename Body>
std::optional<std::vector<std::uint8_t>> Frame(Body writeBody) {
    std::vector<std::uint8_t> frame;
    platform::ByteWriter out(frame, 4 + std::size_t{kMaxFrameBody});
    out.u32be(0);
    writeBody(out);
    if (!out.ok()) return std::nullopt;
    (void)out.patch32be(0, static_cast<std::uint32_t>(frame.size() - 4));
    return frame;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeQuery(const Query& q) {
    if (q.deviceName.size() > kMaxNameLength) return std::nullopt;
    return Frame([&](platform::ByteWriter& out) {
        out.u8(kQueryTag);
        PutU64(out, q.sequence);
        out.u32be(q.handle);
        for (const std::uint32_t word : q.words) out.u32be(word);
        out.u32be(static_cast<std::uint32_t>(q.requestCode));
        out.u32be(q.flags);
        PutU64(out, q.submitId);
        out.u16be(static_cast<std::uint16_t>(q.deviceName.size()));
        out.bytes(
            {reinterpret_cast<const std::uint8_t*>(q.deviceName.data()), q.deviceName.size()});
        out.u32be(static_cast<std::uint32_t>(q.payload.size()));
        out.bytes(q.payload);
    });
}

std::optional<std::vector<std::uint8_t>> EncodeReply(const Reply& r) {
    return Frame([&](platform::ByteWriter& out) {
        out.u8(kReplyTag);
        PutU64(out, r.sequence);
        out.u32be(r.handle);
        for (const std::uint32_t word : r.words) out.u32be(word);
        out.u32be(static_cast<std::uint32_t>(r.requestCode));
        out.u32be(r.value);
        out.u32be(r.count);
        PutU64(out, r.submitId);
        out.u32be(r.status);
        out.u32be(static_cast<std::uint32_t>(r.data.size()));
        out.bytes(r.data);
    });
}

std::optional<Query> DecodeQuery(std::span<const std::uint8_t> body) {
    platform::ByteReader in(body);
    Query q;
    std::uint8_t tag = 0;
    std::uint16_t nameLength = 0;
    std::uint32_t payloadLength = 0;
    std::span<const std::uint8_t> name, payload;
    if (!in.u8(tag) || tag != kQueryTag || !GetU64(in, q.sequence) || !in.u32be(q.handle) ||
        !in.u32be(q.words[0]) || !in.u32be(q.words[1]) || !in.u32be(q.words[2]) ||
        !GetI32(in, q.requestCode) || !in.u32be(q.flags) || !GetU64(in, q.submitId) ||
        !in.u16be(nameLength) || !in.bytes(nameLength, name) || !in.u32be(payloadLength) ||
        !in.bytes(payloadLength, payload) || !in.empty())
        return std::nullopt;
    q.deviceName.assign(name.begin(), name.end());
    q.payload.assign(payload.begin(), payload.end());
    return q;
}

std::optional<Reply> DecodeReply(std::span<const std::uint8_t> body) {
    platform::ByteReader in(body);
    Reply r;
    std::uint8_t tag = 0;
    std::uint32_t dataLength = 0;
    std::span<const std::uint8_t> data;
    if (!in.u8(tag) || tag != kReplyTag || !GetU64(in, r.sequence) || !in.u32be(r.handle) ||
        !in.u32be(r.words[0]) || !in.u32be(r.words[1]) || !in.u32be(r.words[2]) ||
        !GetI32(in, r.requestCode) || !in.u32be(r.value) || !in.u32be(r.count) ||
        !GetU64(in, r.submitId) || !in.u32be(r.status) || !in.u32be(dataLength) ||
        !in.bytes(dataLength, data) || !in.empty())
        return std::nullopt;
    r.data.assign(data.begin(), data.end());
    return r;
}

void FrameReader::Feed(std::span<const std::uint8_t> bytes) {
    if (m_broken) return;
    if (m_start > 0 && m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

std::optional<std::vector<std::uint8_t>> FrameReader::Next() {
    if (m_broken) return std::nullopt;
    platform::ByteReader in(std::span<const std::uint8_t>(m_buffer).subspan(m_start));
    std::uint32_t length = 0;
    if (!in.u32be(length)) return std::nullopt;
    if (length > kMaxFrameBody) {
        m_broken = true;
        m_buffer.clear();
        m_start = 0;
        return std::nullopt;
    }
    std::span<const std::uint8_t> body;
    if (!in.bytes(length, body)) return std::nullopt;
    std::vector<std::uint8_t> out(body.begin(), body.end());
    m_start += 4 + length;
    if (m_start > 64 * 1024) {  // drop what was read, so the buffer does not grow without end
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    return out;
}

}  // namespace kdm32nt
