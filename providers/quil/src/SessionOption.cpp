#include "quil/SessionOption.h"

#include <algorithm>

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

namespace quil {

namespace {

// Offsets of the timing fields within an end-to-end option.
constexpr std::size_t kClOutOffset = 10;
constexpr std::size_t kClInOffset = 22;

}  // namespace

std::size_t CSessionOption::SizeForType(std::uint8_t type) noexcept {
    switch (type) {
        case kOptionHostData:
            return 16;
        case kOptionRouting:
            return 8;
        case kOptionEndToEnd:
            return 32;
        case kOptionPoolName:
            return 8;
        default:
            return 0;
    }
}

CSessionOption::CSessionOption(std::uint8_t type, std::span<const std::uint8_t> body) noexcept {
    const std::size_t size = SizeForType(type);
    if (size == 0) return;
    m_type = type;
    m_length = static_cast<std::uint8_t>(size);
    const std::size_t n = std::min(body.size(), size - 2);
    std::copy_n(body.begin(), n, m_body.begin());
    m_valid = true;
}

CSessionOption CSessionOption::FromWire(std::span<const std::uint8_t> in) noexcept {
    CSessionOption option;
    platform::ByteReader r(in);
    std::uint8_t type = 0, length = 0;
    if (!r.u8(type) || !r.u8(length)) return option;
    if (SizeForType(type) == 0 || length < 2 || length > kMaxOptionSize) return option;
    if (!r.copy(std::span<std::uint8_t>(option.m_body.data(), length - 2u))) return option;
    option.m_type = type;
    option.m_length = length;
    option.m_valid = true;
    return option;
}

std::span<const std::uint8_t> CSessionOption::Body() const noexcept {
    return {m_body.data(), m_length >= 2 ? m_length - 2u : 0u};
}

std::span<std::uint8_t> CSessionOption::MutableBody() noexcept {
    return {m_body.data(), m_length >= 2 ? m_length - 2u : 0u};
}

std::size_t CSessionOption::Write(std::vector<std::uint8_t>& out) const {
    if (!m_valid || m_length == 0) return 0;
    platform::ByteWriter w(out);
    w.u8(m_type);
    w.u8(m_length);
    w.bytes(Body());
    return w.ok() ? m_length : 0;
}

std::size_t CSessionOption::WriteTo(std::span<std::uint8_t> area) const {
    if (!m_valid || m_length == 0 || area.size() < m_length) return 0;
    std::vector<std::uint8_t> bytes;
    const std::size_t n = Write(bytes);
    std::copy_n(bytes.begin(), n, area.begin());
    return n;
}

void CSessionOption::Clear() noexcept {
    m_type = 0;
    m_length = 0;
    m_body.fill(0);
}

OptionWalkEnd WalkOptions(std::span<const std::uint8_t> area,
                          const std::function<bool(std::span<const std::uint8_t>)>& visit) {
    platform::ByteReader r(area);
    // Every step consumes at least two bytes, so the walk ends within area.size() / 2 steps.
    while (!r.empty()) {
        std::uint8_t type = 0, length = 0;
        if (!r.peek(0, type) || !r.peek(1, length)) return OptionWalkEnd::Malformed;
        if (type == 0 && length == 0) return OptionWalkEnd::Padding;
        std::span<const std::uint8_t> option;
        if (length < 2 || !r.bytes(length, option)) return OptionWalkEnd::Malformed;
        if (!visit(option)) return OptionWalkEnd::Complete;
    }
    return OptionWalkEnd::Complete;
}

std::optional<RoutingOption> RoutingOption::Parse(std::span<const std::uint8_t> option) noexcept {
    platform::ByteReader r(option);
    std::uint8_t type = 0, length = 0;
    RoutingOption routing;
    if (!r.u8(type) || !r.u8(length) || type != kOptionRouting || length != 8) return {};
    if (!r.u16le(routing.sequenceId) || !r.u32le(routing.index)) return {};
    return routing;
}

std::optional<RoutingOption> RoutingOption::Find(std::span<const std::uint8_t> area) {
    std::optional<RoutingOption> found;
    (void)WalkOptions(area, [&](std::span<const std::uint8_t> option) {
        if (option[0] != kOptionRouting) return true;
        found = Parse(option);
        return false;
    });
    return found;
}

CSessionOption RoutingOption::ToOption() const noexcept {
    std::vector<std::uint8_t> body;
    platform::ByteWriter w(body);
    w.u16le(sequenceId);
    w.u32le(index);
    return CSessionOption(kOptionRouting, body);
}

std::optional<EndToEndTiming> EndToEndTiming::Parse(std::span<const std::uint8_t> option) noexcept {
    platform::ByteReader r(option);
    std::uint8_t type = 0, length = 0;
    EndToEndTiming t;
    if (!r.u8(type) || !r.u8(length) || type != kOptionEndToEnd || length != 32) return {};
    if (!r.copy(t.carried) || !r.u32le(t.clOut) || !r.u32le(t.fepQin) || !r.u32le(t.srvIn) ||
        !r.u16le(t.clIn) || !r.u16le(t.fepQout) || !r.u16le(t.fepRin) || !r.u16le(t.fepRout) ||
        !r.u16le(t.srvApp))
        return {};
    return t;
}

CSessionOption EndToEndTiming::ToOption() const noexcept {
    std::vector<std::uint8_t> body;
    platform::ByteWriter w(body);
    w.bytes(carried);
    w.u32le(clOut);
    w.u32le(fepQin);
    w.u32le(srvIn);
    w.u16le(clIn);
    w.u16le(fepQout);
    w.u16le(fepRin);
    w.u16le(fepRout);
    w.u16le(srvApp);
    return CSessionOption(kOptionEndToEnd, body);
}

namespace {

// Calls `stamp` with the offset of every well-formed end-to-end option in `area`.
template <typename Stamp>
void ForEachEndToEnd(std::span<std::uint8_t> area, Stamp stamp) {
    std::size_t pos = 0;
    (void)WalkOptions(area, [&](std::span<const std::uint8_t> option) {
        if (option[0] == kOptionEndToEnd && option.size() == 32) stamp(pos);
        pos += option.size();
        return true;
    });
}

void Put(std::span<std::uint8_t> area, std::size_t pos, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), area.begin() + static_cast<std::ptrdiff_t>(pos));
}

}  // namespace

void StampEndToEndOut(std::span<std::uint8_t> area, std::uint32_t tick) {
    ForEachEndToEnd(area, [&](std::size_t pos) {
        std::vector<std::uint8_t> bytes;
        platform::ByteWriter(bytes).u32le(tick);
        Put(area, pos + kClOutOffset, bytes);
    });
}

void StampEndToEndIn(std::span<std::uint8_t> area, std::uint32_t tick) {
    ForEachEndToEnd(area, [&](std::size_t pos) {
        platform::ByteReader r(area.subspan(pos + kClOutOffset, 4));
        std::uint32_t clOut = 0;
        if (!r.u32le(clOut)) return;
        std::vector<std::uint8_t> bytes;
        platform::ByteWriter(bytes).u16le(static_cast<std::uint16_t>(tick - clOut));
        Put(area, pos + kClInOffset, bytes);
    });
}

}  // namespace quil
