#include "linkpacket/LinkPacketHeader.h"

#include "platform/ByteReader.h"

namespace linkpacket {

namespace {

void PutLe(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

LinkPacketHeader MakeHeader(PacketKind kind, std::uint32_t totalLength, std::uint32_t code) {
    return {kMagic, static_cast<std::uint8_t>(kind), totalLength, code};
}

std::array<std::uint8_t, kHeaderSize> Encode(const LinkPacketHeader& header) {
    std::array<std::uint8_t, kHeaderSize> bytes{};
    (void)EncodeTo(header, bytes);
    return bytes;
}

bool EncodeTo(const LinkPacketHeader& header, std::span<std::uint8_t> out) {
    if (out.size() < kHeaderSize) return false;
    PutLe(out, 0, header.magic, 2);
    out[2] = header.kind;
    PutLe(out, 3, header.totalLength, 4);
    PutLe(out, 7, header.code, 4);
    return true;
}

std::optional<LinkPacketHeader> Decode(std::span<const std::uint8_t> bytes) {
    platform::ByteReader reader(bytes);
    LinkPacketHeader header;
    if (!reader.u16le(header.magic) || !reader.u8(header.kind) ||
        !reader.u32le(header.totalLength) || !reader.u32le(header.code))
        return std::nullopt;
    return header;
}

bool IsAcceptedAnswer(const LinkPacketHeader& header) {
    return header.magic == kMagic && header.totalLength <= kMaxAnswerLength &&
           header.kind == static_cast<std::uint8_t>(PacketKind::Answer);
}

std::int32_t AnswerResult(const LinkPacketHeader& header) {
    return IsAcceptedAnswer(header) ? static_cast<std::int32_t>(header.code) : kUnacceptedAnswer;
}

}  // namespace linkpacket
